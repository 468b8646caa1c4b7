import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import "../common"

// Stores a LUT file into one of the sixteen slots of a KT monitor.
RowLayout {
    id: lutKt
    objectName: "lutKT"

    property QtObject loadedHardware: null
    property string mode: "dark"
    property int type: 0
    property int func: 0
    readonly property var colours: Theme.of(mode)
    readonly property alias slotId: idBox.value

    // The dialog's choice: the slot is the selector's value counted from 0.
    function storeFile(url) {
        if (loadedHardware)
            loadedHardware.saveLutFile(type, func, idBox.value - 1, url);
    }

    spacing: 8

    Label {
        text: "Id: "
        color: lutKt.colours.text
    }
    SpinBox {
        id: idBox
        objectName: "lutKtId"
        minimumValue: 1
        maximumValue: 16
        value: 1
    }
    Button {
        objectName: "lutKtSaveButton"
        text: "Save..."
        onClicked: lutFileDialog.open()
    }

    DialogLoader {
        id: lutFileDialog
        sourceComponent: LutFileDialog { objectName: "lutKtFileDialog"; lutType: lutKt.type; onAccepted: lutKt.storeFile(fileUrl) }
    }
}
