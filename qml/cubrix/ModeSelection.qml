import QtQuick 2.15
import MNCP 1.0

// Box mode, channel and input keys. The box changes mode, channel and input itself and the
// page learns the result from the re-queries: the highlights follow the reported state, never
// the key that was pressed.
Row {
    id: selection

    property QtObject device: null
    property QtObject view: null
    property string mode: "dark"

    // Each key: its button's object name and text, the key it sends, and the mode, channel or
    // input it stands for.
    readonly property var modeKeys: [
        { "name": "singleChannelButton", "label": "Single Channel", "key": Cubrix.MNCP_KEY_MODE_1, "kind": "mode", "value": 1 },
        { "name": "dualChannelButton", "label": "Dual Channel", "key": Cubrix.MNCP_KEY_MODE_2, "kind": "mode", "value": 2 },
        { "name": "generatorButton", "label": "Test Pattern Generator", "key": Cubrix.MNCP_KEY_MODE_3, "kind": "mode", "value": 3 }
    ]
    readonly property var channelKeys: [
        { "name": "channel1Button", "label": "Ch 1", "key": Cubrix.MNCP_KEY_CH_1, "kind": "channel", "value": 1 },
        { "name": "channel2Button", "label": "Ch 2", "key": Cubrix.MNCP_KEY_CH_2, "kind": "channel", "value": 2 }
    ]
    // Input 3 is channel 2's output fed back into channel 1.
    readonly property var inputKeys: [
        { "name": "sdi1Button", "label": "SDI 1", "key": Cubrix.MNCP_KEY_INPUT0, "kind": "input", "value": 1 },
        { "name": "sdi2Button", "label": "SDI 2", "key": Cubrix.MNCP_KEY_INPUT1, "kind": "input", "value": 2 },
        { "name": "ch2OutputButton", "label": "CH2 Output", "key": Cubrix.MNCP_KEY_INPUT2, "kind": "input", "value": 3 }
    ]

    spacing: 6

    function press(key) {
        device.sendKey(key);
    }

    function keyEnabled(entry) {
        switch (entry.kind) {
        case "mode": return entry.value !== 2 || view.dualChannelAllowed;
        case "channel": return view.dualChannel;
        default: return entry.value === 3 ? view.dualChannel1 : view.singleChannel || view.dualChannel;
        }
    }

    function keyLit(entry) {
        switch (entry.kind) {
        case "mode": return view.boxMode === entry.value;
        case "channel": return view.dualChannel && view.boxCh === entry.value;
        default: return keyEnabled(entry) && view.currentInput === entry.value;
        }
    }

    Component {
        id: keyButton
        HighlightButton {
            objectName: modelData.name
            text: modelData.label
            mode: selection.mode
            enabled: selection.keyEnabled(modelData)
            highlighted: selection.keyLit(modelData)
            onClicked: selection.press(modelData.key)
        }
    }

    SectionBox {
        title: "Output Mode Selection"
        mode: selection.mode
        Row {
            spacing: 6
            Repeater { model: selection.modeKeys; delegate: keyButton }
        }
        Row {
            spacing: 6
            Repeater { model: selection.channelKeys; delegate: keyButton }
        }
    }

    SectionBox {
        objectName: "inputGroup"
        title: "Input"
        mode: selection.mode
        visible: selection.view.inputSelectable
        Row {
            spacing: 6
            Repeater { model: selection.inputKeys; delegate: keyButton }
        }
    }
}
