import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import "../common/CheckDeviceType.js" as CheckDeviceType
import "../common"

// A calibration LUT of an RV-family monitor, stored in and loaded from six named slots.
// The RVQ model has user slots; the others name theirs after the colour spaces.
ColumnLayout {
    id: lutRv
    objectName: "lutRV"

    property QtObject loadedHardware: null
    property string mode: "dark"
    property int type: 0
    property int func: 0
    readonly property string model: loadedHardware ? loadedHardware.model : ""
    readonly property string serial: loadedHardware ? loadedHardware.serial : ""
    readonly property var slotNames: model === CheckDeviceType.rvqModelCode
        ? ["User 1", "User 2", "User 3", "User 4", "User 5", "User 6"]
        : ["Rec 709", "DCI P3", "BT.2020", "BT. 2020 - ST 2084", "P3-D65 - ST 2084", "HLG-2020"]

    // Slots are numbered from 1 in the order of the list.
    function storeFile(url) {
        if (!loadedHardware)
            return;
        var slot = storeSlotBox.currentIndex + 1;
        if (CheckDeviceType.isRVseries(model, serial)) {
            console.log("RV Series, Create both and send. ");
            loadedHardware.saveLutFileRV(type, func, slot, url);
        } else {
            loadedHardware.saveLutFile(type, func, slot, url);
        }
    }

    function loadSlot() {
        if (loadedHardware)
            loadedHardware.loadLut(type, func, loadSlotBox.currentIndex + 1);
    }

    spacing: 6

    RowLayout {
        spacing: 8
        Layout.fillWidth: true
        ComboBox {
            id: storeSlotBox
            objectName: "lutRvStoreSlot"
            Layout.fillWidth: true
            Layout.minimumWidth: 90
            Layout.preferredWidth: 130
            model: lutRv.slotNames
        }
        Button {
            objectName: "lutRvSaveButton"
            text: "Save..."
            onClicked: storeDialog.open()
        }
    }

    RowLayout {
        spacing: 8
        Layout.fillWidth: true
        ComboBox {
            id: loadSlotBox
            objectName: "lutRvLoadSlot"
            Layout.fillWidth: true
            Layout.minimumWidth: 90
            Layout.preferredWidth: 130
            model: lutRv.slotNames
        }
        Button {
            objectName: "lutRvLoadButton"
            text: "Load"
            onClicked: lutRv.loadSlot()
        }
    }

    DialogLoader {
        id: storeDialog
        sourceComponent: LutFileDialog { objectName: "lutRvStoreDialog"; lutType: lutRv.type; onAccepted: lutRv.storeFile(fileUrl) }
    }
}
