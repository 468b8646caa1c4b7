import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15

// The Cubrix controls page: for now the device header (identity, state, page switch and
// disconnect).
Item {
    id: page
    objectName: "cubrixGeneralPage"

    property QtObject loadedHardware: null
    property string mode: "dark"
    readonly property color textColour: mode === "dark" ? "white" : "black"
    readonly property bool connected: loadedHardware !== null && loadedHardware.state === 3

    signal pageRequested(int index)

    enabled: connected

    Rectangle {
        visible: page.connected
        width: 420
        height: header.implicitHeight + 24
        color: "transparent"
        border.color: page.mode === "dark" ? "#47484B" : "#cccccc"
        radius: 4

        ColumnLayout {
            id: header
            anchors.fill: parent
            anchors.margins: 12
            spacing: 6

            Label {
                objectName: "addressLabel"
                color: page.textColour
                text: "Address: %1".arg(page.loadedHardware ? page.loadedHardware.address : "")
            }
            Label {
                objectName: "serialLabel"
                color: page.textColour
                text: "Serial: %1".arg(page.loadedHardware ? page.loadedHardware.serial : "")
            }
            Label {
                objectName: "modelLabel"
                color: page.textColour
                text: "Model: %1".arg(page.loadedHardware ? page.loadedHardware.model : "")
            }
            Label {
                objectName: "versionLabel"
                color: page.textColour
                text: "Firmware Version: %1".arg(page.loadedHardware ? page.loadedHardware.version : "")
            }
            Label {
                text: "Connected"
                color: page.mode === "dark" ? "#4cc94c" : "green"
            }
            RowLayout {
                spacing: 10
                Button {
                    text: "Settings"
                    onClicked: page.pageRequested(1)
                }
                Button {
                    objectName: "disconnectButton"
                    text: "Disconnect"
                    onClicked: {
                        page.pageRequested(0);
                        page.loadedHardware.deviceDisconnect();
                    }
                }
            }
        }
    }
}
