import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import QtQuick.Dialogs 1.3

// The dialogs of one page, shared by all its boxes and built on first use: a file chooser, a
// question (Yes/No or OK/Cancel), a notice, and the LUT processing precision dialog. Each
// request hands over what to do with the answer; a dismissed dialog does nothing.
Item {
    id: dialogs

    property var fileAction: null
    property var confirmAction: null
    property var precisionAction: null

    readonly property QtObject fileDialog: fileLoader.item
    readonly property QtObject confirmDialog: confirmLoader.item
    readonly property QtObject noticeDialog: noticeLoader.item
    readonly property QtObject precisionDialog: precisionLoader.item

    readonly property var precisionLabels: ["", "8 bits", "10 bits", "12 bits"]

    // Opens the file chooser; `action(url)` runs when a file is accepted.
    function chooseFile(title, nameFilters, action) {
        fileLoader.active = true;
        var dialog = fileLoader.item;
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
        confirmLoader.active = true;
        var dialog = confirmLoader.item;
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
        noticeLoader.active = true;
        var dialog = noticeLoader.item;
        dialog.title = title;
        dialog.text = text;
        dialog.open();
    }

    // Asks for the LUT processing precision (1, 2 or 3), starting from `choice`;
    // `action(choice, asDefault)` runs when it is accepted.
    function askPrecision(title, choice, action) {
        precisionLoader.active = true;
        var dialog = precisionLoader.item;
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
        id: fileLoader
        active: false
        sourceComponent: FileDialog {
            objectName: "fileDialog"
            selectExisting: true
            selectMultiple: false
            onAccepted: dialogs.fileChosen(fileUrl)
            onRejected: dialogs.fileAction = null
        }
    }

    Loader {
        id: confirmLoader
        active: false
        sourceComponent: MessageDialog {
            objectName: "confirmDialog"
            // Yes and OK end in different signals.
            onYes: dialogs.confirmed()
            onAccepted: dialogs.confirmed()
            onRejected: dialogs.confirmAction = null
            onNo: dialogs.confirmAction = null
        }
    }

    Loader {
        id: noticeLoader
        active: false
        sourceComponent: MessageDialog {
            objectName: "noticeDialog"
            icon: StandardIcon.Information
            standardButtons: StandardButton.Ok
        }
    }

    Loader {
        id: precisionLoader
        active: false
        sourceComponent: Dialog {
            id: precisionDialog
            objectName: "precisionDialog"
            property int choice: 3
            property alias asDefault: defaultBox.checked
            standardButtons: StandardButton.Ok | StandardButton.Cancel
            onAccepted: dialogs.precisionChosen(choice, defaultBox.checked)
            onRejected: dialogs.precisionAction = null

            ColumnLayout {
                spacing: 8

                Label {
                    text: "Select LUT Processing Precision"
                    font.bold: true
                }
                Repeater {
                    model: [1, 2, 3]
                    delegate: RadioButton {
                        objectName: "precisionChoice" + modelData
                        text: dialogs.precisionLabels[modelData]
                        checked: precisionDialog.choice === modelData
                        onClicked: {
                            precisionDialog.choice = modelData;
                            checked = Qt.binding(function() { return precisionDialog.choice === modelData; });
                        }
                    }
                }
                CheckBox {
                    id: defaultBox
                    objectName: "precisionDefault"
                    text: "set %1 as default".arg(dialogs.precisionLabels[precisionDialog.choice])
                }
                Label {
                    text: "LUTs will be processed at the designated precision, without asking you again,\nwhen a selection is set as default. To change this later go to:"
                }
                Label {
                    text: "[Settings -> Set Cube LUT Processing Precision]"
                }
            }
        }
    }
}
