import QtQuick 2.15
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

    // The dialogs (ProfileDialogs.qml) are loaded the first time one is needed: building the
    // five of them, or only loading their types, took a large share of the window's start-up,
    // and most sessions never open them.
    function dialogs() {
        if (dialogsLoader.item === null)
            dialogsLoader.setSource("ProfileDialogs.qml", { "profiles": profiles });
        return dialogsLoader.item;
    }

    function openSaveDialog() {
        dialogs().openSave();
    }

    function openLoadDialog() {
        dialogs().openLoad();
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
        dialogs().showExported(written ? "Your profile has been saved." : "Your profile could not be saved.");
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
            dialogs().showProblem();
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
        id: dialogsLoader
    }
}
