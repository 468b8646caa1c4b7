import QtQuick 2.15
import "."

// A tool tip for an item drawn from plain items: it appears after a short hover and is built
// only then. Place it where the tip should show (below the item, say) and bind `hovered`.
Loader {
    id: tip

    property string text: ""
    property bool hovered: false

    active: hovered && !delay.running && text !== ""
    z: 100

    Timer {
        id: delay
        interval: 700
        running: tip.hovered && tip.text !== ""
    }

    sourceComponent: Rectangle {
        width: tipText.implicitWidth + 12
        height: tipText.implicitHeight + 8
        color: Theme.tooltip
        border.color: Theme.tooltipBorder
        Text {
            id: tipText
            anchors.centerIn: parent
            text: tip.text
            font.pixelSize: 11
            color: Theme.tooltipText
        }
    }
}
