import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import "../common/CheckDeviceType.js" as CheckDeviceType
import "../common"

// One LUT of the monitor: preview a file on SDI 1 (RVQ), switch a slot on and off, store a
// file into a slot and (RV) load a slot.
ColumnLayout {
    id: lut
    objectName: "lut"

    property QtObject loadedHardware: null
    property string mode: "dark"
    property int type: 0
    property int func: 0
    readonly property var colours: Theme.of(mode)
    readonly property string model: loadedHardware ? loadedHardware.model : ""
    readonly property string serial: loadedHardware ? loadedHardware.serial : ""
    readonly property bool kt: CheckDeviceType.isKTseries(model)
    readonly property bool rv: CheckDeviceType.isRVseries(model, serial)
    readonly property bool rvq: CheckDeviceType.isRVQseries(model, serial)

    // Only KT monitors switch a chosen slot; the others have the one switchable slot 0.
    function switchSlot() {
        return kt ? switchId.value - 1 : 0;
    }

    function previewFile(url) {
        if (loadedHardware)
            loadedHardware.sendLutFileDownscale(type, func, 0, url);
    }

    function storeFile(url) {
        if (loadedHardware)
            loadedHardware.saveLutFile(type, func, storeId.value - 1, url);
    }

    function loadSlot() {
        if (loadedHardware)
            loadedHardware.loadLut(type, func, loadId.value - 1);
    }

    spacing: 6

    Button {
        objectName: "lutPreviewButton"
        visible: lut.rvq
        text: "Preview on SDI 1..."
        onClicked: previewDialog.open()
    }

    RowLayout {
        spacing: 8
        Label {
            visible: lut.kt
            text: "Id: "
            color: lut.colours.text
        }
        SpinBox {
            id: switchId
            objectName: "lutSwitchId"
            visible: lut.kt
            minimumValue: 1
            maximumValue: 16
            value: 1
        }
        Switch {
            id: lutSwitch
            objectName: "lutSwitch"
            checked: false
            onCheckedChanged: {
                if (lut.loadedHardware)
                    lut.loadedHardware.setLut(lut.type, lut.func, lut.switchSlot(), checked);
            }
        }
    }

    RowLayout {
        spacing: 8
        Label {
            text: "Id: "
            color: lut.colours.text
        }
        SpinBox {
            id: storeId
            objectName: "lutStoreId"
            minimumValue: 1
            maximumValue: 16
            value: 1
        }
        Button {
            objectName: "lutSaveButton"
            text: "Save..."
            onClicked: storeDialog.open()
        }
    }

    RowLayout {
        visible: lut.rv
        spacing: 8
        Label {
            text: "Id: "
            color: lut.colours.text
        }
        SpinBox {
            id: loadId
            objectName: "lutLoadId"
            minimumValue: 1
            maximumValue: 16
            value: 1
        }
        Button {
            objectName: "lutLoadButton"
            text: "Load"
            onClicked: lut.loadSlot()
        }
    }

    DialogLoader {
        id: previewDialog
        sourceComponent: LutFileDialog { objectName: "lutPreviewDialog"; lutType: lut.type; onAccepted: lut.previewFile(fileUrl) }
    }
    DialogLoader {
        id: storeDialog
        sourceComponent: LutFileDialog { objectName: "lutStoreDialog"; lutType: lut.type; onAccepted: lut.storeFile(fileUrl) }
    }
}
