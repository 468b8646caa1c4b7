import QtQuick 2.15
import QtQuick.Dialogs 1.3

// The dialogs of one page, shared by all its boxes and built on first use: a file chooser, a
// question (Yes/No or OK/Cancel), a notice, and the LUT processing precision dialog. Each
// request hands over what to do with the answer; a dismissed dialog does nothing. The dialogs
// themselves (PageDialogSet.qml) are loaded only when the page first needs one: loading their
// types with every tab slowed the program's start.
Item {
    id: dialogs

    property var fileAction: null
    property var confirmAction: null
    property var precisionAction: null

    readonly property QtObject dialogSet: setLoader.item
    readonly property QtObject fileDialog: dialogSet ? dialogSet.fileDialog : null
    readonly property QtObject confirmDialog: dialogSet ? dialogSet.confirmDialog : null
    readonly property QtObject noticeDialog: dialogSet ? dialogSet.noticeDialog : null
    readonly property QtObject precisionDialog: dialogSet ? dialogSet.precisionDialog : null

    readonly property var precisionLabels: ["", "8 bits", "10 bits", "12 bits"]

    function loadedSet() {
        if (setLoader.item === null)
            setLoader.setSource("PageDialogSet.qml", { "dialogs": dialogs });
        return setLoader.item;
    }

    // Opens the file chooser; `action(url)` runs when a file is accepted.
    function chooseFile(title, nameFilters, action) {
        var dialog = loadedSet().file();
        dialog.title = title;
        dialog.nameFilters = nameFilters;
        fileAction = action;
        dialog.open();
    }

    // What accepting the file chooser does with the chosen file.
    function fileChosen(url) {
        var action = fileAction;
        fileAction = null;
        if (action)
            action(url);
    }

    // Asks a question; `action()` runs on Yes or OK.
    // `question`: { title, text, informativeText, icon, buttons }.
    function confirm(question, action) {
        var dialog = loadedSet().question();
        dialog.title = question.title;
        dialog.text = question.text;
        dialog.informativeText = question.informativeText !== undefined ? question.informativeText : "";
        dialog.icon = question.icon !== undefined ? question.icon : StandardIcon.Question;
        dialog.standardButtons = question.buttons !== undefined ? question.buttons
                                                                : (StandardButton.Yes | StandardButton.No);
        confirmAction = action;
        dialog.open();
    }

    function confirmed() {
        var action = confirmAction;
        confirmAction = null;
        if (action)
            action();
    }

    function notify(title, text) {
        var dialog = loadedSet().notice();
        dialog.title = title;
        dialog.text = text;
        dialog.open();
    }

    // Asks for the LUT processing precision (1, 2 or 3), starting from `choice`;
    // `action(choice, asDefault)` runs when it is accepted.
    function askPrecision(title, choice, action) {
        var dialog = loadedSet().precision();
        dialog.title = title;
        dialog.choice = choice >= 1 && choice <= 3 ? choice : 3;
        dialog.asDefault = false;
        precisionAction = action;
        dialog.open();
    }

    function precisionChosen(choice, asDefault) {
        var action = precisionAction;
        precisionAction = null;
        if (action)
            action(choice, asDefault);
    }

    Loader {
        id: setLoader
    }
}
