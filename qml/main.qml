import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import Qt.labs.settings 1.0
import MNCP 1.0
import "common"
import "ChannelCreation.js" as Creation

// The main window: device list on the left, one tab per device on the right, menus, window
// keys and the status bar. The open tabs are kept in the saved-tabs file and restored at start.
ApplicationWindow {
    id: mainWindow
    objectName: "mainWindow"
    width: 1020
    height: 750
    minimumWidth: 1020
    minimumHeight: 750
    visible: true
    title: "TWK: Brevanto - Version: 1.11.2"
    color: colours.window

    property string mode: "dark"
    readonly property var colours: Theme.of(mode)
    property string statusText: "  Welcome to TWK - Brevanto"
    // Documentation addresses (RFC 5737) as placeholders: nothing answers there.
    readonly property string placeholderCubrixIp: "192.0.2.10"
    readonly property string placeholderMonitorIp: "192.0.2.20"
    // Set on windows created by a profile import, which (unlike the first window) may be
    // destroyed when they are replaced in turn.
    property bool reloaded: false
    // A replaced window: its tabs go without touching the saved tabs.
    property bool retired: false
    // Every tab's device connects again after a connection ends unasked; remembered between runs.
    property alias autoReconnect: settings.autoReconnect
    // The content of the current tab (count: a closed tab's place may be taken by the next).
    readonly property QtObject currentTab: tabView.count > 0 ? tabItem(tabView.currentIndex) : null

    function setTheme(theme) {
        deviceProfile.changeMode(theme);
        mode = deviceProfile.getMoreInfo();
        sessionManager.changeMode(theme);
        // Index 50 is no tab's as long as there are at most 50; beyond that the first tab's
        // own values are given, which leaves everything but the theme as it is.
        var lines = sessionManager.getSavedTabsCSV();
        if (lines.length <= 50) {
            sessionManager.replaceTab(50, "", "", "", theme);
        } else {
            var first = lines[0].split(",");
            sessionManager.replaceTab(0, first[1], first[2], first[3], theme);
        }
    }

    // The current tab's device log panel (the View menu's entry and Ctrl+D).
    function toggleDeviceLog() {
        currentTab.logShown = !currentTab.logShown;
    }

    function tabItem(idx) {
        var tab = tabView.getTab(idx);
        return tab ? tab.item : null;
    }

    // After a profile import: a fresh window starts from the rewritten saved tabs and this one
    // goes away with its devices.
    function reloadWindow() {
        var next = Creation.createObject("qrc:/main.qml", Qt.application, { "reloaded": true });
        if (next === null)
            return;
        retire();
    }

    function retire() {
        retired = true;
        close();
        while (tabView.count > 0)
            tabView.removeTab(tabView.count - 1);
        if (reloaded)
            destroy();
    }

    SessionManager {
        id: sessionManager
        objectName: "sessionManager"
    }

    DeviceProfile {
        id: deviceProfile
        objectName: "deviceProfile"
    }

    Settings {
        id: settings
        property string storedName_Cubrix: "New Cubrix"
        property string storedName_Monitor: "New Monitor"
        property string cubrixName: "New Cubrix"
        property string monitorName: "New Monitor"
        property string state_cubrix: "192.0.2.10"
        property string state_mon: "192.0.2.20"
        property bool autoReconnect: true
    }

    DevicesProfile {
        id: profiles
        objectName: "devicesProfile"
        sessionManager: sessionManager
        deviceProfile: deviceProfile
        cubrixAddress: mainWindow.placeholderCubrixIp
        monitorAddress: mainWindow.placeholderMonitorIp
        onProfileImported: mainWindow.reloadWindow()
    }

    toolBar: MainMenuBar {
        id: menuBar
        width: parent ? parent.width : 0
        mode: mainWindow.mode
        appWindow: mainWindow
        tabs: tabView
    }

    statusBar: Rectangle {
        width: parent ? parent.width : 0
        implicitHeight: statusLabel.implicitHeight + 5
        color: mainWindow.colours.bar

        Text {
            id: statusLabel
            objectName: "statusLabel"
            x: 3
            y: 3
            width: parent.width - 6
            text: mainWindow.statusText
            color: mainWindow.colours.text
        }
    }

    // Not Shift+K and Shift+L: those are a Cubrix page's signal link keys.
    Shortcut { sequence: "Alt+K"; onActivated: mainWindow.setTheme("dark") }
    Shortcut { sequence: "Alt+L"; onActivated: mainWindow.setTheme("light") }
    Shortcut { sequence: "Ctrl+W"; onActivated: mainWindow.requestCloseTab(tabView.currentIndex) }
    Shortcut { sequence: "Ctrl+Shift+Z"; onActivated: tabView.newCubrixTab() }
    Shortcut { sequence: "Ctrl+Shift+X"; onActivated: tabView.newMonitorTab() }
    Shortcut { sequence: "Ctrl+S"; onActivated: tabView.exportTabs() }
    Shortcut { sequence: "Ctrl+L"; onActivated: tabView.importTabs() }
    // The View menu's entry takes the key once the menus are built.
    Shortcut {
        sequence: "Ctrl+D"
        enabled: !menuBar.menusBuilt && mainWindow.currentTab !== null
        onActivated: mainWindow.toggleDeviceLog()
    }

    LeftTabBar {
        id: leftTabBar
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        mode: mainWindow.mode
        currentIndex: tabView.currentIndex
        onSidebarTabSelect: tabView.selectTab(idx)
        onSidebarCloseTab: tabView.closeTab(idx)
        onSidebarCloseRequested: mainWindow.requestCloseTab(idx)
    }

    // A connected tab is not closed on one click: it ends the connection, and perhaps an upload.
    // The question is loaded from its file when first asked: naming its type here would load
    // the dialogs module with the window.
    function requestCloseTab(idx) {
        var tab = tabView.getTab(idx);
        if (!tab || !tab.item || !tab.item.connected) {
            leftTabBar.closeEntry(idx);
            return;
        }
        if (closeQuestionLoader.item === null)
            closeQuestionLoader.setSource("CloseTabQuestion.qml", { "tabs": tabView });
        closeQuestionLoader.item.ask(idx);
    }

    Loader {
        id: closeQuestionLoader
    }
    Connections {
        target: closeQuestionLoader.item
        function onConfirmed(idx) { leftTabBar.closeEntry(idx); }
    }

    NoticeBar {
        id: noticeBar
        anchors.left: leftTabBar.right
        anchors.right: parent.right
        anchors.top: parent.top
        mode: mainWindow.mode
        text: sessionManager.setAsideNotice
    }

    // The tabs are taller than the window: they scroll under the wheel and with the bar.
    Flickable {
        id: tabArea
        objectName: "tabArea"
        anchors.left: leftTabBar.right
        anchors.right: tabScrollBar.left
        anchors.top: noticeBar.bottom
        anchors.bottom: parent.bottom
        contentWidth: tabView.width
        contentHeight: tabView.height
        clip: true
        // Dragging the content would fight the pages' sliders: the wheel and the bar scroll.
        interactive: false

        // Under the tabs, so that a control that takes the wheel itself keeps it.
        MouseArea {
            width: tabArea.contentWidth
            height: tabArea.contentHeight
            acceptedButtons: Qt.NoButton
            onWheel: {
                var range = Math.max(0, tabArea.contentHeight - tabArea.height);
                tabArea.contentY = Math.max(0, Math.min(range, tabArea.contentY - wheel.angleDelta.y / 2));
            }
        }

        TabStack {
            id: tabView
            objectName: "tabView"
            width: 800
            height: 1300

            readonly property string cubrixSource: "qrc:/maintab_cubrix.qml"
            readonly property string monitorSource: "qrc:/maintab_monitor.qml"

            // A tab of `type` ("CUBRIX" or "MONITOR") titled `title`; the fields start from
            // the preset, else the side-bar entry, else the remembered name and address. Its
            // content (device and controls) is built when the tab is first shown: restored
            // tabs behind the current one cost the window's start nothing.
            function createDeviceTab(type, title, presetName, presetIp) {
                var tab = addTab(title);
                // The shown tab is built by setSource, the others when first shown.
                tab.loaded.connect(function() {
                    tab.item.deviceInfoUpdated.connect(function(deviceType, ip, name) {
                        var idx = tabs.indexOf(tab);
                        if (idx >= 0)
                            updateDeviceInfoAt(idx, deviceType, ip, name, mainWindow.mode);
                    });
                    // The current tab's outcomes in the status bar; the others' wait in their tabs.
                    tab.item.device.activity.finished.connect(function(text, ok) {
                        if (tabs.indexOf(tab) === currentIndex)
                            mainWindow.statusText = tab.title + ": " + text;
                    });
                });
                tab.setSource(type === "CUBRIX" ? cubrixSource : monitorSource, {
                    "presetName": presetName,
                    "presetIp": presetIp,
                    "sidebarName": leftTabBar.entryName(count - 1),
                    "sidebarIp": leftTabBar.entryIp(count - 1),
                    "settingsStore": settings,
                    "appWindow": mainWindow
                });
                return tab;
            }

            // A new tab, recorded in the saved tabs under its position (so that closing or
            // renaming it finds its record). Returns its index.
            function addDeviceTab(type, name) {
                var idx = count;
                var cubrix = type === "CUBRIX";
                leftTabBar.newDevice(name, mainWindow.mode);
                createDeviceTab(type, name, "", "");
                sessionManager.addTab(idx, type, cubrix ? mainWindow.placeholderCubrixIp : mainWindow.placeholderMonitorIp,
                                      name, mainWindow.mode);
                return idx;
            }

            function newCubrixTab() {
                selectTab(addDeviceTab("CUBRIX", "New Cubrix"));
            }

            function newMonitorTab() {
                selectTab(addDeviceTab("MONITOR", "New Monitor"));
            }

            function selectTab(idx) {
                if (idx < 0 || idx >= count)
                    return;
                currentIndex = idx;
                mainWindow.statusText = getTab(idx).title;
            }

            // Selects the first tab titled `name`.
            function loadTab(name) {
                for (var i = 0; i < count; ++i) {
                    if (getTab(i).title === name) {
                        selectTab(i);
                        return true;
                    }
                }
                return false;
            }

            function requestTabName() {
                return leftTabBar.entryName(currentIndex);
            }

            function requestTabIp() {
                return leftTabBar.entryIp(currentIndex);
            }

            function setDeviceName(name) {
                if (currentIndex < 0 || currentIndex >= count)
                    return;
                getTab(currentIndex).title = name;
                leftTabBar.lsbRenameDevice(currentIndex, name);
                mainWindow.statusText = name;
            }

            function updateDeviceInfoAt(idx, type, ip, name, mode) {
                getTab(idx).title = name;
                leftTabBar.lsbUpdateDevice(idx, name, ip, mode);
                mainWindow.statusText = name;
                sessionManager.replaceTab(idx, type, ip, name, mode);
            }

            function updateDeviceInfo(type, ip, name, mode) {
                if (currentIndex >= 0 && currentIndex < count)
                    updateDeviceInfoAt(currentIndex, type, ip, name, mode);
            }

            // The side bar has removed its entry already. At least one tab always stays.
            function closeTab(idx) {
                if (idx < 0 || idx >= count)
                    return;
                if (count > 1) {
                    if (idx === currentIndex)
                        currentIndex = idx === 0 ? 1 : idx - 1;
                } else {
                    newCubrixTab();
                }
                removeTab(idx);
                if (!mainWindow.retired)
                    sessionManager.removeTab(idx);
                mainWindow.statusText = getTab(currentIndex).title;
            }

            function exportTabs() {
                profiles.openSaveDialog();
            }

            function importTabs() {
                profiles.openLoadDialog();
            }

            // Start-up: the saved tabs, or one Cubrix and one monitor tab.
            function restoreTabs() {
                // Records of a type this version does not know never reach the list: the
                // session manager sets them aside and says so.
                if (sessionManager.readFromDisk()) {
                    var lines = sessionManager.getSavedTabsCSV();
                    for (var i = 0; i < lines.length; ++i) {
                        var fields = lines[i].split(",");
                        var type = fields[1];
                        var ip = fields[2];
                        var name = fields[3];
                        mainWindow.mode = fields[4];
                        leftTabBar.newDevicee(name, ip, fields[4]);
                        createDeviceTab(type, name, name, ip);
                    }
                    deviceProfile.changeMode(mainWindow.mode);
                    sessionManager.changeMode(mainWindow.mode);
                }
                if (count === 0) {
                    addDeviceTab("CUBRIX", settings.storedName_Cubrix);
                    addDeviceTab("MONITOR", settings.storedName_Monitor);
                }
                currentIndex = 0;
            }

            Component.onCompleted: restoreTabs()
        }
    }

    ScrollBarSlim {
        id: tabScrollBar
        anchors.right: parent.right
        anchors.top: noticeBar.bottom
        anchors.bottom: parent.bottom
        flickable: tabArea
        mode: mainWindow.mode
    }
}
