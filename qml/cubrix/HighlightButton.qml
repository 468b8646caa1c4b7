import QtQuick 2.15
import "../common"

// A push button in the page theme. `highlighted` lights it in the accent colour: the mode,
// channel, input, range or pattern the box reports. Drawn from plain items (a page holds many
// of them, and Controls 1 buttons with styles cost several times as much to create).
Rectangle {
    id: control

    property string text: ""
    property string mode: "dark"
    property bool highlighted: false
    property string tooltip: ""
    readonly property bool pressed: mouseArea.pressed
    readonly property bool hovered: mouseArea.containsMouse

    signal clicked()

    implicitWidth: Math.max(60, label.implicitWidth + 20)
    implicitHeight: 30
    radius: 2
    border.width: 1
    readonly property var colours: Theme.of(mode)

    border.color: colours.buttonBorder
    gradient: Gradient {
        GradientStop {
            position: 0
            color: control.highlighted ? Theme.accentTop
                 : control.pressed ? control.colours.buttonTopPressed : control.colours.buttonTop
        }
        GradientStop {
            position: 1
            color: control.highlighted ? Theme.accent
                 : control.pressed ? control.colours.buttonBottomPressed : control.colours.buttonBottom
        }
    }
    opacity: enabled ? 1 : 0.45

    Text {
        id: label
        anchors.centerIn: parent
        text: control.text
        font.pixelSize: 12
        color: control.highlighted ? Theme.accentText : control.colours.text
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: control.tooltip !== ""
        onClicked: control.clicked()
    }

    HoverTip {
        y: control.height + 2
        text: control.tooltip
        hovered: control.hovered
    }
}
