import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15

// The monitor page: for now the identity of the connected monitor and its disconnect button.
Item {
    id: page
    objectName: "monitorGeneralPage"

    property QtObject loadedHardware: null
    property string mode: "dark"
    readonly property color textColour: mode === "dark" ? "white" : "black"
    readonly property bool connected: loadedHardware !== null && loadedHardware.state === 3

    signal pageRequested(int index)

    enabled: connected

    Rectangle {
        visible: page.connected
        width: 420
        height: identity.implicitHeight + 24
        color: "transparent"
        border.color: page.mode === "dark" ? "#47484B" : "#cccccc"
        radius: 4

        ColumnLayout {
            id: identity
            anchors.fill: parent
            anchors.margins: 12
            spacing: 6

            Label {
                objectName: "addressLabel"
                color: page.textColour
                text: "Address: %1".arg(page.loadedHardware ? page.loadedHardware.address : "")
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
                objectName: "serialLabel"
                color: page.textColour
                text: "Serial Number: %1".arg(page.loadedHardware ? page.loadedHardware.serial : "")
            }
            Label {
                text: "Connected"
                color: page.mode === "dark" ? "#4cc94c" : "green"
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
