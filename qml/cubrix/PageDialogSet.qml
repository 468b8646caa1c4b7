import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import QtQuick.Dialogs 1.3

// The dialogs of PageDialogs (`dialogs`), each built the first time it is used. A file of its
// own that PageDialogs loads only when a page first needs a dialog, so that opening a tab loads
// no dialog implementation.
Item {
    id: set

    property QtObject dialogs: null

    readonly property QtObject fileDialog: fileLoader.item
    readonly property QtObject confirmDialog: confirmLoader.item
    readonly property QtObject noticeDialog: noticeLoader.item
    readonly property QtObject precisionDialog: precisionLoader.item

    function file() {
        fileLoader.active = true;
        return fileLoader.item;
    }

    function question() {
        confirmLoader.active = true;
        return confirmLoader.item;
    }

    function notice() {
        noticeLoader.active = true;
        return noticeLoader.item;
    }

    function precision() {
        precisionLoader.active = true;
        return precisionLoader.item;
    }

    Loader {
        id: fileLoader
        active: false
        sourceComponent: FileDialog {
            objectName: "fileDialog"
            selectExisting: true
            selectMultiple: false
            onAccepted: set.dialogs.fileChosen(fileUrl)
            onRejected: set.dialogs.fileAction = null
        }
    }

    Loader {
        id: confirmLoader
        active: false
        sourceComponent: MessageDialog {
            objectName: "confirmDialog"
            // Yes and OK end in different signals.
            onYes: set.dialogs.confirmed()
            onAccepted: set.dialogs.confirmed()
            onRejected: set.dialogs.confirmAction = null
            onNo: set.dialogs.confirmAction = null
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
            onAccepted: set.dialogs.precisionChosen(choice, defaultBox.checked)
            onRejected: set.dialogs.precisionAction = null

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
                        text: set.dialogs.precisionLabels[modelData]
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
                    text: "set %1 as default".arg(set.dialogs.precisionLabels[precisionDialog.choice])
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
