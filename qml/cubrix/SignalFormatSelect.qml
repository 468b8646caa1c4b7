import QtQuick 2.15

// The input signal format of the single channel mode: the link, and once a link is fixed the
// sample structure, which keeps the link byte. The marks show the word the box reports.
SectionBox {
    id: selection

    property QtObject device: null
    property QtObject view: null

    readonly property var links: [
        { "label": "Automatic   [Default]", "word": 0x000, "name": "linkAutomatic" },
        { "label": "DL-SDI     [ST-372M]", "word": 0x100, "name": "linkDualLink" },
        { "label": "3G Level A", "word": 0x200, "name": "link3GA" },
        { "label": "3G Level B", "word": 0x300, "name": "link3GB" }
    ]
    readonly property var samples: [
        { "label": "YCbCr-422-10", "sample": 1 },
        { "label": "YCbCr-444-10", "sample": 2 },
        { "label": "YCbCr-422-12", "sample": 3 },
        { "label": "YCbCr-444-12", "sample": 4 },
        { "label": "RGB-444-10", "sample": 5 },
        { "label": "RGB-444-12", "sample": 6 },
        { "label": "Auto", "sample": 0 }
    ]

    function linkSelected(word) {
        return word === 0 ? view.signalWord === 0 : view.signalLink === (word >> 8);
    }

    function chooseLink(word) {
        device.setInputSignal(word);
    }

    function chooseSample(sample) {
        device.setInputSignal((view.signalWord & 0xFF00) | sample);
    }

    title: "Input Format"

    Row {
        spacing: 16
        Column {
            spacing: 4
            Repeater {
                model: selection.links
                delegate: ChoiceButton {
                    objectName: modelData.name
                    text: modelData.label
                    mode: selection.mode
                    selected: selection.linkSelected(modelData.word)
                    onChosen: selection.chooseLink(modelData.word)
                }
            }
        }
        Column {
            objectName: "sampleGroup"
            spacing: 4
            visible: selection.view.signalWord >= 0x100
            Repeater {
                model: selection.samples
                delegate: ChoiceButton {
                    objectName: "sample" + modelData.sample
                    text: modelData.label
                    mode: selection.mode
                    selected: selection.view.signalSample === modelData.sample
                    onChosen: selection.chooseSample(modelData.sample)
                }
            }
        }
    }
}
