import QtQuick 2.15
import QtQuick.Controls 1.4
import "../common"

// A slot selector ("Id: " 1 to 16, as the user counts them) and the button that acts on the
// chosen slot, with an optional label in front.
Row {
    id: row

    property string mode: "dark"
    property string label: ""
    property alias slotName: spin.objectName
    property alias buttonName: button.objectName
    property alias buttonText: button.text
    property alias buttonWidth: button.width
    readonly property alias value: spin.value

    signal clicked()

    spacing: 6

    Text {
        visible: row.label !== ""
        text: row.label
        width: 44
        font.pixelSize: 12
        color: Theme.of(row.mode).text
        anchors.verticalCenter: parent.verticalCenter
    }
    SpinBox {
        id: spin
        width: 66
        minimumValue: 1
        maximumValue: 16
        value: 1
        prefix: "Id: "
    }
    HighlightButton {
        id: button
        width: 92
        mode: row.mode
        onClicked: row.clicked()
    }
}
