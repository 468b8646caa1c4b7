import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import QtQuick.Dialogs 1.3
import MNCP 1.0

// One LUT of a mode's row (front 1D, 3D or back 1D): the on/off switch, an upload for
// immediate use, saving into, recalling and clearing a numbered slot. Slots are numbered 1 to
// 16 here and 0 to 15 on the wire.
SectionBox {
    id: box

    property QtObject device: null
    property QtObject dialogs: null
    property int lutType: Cubrix.LUT_TYPE_1D
    property int lutFunc: Cubrix.LUT_FUNC_DIT
    // The state the box reports (0 off).
    property int lutState: 0
    // Last answers of the precision dialog for uploads and for saves.
    property int uploadPrecision: 3
    property int savePrecision: 3

    readonly property bool is3D: lutType === Cubrix.LUT_TYPE_3D
    readonly property var fileFilters: is3D ? ["3D LUT files (*.dat *.cube)", "All files (*)"]
                                            : ["1D LUT files (*.lut)", "All files (*)"]
    readonly property alias saveSlot: saveRow.value
    readonly property alias recallSlot: recallRow.value
    readonly property alias deleteSlot: deleteRow.value

    // Switch the LUT on or off unless it already is.
    function flip(on) {
        if (on !== (lutState !== 0))
            device.setLut(lutType, lutFunc, 0, on);
    }

    function toggle() {
        flip(lutState === 0);
    }

    function preview() {
        dialogs.chooseFile("Select LUT file", fileFilters, function(url) { box.upload(url, false); });
    }

    function chooseSave() {
        dialogs.chooseFile("Select LUT file", fileFilters, function(url) { box.upload(url, true); });
    }

    // A .cube file is processed at the default precision, or at the one asked for when there
    // is no default; other files carry their own.
    function upload(url, save) {
        if (String(url).indexOf(".cube") === -1) {
            transfer(url, save, 0);
            return;
        }
        var bits = device.cube_bit_def;
        if (bits !== 0) {
            transfer(url, save, bits);
            return;
        }
        dialogs.askPrecision(save ? "Select cube file bit" : "Select LUT Processing Precision",
                             save ? savePrecision : uploadPrecision,
                             function(choice, asDefault) {
                                 if (save)
                                     box.savePrecision = choice;
                                 else
                                     box.uploadPrecision = choice;
                                 box.transfer(url, save, choice);
                                 if (asDefault)
                                     box.device.setCube(choice);
                             });
    }

    // Mode 1 runs 33-point cubes and mode 2 17-point ones: the upload converts a cube of the
    // other size.
    function transfer(url, save, bits) {
        var mode = device.box_mode;
        if (save) {
            var id = saveRow.value - 1;
            if (mode === 1)
                device.saveLutFileUpsample(lutType, lutFunc, id, url, bits);
            else if (mode === 2)
                device.saveLutFileDownsample(lutType, lutFunc, id, url, bits);
            else
                device.saveLutFile(lutType, lutFunc, id, url, bits);
        } else {
            if (mode === 1)
                device.sendLutFileUpsample(lutType, lutFunc, 0, url, bits);
            else if (mode === 2)
                device.sendLutFileDownsample(lutType, lutFunc, 0, url, bits);
            else
                device.sendLutFile(lutType, lutFunc, 0, url, bits);
        }
    }

    function recall() {
        device.loadLut(lutType, lutFunc, recallRow.value - 1);
    }

    function requestDelete() {
        var slot = deleteRow.value;
        dialogs.confirm({
            "title": "Delete LUT",
            "text": "Are you sure you wish to clear LUT data from slot " + slot + "? This cannot be undone.",
            "icon": StandardIcon.Warning,
            "buttons": StandardButton.Yes | StandardButton.No
        }, function() { box.clearSlot(slot); });
    }

    // Stores the identity into the slot and activates it. A 3D slot needs a lattice size, so
    // nothing is sent in the generator mode, and a precision: the default, or without one the
    // precision asked for as an upload asks.
    function clearSlot(slot) {
        var id = slot - 1;
        if (!is3D) {
            device.saveLutArray(lutType, lutFunc, id, IdentityLut.ramp1D(), 0);
            device.loadLut(lutType, lutFunc, id);
            return;
        }
        var mode = device.box_mode;
        if (mode !== 1 && mode !== 2)
            return;
        var bits = device.cube_bit_def;
        if (bits !== 0) {
            clearCube(id, mode, bits);
            return;
        }
        dialogs.askPrecision("Select LUT Processing Precision", uploadPrecision, function(choice, asDefault) {
            box.uploadPrecision = choice;
            box.clearCube(id, mode, choice);
            if (asDefault)
                box.device.setCube(choice);
        });
    }

    function clearCube(id, mode, bits) {
        device.saveLutArray(lutType, lutFunc, id, mode === 1 ? IdentityLut.identity33() : IdentityLut.identity17(), bits);
        device.loadLut(lutType, lutFunc, id);
    }

    Row {
        spacing: 8
        Switch {
            id: lutSwitch
            objectName: "lutSwitch"
            checked: box.lutState !== 0
            anchors.verticalCenter: parent.verticalCenter
            // Shows what the box reports: a flip asks for the change and the switch moves
            // when the box confirms it.
            onClicked: {
                var wanted = checked;
                checked = Qt.binding(function() { return box.lutState !== 0; });
                box.flip(wanted);
            }
        }
        HighlightButton {
            objectName: "previewButton"
            text: "Preview..."
            mode: box.mode
            width: 92
            onClicked: box.preview()
        }
    }
    SlotRow { id: saveRow; mode: box.mode; slotName: "saveSlot"; buttonName: "saveButton"; buttonText: "Save LUT..."; onClicked: box.chooseSave() }
    SlotRow { id: recallRow; mode: box.mode; slotName: "recallSlot"; buttonName: "recallButton"; buttonText: "Recall LUT "; onClicked: box.recall() }
    SlotRow { id: deleteRow; mode: box.mode; slotName: "deleteSlot"; buttonName: "deleteButton"; buttonText: "Delete LUT "; onClicked: box.requestDelete() }
}
