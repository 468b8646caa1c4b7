import QtQuick 2.15

// A titled group of generator levels (each 0 to 1023) with the button that sends them.
// Pressing or releasing a slider sends the group's levels too.
SectionBox {
    id: group

    // { "name" (the slider line's object name), "label" } of each level, top to bottom.
    property var levels: []
    property alias buttonName: button.objectName
    property alias buttonText: button.text

    signal send()

    function level(index) {
        return sliders.itemAt(index).level;
    }

    Repeater {
        id: sliders
        model: group.levels
        delegate: LevelSlider {
            objectName: modelData.name
            label: modelData.label
            mode: group.mode
            onPressedOrReleased: group.send()
        }
    }
    HighlightButton {
        id: button
        mode: group.mode
        width: 140
        onClicked: group.send()
    }
}
