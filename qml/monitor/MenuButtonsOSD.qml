import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import MNCP 1.0
import "../common"

// The monitor's on-screen-menu keys, laid out like the arrow keys that also press them.
GridLayout {
    id: osd
    objectName: "menuButtonsOSD"

    property QtObject loadedHardware: null

    readonly property var keys: [
        { "name": "osdUpButton", "label": "Up", "key": Monitor.MNCP_KEY_MENU_UP, "shortcut": "Up", "row": 0, "column": 1 },
        { "name": "osdMenuButton", "label": "Menu", "key": Monitor.MNCP_KEY_MENU, "shortcut": "Left", "row": 1, "column": 0 },
        { "name": "osdEnterButton", "label": "Enter", "key": Monitor.MNCP_KEY_MENU_ENTER, "shortcut": "Right", "row": 1, "column": 2 },
        { "name": "osdDownButton", "label": "Down", "key": Monitor.MNCP_KEY_MENU_DOWN, "shortcut": "Down", "row": 2, "column": 1 }
    ]

    function press(key) {
        if (loadedHardware)
            loadedHardware.sendKey(key);
    }

    columns: 3
    rowSpacing: 4
    columnSpacing: 4

    Repeater {
        model: osd.keys
        Button {
            objectName: modelData.name
            text: modelData.label
            Layout.row: modelData.row
            Layout.column: modelData.column
            onClicked: osd.press(modelData.key)
        }
    }

    // Effective visibility: hidden sections and other tabs take no keys, nor does the page
    // while a field or list of it has the keys.
    KeyShortcuts {
        entries: osd.keys
        active: osd.visible && osd.enabled && !InputFocus.keepsKeys(osd.Window.activeFocusItem)
        onPressed: osd.press(key)
    }
}
