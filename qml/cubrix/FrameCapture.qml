import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import "../common"

// The capture window of a Cubrix tab: frames only in box modes 1 and 2, and the ancillary
// data of the input: scan the packet identifiers, then capture one packet or all packets of
// an identifier pair. The window forwards the box's frameClear() and anciCaptured(data, type)
// to the capture item.
CaptureWindow {
    id: captureWindow
    objectName: "cubrixCaptureWindow"
    title: "Cubrix Capture Frame"
    fixedHeight: 550
    controlWidth: 200
    nameFieldWidth: 145
    saveTitle: "Capture and Save"
    frameModes: loadedHardware !== null && (loadedHardware.box_mode === 1 || loadedHardware.box_mode === 2)
    onPacketSelectionChanged: packetCombo.currentIndex = packetSelection

    // "Scan ID": the box answers with the identifiers of the packets in its input.
    function scanIds() {
        ancimodel.clear();
        packetSelection = -1;
        if (loadedHardware)
            loadedHardware.setAnci(3);
    }

    // "Capture Select": the selected entry is the k-th occurrence of its identifier pair.
    function captureSelected() {
        var index = packetSelection;
        if (!loadedHardware || index < 0 || index >= captureItem.anci_count)
            return;
        var id = captureItem.getListItem(index);
        var occurrence = 0;
        for (var i = 0; i < index; ++i) {
            if (captureItem.getListItem(i) === id)
                ++occurrence;
        }
        loadedHardware.captureAnci(id, occurrence);
    }

    // "Capture Data": every packet of the selected identifier pair.
    function captureAllOfSelected() {
        var index = packetSelection;
        if (!loadedHardware || index < 0 || index >= captureItem.anci_count)
            return;
        loadedHardware.captureAnci(captureItem.getListItem(index));
    }

    Connections {
        target: captureWindow.loadedHardware
        ignoreUnknownSignals: true
        function onFrameClear() { captureWindow.captureItem.clearFrame(); }
        function onAnciCaptured(data, type) {
            captureWindow.captureItem.receiveAnci(data, type);
            if (type === 4)
                captureWindow.ancillaryPage = true;
        }
    }

    ancillary: [
        Label {
            color: captureWindow.colours.text
            font.bold: true
            text: "Ancillary Data:  ID(DID:SDID)"
        },
        GridLayout {
            columns: 2
            rowSpacing: 6
            columnSpacing: 6
            NewButton {
                objectName: "scanIdButton"
                Layout.minimumWidth: 100
                implicitHeight: 25
                mode: captureWindow.mode
                text: "Scan ID"
                onClicked: captureWindow.scanIds()
            }
            ComboBox {
                id: packetCombo
                objectName: "packetCombo"
                Layout.minimumWidth: 100
                implicitHeight: 25
                model: captureWindow.ancimodel
                textRole: "name"
                currentIndex: -1
                onCurrentIndexChanged: captureWindow.packetSelection = currentIndex
            }
            NewButton {
                objectName: "captureSelectButton"
                Layout.minimumWidth: 100
                implicitHeight: 25
                mode: captureWindow.mode
                text: "Capture Select"
                onClicked: captureWindow.captureSelected()
            }
            NewButton {
                objectName: "captureDataButton"
                Layout.minimumWidth: 100
                implicitHeight: 25
                mode: captureWindow.mode
                text: "Capture Data"
                onClicked: captureWindow.captureAllOfSelected()
            }
        }
    ]
}
