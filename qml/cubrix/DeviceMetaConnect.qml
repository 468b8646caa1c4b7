import QtQuick 2.15
import QtQuick.Layouts 1.15
import QtQuick.Dialogs 1.3
import MNCP 1.0
import "../common"

// The device header at the top of both pages: identity and connection state, the OSD menu
// key, the page flip, connect / disconnect and the firmware update.
SectionBox {
    id: header

    property QtObject device: null
    property QtObject view: null
    property QtObject dialogs: null
    // On the settings page the flip button leads back to the controls.
    property bool onSettingsPage: false

    signal flipRequested()
    // The page closes its windows and shows the controls before the device disconnects.
    signal disconnectRequested()

    function pressMenu() {
        device.sendKey(Cubrix.MNCP_KEY_MENU);
    }

    function connectOrDisconnect() {
        if (view.connected) {
            disconnectRequested();
            device.deviceDisconnect();
        } else {
            device.address = view.tab && view.tab.addressText !== undefined ? view.tab.addressText : device.address;
            device.deviceConnect();
        }
    }

    function chooseFirmware() {
        dialogs.chooseFile("Select a firmware file", ["img (*.img)", "All files (*)"], function(url) {
            dialogs.confirm({
                "title": "Update Firmware",
                "text": "Firmware file: " + url,
                "informativeText": "This procedure cannot be canceled, are you sure you want to update this firmware?",
                "icon": StandardIcon.Warning,
                "buttons": StandardButton.Ok | StandardButton.Cancel
            }, function() { header.device.updateFirmware(url); });
        });
    }

    RowLayout {
        spacing: 24

        Column {
            spacing: 4
            Layout.alignment: Qt.AlignTop
            Repeater {
                model: [{ "name": "addressLabel", "text": "Address: %1", "property": "address" },
                        { "name": "serialLabel", "text": "Serial: %1", "property": "serial" },
                        { "name": "modelLabel", "text": "Model: %1", "property": "model" },
                        { "name": "versionLabel", "text": "Firmware Version: %1", "property": "version" }]
                Text {
                    objectName: modelData.name
                    color: header.colours.text
                    font.pixelSize: 12
                    text: modelData.text.arg(header.device ? header.device[modelData.property] : "")
                }
            }
            Text {
                objectName: "connectionStateLabel"
                font.pixelSize: 12
                font.bold: true
                text: Connection.stateText(header.view.deviceState)
                color: Connection.stateColour(header.view.deviceState, header.mode)
            }
        }

        GridLayout {
            columns: 2
            rowSpacing: 6
            columnSpacing: 6
            Layout.alignment: Qt.AlignTop

            HighlightButton {
                objectName: "osdMenuButton"
                text: "OSD Menu"
                mode: header.mode
                Layout.preferredWidth: 140
                onClicked: header.pressMenu()
            }
            HighlightButton {
                objectName: "flipButton"
                text: header.onSettingsPage ? "Controls" : "Settings"
                mode: header.mode
                visible: header.view.connected && header.view.knownModel
                Layout.preferredWidth: 140
                onClicked: header.flipRequested()
            }
            HighlightButton {
                objectName: "disconnectButton"
                text: header.view.connected ? "Disconnect" : "Connect"
                mode: header.mode
                Layout.preferredWidth: 140
                onClicked: header.connectOrDisconnect()
            }
            HighlightButton {
                objectName: "firmwareButton"
                text: "Update Firmware..."
                mode: header.mode
                visible: header.view.connected && header.view.knownModel
                Layout.preferredWidth: 140
                onClicked: header.chooseFirmware()
            }
        }
    }
}
