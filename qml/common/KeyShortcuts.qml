import QtQuick 2.15
import QtQml.Models 2.15

// Keyboard shortcuts that stand for device keys: one shortcut for each { "shortcut", "key" }
// of `entries`, reporting its key through `pressed(key)` while `active`.
Instantiator {
    id: shortcuts

    property var entries: []
    property bool active: false

    signal pressed(int key)

    model: entries
    delegate: Shortcut {
        sequence: modelData.shortcut
        enabled: shortcuts.active
        onActivated: shortcuts.pressed(modelData.key)
    }
}
