import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import QtQuick.Dialogs 1.3
import "../common/CheckDeviceType.js" as CheckDeviceType
import "../common"

// The identity box of a connected monitor: what it reported about itself, the way to
// disconnect it and, for the RV families, the firmware update.
Frame {
    id: metaData
    objectName: "metaData"

    property QtObject loadedHardware: null
    readonly property string model: loadedHardware ? loadedHardware.model : ""
    readonly property string serial: loadedHardware ? loadedHardware.serial : ""
    readonly property bool firmwareUpdatable: CheckDeviceType.isRVseries(model, serial)
                                              || CheckDeviceType.isRVQseries(model, serial)
    // The firmware file waiting for the user's confirmation.
    property url pendingFirmware: ""

    // The page closes its windows before the device goes.
    signal disconnectRequested()

    // A firmware file was chosen: nothing is sent before the user confirms.
    function firmwareChosen(url) {
        pendingFirmware = url;
        firmwareConfirmDialog.build().text = "Firmware file: " + url;
        firmwareConfirmDialog.open();
    }

    function firmwareConfirmed() {
        if (loadedHardware && pendingFirmware.toString() !== "")
            loadedHardware.updateFirmware(pendingFirmware);
        pendingFirmware = "";
    }

    Repeater {
        model: [{ "name": "addressLabel", "text": "Address: %1", "property": "address" },
                { "name": "modelLabel", "text": "Model: %1", "property": "model" },
                { "name": "versionLabel", "text": "Firmware Version: %1", "property": "version" },
                { "name": "serialLabel", "text": "Serial Number: %1", "property": "serial" }]
        Label {
            objectName: modelData.name
            color: metaData.colours.text
            text: modelData.text.arg(metaData.loadedHardware ? metaData.loadedHardware[modelData.property] : "")
        }
    }
    Label {
        objectName: "connectedLabel"
        text: "Connected"
        color: metaData.colours.connected
    }
    RowLayout {
        spacing: 10
        Button {
            objectName: "disconnectButton"
            text: "Disconnect"
            onClicked: metaData.disconnectRequested()
        }
        Button {
            objectName: "updateFirmwareButton"
            visible: metaData.firmwareUpdatable
            text: "Update Firmware..."
            onClicked: firmwareFileDialog.open()
        }
    }

    DialogLoader {
        id: firmwareFileDialog
        sourceComponent: FileDialog {
            objectName: "firmwareFileDialog"
            title: "Select a firmware file"
            selectExisting: true
            nameFilters: ["img (*.img)", "All files (*)"]
            onAccepted: metaData.firmwareChosen(fileUrl)
        }
    }

    DialogLoader {
        id: firmwareConfirmDialog
        sourceComponent: MessageDialog {
            objectName: "firmwareConfirmDialog"
            title: "Update Firmware"
            icon: StandardIcon.Warning
            informativeText: "This procedure cannot be canceled. \nAre you sure you want to update this Monitor's firmware?"
            standardButtons: StandardButton.Ok | StandardButton.Cancel
            onAccepted: metaData.firmwareConfirmed()
            onRejected: metaData.pendingFirmware = ""
        }
    }
}
