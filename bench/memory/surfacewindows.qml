import QtQuick 2.15
import QtQuick.Window 2.15
import QtQml.Models 2.15
import QtDataVisualization 1.3

// The memory reference of the scope windows: four windows of a scope window's size, each
// showing an empty surface graph and nothing else.
Instantiator {
    model: 4
    delegate: Window {
        width: 800
        height: 540
        x: 40 * index
        y: 40 * index
        visible: true
        title: "Surface " + (index + 1)

        Surface3D {
            anchors.fill: parent
        }
    }
}
