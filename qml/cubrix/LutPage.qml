import QtQuick 2.15
import "../common"

// The LUT part of the controls page: the row of the mode and channel the box reports, and in
// the generator mode the generator's colour, frame, pattern and output format. Each row is
// built when its mode first shows up and kept (with its slot numbers) afterwards.
Column {
    id: lutPage

    property QtObject device: null
    property QtObject view: null
    property QtObject dialogs: null
    property string mode: "dark"

    readonly property var colours: Theme.of(mode)
    // The row on show, for the keyboard's LUT and frame toggles.
    readonly property Item visibleRow: view.singleChannel ? mode1Row.item
                                     : view.dualChannel1 ? mode2Ch1Row.item
                                     : view.dualChannel2 ? mode2Ch2Row.item
                                     : view.generator ? mode3Row.item : null

    readonly property var patterns: [
        { "label": "IRE Field", "form": 2 },
        { "label": "IRE 50% Window", "form": 1 },
        { "label": "IRE 10% Window", "form": 3 },
        { "label": "IRE 5% Window", "form": 4 }
    ]
    readonly property var outputFormats: [
        { "label": "Output HD 422 1080P 30", "type": 1 },
        { "label": "Output HD 422 1080P 29.97", "type": 2 },
        { "label": "Output HD 422 1080P 25", "type": 3 },
        { "label": "Output HD 422 1080P 24", "type": 4 },
        { "label": "Output HD 422 1080P 23.98", "type": 5 },
        { "label": "Output 3G Level A 1080P 60", "type": 17 }
    ]

    function chooseGeneratorFrame() {
        dialogs.chooseFile("Select input frame file", ["frame raw files (*.raw)", "All files (*)"],
                           function(url) { lutPage.device.sendFrameFile(url); });
    }

    spacing: 8

    LazySection {
        id: mode1Row
        objectName: "lutRowMode1"
        wanted: lutPage.view.singleChannel
        sourceComponent: ChannelComponent {
            device: lutPage.device
            dialogs: lutPage.dialogs
            mode: lutPage.mode
            frontState: lutPage.device.boxmode1_ch1_1dlut1_state
            cubeState: lutPage.device.boxmode1_ch1_3dlut_state
            backState: lutPage.device.boxmode1_ch1_1dlut2_state
            frameState: lutPage.device.boxmode1_ch1_frm_state
        }
    }
    LazySection {
        id: mode2Ch1Row
        objectName: "lutRowMode2Ch1"
        wanted: lutPage.view.dualChannel1
        sourceComponent: ChannelComponent {
            device: lutPage.device
            dialogs: lutPage.dialogs
            mode: lutPage.mode
            titlePrefix: "Channel 1 "
            frontState: lutPage.device.boxmode2_ch1_1dlut1_state
            cubeState: lutPage.device.boxmode2_ch1_3dlut_state
            backState: lutPage.device.boxmode2_ch1_1dlut2_state
            frameState: lutPage.device.boxmode2_ch1_frm_state
        }
    }
    LazySection {
        id: mode2Ch2Row
        objectName: "lutRowMode2Ch2"
        wanted: lutPage.view.dualChannel2
        sourceComponent: ChannelComponent {
            device: lutPage.device
            dialogs: lutPage.dialogs
            mode: lutPage.mode
            titlePrefix: "Channel 2 "
            hasFrame: false
            frontState: lutPage.device.boxmode2_ch2_1dlut1_state
            cubeState: lutPage.device.boxmode2_ch2_3dlut_state
            backState: lutPage.device.boxmode2_ch2_1dlut2_state
        }
    }
    LazySection {
        id: mode3Row
        objectName: "lutRowMode3"
        wanted: lutPage.view.generator
        sourceComponent: ChannelComponent {
            device: lutPage.device
            dialogs: lutPage.dialogs
            mode: lutPage.mode
            frontState: lutPage.device.boxmode3_ch1_1dlut1_state
            cubeState: lutPage.device.boxmode3_ch1_3dlut_state
            backState: lutPage.device.boxmode3_ch1_1dlut2_state
            frameState: lutPage.device.boxmode3_ch1_frm_state
        }
    }

    LazySection {
        id: generatorSection
        objectName: "generatorSection"
        wanted: lutPage.view.generator
        sourceComponent: Column {
            spacing: 8

            ColorSignalSet {
                objectName: "colourPanel"
                device: lutPage.device
                mode: lutPage.mode
            }

            SectionBox {
                objectName: "generatorFramePattern"
                mode: lutPage.mode
                Row {
                    spacing: 6
                    HighlightButton {
                        objectName: "loadRawFrameButton"
                        text: "Load Raw Frame"
                        mode: lutPage.mode
                        width: 130
                        onClicked: lutPage.chooseGeneratorFrame()
                    }
                    Text {
                        text: "Pattern:"
                        leftPadding: 16
                        font.pixelSize: 12
                        color: lutPage.colours.text
                        anchors.verticalCenter: parent.verticalCenter
                    }
                    Repeater {
                        model: lutPage.patterns
                        delegate: HighlightButton {
                            objectName: "pattern" + modelData.form
                            text: modelData.label
                            mode: lutPage.mode
                            highlighted: lutPage.device.boxmode3_output_form === modelData.form
                            onClicked: lutPage.device.setSignalForm(modelData.form)
                        }
                    }
                }
            }

            SectionBox {
                objectName: "generatorOutputFormat"
                title: "TPG Output Format"
                mode: lutPage.mode
                Grid {
                    columns: 3
                    spacing: 6
                    Repeater {
                        model: lutPage.outputFormats
                        delegate: HighlightButton {
                            objectName: "outputFormat" + modelData.type
                            text: modelData.label
                            mode: lutPage.mode
                            width: 200
                            highlighted: lutPage.device.boxmode3_output_type === modelData.type
                            onClicked: lutPage.device.setSignalOut(modelData.type)
                        }
                    }
                }
            }
        }
    }
}
