import QtQuick 2.15
import "."

// A push button from plain items: the window, the pages and the scope windows show many, and a
// Controls button loads its style machinery and costs a style instance each. Pressed by a click
// or, when it has the focus, by Space, as a Controls button is. It looks like the desktop's
// Controls button (light gradient, rounded frame, a tint while hovered or focused) unless a
// theme `mode` is given: then it draws the themed one of the scope and capture windows (a
// one-pixel border and a vertical gradient of the theme, darker while pressed).
FocusScope {
    id: control

    property string text: ""
    // "dark" or "light" for the themed look; empty for the desktop's.
    property string mode: ""
    property string tooltip: ""
    // As the Controls button: a click does not take the focus unless asked to.
    property bool activeFocusOnPress: false
    readonly property bool pressed: mouseArea.pressed && mouseArea.containsMouse || keyDown
    readonly property bool hovered: mouseArea.containsMouse
    property bool keyDown: false
    readonly property bool themed: mode !== ""
    readonly property var colours: Theme.of(mode)

    signal clicked()

    activeFocusOnTab: true
    implicitWidth: themed ? 100 : Math.max(label.implicitWidth + 8, Math.round(label.implicitHeight * 4.5))
    implicitHeight: themed ? 30 : Math.max(label.implicitHeight + 8, 25, Math.round(label.implicitHeight * 1.2))

    Keys.onPressed: {
        if (event.key === Qt.Key_Space && !event.isAutoRepeat) {
            keyDown = true;
            event.accepted = true;
        }
    }
    Keys.onReleased: {
        if (event.key === Qt.Key_Space && !event.isAutoRepeat && keyDown) {
            keyDown = false;
            event.accepted = true;
            control.clicked();
        }
    }
    onActiveFocusChanged: if (!activeFocus) keyDown = false

    SystemPalette {
        id: palette
        colorGroup: control.enabled ? SystemPalette.Active : SystemPalette.Disabled
    }

    // The desktop look: a shadow under the raised button, the frame, and the tint.
    Rectangle {
        visible: !control.themed
        anchors.fill: parent
        anchors.bottomMargin: control.pressed ? 0 : -1
        color: "#10000000"
        radius: frame.radius
    }
    Rectangle {
        id: frame
        visible: !control.themed
        anchors.fill: parent
        radius: label.implicitHeight * 0.16
        border.color: control.activeFocus ? "#47b" : "#999"
        gradient: Gradient {
            GradientStop { position: 0; color: control.pressed ? "#aaa" : "#fefefe" }
            GradientStop { position: control.pressed ? 0.1 : 1; color: control.pressed ? "#ccc" : "#e3e3e3" }
        }
        Rectangle {
            anchors.fill: parent
            radius: parent.radius
            color: control.activeFocus ? "#47b" : "white"
            opacity: control.hovered || control.activeFocus ? 0.1 : 0
        }
    }

    // The themed look.
    Rectangle {
        visible: control.themed
        anchors.fill: parent
        border.width: 1
        border.color: control.colours.buttonBorder
        gradient: Gradient {
            GradientStop { position: 0; color: control.pressed ? control.colours.buttonTopPressed : control.colours.buttonTop }
            GradientStop { position: 1; color: control.pressed ? control.colours.buttonBottomPressed : control.colours.buttonBottom }
        }
    }

    Text {
        id: label
        anchors.fill: parent
        anchors.margins: 4
        text: control.text
        color: control.themed ? control.colours.text : palette.buttonText
        opacity: control.themed && !control.enabled ? 0.4 : 1
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: control.themed ? Text.ElideRight : Text.ElideNone
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: true
        onPressed: if (control.activeFocusOnPress) control.forceActiveFocus(Qt.MouseFocusReason)
        onClicked: control.clicked()
    }

    HoverTip {
        x: mouseArea.mouseX + 8
        y: control.height + 2
        text: control.tooltip
        hovered: mouseArea.containsMouse
    }
}
