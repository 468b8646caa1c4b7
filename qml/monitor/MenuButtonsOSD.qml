import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import MNCP 1.0

// The monitor's on-screen-menu keys, laid out like the arrow keys that also press them.
GridLayout {
    id: osd
    objectName: "menuButtonsOSD"

    property QtObject loadedHardware: null

    function press(key) {
        if (loadedHardware)
            loadedHardware.sendKey(key);
    }

    columns: 3
    rowSpacing: 4
    columnSpacing: 4

    Item { width: 1; height: 1 }
    Button {
        objectName: "osdUpButton"
        text: "Up"
        onClicked: osd.press(Monitor.MNCP_KEY_MENU_UP)
    }
    Item { width: 1; height: 1 }
    Button {
        objectName: "osdMenuButton"
        text: "Menu"
        onClicked: osd.press(Monitor.MNCP_KEY_MENU)
    }
    Item { width: 1; height: 1 }
    Button {
        objectName: "osdEnterButton"
        text: "Enter"
        onClicked: osd.press(Monitor.MNCP_KEY_MENU_ENTER)
    }
    Item { width: 1; height: 1 }
    Button {
        objectName: "osdDownButton"
        text: "Down"
        onClicked: osd.press(Monitor.MNCP_KEY_MENU_DOWN)
    }
    Item { width: 1; height: 1 }

    // Effective visibility: hidden sections and other tabs take no keys.
    Shortcut { sequence: "Up"; enabled: osd.visible && osd.enabled; onActivated: osd.press(Monitor.MNCP_KEY_MENU_UP) }
    Shortcut { sequence: "Left"; enabled: osd.visible && osd.enabled; onActivated: osd.press(Monitor.MNCP_KEY_MENU) }
    Shortcut { sequence: "Right"; enabled: osd.visible && osd.enabled; onActivated: osd.press(Monitor.MNCP_KEY_MENU_ENTER) }
    Shortcut { sequence: "Down"; enabled: osd.visible && osd.enabled; onActivated: osd.press(Monitor.MNCP_KEY_MENU_DOWN) }
}
