import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import MNCP 1.0
import "../common"

// Input select and function keys of a monitor outside the RV families. The KT family has
// DP and six function keys (F0 to F5 on the wire); the other monitors have analogue inputs
// and five (F1 to F5).
ColumnLayout {
    id: keys
    objectName: "inputFunctionButtons"

    property QtObject loadedHardware: null
    property string mode: "dark"
    property bool ktLayout: false
    readonly property var colours: Theme.of(mode)

    readonly property var inputButtons: ktLayout
        ? [{ label: "SDI 1", key: Monitor.MNCP_KEY_INPUT0 }, { label: "SDI 2", key: Monitor.MNCP_KEY_INPUT1 },
           { label: "DP", key: Monitor.MNCP_KEY_INPUT2 }, { label: "DVI", key: Monitor.MNCP_KEY_INPUT3 }]
        : [{ label: "SDI 1", key: Monitor.MNCP_KEY_INPUT0 }, { label: "SDI 2", key: Monitor.MNCP_KEY_INPUT1 },
           { label: "YPbPr", key: Monitor.MNCP_KEY_INPUT3 }, { label: "Video", key: Monitor.MNCP_KEY_INPUT2 },
           { label: "DVI", key: Monitor.MNCP_KEY_INPUT4 }]
    readonly property var functionButtons: ktLayout
        ? [{ label: "F1", key: Monitor.MNCP_KEY_F0 }, { label: "F2", key: Monitor.MNCP_KEY_F1 },
           { label: "F3", key: Monitor.MNCP_KEY_F2 }, { label: "F4", key: Monitor.MNCP_KEY_F3 },
           { label: "F5", key: Monitor.MNCP_KEY_F4 }, { label: "F6", key: Monitor.MNCP_KEY_F5 }]
        : [{ label: "F1", key: Monitor.MNCP_KEY_F1 }, { label: "F2", key: Monitor.MNCP_KEY_F2 },
           { label: "F3", key: Monitor.MNCP_KEY_F3 }, { label: "F4", key: Monitor.MNCP_KEY_F4 },
           { label: "F5", key: Monitor.MNCP_KEY_F5 }]
    // Keyboard letters and digits; a key missing from the map does nothing in that layout.
    readonly property var shortcutKeys: ktLayout
        ? { "A": Monitor.MNCP_KEY_INPUT0, "B": Monitor.MNCP_KEY_INPUT1, "C": Monitor.MNCP_KEY_INPUT2,
            "D": Monitor.MNCP_KEY_INPUT3, "1": Monitor.MNCP_KEY_F0, "2": Monitor.MNCP_KEY_F1,
            "3": Monitor.MNCP_KEY_F2, "4": Monitor.MNCP_KEY_F3, "5": Monitor.MNCP_KEY_F4, "6": Monitor.MNCP_KEY_F5 }
        : { "A": Monitor.MNCP_KEY_INPUT0, "B": Monitor.MNCP_KEY_INPUT1, "C": Monitor.MNCP_KEY_INPUT3,
            "D": Monitor.MNCP_KEY_INPUT2, "E": Monitor.MNCP_KEY_INPUT4, "1": Monitor.MNCP_KEY_F1,
            "2": Monitor.MNCP_KEY_F2, "3": Monitor.MNCP_KEY_F3, "4": Monitor.MNCP_KEY_F4, "5": Monitor.MNCP_KEY_F5 }
    readonly property bool shortcutsActive: visible && enabled

    function press(key) {
        if (loadedHardware)
            loadedHardware.sendKey(key);
    }

    function pressShortcut(sequence) {
        if (shortcutKeys[sequence] !== undefined)
            press(shortcutKeys[sequence]);
    }

    function hasShortcut(sequence) {
        return shortcutKeys[sequence] !== undefined;
    }

    spacing: 8

    RowLayout {
        spacing: 6
        Repeater {
            model: keys.inputButtons
            Button {
                objectName: "inputButton_" + modelData.label
                text: modelData.label
                onClicked: keys.press(modelData.key)
            }
        }
    }

    Label {
        text: "Function Keys"
        color: keys.colours.text
    }

    RowLayout {
        spacing: 6
        Repeater {
            model: keys.functionButtons
            Button {
                objectName: "functionButton_" + modelData.label
                text: modelData.label
                implicitWidth: 50
                onClicked: keys.press(modelData.key)
            }
        }
    }

    Shortcut { sequence: "A"; enabled: keys.shortcutsActive && keys.hasShortcut("A"); onActivated: keys.pressShortcut("A") }
    Shortcut { sequence: "B"; enabled: keys.shortcutsActive && keys.hasShortcut("B"); onActivated: keys.pressShortcut("B") }
    Shortcut { sequence: "C"; enabled: keys.shortcutsActive && keys.hasShortcut("C"); onActivated: keys.pressShortcut("C") }
    Shortcut { sequence: "D"; enabled: keys.shortcutsActive && keys.hasShortcut("D"); onActivated: keys.pressShortcut("D") }
    Shortcut { sequence: "E"; enabled: keys.shortcutsActive && keys.hasShortcut("E"); onActivated: keys.pressShortcut("E") }
    Shortcut { sequence: "1"; enabled: keys.shortcutsActive && keys.hasShortcut("1"); onActivated: keys.pressShortcut("1") }
    Shortcut { sequence: "2"; enabled: keys.shortcutsActive && keys.hasShortcut("2"); onActivated: keys.pressShortcut("2") }
    Shortcut { sequence: "3"; enabled: keys.shortcutsActive && keys.hasShortcut("3"); onActivated: keys.pressShortcut("3") }
    Shortcut { sequence: "4"; enabled: keys.shortcutsActive && keys.hasShortcut("4"); onActivated: keys.pressShortcut("4") }
    Shortcut { sequence: "5"; enabled: keys.shortcutsActive && keys.hasShortcut("5"); onActivated: keys.pressShortcut("5") }
    Shortcut { sequence: "6"; enabled: keys.shortcutsActive && keys.hasShortcut("6"); onActivated: keys.pressShortcut("6") }
}
