import QtQuick 2.15
import QtQuick.Dialogs 1.3
import "ChannelCreation.js" as Creation

// Profile export and import for the main window: the file dialogs, the confirmation and the
// result messages, and the translation between the saved tabs and the profile text
// ("TYPE/name/address/theme," per tab).
Item {
    id: profiles
    visible: false

    property QtObject sessionManager: null
    property QtObject deviceProfile: null
    // Used for entries that lack a name or an address.
    property string cubrixName: "New Cubrix"
    property string monitorName: "New Monitor"
    property string cubrixAddress: ""
    property string monitorAddress: ""
    // The profile chosen in the load dialog, imported once the user confirms.
    property string chosenPath: ""

    // The saved tabs now hold the imported list; the window starts again from them.
    signal profileImported()

    // The dialogs are built the first time they are needed: building all five took a large
    // share of the window's start-up, and most sessions never open them.
    function dialog(loader) {
        loader.active = true;
        return loader.item;
    }

    function openSaveDialog() {
        dialog(saveLoader).open();
    }

    function openLoadDialog() {
        dialog(loadLoader).open();
    }

    // Writes the saved tabs into a profile at `path`; `theme` forces every entry's theme when
    // not empty. Returns whether the file was written, and says so.
    function exportProfile(path, theme) {
        var written = false;
        if (sessionManager.readFromDisk()) {
            var text = "";
            var lines = sessionManager.getSavedTabsCSV();
            for (var i = 0; i < lines.length; ++i) {
                var fields = lines[i].split(",");
                // A hand-edited saved-tabs file may hold a "/" that would shift the fields.
                text += fields[1] + "/" + Creation.withoutSeparators(fields[3]) + "/"
                        + Creation.withoutSeparators(fields[2]) + "/" + (theme !== "" ? theme : fields[4]) + ",";
            }
            written = deviceProfile.exportTabs("", path, text);
        }
        var exported = dialog(exportedLoader);
        exported.text = written ? "Your profile has been saved." : "Your profile could not be saved.";
        exported.open();
        return written;
    }

    // The entries of a profile text, or null when it is refused: fewer than two pieces, an
    // empty piece before the last, or an entry whose type is neither "CUBRIX" nor "MONITOR".
    function parseProfile(text) {
        var pieces = String(text).split(",");
        if (pieces.length < 2)
            return null;
        var last = pieces[pieces.length - 1].split("/");
        if (last.length > 1 && last[0] !== "CUBRIX" && last[0] !== "MONITOR")
            return null;
        var entries = [];
        for (var k = 0; k < pieces.length - 1; ++k) {
            if (pieces[k] === "")
                return null;
            var fields = pieces[k].split("/");
            var type = fields[0];
            if (type !== "CUBRIX" && type !== "MONITOR")
                return null;
            var cubrix = type === "CUBRIX";
            entries.push({
                "type": type,
                "name": fields.length > 1 && fields[1] !== "" ? fields[1] : (cubrix ? cubrixName : monitorName),
                "address": fields.length > 2 && fields[2] !== "" ? fields[2] : (cubrix ? cubrixAddress : monitorAddress),
                "theme": fields.length > 3 && fields[3] !== "" ? fields[3] : "dark"
            });
        }
        return entries;
    }

    // Replaces the saved tabs with the profile at `path`; false (with the problem dialog) when
    // the profile is refused.
    function importProfile(path) {
        deviceProfile.importTabs(path);
        var entries = parseProfile(deviceProfile.getInfo());
        if (entries === null) {
            dialog(problemLoader).open();
            return false;
        }
        for (var i = sessionManager.getSavedTabsCSV().length - 1; i >= 0; --i)
            sessionManager.removeTab(i);
        for (var k = 0; k < entries.length; ++k)
            sessionManager.addTab(k, entries[k].type, entries[k].address, entries[k].name, entries[k].theme);
        profileImported();
        return true;
    }

    Loader {
        id: saveLoader
        active: false
        sourceComponent: FileDialog {
            objectName: "saveProfileDialog"
            title: "Please choose a file"
            selectExisting: false
            nameFilters: ["Text Files (*.txt)"]
            folder: shortcuts.desktop
            onAccepted: profiles.exportProfile(Creation.localPath(fileUrl), "")
        }
    }

    Loader {
        id: loadLoader
        active: false
        sourceComponent: FileDialog {
            objectName: "loadProfileDialog"
            title: "Please choose a file to import"
            nameFilters: ["Text Files (*.txt)", "All files (*)"]
            onAccepted: {
                profiles.chosenPath = Creation.localPath(fileUrl);
                profiles.dialog(confirmLoader).open();
            }
        }
    }

    Loader {
        id: confirmLoader
        active: false
        sourceComponent: MessageDialog {
            objectName: "importConfirmDialog"
            title: "Import Tabs"
            text: "All current tabs will be deleted. Continue?"
            icon: StandardIcon.Question
            standardButtons: StandardButton.Yes | StandardButton.No
            onYes: profiles.importProfile(profiles.chosenPath)
        }
    }

    Loader {
        id: exportedLoader
        active: false
        sourceComponent: MessageDialog {
            objectName: "exportedDialog"
            title: "Exported Tabs"
            text: "Your profile has been saved."
        }
    }

    Loader {
        id: problemLoader
        active: false
        sourceComponent: MessageDialog {
            objectName: "importProblemDialog"
            title: "Problem Importing Profile"
            text: "Incorrect file structure. Please try another file."
            icon: StandardIcon.Warning
        }
    }
}
