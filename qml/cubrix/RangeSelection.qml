import QtQuick 2.15

// The input range of the channel on show; the button of the range the box reports is lit.
SectionBox {
    id: selection

    property QtObject device: null
    property QtObject view: null

    title: "Range Selection"

    Repeater {
        model: [
            { "label": "Video [64,940]", "range": 1, "name": "videoRangeButton" },
            { "label": "Extended [64,1019]", "range": 2, "name": "extendedRangeButton" },
            { "label": "SMPTE Full [4,1019]", "range": 3, "name": "smpteRangeButton" },
            { "label": "Full Range [0,1023]", "range": 4, "name": "fullRangeButton" }
        ]
        delegate: HighlightButton {
            objectName: modelData.name
            text: modelData.label
            mode: selection.mode
            width: 160
            highlighted: selection.view.currentRange === modelData.range
            onClicked: selection.device.setRange(modelData.range)
        }
    }
}
