import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls.Styles 1.4

// The push button of the scope and capture windows: a one-pixel border and a vertical
// gradient that follow the window's theme ("dark" or "light").
Button {
    id: control

    property string mode: "dark"
    readonly property bool dark: mode === "dark"
    readonly property color textColour: dark ? "white" : "black"

    implicitHeight: 30

    style: ButtonStyle {
        background: Rectangle {
            implicitWidth: 100
            implicitHeight: control.implicitHeight
            border.width: 1
            border.color: control.dark ? "#000000" : "#999999"
            gradient: Gradient {
                GradientStop {
                    position: 0
                    color: control.dark ? (control.pressed ? "#000000" : "#323232")
                                        : (control.pressed ? "#cacaca" : "#ededed")
                }
                GradientStop {
                    position: 1
                    color: control.dark ? (control.pressed ? "#000000" : "#222222")
                                        : (control.pressed ? "#ababab" : "#cdcdcd")
                }
            }
        }
        label: Text {
            text: control.text
            color: control.textColour
            opacity: control.enabled ? 1.0 : 0.4
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
    }
}
