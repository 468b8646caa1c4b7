import QtQuick 2.15
import "."

// A one-line text field of plain items, looking like the Controls 1 field beside it (white,
// framed, a focus frame in the accent colour). Used for the connection controls that every tab
// builds at start: the Controls 1 field, with its edit menu, handles and style, made a tenth
// of the window's start. Typing, selecting (mouse and keys), the clipboard keys, the validator
// and the length limit are the text input's own; the right-click menu is built when first
// asked for. Keys reach `keyPressed` before the text does.
FocusScope {
    id: field

    property alias text: input.text
    property alias maximumLength: input.maximumLength
    property alias validator: input.validator
    readonly property alias selectedText: input.selectedText

    signal keyPressed(var event)

    function selectAll() {
        input.selectAll();
    }

    implicitWidth: 120
    implicitHeight: input.implicitHeight + 10

    Rectangle {
        anchors.fill: parent
        color: Theme.paper
        border.color: input.activeFocus ? Theme.accent : Theme.light.pictureBorder
        border.width: input.activeFocus ? 2 : 1
        radius: 2
    }

    TextInput {
        id: input
        anchors.fill: parent
        anchors.leftMargin: 6
        anchors.rightMargin: 6
        verticalAlignment: TextInput.AlignVCenter
        clip: true
        focus: true
        selectByMouse: true
        color: Theme.light.text
        selectionColor: Theme.accent
        selectedTextColor: Theme.accentText
        Keys.onPressed: field.keyPressed(event)
    }

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.RightButton
        cursorShape: Qt.IBeamCursor
        onClicked: {
            input.forceActiveFocus();
            if (menuLoader.item === null)
                menuLoader.setSource("LineFieldMenu.qml", { "input": input });
            menuLoader.item.popup();
        }
    }

    Loader {
        id: menuLoader
    }
}
