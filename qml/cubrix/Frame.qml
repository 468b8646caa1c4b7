import QtQuick 2.15
import QtQuick.Controls 1.4

// The frame overlay of a mode's row ("Frame Callback"): on/off, a frame file for immediate
// use, storing one into a numbered slot and recalling a slot.
SectionBox {
    id: box

    property QtObject device: null
    property QtObject dialogs: null
    // The state the box reports (0 off).
    property int frameState: 0

    readonly property var fileFilters: ["Frame raw file (*.raw)", "ALL files (*)"]
    readonly property alias storeSlot: storeRow.value
    readonly property alias recallSlot: recallRow.value

    function flip(on) {
        if (on !== (frameState !== 0))
            device.setFrame(0, on);
    }

    function toggle() {
        flip(frameState === 0);
    }

    function chooseSend() {
        dialogs.chooseFile("Select Frame file", fileFilters, function(url) { box.device.sendFrame(0, url); });
    }

    function chooseStore() {
        dialogs.chooseFile("Select Frame file", fileFilters, function(url) {
            box.device.saveFrame(storeRow.value - 1, url);
        });
    }

    function recall() {
        device.loadFrame(recallRow.value - 1);
    }

    Switch {
        id: frameSwitch
        objectName: "frameSwitch"
        checked: box.frameState !== 0
        onClicked: {
            var wanted = checked;
            checked = Qt.binding(function() { return box.frameState !== 0; });
            box.flip(wanted);
        }
    }
    Row {
        spacing: 6
        Text {
            text: "Select a Frame  "
            font.pixelSize: 12
            color: box.colours.text
            width: 116
            anchors.verticalCenter: parent.verticalCenter
        }
        HighlightButton {
            objectName: "sendFrameButton"
            text: "Send..."
            mode: box.mode
            width: 80
            onClicked: box.chooseSend()
        }
    }
    SlotRow {
        id: storeRow; mode: box.mode; label: "Store "; slotName: "storeSlot"
        buttonName: "saveFrameButton"; buttonText: "Save Frame"; buttonWidth: 80; onClicked: box.chooseStore()
    }
    SlotRow {
        id: recallRow; mode: box.mode; label: "Recall "; slotName: "recallFrameSlot"
        buttonName: "loadFrameButton"; buttonText: "Load Frame"; buttonWidth: 80; onClicked: box.recall()
    }
}
