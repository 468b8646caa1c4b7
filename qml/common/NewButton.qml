import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls.Styles 1.4
import "."

// The push button of the scope and capture windows: a one-pixel border and a vertical
// gradient that follow the window's theme ("dark" or "light").
Button {
    id: control

    property string mode: "dark"
    readonly property var colours: Theme.of(mode)

    implicitHeight: 30

    style: ButtonStyle {
        background: Rectangle {
            implicitWidth: 100
            implicitHeight: control.implicitHeight
            border.width: 1
            border.color: control.colours.buttonBorder
            gradient: Gradient {
                GradientStop {
                    position: 0
                    color: control.pressed ? control.colours.buttonTopPressed : control.colours.buttonTop
                }
                GradientStop {
                    position: 1
                    color: control.pressed ? control.colours.buttonBottomPressed : control.colours.buttonBottom
                }
            }
        }
        label: Text {
            text: control.text
            color: control.colours.text
            opacity: control.enabled ? 1.0 : 0.4
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
    }
}
