import QtQuick 2.15
import QtQuick.Controls 1.4

// The right-click menu of a LineField, built the first time it is asked for.
Menu {
    objectName: "lineFieldMenu"
    property Item input: null

    MenuItem {
        objectName: "cutItem"
        text: "Cu&t"
        enabled: input !== null && input.selectedText !== ""
        onTriggered: input.cut()
    }
    MenuItem {
        objectName: "copyItem"
        text: "&Copy"
        enabled: input !== null && input.selectedText !== ""
        onTriggered: input.copy()
    }
    MenuItem {
        objectName: "pasteItem"
        text: "&Paste"
        enabled: input !== null && input.canPaste
        onTriggered: input.paste()
    }
    MenuSeparator {}
    MenuItem {
        objectName: "selectAllItem"
        text: "Select &All"
        enabled: input !== null && input.text !== ""
        onTriggered: input.selectAll()
    }
}
