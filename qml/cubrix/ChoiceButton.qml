import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls.Styles 1.4

// A radio button in the page theme whose mark shows `selected`, a value the box reports (or
// the page holds). A click asks for the choice through `chosen()` and keeps showing
// `selected`: the mark moves when the box confirms.
RadioButton {
    id: control

    property string mode: "dark"
    property bool selected: false

    signal chosen()

    checked: selected
    onClicked: {
        checked = Qt.binding(function() { return control.selected; });
        chosen();
    }

    style: RadioButtonStyle {
        indicator: Rectangle {
            implicitWidth: 16
            implicitHeight: 16
            radius: 8
            color: "transparent"
            border.width: 1
            border.color: control.activeFocus ? "darkblue" : "gray"
            Rectangle {
                anchors.fill: parent
                anchors.margins: 4
                radius: width / 2
                color: "#669933"
                visible: control.checked
            }
        }
        label: Text {
            text: control.text
            font.pixelSize: 12
            color: control.mode === "dark" ? "white" : "black"
        }
    }
}
