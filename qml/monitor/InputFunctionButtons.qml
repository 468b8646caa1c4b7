import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import MNCP 1.0
import "../common"

// Input select and function keys with their keyboard shortcuts. Outside the RV families the
// KT family has DP and six function keys (F0 to F5 on the wire) and the other monitors have
// analogue inputs and five (F1 to F5); the RV page gives its own keys.
ColumnLayout {
    id: keys
    objectName: "inputFunctionButtons"

    property QtObject loadedHardware: null
    property string mode: "dark"
    property bool ktLayout: false
    // The buttons' object names: these prefixes followed by the labels.
    property string inputPrefix: "inputButton_"
    property string functionPrefix: "functionButton_"
    readonly property var colours: Theme.of(mode)

    property var inputButtons: ktLayout
        ? [{ label: "SDI 1", key: Monitor.MNCP_KEY_INPUT0 }, { label: "SDI 2", key: Monitor.MNCP_KEY_INPUT1 },
           { label: "DP", key: Monitor.MNCP_KEY_INPUT2 }, { label: "DVI", key: Monitor.MNCP_KEY_INPUT3 }]
        : [{ label: "SDI 1", key: Monitor.MNCP_KEY_INPUT0 }, { label: "SDI 2", key: Monitor.MNCP_KEY_INPUT1 },
           { label: "YPbPr", key: Monitor.MNCP_KEY_INPUT3 }, { label: "Video", key: Monitor.MNCP_KEY_INPUT2 },
           { label: "DVI", key: Monitor.MNCP_KEY_INPUT4 }]
    property var functionButtons: ktLayout
        ? [{ label: "F1", key: Monitor.MNCP_KEY_F0 }, { label: "F2", key: Monitor.MNCP_KEY_F1 },
           { label: "F3", key: Monitor.MNCP_KEY_F2 }, { label: "F4", key: Monitor.MNCP_KEY_F3 },
           { label: "F5", key: Monitor.MNCP_KEY_F4 }, { label: "F6", key: Monitor.MNCP_KEY_F5 }]
        : [{ label: "F1", key: Monitor.MNCP_KEY_F1 }, { label: "F2", key: Monitor.MNCP_KEY_F2 },
           { label: "F3", key: Monitor.MNCP_KEY_F3 }, { label: "F4", key: Monitor.MNCP_KEY_F4 },
           { label: "F5", key: Monitor.MNCP_KEY_F5 }]
    // The keyboard presses the buttons too: letters from A the input buttons, digits from 1 the
    // function buttons, each in the order shown.
    readonly property var shortcutKeys: inputButtons.map(function(button, i) {
        return { shortcut: "ABCDEFGH".charAt(i), key: button.key };
    }).concat(functionButtons.map(function(button, i) {
        return { shortcut: String(i + 1), key: button.key };
    }))
    readonly property bool shortcutsActive: visible && enabled && !InputFocus.keepsKeys(Window.activeFocusItem)

    function press(key) {
        if (loadedHardware)
            loadedHardware.sendKey(key);
    }

    spacing: 8

    RowLayout {
        spacing: 6
        Repeater {
            model: keys.inputButtons
            Button {
                objectName: keys.inputPrefix + modelData.label
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
                objectName: keys.functionPrefix + modelData.label
                text: modelData.label
                implicitWidth: 50
                onClicked: keys.press(modelData.key)
            }
        }
    }

    KeyShortcuts {
        entries: keys.shortcutKeys
        active: keys.shortcutsActive
        onPressed: keys.press(key)
    }
}
