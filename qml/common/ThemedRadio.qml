import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls.Styles 1.4
import "."

// A radio button in the theme of `mode`: a grey ring (dark blue with focus) holding a green
// dot when checked, and its text in the theme's colour.
RadioButton {
    id: control

    property string mode: "dark"
    property font labelFont

    style: RadioButtonStyle {
        indicator: Rectangle {
            implicitWidth: 16
            implicitHeight: 16
            radius: 8
            color: "transparent"
            border.width: 1
            border.color: control.activeFocus ? Theme.radioFocusRing : Theme.radioRing
            Rectangle {
                anchors.fill: parent
                anchors.margins: 4
                radius: width / 2
                color: Theme.accent
                visible: control.checked
            }
        }
        label: Text {
            text: control.text
            font: control.labelFont
            color: Theme.of(control.mode).text
        }
    }
}
