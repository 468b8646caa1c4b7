import QtQuick 2.15
import "common"

// A button of the side bar: a framed rectangle with its text, darker while pressed. Drawn from
// plain items, as every entry has two and the window builds them at start.
Rectangle {
    id: control

    property string text: ""
    property color textColour: Theme.dark.text
    property color pressedColour: Theme.dark.sideBarPressed
    property color normalColour: Theme.dark.sideBar
    property int textAlignment: Text.AlignHCenter
    property string tooltip: ""
    readonly property bool pressed: mouseArea.pressed

    signal clicked()

    color: pressed ? pressedColour : normalColour

    Text {
        anchors.fill: parent
        leftPadding: control.textAlignment === Text.AlignLeft ? 8 : 0
        text: control.text
        color: control.textColour
        elide: Text.ElideRight
        horizontalAlignment: control.textAlignment
        verticalAlignment: Text.AlignVCenter
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: control.tooltip !== ""
        onClicked: control.clicked()
    }

    HoverTip {
        x: mouseArea.mouseX + 8
        y: control.height + 2
        text: control.tooltip
        hovered: mouseArea.containsMouse
    }
}
