import QtQuick 2.15
import QtQuick.Layouts 1.15

// The front-panel keys of a monitor outside the RV families: the on-screen-menu keys next to
// the input select and function keys.
RowLayout {
    id: keyboard
    objectName: "keyboardSection"

    property QtObject loadedHardware: null
    property string mode: "dark"
    property bool ktLayout: false

    spacing: 10

    Frame {
        objectName: "osdFrame"
        title: "OSD Menu Controls"
        mode: keyboard.mode
        Layout.alignment: Qt.AlignTop
        Layout.fillHeight: true

        MenuButtonsOSD {
            loadedHardware: keyboard.loadedHardware
        }
    }

    Frame {
        objectName: "inputSelectFrame"
        title: "Input Select"
        mode: keyboard.mode
        Layout.alignment: Qt.AlignTop
        Layout.fillHeight: true
        Layout.fillWidth: true

        InputFunctionButtons {
            loadedHardware: keyboard.loadedHardware
            mode: keyboard.mode
            ktLayout: keyboard.ktLayout
        }
    }
}
