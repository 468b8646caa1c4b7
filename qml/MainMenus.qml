import QtQuick 2.15
import QtQuick.Controls 1.4

// The menus of the window's menu bar, built the first time one of them is opened: as Controls
// menus they cost the window's start more than anything else it shows. Each opens as a popup
// under its title (MainMenuBar.qml).
Item {
    id: menus
    visible: false

    // The window whose tabs, theme and settings the entries act on, and its tab view.
    property QtObject appWindow: null
    property QtObject tabs: null
    // In the order of the bar's titles.
    readonly property var list: [fileMenu, manageMenu, profilesMenu, shortcutsMenu, viewMenu, connectionMenu, themeMenu]

    Menu {
        id: fileMenu
        title: "File"
        MenuItem {
            text: "E&xit"
            onTriggered: Qt.quit()
        }
    }
    Menu {
        id: manageMenu
        title: "Manage"
        MenuItem {
            text: "Add &Cubrix"
            onTriggered: tabs.newCubrixTab()
        }
        MenuItem {
            text: "Add &Monitor"
            onTriggered: tabs.newMonitorTab()
        }
    }
    Menu {
        id: profilesMenu
        title: "Profiles"
        MenuItem {
            text: "Save"
            onTriggered: tabs.exportTabs()
        }
        MenuItem {
            text: "Load"
            onTriggered: tabs.importTabs()
        }
    }
    Menu {
        id: shortcutsMenu
        // A reference only: the keys work wherever they are listed.
        title: "Shortcuts"
        Menu {
            title: "General"
            MenuItem { enabled: false; text: "Device 1 to Device 9:    Ctrl+1 to Ctrl+9" }
            MenuItem { enabled: false; text: "Device 10:    Ctrl+0" }
            MenuItem { enabled: false; text: "Next Device:    Ctrl+-" }
            MenuItem { enabled: false; text: "Prev Device:    Ctrl+=" }
            MenuItem { enabled: false; text: "Connect/Disconnect Current Device:    Ctrl+C" }
            MenuItem { enabled: false; text: "Close Current Device Tab:    Ctrl+W" }
            MenuItem { enabled: false; text: "Device Log of Current Device:    Ctrl+D" }
            MenuItem { enabled: false; text: "Export Tabs:    Ctrl+S" }
            MenuItem { enabled: false; text: "Import Tabs:    Ctrl+L" }
            MenuItem { enabled: false; text: "New Cubrix:    Ctrl+Shift+Z" }
            MenuItem { enabled: false; text: "New Monitor:    Ctrl+Shift+X" }
            MenuItem { enabled: false; text: "Dark Mode:    Alt+K" }
            MenuItem { enabled: false; text: "Light Mode:    Alt+L" }
        }
        Menu {
            title: "Monitor"
            MenuItem { enabled: false; text: "Input 1 to Input 5:    A to E" }
            MenuItem { enabled: false; text: "F1 to F6:    1 to 6" }
            MenuItem { enabled: false; text: "Menu / Enter / Up / Down:    Left / Right / Up / Down" }
            MenuItem { enabled: false; text: "Waveform:    Shift+W" }
            MenuItem { enabled: false; text: "Vector:    Shift+V" }
            MenuItem { enabled: false; text: "Capture Frame:    Shift+C" }
            MenuItem { enabled: false; text: "Close Launch Component:    Shift+Q" }
            MenuItem { enabled: false; text: "Chroma push, clockwise, anticlockwise:    M, Shift+M, Ctrl+M" }
            MenuItem { enabled: false; text: "Brightness push, clockwise, anticlockwise:    comma, Shift+comma, Ctrl+comma" }
            MenuItem { enabled: false; text: "Contrast push, clockwise, anticlockwise:    period, Shift+period, Ctrl+period" }
            MenuItem { enabled: false; text: "Volume push, clockwise, anticlockwise:    slash, Shift+slash, Ctrl+slash" }
        }
        Menu {
            title: "Cubrix"
            MenuItem { enabled: false; text: "Single Channel:    1" }
            MenuItem { enabled: false; text: "Dual Channel:    2" }
            MenuItem { enabled: false; text: "TPG:    3" }
            MenuItem { enabled: false; text: "CH1:    4" }
            MenuItem { enabled: false; text: "CH2:    5" }
            MenuItem { enabled: false; text: "Video Range:    U" }
            MenuItem { enabled: false; text: "Extended Range:    I" }
            MenuItem { enabled: false; text: "SMPTE Full Range:    O" }
            MenuItem { enabled: false; text: "Full Range:    P" }
            MenuItem { enabled: false; text: "SDI1:    Shift+1" }
            MenuItem { enabled: false; text: "SDI2:    Shift+2" }
            MenuItem { enabled: false; text: "CH2 Output:    Shift+3" }
            MenuItem { enabled: false; text: "Waveform:    Shift+W" }
            MenuItem { enabled: false; text: "Vector:    Shift+V" }
            MenuItem { enabled: false; text: "Capture Frame:    Shift+C" }
            MenuItem { enabled: false; text: "Close Launch Component:    Shift+Q" }
            MenuItem { enabled: false; text: "Front 1D LUT:    Shift+F" }
            MenuItem { enabled: false; text: "3D LUT:    Shift+G" }
            MenuItem { enabled: false; text: "Back 1D LUT:    Shift+H" }
            MenuItem { enabled: false; text: "Frame Callback:    Shift+J" }
            MenuItem { enabled: false; text: "OSD Menu:    Shift+O" }
            MenuItem { enabled: false; text: "Settings Page:    Shift+S" }
            MenuItem { enabled: false; text: "Input formats:    Shift+K, Shift+L, Shift+;, Shift+'" }
            MenuItem { enabled: false; text: "Signal formats:    Ctrl+Shift+K, L, ;, ', M, comma, period" }
        }
    }
    Menu {
        id: viewMenu
        title: "View"
        MenuItem {
            objectName: "deviceLogMenuItem"
            text: "Device Log"
            shortcut: "Ctrl+D"
            checkable: true
            checked: appWindow.currentTab !== null && appWindow.currentTab.logShown
            enabled: appWindow.currentTab !== null
            onTriggered: appWindow.toggleDeviceLog()
        }
    }
    Menu {
        id: connectionMenu
        title: "Connection"
        MenuItem {
            objectName: "autoReconnectMenuItem"
            text: "Reconnect automatically"
            checkable: true
            checked: appWindow.autoReconnect
            onTriggered: appWindow.autoReconnect = !appWindow.autoReconnect
        }
    }
    Menu {
        id: themeMenu
        title: "Theme"
        MenuItem {
            text: "Light"
            onTriggered: appWindow.setTheme("light")
        }
        MenuItem {
            text: "Dark"
            onTriggered: appWindow.setTheme("dark")
        }
    }
}
