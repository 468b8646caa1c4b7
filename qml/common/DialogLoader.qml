import QtQuick 2.15

// A dialog built the first time it is opened. Pages declare their dialogs this way: a device's
// pages are built when it connects, and each file or message dialog built with them cost a few
// megabytes that most sessions never use.
Loader {
    active: false
    // The dialog, once built.
    readonly property QtObject dialog: item

    function build() {
        active = true;
        return item;
    }

    function open() {
        build().open();
    }
}
