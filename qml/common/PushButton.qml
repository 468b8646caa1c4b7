import QtQuick 2.15

// A push button drawn as the desktop Controls button is (light gradient, rounded frame, a tint
// while hovered or focused, native text), from plain items: the window shows some at start and
// the Controls button loads its whole style machinery with the first one. Space presses it when
// it has the focus, as there.
FocusScope {
    id: control

    property string text: ""
    // As the Controls button: a click does not take the focus unless asked to.
    property bool activeFocusOnPress: false
    readonly property bool pressed: mouseArea.pressed && mouseArea.containsMouse || keyDown
    readonly property bool hovered: mouseArea.containsMouse
    property bool keyDown: false

    signal clicked()

    activeFocusOnTab: true
    implicitWidth: Math.max(label.implicitWidth + 8, Math.round(label.implicitHeight * 4.5))
    implicitHeight: Math.max(label.implicitHeight + 8, 25, Math.round(label.implicitHeight * 1.2))

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

    // The shadow under the raised button.
    Rectangle {
        anchors.fill: parent
        anchors.bottomMargin: control.pressed ? 0 : -1
        color: "#10000000"
        radius: frame.radius
    }
    Rectangle {
        id: frame
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

    Text {
        id: label
        anchors.centerIn: parent
        text: control.text
        color: palette.buttonText
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: true
        onPressed: if (control.activeFocusOnPress) control.forceActiveFocus(Qt.MouseFocusReason)
        onClicked: control.clicked()
    }
}
