import QtQuick 2.15

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
    border.color: mode === "dark" ? "#000000" : "#999999"
    gradient: Gradient {
        GradientStop {
            position: 0
            color: control.highlighted ? "#77aa44"
                 : control.mode === "dark" ? (control.pressed ? "#000000" : "#323232")
                                           : (control.pressed ? "#cacaca" : "#ededed")
        }
        GradientStop {
            position: 1
            color: control.highlighted ? "#669933"
                 : control.mode === "dark" ? (control.pressed ? "#000000" : "#222222")
                                           : (control.pressed ? "#ababab" : "#cdcdcd")
        }
    }
    opacity: enabled ? 1 : 0.45

    Text {
        id: label
        anchors.centerIn: parent
        text: control.text
        font.pixelSize: 12
        color: control.highlighted || control.mode === "dark" ? "white" : "black"
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: control.tooltip !== ""
        onClicked: control.clicked()
    }

    // The tool tip appears after a short hover and is only built when needed.
    Timer {
        id: tooltipDelay
        interval: 700
        running: control.hovered && control.tooltip !== ""
    }
    Loader {
        active: control.hovered && !tooltipDelay.running && control.tooltip !== ""
        y: control.height + 2
        z: 100
        sourceComponent: Rectangle {
            width: tipText.implicitWidth + 12
            height: tipText.implicitHeight + 8
            color: "#ffffe1"
            border.color: "#767676"
            Text {
                id: tipText
                anchors.centerIn: parent
                text: control.tooltip
                font.pixelSize: 11
                color: "black"
            }
        }
    }
}
