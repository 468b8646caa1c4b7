import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import "../common"

// One rotary knob of the monitor: push, turn clockwise, turn anticlockwise. With a shortcut
// key the plain key pushes, Shift+key turns clockwise and Ctrl+key anticlockwise.
Frame {
    id: knob

    property QtObject loadedHardware: null
    property int number: 0
    // Empty: no keyboard shortcuts for this knob.
    property string shortcutKey: ""
    readonly property bool shortcutsActive: shortcutKey !== "" && visible && enabled && !InputFocus.keepsKeys(Window.activeFocusItem)

    // 0 push, 1 clockwise, 2 anticlockwise.
    function turn(type) {
        if (loadedHardware)
            loadedHardware.sendRotary(type, number);
    }

    Button {
        objectName: "pushButton_" + knob.number
        text: "Push"
        Layout.fillWidth: true
        onClicked: knob.turn(0)
    }
    Button {
        objectName: "clockwiseButton_" + knob.number
        text: "clockwise"
        Layout.fillWidth: true
        onClicked: knob.turn(1)
    }
    Button {
        objectName: "anticlockwiseButton_" + knob.number
        text: "anticlockwise"
        Layout.fillWidth: true
        onClicked: knob.turn(2)
    }

    Shortcut {
        sequence: knob.shortcutKey
        enabled: knob.shortcutsActive
        onActivated: knob.turn(0)
    }
    Shortcut {
        sequence: knob.shortcutKey === "" ? "" : "Shift+" + knob.shortcutKey
        enabled: knob.shortcutsActive
        onActivated: knob.turn(1)
    }
    Shortcut {
        sequence: knob.shortcutKey === "" ? "" : "Ctrl+" + knob.shortcutKey
        enabled: knob.shortcutsActive
        onActivated: knob.turn(2)
    }
}
