import QtQuick 2.15
import "."

// A vertical scroll bar for a Flickable: a track the handle can be dragged along, or clicked
// to jump to. Plain items: the main window's tab area has one from the start, and the
// Controls 1 scroll view with its styled bars and their pictures was a tenth of the start.
Item {
    id: bar
    objectName: "scrollBar"

    property Flickable flickable: null
    property string mode: "dark"
    readonly property real range: flickable ? Math.max(0, flickable.contentHeight - flickable.height) : 0

    // Puts the handle's top at `top` (track coordinates) and the content with it.
    function scrollTo(top) {
        var travel = height - handle.height;
        if (!flickable || travel <= 0)
            return;
        flickable.contentY = Math.max(0, Math.min(1, top / travel)) * range;
    }

    width: 12
    visible: range > 0

    Rectangle {
        anchors.fill: parent
        color: Theme.of(bar.mode).bar
    }

    Rectangle {
        id: handle
        x: 2
        width: parent.width - 4
        height: flickable ? Math.max(24, bar.height * flickable.height / Math.max(1, flickable.contentHeight)) : 0
        y: bar.range > 0 ? flickable.contentY / bar.range * (bar.height - height) : 0
        radius: 3
        color: dragArea.pressed ? Theme.accent : Theme.of(bar.mode).muted
    }

    MouseArea {
        id: dragArea
        anchors.fill: parent
        // Where in the handle it was taken, so that it does not jump under the pointer.
        property real grip: 0
        onPressed: {
            var onHandle = mouse.y >= handle.y && mouse.y <= handle.y + handle.height;
            grip = onHandle ? mouse.y - handle.y : handle.height / 2;
            bar.scrollTo(mouse.y - grip);
        }
        onPositionChanged: if (pressed) bar.scrollTo(mouse.y - grip)
    }
}
