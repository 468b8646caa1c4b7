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

    spacing: 6

    function press(key) {
        device.sendKey(key);
    }

    SectionBox {
        title: "Output Mode Selection"
        mode: selection.mode
        Row {
            spacing: 6
            HighlightButton {
                objectName: "singleChannelButton"
                text: "Single Channel"
                mode: selection.mode
                highlighted: selection.view.boxMode === 1
                onClicked: selection.press(Cubrix.MNCP_KEY_MODE_1)
            }
            HighlightButton {
                objectName: "dualChannelButton"
                text: "Dual Channel"
                mode: selection.mode
                enabled: selection.view.dualChannelAllowed
                highlighted: selection.view.boxMode === 2
                onClicked: selection.press(Cubrix.MNCP_KEY_MODE_2)
            }
            HighlightButton {
                objectName: "generatorButton"
                text: "Test Pattern Generator"
                mode: selection.mode
                highlighted: selection.view.boxMode === 3
                onClicked: selection.press(Cubrix.MNCP_KEY_MODE_3)
            }
        }
        Row {
            spacing: 6
            HighlightButton {
                objectName: "channel1Button"
                text: "Ch 1"
                mode: selection.mode
                enabled: selection.view.dualChannel
                highlighted: selection.view.dualChannel1
                onClicked: selection.press(Cubrix.MNCP_KEY_CH_1)
            }
            HighlightButton {
                objectName: "channel2Button"
                text: "Ch 2"
                mode: selection.mode
                enabled: selection.view.dualChannel
                highlighted: selection.view.dualChannel2
                onClicked: selection.press(Cubrix.MNCP_KEY_CH_2)
            }
        }
    }

    SectionBox {
        objectName: "inputGroup"
        title: "Input"
        mode: selection.mode
        visible: selection.view.inputSelectable
        Row {
            spacing: 6
            HighlightButton {
                objectName: "sdi1Button"
                text: "SDI 1"
                mode: selection.mode
                enabled: selection.view.singleChannel || selection.view.dualChannel
                highlighted: enabled && selection.view.currentInput === 1
                onClicked: selection.press(Cubrix.MNCP_KEY_INPUT0)
            }
            HighlightButton {
                objectName: "sdi2Button"
                text: "SDI 2"
                mode: selection.mode
                enabled: selection.view.singleChannel || selection.view.dualChannel
                highlighted: enabled && selection.view.currentInput === 2
                onClicked: selection.press(Cubrix.MNCP_KEY_INPUT1)
            }
            HighlightButton {
                objectName: "ch2OutputButton"
                text: "CH2 Output"
                mode: selection.mode
                enabled: selection.view.dualChannel1
                highlighted: enabled && selection.device.boxmode2_ch1_input === 3
                onClicked: selection.press(Cubrix.MNCP_KEY_INPUT2)
            }
        }
    }
}
