import QtQuick 2.15

// Stacked tabs, one shown at a time, without a tab bar of their own (the side bar is theirs).
// A tab is a loader with a title whose content is built when it is first shown or made active.
// Indices move as a Controls tab view moves them when a tab goes.
Item {
    id: stack

    property int currentIndex: 0
    readonly property int count: tabs.length
    property var tabs: []

    // A new last tab; the current one stays current.
    function addTab(title) {
        var tab = tabComponent.createObject(stack, { "title": title });
        tabs = tabs.concat([tab]);
        showCurrent();
        return tab;
    }

    function removeTab(index) {
        var tab = tabs[index];
        if (count > 1 && (currentIndex > index || currentIndex === count - 1))
            --currentIndex;
        var next = tabs.slice();
        next.splice(index, 1);
        tabs = next;
        tab.visible = false;
        tab.destroy();
        showCurrent();
    }

    function getTab(index) {
        return index >= 0 && index < tabs.length ? tabs[index] : null;
    }

    function showCurrent() {
        for (var i = 0; i < tabs.length; ++i)
            tabs[i].visible = i === currentIndex;
    }

    onCurrentIndexChanged: showCurrent()

    Component {
        id: tabComponent

        Loader {
            property string title
            anchors.fill: parent
            active: false
            visible: false
            onVisibleChanged: if (visible) active = true
        }
    }
}
