import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import QtQuick.Dialogs 1.3
import MNCP 1.0
import "."

// Still-frame capture of a device: grab before or after the LUTs, capture and save with a
// chosen folder, name and format, save by hand, clear. Each device folder's "FrameCapture.qml"
// is this window with its own title, size and, on the Cubrix, the ancillary-data controls
// (`ancillary`, placed above "Capture Image") and the box modes that have frames
// (`frameModes`).
//
// How a device page opens it (once per page; keep the object and show it again):
//     var window = Qt.createComponent("qrc:/monitor/FrameCapture.qml").createObject(page, {
//         "loadedHardware": device,   // the tab's Monitor or Cubrix
//         "mode": page.mode           // "dark" or "light" (may be bound)
//     });
//     window.title = tabTitle;
//     window.show();                  // later: show(), or raise() and requestActivate()
// The capture item registers itself with the device (registerFeature(item, 2)) when the window
// is created. Shift+Q or the close box hides the window; a page that goes away (or disconnects)
// calls close() and then destroy().
Window {
    id: captureWindow

    property QtObject loadedHardware: null
    property string mode: "dark"
    readonly property var colours: Theme.of(mode)
    readonly property alias captureItem: captureItem
    readonly property alias ancimodel: ancimodel
    // The chosen folder as the text of its file URL; empty until one is chosen.
    property string captureLocation: ""
    // The item paints the ancillary data page in black text on no background: the frame box
    // turns white while that page is up, until a frame is asked for again.
    property bool ancillaryPage: false
    // Whether the device gives frames now; while it does not, the picture and its buttons are off.
    property bool frameModes: true
    // The selected packet list entry, or -1.
    property int packetSelection: -1
    property alias ancillary: ancillarySlot.data
    property int fixedHeight: 450
    property int controlWidth: 220
    property int nameFieldWidth: 151
    // The title over the location button; none when empty.
    property string saveTitle: ""

    width: 950
    minimumWidth: 900
    maximumWidth: 950
    height: fixedHeight
    minimumHeight: fixedHeight
    maximumHeight: fixedHeight
    color: colours.toolWindow

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

    // The item writes the format the file name ends in, and nothing for a name without one:
    // such a name gets the extension of the dialog's filter, or under "All files" that of the
    // save format (a bitmap for raw, which is no picture format).
    function saveImageAs(url, nameFilter) {
        var text = String(url);
        var name = text.substring(text.lastIndexOf("/") + 1);
        if (name.lastIndexOf(".") <= 0) {
            var named = /\*\.(\w+)/.exec(String(nameFilter));
            text += "." + (named ? named[1] : captureItem.quick_save_type === 1 ? "jpg" : "bmp");
        }
        captureItem.saveImage(text);
    }

    function rebuildPacketList() {
        ancimodel.clear();
        var count = captureItem.anci_count;
        for (var i = 0; i < count; ++i)
            ancimodel.append({ "name": captureItem.getListItem(i) });
        packetSelection = count > 0 ? count - 1 : -1;
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
        onAccepted: captureWindow.saveImageAs(fileUrl, selectedNameFilter)
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
                color: captureWindow.colours.text
                font.bold: true
                text: "Capture           Include in File Name"
            }
            RowLayout {
                spacing: 0
                RadioColumn {
                    id: captureRadio
                    objectName: "captureRadio"
                    mode: captureWindow.mode
                    choices: [{ "name": "beforeLutsRadio", "label": "Before LUTs" }, { "name": "afterLutsRadio", "label": "After LUTs" }]
                }
                RadioColumn {
                    id: lutAfterBefore
                    objectName: "lutAfterBefore"
                    Layout.leftMargin: 60
                    mode: captureWindow.mode
                    choices: [{ "name": "suffixOffRadio", "label": "Off" }, { "name": "suffixOnRadio", "label": "On" }]
                }
            }

            Label {
                color: captureWindow.colours.text
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
                    delegate: ThemedRadio {
                        objectName: "formatRadio" + modelData.type
                        mode: captureWindow.mode
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
                visible: captureWindow.saveTitle !== ""
                color: captureWindow.colours.text
                font.bold: true
                text: captureWindow.saveTitle
            }
            NewButton {
                objectName: "locationButton"
                Layout.minimumWidth: captureWindow.controlWidth
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
                    color: captureWindow.colours.text
                    opacity: enabled ? 1.0 : 0.4
                }
                TextField {
                    id: fileNameField
                    objectName: "fileNameField"
                    Layout.preferredWidth: captureWindow.nameFieldWidth
                    onEditingFinished: captureItem.setQuickSaveName(text)
                }
            }
            NewButton {
                objectName: "captureSaveButton"
                Layout.preferredWidth: captureWindow.controlWidth
                mode: captureWindow.mode
                text: "Capture and Save"
                visible: captureWindow.frameModes
                enabled: captureWindow.captureLocation !== "" && captureWindow.frameModes
                onClicked: captureWindow.captureAndSave()
            }

            ColumnLayout {
                id: ancillarySlot
                visible: children.length > 0
                spacing: 10
            }

            NewButton {
                objectName: "captureImageButton"
                Layout.preferredWidth: captureWindow.controlWidth
                mode: captureWindow.mode
                text: "Capture Image"
                tooltip: "Display viewable frame here."
                enabled: captureWindow.frameModes
                onClicked: captureWindow.captureImage()
            }
            NewButton {
                objectName: "clearButton"
                Layout.preferredWidth: captureWindow.controlWidth
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
                color: captureWindow.colours.text
                font.bold: true
                text: "Captured Frame Image"
            }
            Rectangle {
                objectName: "captureFrameBox"
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.preferredWidth: 650
                Layout.preferredHeight: 400
                color: captureWindow.ancillaryPage ? Theme.paper : "transparent"
                border.width: 1
                border.color: captureWindow.colours.pictureBorder

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
