import QtQuick 2.15
import QtQuick.Dialogs 1.3
import "ChannelCreation.js" as Creation

// The dialogs of the profile export and import, each built the first time it is opened. The
// profile logic (DevicesProfile, `profiles`) loads this file only when it first needs one of
// them, so that a start of the program loads no dialog implementation.
Item {
    id: dialogs
    visible: false

    property QtObject profiles: null

    function show(loader) {
        loader.active = true;
        loader.item.open();
        return loader.item;
    }

    function openSave() {
        show(saveLoader);
    }

    function openLoad() {
        show(loadLoader);
    }

    function showExported(text) {
        exportedLoader.active = true;
        exportedLoader.item.text = text;
        exportedLoader.item.open();
    }

    function showProblem() {
        show(problemLoader);
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
            onAccepted: dialogs.profiles.exportProfile(Creation.localPath(fileUrl), "")
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
                dialogs.profiles.chosenPath = Creation.localPath(fileUrl);
                dialogs.show(confirmLoader);
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
            onYes: dialogs.profiles.importProfile(dialogs.profiles.chosenPath)
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
