import QtQuick 2.15
import QtQuick.Dialogs 1.3

// Asks before a connected tab is closed, and warns when a file is still being sent to its
// device; a tab without a connection closes at once.
MessageDialog {
    id: question
    objectName: "closeTabQuestion"

    property QtObject tabs: null
    property int index: -1

    signal confirmed(int idx)

    function ask(idx) {
        var tab = tabs ? tabs.getTab(idx) : null;
        var content = tab ? tab.item : null;
        if (!content || !content.connected) {
            confirmed(idx);
            return;
        }
        index = idx;
        title = "Close " + tab.title;
        text = content.device.uploadInProgress()
               ? "An upload to " + tab.title + " is still in progress. Closing the tab stops it and disconnects the device. Close it anyway?"
               : tab.title + " is connected. Closing the tab disconnects it. Close it?";
        open();
    }

    icon: StandardIcon.Question
    standardButtons: StandardButton.Yes | StandardButton.No
    onYes: confirmed(index)
}
