import QtQuick 2.15
import "common"

// The window's menu bar: titles drawn from plain items, each opening its menu as a popup under
// it. The menus themselves (MainMenus.qml) are built the first time one is opened; a Controls
// menu bar built them all, and loaded its style, with the window. As in that bar, a press opens
// a title's menu, and while one is open the pointer moving onto another title opens that one.
Rectangle {
    id: bar
    objectName: "mainMenuBar"

    property string mode: "dark"
    readonly property var colours: Theme.of(mode)
    // Handed to the menus: the window whose tabs, theme and settings they act on, and its tabs.
    property QtObject appWindow: null
    property QtObject tabs: null
    readonly property var titles: ["File", "Manage", "Profiles", "Shortcuts", "View", "Connection", "Theme"]
    readonly property bool menusBuilt: menusLoader.status === Loader.Ready
    property int openIndex: -1
    property Item hoveredTitle: null

    implicitHeight: titleRow.implicitHeight
    color: colours.bar

    // The menu under `index`, built with the others on first use.
    function menu(index) {
        menusLoader.active = true;
        return menusLoader.item ? menusLoader.item.list[index] : null;
    }

    // Opens the menu under `index`, closing the one open before; -1 closes.
    function openMenu(index) {
        if (openIndex === index)
            return;
        var previous = openIndex;
        openIndex = index;
        if (previous !== -1 && menu(previous).__popupVisible)
            menu(previous).__dismissAndDestroy();
        if (index === -1)
            return;
        var title = titleRepeater.itemAt(index);
        var opened = menu(index);
        opened.__visualItem = title;
        opened.__popup(Qt.rect(0, title.height, 0, 0), 0);
    }

    Loader {
        id: menusLoader
        active: false
        source: "MainMenus.qml"
        onLoaded: {
            item.appWindow = Qt.binding(function() { return bar.appWindow; });
            item.tabs = Qt.binding(function() { return bar.tabs; });
        }
    }

    // A menu closed by a choice, a press elsewhere or Escape.
    Repeater {
        model: menusLoader.item ? menusLoader.item.list : []
        Item {
            Connections {
                target: modelData
                function onAboutToHide() {
                    if (bar.openIndex === index) {
                        bar.openIndex = -1;
                        bar.hoveredTitle = null;
                    }
                }
            }
        }
    }

    Row {
        id: titleRow

        Repeater {
            id: titleRepeater
            model: bar.titles

            Rectangle {
                id: titleItem
                readonly property int menuIndex: index
                readonly property bool lit: bar.hoveredTitle === titleItem || bar.openIndex === index

                implicitWidth: titleText.implicitWidth + 16
                implicitHeight: titleText.implicitHeight + 8
                color: lit ? Theme.accent : "transparent"

                Text {
                    id: titleText
                    anchors.centerIn: parent
                    text: modelData
                    color: parent.lit ? Theme.accentText : bar.colours.text
                }
            }
        }
    }

    MouseArea {
        anchors.fill: parent
        hoverEnabled: true

        function follow(mouse) {
            var title = titleRow.childAt(mouse.x, mouse.y);
            bar.hoveredTitle = title && title.menuIndex !== undefined ? title : null;
            if (bar.hoveredTitle && (pressed || bar.openIndex !== -1))
                bar.openMenu(bar.hoveredTitle.menuIndex);
        }

        onPressed: follow(mouse)
        onPositionChanged: follow(mouse)
        onExited: bar.hoveredTitle = null
    }
}
