import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls.Styles 1.4
import QtQuick.Layouts 1.15
import QtQuick.Dialogs 1.3
import MNCP 1.0
import "../common"

// Everything an RV or RVQ monitor offers: its LUT boxes (folded away at first), keys and
// knobs, custom markers and the analyzer pictures.
ColumnLayout {
    id: rvPage
    objectName: "lutPageRV"

    property QtObject loadedHardware: null
    property string mode: "dark"
    readonly property var colours: Theme.of(mode)
    property bool showAdvanced: false
    readonly property bool whiteStyle: whiteRadio.checked
    readonly property alias markerName: markerNameField.text
    // Set when an upload was refused for want of a name, until one is typed.
    property bool markerNameMissing: false

    readonly property var inputButtons: [
        { label: "SDI 1", key: Monitor.MNCP_KEY_INPUT1 }, { label: "SDI 2", key: Monitor.MNCP_KEY_INPUT2 },
        { label: "SDI 3", key: Monitor.MNCP_KEY_INPUT3 }, { label: "SDI 4", key: Monitor.MNCP_KEY_INPUT4 },
        { label: "DP", key: Monitor.MNCP_KEY_INPUT5 }]
    readonly property var functionButtons: [
        { label: "F1", key: Monitor.MNCP_KEY_F1 }, { label: "F2", key: Monitor.MNCP_KEY_F2 },
        { label: "F3", key: Monitor.MNCP_KEY_F3 }, { label: "F4", key: Monitor.MNCP_KEY_F4 },
        { label: "F5", key: Monitor.MNCP_KEY_F5 }]

    // The LUT boxes, three general ones above three calibration ones.
    readonly property var lutBoxes: [
        { name: "frontDit1d", title: "Front DIT 1D LUT", type: Monitor.LUT_TYPE_1D, func: Monitor.LUT_FUNC_DIT },
        { name: "dit3d", title: "DIT 3D LUT", type: Monitor.LUT_TYPE_3D, func: Monitor.LUT_FUNC_DIT },
        { name: "postDit1d", title: "Post DIT 1D LUT", type: Monitor.LUT_TYPE_1D, func: Monitor.LUT_FUNC_POST_DIT },
        { name: "frontCalibration1d", title: "Front Calibration 1D  LUT", calibration: true,
          type: Monitor.LUT_TYPE_1D, func: Monitor.LUT_FUNC_CALIBRATION },
        { name: "calibration3d", title: "Calibration 3D LUT", calibration: true,
          type: Monitor.LUT_TYPE_3D, func: Monitor.LUT_FUNC_CALIBRATION },
        { name: "backCalibration1d", title: "Back Calibration 1D LUT", calibration: true,
          type: Monitor.LUT_TYPE_1D, func: Monitor.LUT_FUNC_POST_CALIBRATION }
    ]

    function displayMarker(url) {
        if (loadedHardware)
            loadedHardware.sendCustomMarker(url);
    }

    // The monitor keeps markers by name: one without a name is refused, before the file is
    // chosen.
    function markerNameGiven() {
        markerNameMissing = markerNameField.text.trim() === "";
        return !markerNameMissing;
    }

    function chooseMarkerFile() {
        if (markerNameGiven())
            storeMarkerDialog.open();
    }

    // Stored markers appear only after the monitor restarts, which the user is told.
    function storeMarker(url) {
        if (!loadedHardware || !markerNameGiven())
            return;
        loadedHardware.sendCustomMarker(markerNameField.text, url);
        markerUploadedDialog.open();
    }

    function requestAnalyzer(which) {
        if (loadedHardware)
            loadedHardware.requestAnalyzerPng(which, whiteStyle);
    }

    // The picture keeps its path, so the view has to forget it before it reads it again.
    function showAnalyzerPicture() {
        analyzerImage.source = "";
        analyzerImage.source = loadedHardware ? loadedHardware.analyzerPngPath : "";
    }

    function saveAnalyzerPng(url) {
        if (loadedHardware)
            loadedHardware.saveAnalyzerPng(url);
    }

    function saveAnalyzerPdf(url) {
        if (loadedHardware)
            loadedHardware.saveAnalyzerPdf(url);
    }

    spacing: 10

    Connections {
        target: rvPage.loadedHardware
        function onAnalyzerPngReceived() { rvPage.showAnalyzerPicture(); }
    }

    Button {
        objectName: "moreButton"
        text: rvPage.showAdvanced ? "<<  Collapse" : "More  >>"
        tooltip: "Show LUT Boxes"
        onClicked: rvPage.showAdvanced = !rvPage.showAdvanced
    }

    GridLayout {
        objectName: "lutBoxes"
        visible: rvPage.showAdvanced
        Layout.fillWidth: true
        columns: 3
        rowSpacing: 10
        columnSpacing: 10

        Repeater {
            model: rvPage.lutBoxes
            Frame {
                objectName: modelData.name + "Frame"
                title: modelData.title
                mode: rvPage.mode
                Layout.fillWidth: true
                Layout.fillHeight: true
                LazySection {
                    wanted: true
                    Layout.fillWidth: true
                    file: modelData.calibration ? "LutRV.qml" : "Lut.qml"
                    properties: ({
                        "objectName": modelData.name + "Lut",
                        "loadedHardware": Qt.binding(function() { return rvPage.loadedHardware; }),
                        "mode": Qt.binding(function() { return rvPage.mode; }),
                        "type": modelData.type,
                        "func": modelData.func
                    })
                }
            }
        }
    }

    RowLayout {
        spacing: 10
        Layout.fillWidth: true

        Frame {
            title: "OSD Menu Controls"
            mode: rvPage.mode
            Layout.alignment: Qt.AlignTop
            Layout.fillHeight: true
            MenuButtonsOSD {
                loadedHardware: rvPage.loadedHardware
            }
        }

        Frame {
            objectName: "rvInputFrame"
            title: "Input Select"
            mode: rvPage.mode
            Layout.alignment: Qt.AlignTop
            Layout.fillHeight: true
            Layout.fillWidth: true

            InputFunctionButtons {
                objectName: "rvInputButtons"
                loadedHardware: rvPage.loadedHardware
                mode: rvPage.mode
                inputButtons: rvPage.inputButtons
                functionButtons: rvPage.functionButtons
                inputPrefix: "rvInputButton_"
                functionPrefix: "rvFunctionButton_"
            }
        }
    }

    Rotary {
        objectName: "rvKnobs"
        Layout.fillWidth: true
        loadedHardware: rvPage.loadedHardware
        mode: rvPage.mode
        shortcuts: false
    }

    RowLayout {
        spacing: 10
        Layout.fillWidth: true

        Frame {
            objectName: "tempMarkerFrame"
            title: "Temporarily Display Marker"
            mode: rvPage.mode
            Layout.alignment: Qt.AlignTop
            Layout.fillHeight: true

            RowLayout {
                spacing: 10
                Button {
                    objectName: "displayMarkerButton"
                    text: "Display .PNG..."
                    tooltip: "Load .png custom marker (1920x1080)"
                    onClicked: tempMarkerDialog.open()
                }
                Label {
                    text: "On / Off"
                    color: rvPage.colours.text
                }
                Switch {
                    objectName: "tempMarkerSwitch"
                    checked: true
                    onCheckedChanged: {
                        if (!rvPage.loadedHardware)
                            return;
                        if (checked)
                            rvPage.loadedHardware.setOnTempCustomMarker();
                        else
                            rvPage.loadedHardware.setOffTempCustomMarker();
                    }
                }
            }
        }

        Frame {
            objectName: "storeMarkerFrame"
            title: "Save Custom Marker to Monitor Memory"
            mode: rvPage.mode
            Layout.alignment: Qt.AlignTop
            Layout.fillHeight: true
            Layout.fillWidth: true

            RowLayout {
                spacing: 8
                Label {
                    text: "Assign Marker Name:"
                    color: rvPage.colours.text
                }
                TextField {
                    id: markerNameField
                    objectName: "markerNameField"
                    Layout.preferredWidth: 150
                    maximumLength: 32
                    onTextChanged: rvPage.markerNameMissing = false
                }
                Button {
                    objectName: "selectMarkerButton"
                    text: "Select .PNG..."
                    onClicked: rvPage.chooseMarkerFile()
                }
            }
            Label {
                objectName: "markerNameNotice"
                visible: rvPage.markerNameMissing
                text: "Please enter a marker name first."
                color: Theme.disconnected
            }
        }
    }

    Frame {
        objectName: "savedMarkersFrame"
        mode: rvPage.mode
        Layout.fillWidth: true

        Button {
            objectName: "listMarkersButton"
            text: "List Saved Markers"
            onClicked: {
                if (rvPage.loadedHardware)
                    rvPage.loadedHardware.queryCustomMarker();
            }
        }
        MarkerList {
            Layout.fillWidth: true
            Layout.preferredHeight: 140
            loadedHardware: rvPage.loadedHardware
            mode: rvPage.mode
            onNameChosen: markerNameField.text = name
        }
    }

    Frame {
        objectName: "analyzerFrame"
        title: "Analyzer Capture"
        mode: rvPage.mode
        Layout.fillWidth: true

        RowLayout {
            spacing: 12
            Label {
                text: "Style:"
                color: rvPage.colours.text
            }
            ExclusiveGroup {
                id: styleGroup
            }
            Component {
                id: themedLabel
                RadioButtonStyle {
                    label: Text {
                        text: control.text
                        color: rvPage.colours.text
                    }
                }
            }
            RadioButton {
                id: blackRadio
                objectName: "blackStyleRadio"
                text: "Black (Screen)"
                checked: true
                exclusiveGroup: styleGroup
                style: themedLabel
            }
            RadioButton {
                id: whiteRadio
                objectName: "whiteStyleRadio"
                text: "White (Print)"
                exclusiveGroup: styleGroup
                style: themedLabel
            }
        }
        RowLayout {
            spacing: 8
            Button {
                objectName: "currentAnalyzerButton"
                text: "Current Analyzer PNG"
                onClicked: rvPage.requestAnalyzer(0)
            }
            Button {
                objectName: "lastAnalyzerButton"
                text: "Last Analyzer PNG"
                onClicked: rvPage.requestAnalyzer(1)
            }
            Button {
                objectName: "saveAnalyzerPngButton"
                visible: analyzerImage.status === Image.Ready
                text: "Save PNG..."
                onClicked: savePngDialog.open()
            }
            Button {
                objectName: "saveAnalyzerPdfButton"
                visible: analyzerImage.status === Image.Ready
                text: "Save PDF..."
                onClicked: savePdfDialog.open()
            }
        }
        Image {
            id: analyzerImage
            objectName: "analyzerImage"
            cache: false
            asynchronous: false
            fillMode: Image.PreserveAspectFit
            Layout.preferredWidth: Math.min(600, implicitWidth)
            Layout.preferredHeight: implicitWidth > 0 ? Layout.preferredWidth * implicitHeight / implicitWidth : 0
            Layout.maximumWidth: 600
        }
    }

    DialogLoader {
        id: tempMarkerDialog
        sourceComponent: FileDialog {
            objectName: "tempMarkerDialog"
            title: "Select marker file"
            selectExisting: true
            nameFilters: ["Custom marker (*.png)", "ALL files (*)"]
            onAccepted: rvPage.displayMarker(fileUrl)
        }
    }

    DialogLoader {
        id: storeMarkerDialog
        sourceComponent: FileDialog {
            objectName: "storeMarkerDialog"
            title: "Select marker file"
            selectExisting: true
            nameFilters: ["Custom marker (*.png)", "ALL files (*)"]
            onAccepted: rvPage.storeMarker(fileUrl)
        }
    }

    DialogLoader {
        id: markerUploadedDialog
        sourceComponent: MessageDialog {
            objectName: "markerUploadedDialog"
            title: "Custom Marker Uploaded"
            text: "Custom Marker Uploaded.\n\nPlease power cycle the monitor."
            icon: StandardIcon.Information
            standardButtons: StandardButton.Ok
        }
    }

    DialogLoader {
        id: savePngDialog
        sourceComponent: FileDialog {
            objectName: "savePngDialog"
            title: "Save Analyzer PNG"
            selectExisting: false
            defaultSuffix: "png"
            nameFilters: ["PNG files (*.png)"]
            onAccepted: rvPage.saveAnalyzerPng(fileUrl)
        }
    }

    DialogLoader {
        id: savePdfDialog
        sourceComponent: FileDialog {
            objectName: "savePdfDialog"
            title: "Save Analyzer PDF"
            selectExisting: false
            defaultSuffix: "pdf"
            nameFilters: ["PDF files (*.pdf)"]
            onAccepted: rvPage.saveAnalyzerPdf(fileUrl)
        }
    }
}
