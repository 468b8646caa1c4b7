import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../common"

// A titled, themed box around one section of the monitor page. Children go into a column
// under the title; the box takes its size from them.
Rectangle {
    id: frame

    property string title: ""
    property string mode: "dark"
    readonly property var colours: Theme.of(mode)
    default property alias content: body.data

    implicitWidth: Math.max(heading.visible ? heading.implicitWidth : 0, body.implicitWidth) + 24
    implicitHeight: (heading.visible ? heading.implicitHeight + 8 : 0) + body.implicitHeight + 24
    color: "transparent"
    border.color: colours.line
    radius: 4

    Text {
        id: heading
        x: 12
        y: 10
        visible: frame.title !== ""
        text: frame.title
        color: frame.colours.text
        font.bold: true
    }

    ColumnLayout {
        id: body
        x: 12
        y: heading.visible ? heading.y + heading.implicitHeight + 8 : 12
        width: frame.width - 24
        spacing: 8
    }
}
