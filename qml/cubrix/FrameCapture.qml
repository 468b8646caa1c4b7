import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls.Styles 1.4
import QtQuick.Layouts 1.15
import QtQuick.Dialogs 1.3
import MNCP 1.0
import "qrc:/" as Scope

// Still-frame and ancillary-data capture of a Cubrix: grab before or after the LUTs, capture
// and save with a chosen folder, name and format, save by hand, clear; scan the ancillary
// packet identifiers of the input and capture one packet or all packets of an identifier.
// Frames exist only in box modes 1 and 2; in mode 3 the picture and its buttons are off.
//
// How the Cubrix page opens it (once per page; keep the object and show it again):
//     var window = Qt.createComponent("qrc:/cubrix/FrameCapture.qml").createObject(page, {
//         "loadedHardware": device,   // the tab's Cubrix
//         "mode": page.mode           // "dark" or "light" (may be bound)
//     });
//     window.title = tabTitle;
//     window.show();                  // later: show(), or raise() and requestActivate()
// The capture item registers itself with the device (registerFeature(item, 2)) when the window
// is created; the window forwards the device's frameClear() and anciCaptured(data, type). Shift+Q or the close box hides the window; a page that goes away (or disconnects)
// calls close() and then destroy().
Window {
    id: captureWindow
    objectName: "cubrixCaptureWindow"

    property QtObject loadedHardware: null
    property string mode: "dark"
    readonly property bool dark: mode === "dark"
    readonly property color textColour: dark ? "white" : "black"
    readonly property alias captureItem: captureItem
    readonly property alias ancimodel: ancimodel
    // The chosen folder as the text of its file URL; empty until one is chosen.
    property string captureLocation: ""
    // The item paints the ancillary data page in black text on no background: the frame box
    // turns white while that page is up, until a frame is asked for again.
    property bool ancillaryPage: false
    // Frames come only in single-channel and dual-channel mode.
    readonly property bool frameModes: loadedHardware !== null
                                       && (loadedHardware.box_mode === 1 || loadedHardware.box_mode === 2)

    width: 950
    minimumWidth: 900
    maximumWidth: 950
    height: 550
    minimumHeight: 550
    maximumHeight: 550
    color: dark ? "#1d1f21" : "#ececec"
    title: "Cubrix Capture Frame"

    function registerCapture() {
        if (loadedHardware)
            loadedHardware.registerFeature(captureItem, 2);
    }

    // "../" and the last path component of the folder URL.
    function shortLocation(url) {
        var text = String(url);
        while (text.length > 1 && text.charAt(text.length - 1) === "/")
            text = text.substring(0, text.length - 1);
        return "../" + text.substring(text.lastIndexOf("/") + 1);
    }

    function chooseLocation(url) {
        var text = String(url);
        if (text === "")
            return;
        captureLocation = text;
        captureItem.setQuickSaveDir(text);
    }

    // The quick-save name: the user's name, with "_A" (after the LUTs) or "_B" (before them)
    // when "Include in File Name" is on. The field keeps the user's own name, so the letters
    // never pile up.
    function quickSaveName() {
        var name = fileNameField.text;
        if (lutAfterBefore.currentIndex === 1)
            name += captureRadio.currentIndex === 1 ? "_A" : "_B";
        return name;
    }

    function captureAndSave() {
        if (captureLocation === "" || !frameModes)
            return;
        captureItem.setQuickSaveName(quickSaveName());
        ancillaryPage = false;
        captureItem.captureFrame(captureRadio.currentIndex);
        captureItem.setQuickSaveCount(captureItem.quick_save_count + 1);
    }

    function captureImage() {
        if (!frameModes)
            return;
        ancillaryPage = false;
        captureItem.captureFrame(captureRadio.currentIndex);
    }

    function rebuildPacketList() {
        ancimodel.clear();
        var count = captureItem.anci_count;
        for (var i = 0; i < count; ++i)
            ancimodel.append({ "name": captureItem.getListItem(i) });
        packetCombo.currentIndex = count > 0 ? count - 1 : -1;
    }

    // "Scan ID": the box answers with the identifiers of the packets in its input.
    function scanIds() {
        ancimodel.clear();
        packetCombo.currentIndex = -1;
        if (loadedHardware)
            loadedHardware.setAnci(3);
    }

    // "Capture Select": the selected entry is the k-th occurrence of its identifier pair.
    function captureSelected() {
        var index = packetCombo.currentIndex;
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
        var index = packetCombo.currentIndex;
        if (!loadedHardware || index < 0 || index >= captureItem.anci_count)
            return;
        loadedHardware.captureAnci(captureItem.getListItem(index));
    }

    onLoadedHardwareChanged: registerCapture()
    onClosing: console.log("Capture Frame Window closing")
    Component.onCompleted: {
        fileNameField.text = captureItem.quick_save_name;
        registerCapture();
    }

    Shortcut {
        sequence: "Shift+Q"
        onActivated: captureWindow.close()
    }

    ListModel {
        id: ancimodel
    }

    Connections {
        target: captureItem
        function onAnci_countChanged() { captureWindow.rebuildPacketList(); }
    }

    Connections {
        target: captureWindow.loadedHardware
        ignoreUnknownSignals: true
        function onFrameClear() { captureItem.clearFrame(); }
        function onAnciCaptured(data, type) {
            captureItem.receiveAnci(data, type);
            if (type === 4)
                captureWindow.ancillaryPage = true;
        }
    }

    // Radio indicators: a grey ring (dark blue with focus) holding a green dot when checked.
    Component {
        id: radioStyle
        RadioButtonStyle {
            indicator: Rectangle {
                implicitWidth: 16
                implicitHeight: 16
                radius: 8
                color: "transparent"
                border.width: 1
                border.color: control.activeFocus ? "darkblue" : "gray"
                Rectangle {
                    anchors.fill: parent
                    anchors.margins: 4
                    radius: width / 2
                    color: "#669933"
                    visible: control.checked
                }
            }
            label: Text {
                text: control.text
                color: captureWindow.textColour
            }
        }
    }

    FileDialog {
        id: locationDialog
        title: "Select a Location"
        selectFolder: true
        onAccepted: captureWindow.chooseLocation(fileUrl)
    }

    FileDialog {
        id: saveDialog
        title: "Save image file"
        selectExisting: false
        nameFilters: ["Image files (*.bmp)", "All files (*)"]
        onAccepted: captureItem.saveImage(fileUrl)
    }

    RowLayout {
        anchors.fill: parent
        anchors.margins: 10
        spacing: 10

        ColumnLayout {
            Layout.alignment: Qt.AlignTop
            Layout.fillWidth: false
            spacing: 10

            Label {
                color: captureWindow.textColour
                font.bold: true
                text: "Capture           Include in File Name"
            }
            RowLayout {
                spacing: 0
                ExclusiveGroup { id: sourceGroup }
                ExclusiveGroup { id: suffixGroup }
                ColumnLayout {
                    id: captureRadio
                    objectName: "captureRadio"
                    property int currentIndex: 0
                    RadioButton {
                        style: radioStyle
                        objectName: "beforeLutsRadio"
                        text: "Before LUTs"
                        exclusiveGroup: sourceGroup
                        checked: captureRadio.currentIndex === 0
                        onCheckedChanged: if (checked) captureRadio.currentIndex = 0
                    }
                    RadioButton {
                        style: radioStyle
                        objectName: "afterLutsRadio"
                        text: "After LUTs"
                        exclusiveGroup: sourceGroup
                        checked: captureRadio.currentIndex === 1
                        onCheckedChanged: if (checked) captureRadio.currentIndex = 1
                    }
                }
                ColumnLayout {
                    id: lutAfterBefore
                    objectName: "lutAfterBefore"
                    Layout.leftMargin: 60
                    property int currentIndex: 0
                    RadioButton {
                        style: radioStyle
                        objectName: "suffixOffRadio"
                        text: "Off"
                        exclusiveGroup: suffixGroup
                        checked: lutAfterBefore.currentIndex === 0
                        onCheckedChanged: if (checked) lutAfterBefore.currentIndex = 0
                    }
                    RadioButton {
                        style: radioStyle
                        objectName: "suffixOnRadio"
                        text: "On"
                        exclusiveGroup: suffixGroup
                        checked: lutAfterBefore.currentIndex === 1
                        onCheckedChanged: if (checked) lutAfterBefore.currentIndex = 1
                    }
                }
            }

            Label {
                color: captureWindow.textColour
                font.bold: true
                text: "Capture and Save Format"
            }
            RowLayout {
                id: formatRow
                objectName: "formatRow"
                spacing: 0
                ExclusiveGroup { id: formatGroup }
                Repeater {
                    model: [{ "label": ".JPG", "type": 1 }, { "label": ".BMP", "type": 2 }, { "label": ".RAW", "type": 3 }]
                    delegate: RadioButton {
                        style: radioStyle
                        objectName: "formatRadio" + modelData.type
                        Layout.leftMargin: index === 0 ? 0 : 50
                        text: modelData.label
                        exclusiveGroup: formatGroup
                        checked: captureItem.quick_save_type === modelData.type
                        // A click breaks the binding; the item's property stays the truth.
                        onClicked: {
                            captureItem.setQuickSaveType(modelData.type);
                            checked = Qt.binding(function() { return captureItem.quick_save_type === modelData.type; });
                        }
                    }
                }
            }

            Label {
                color: captureWindow.textColour
                font.bold: true
                text: "Capture and Save"
            }
            Scope.NewButton {
                objectName: "locationButton"
                Layout.minimumWidth: 200
                mode: captureWindow.mode
                text: captureWindow.captureLocation === "" ? "Capture and Save Location... "
                                                           : captureWindow.shortLocation(captureWindow.captureLocation)
                tooltip: captureWindow.captureLocation === "" ? "Capture and Save Location..." : captureWindow.captureLocation
                onClicked: locationDialog.open()
            }
            RowLayout {
                enabled: captureWindow.captureLocation !== ""
                visible: captureWindow.frameModes
                Label {
                    objectName: "fileNameLabel"
                    text: "File Name:"
                    color: captureWindow.textColour
                    opacity: enabled ? 1.0 : 0.4
                }
                TextField {
                    id: fileNameField
                    objectName: "fileNameField"
                    Layout.preferredWidth: 145
                    onEditingFinished: captureItem.setQuickSaveName(text)
                }
            }
            Scope.NewButton {
                objectName: "captureSaveButton"
                Layout.preferredWidth: 200
                mode: captureWindow.mode
                text: "Capture and Save"
                visible: captureWindow.frameModes
                enabled: captureWindow.captureLocation !== "" && captureWindow.frameModes
                onClicked: captureWindow.captureAndSave()
            }

            Label {
                color: captureWindow.textColour
                font.bold: true
                text: "Ancillary Data:  ID(DID:SDID)"
            }
            GridLayout {
                columns: 2
                rowSpacing: 6
                columnSpacing: 6
                Scope.NewButton {
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
                    model: ancimodel
                    textRole: "name"
                    currentIndex: -1
                }
                Scope.NewButton {
                    objectName: "captureSelectButton"
                    Layout.minimumWidth: 100
                    implicitHeight: 25
                    mode: captureWindow.mode
                    text: "Capture Select"
                    onClicked: captureWindow.captureSelected()
                }
                Scope.NewButton {
                    objectName: "captureDataButton"
                    Layout.minimumWidth: 100
                    implicitHeight: 25
                    mode: captureWindow.mode
                    text: "Capture Data"
                    onClicked: captureWindow.captureAllOfSelected()
                }
            }

            Scope.NewButton {
                objectName: "captureImageButton"
                Layout.preferredWidth: 200
                mode: captureWindow.mode
                text: "Capture Image"
                tooltip: "Display viewable frame here."
                enabled: captureWindow.frameModes
                onClicked: captureWindow.captureImage()
            }
            Scope.NewButton {
                objectName: "clearButton"
                Layout.preferredWidth: 200
                mode: captureWindow.mode
                text: "Clear"
                onClicked: captureItem.clearFrame()
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 4

            Label {
                color: captureWindow.textColour
                font.bold: true
                text: "Captured Frame Image"
            }
            Rectangle {
                objectName: "captureFrameBox"
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.preferredWidth: 650
                Layout.preferredHeight: 400
                color: captureWindow.ancillaryPage ? "white" : "transparent"
                border.width: 1
                border.color: captureWindow.dark ? "#47484B" : "#999999"

                Capture {
                    id: captureItem
                    objectName: "captureItem"
                    anchors.fill: parent
                    anchors.margins: 1
                    visible: captureWindow.frameModes
                    enabled: captureWindow.frameModes

                    MouseArea {
                        anchors.fill: parent
                        acceptedButtons: Qt.LeftButton | Qt.RightButton
                        onClicked: {
                            if (mouse.button === Qt.RightButton)
                                saveDialog.open();
                            else
                                captureWindow.captureImage();
                        }
                    }
                }
            }
        }
    }
}
