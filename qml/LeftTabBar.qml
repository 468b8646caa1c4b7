import QtQuick 2.15
import "common"

// The device list on the left: one entry per tab (entry i belongs to tab i), each with a
// close button and a select button. Also owns the keys that pick tabs.
Rectangle {
    id: sideBar
    objectName: "leftTabBar"
    width: 200
    color: colours.sideBar

    property string mode: "dark"
    // The entry of the current tab; it gets the green frame and is the reference of the
    // next / previous keys.
    property int currentIndex: 0
    readonly property int count: deviceModel.count
    readonly property var colours: Theme.of(mode)

    signal sidebarTabSelect(int idx)
    signal sidebarCloseTab(int idx)
    // The entry's close button: the window decides whether to ask first, then calls closeEntry.
    signal sidebarCloseRequested(int idx)

    function newDevice(name, mode) {
        deviceModel.append({ "name": name, "ipAddress": "0000", "mode": mode });
    }

    function newDevicee(name, ip, mode) {
        deviceModel.append({ "name": name, "ipAddress": ip, "mode": mode });
    }

    function lsbRenameDevice(idx, name) {
        if (idx >= 0 && idx < deviceModel.count)
            deviceModel.setProperty(idx, "name", name);
    }

    function lsbUpdateDevice(idx, name, ip, mode) {
        if (idx < 0 || idx >= deviceModel.count)
            return;
        deviceModel.setProperty(idx, "name", name);
        deviceModel.setProperty(idx, "ipAddress", ip);
        deviceModel.setProperty(idx, "mode", mode);
    }

    function entryName(idx) {
        return idx >= 0 && idx < deviceModel.count ? deviceModel.get(idx).name : "";
    }

    function entryIp(idx) {
        return idx >= 0 && idx < deviceModel.count ? deviceModel.get(idx).ipAddress : "0000";
    }

    // Tabs that do not exist are not selected: no wrapping, no clamping.
    function select(idx) {
        if (idx < 0 || idx >= deviceModel.count)
            return false;
        sidebarTabSelect(idx);
        return true;
    }

    function closeEntry(idx) {
        if (idx < 0 || idx >= deviceModel.count)
            return;
        deviceModel.remove(idx);
        sidebarCloseTab(idx);
    }

    ListModel {
        id: deviceModel
    }

    ListView {
        id: entries
        objectName: "sideBarEntries"
        anchors.fill: parent
        clip: true
        model: deviceModel
        boundsBehavior: Flickable.StopAtBounds

        delegate: Row {
            width: entries.width
            height: 40

            SideBarButton {
                objectName: "closeButton"
                width: 20
                height: 40
                text: "X"
                textColour: sideBar.colours.text
                normalColour: sideBar.colours.closeButton
                pressedColour: Theme.closePressed
                border.color: sideBar.colours.closeButtonBorder
                onClicked: sideBar.sidebarCloseRequested(index)
            }

            SideBarButton {
                objectName: "selectButton"
                width: 180
                height: 40
                text: model.name
                tooltip: "Select Active Device"
                textAlignment: Text.AlignLeft
                textColour: sideBar.colours.text
                normalColour: sideBar.colours.sideBar
                pressedColour: sideBar.colours.sideBarPressed
                border.color: index === sideBar.currentIndex ? Theme.accent : sideBar.colours.entryBorder
                border.width: index === sideBar.currentIndex ? 3 : 1
                onClicked: sideBar.select(index)
            }
        }
    }

    Shortcut { sequence: "Ctrl+1"; onActivated: sideBar.select(0) }
    Shortcut { sequence: "Ctrl+2"; onActivated: sideBar.select(1) }
    Shortcut { sequence: "Ctrl+3"; onActivated: sideBar.select(2) }
    Shortcut { sequence: "Ctrl+4"; onActivated: sideBar.select(3) }
    Shortcut { sequence: "Ctrl+5"; onActivated: sideBar.select(4) }
    Shortcut { sequence: "Ctrl+6"; onActivated: sideBar.select(5) }
    Shortcut { sequence: "Ctrl+7"; onActivated: sideBar.select(6) }
    Shortcut { sequence: "Ctrl+8"; onActivated: sideBar.select(7) }
    Shortcut { sequence: "Ctrl+9"; onActivated: sideBar.select(8) }
    Shortcut { sequence: "Ctrl+0"; onActivated: sideBar.select(9) }
    Shortcut { sequence: "Ctrl+-"; onActivated: sideBar.select(sideBar.currentIndex + 1) }
    Shortcut { sequence: "Ctrl+="; onActivated: sideBar.select(sideBar.currentIndex - 1) }
}
