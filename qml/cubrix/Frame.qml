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
    readonly property alias storeSlot: storeSpin.value
    readonly property alias recallSlot: recallSpin.value

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
            box.device.saveFrame(storeSpin.value - 1, url);
        });
    }

    function recall() {
        device.loadFrame(recallSpin.value - 1);
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
    Row {
        spacing: 6
        Text {
            text: "Store "
            font.pixelSize: 12
            color: box.colours.text
            width: 44
            anchors.verticalCenter: parent.verticalCenter
        }
        SpinBox {
            id: storeSpin
            objectName: "storeSlot"
            width: 66
            minimumValue: 1
            maximumValue: 16
            value: 1
            prefix: "Id: "
        }
        HighlightButton {
            objectName: "saveFrameButton"
            text: "Save Frame"
            mode: box.mode
            width: 80
            onClicked: box.chooseStore()
        }
    }
    Row {
        spacing: 6
        Text {
            text: "Recall "
            font.pixelSize: 12
            color: box.colours.text
            width: 44
            anchors.verticalCenter: parent.verticalCenter
        }
        SpinBox {
            id: recallSpin
            objectName: "recallFrameSlot"
            width: 66
            minimumValue: 1
            maximumValue: 16
            value: 1
            prefix: "Id: "
        }
        HighlightButton {
            objectName: "loadFrameButton"
            text: "Load Frame"
            mode: box.mode
            width: 80
            onClicked: box.recall()
        }
    }
}
