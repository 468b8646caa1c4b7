import QtQuick 2.15
import QtQuick.Dialogs 1.3

// The message box in which a device tab shows what its device reported as an error. A file of
// its own so that a tab loads the dialogs' implementation only when it first shows one.
MessageDialog {
    objectName: "errorDialog"
    icon: StandardIcon.Warning
    standardButtons: StandardButton.Ok
}
