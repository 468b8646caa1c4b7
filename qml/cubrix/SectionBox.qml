import QtQuick 2.15
import "../common"

// A titled frame around one group of controls, in the page theme. Children go into a column.
Rectangle {
    id: box

    property string title: ""
    property string mode: "dark"
    property int padding: 8
    property alias spacing: column.spacing
    default property alias content: column.data

    readonly property var colours: Theme.of(mode)

    implicitWidth: column.implicitWidth + 2 * padding
    implicitHeight: column.implicitHeight + 2 * padding
    color: colours.panel
    border.color: colours.line
    radius: 4

    Column {
        id: column
        x: box.padding
        y: box.padding
        spacing: 6

        Text {
            visible: box.title !== ""
            text: box.title
            font.pixelSize: 12
            font.bold: true
            color: box.colours.text
        }
    }
}
