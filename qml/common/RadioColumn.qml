import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import "."

// Exclusive themed radio buttons in a column; `currentIndex` is the checked one's position.
// `choices`: { "name" (the button's object name), "label" } of each button, top to bottom.
ColumnLayout {
    id: column

    property string mode: "dark"
    property var choices: []
    property int currentIndex: 0

    ExclusiveGroup { id: group }

    Repeater {
        model: column.choices
        delegate: ThemedRadio {
            objectName: modelData.name
            mode: column.mode
            text: modelData.label
            exclusiveGroup: group
            checked: column.currentIndex === index
            onCheckedChanged: if (checked) column.currentIndex = index
        }
    }
}
