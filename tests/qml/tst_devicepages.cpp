// The monitor and Cubrix pages, each in its device tab with a recording device: which parts a
// device of each family, model and mode shows, which device operation with which arguments
// every control and key calls, and what the pages show of the device's state. Every row loads
// its tab afresh; any QML warning fails it. (pagefixture.h describes the steps and queries.)
#include "pagefixture.h"

#include <QtTest>

using namespace Devices;
using namespace QmlTest;

namespace {
const char *const MONITOR_PARTS = "shown metaData keyboardSection launchSection ktKnobs ktLutSection lutPageRV updateFirmwareButton";
const char *const RV_PARTS = "metaData,lutPageRV,updateFirmwareButton";
const char *const CUBRIX_PARTS = "shown deviceHeader flipButton firmwareButton modeSelection inputGroup lutRowMode1 lutRowMode2Ch1 "
                                 "lutRowMode2Ch2 lutRowMode3 frameBox generatorSection launchComponents signalFormatSelect";
const char *const CUBRIX_ENABLED = "waveformButton.enabled;vectorButton.enabled;captureButton.enabled;dualChannelButton.enabled;"
                                   "channel1Button.enabled;sdi1Button.enabled;ch2OutputButton.enabled";
const char *const LINKS = "linkAutomatic.selected;linkDualLink.selected;link3GA.selected;link3GB.selected;sampleGroup.visible;"
                          "sample0.selected;sample3.selected;sample5.selected";
const char *const ASK = "device.cube_bit_def=0; press lutRowMode1/cubeLut/previewButton; file @look.cube";
const auto row = &PageFixture::row;
} // namespace

class TestDevicePages : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_log = warningGuard(); }
    void cleanup() { VERIFY_NO_LOG(*m_log); }
    void monitor_data();
    void monitor() { PageFixture::checkRow(); }
    void cubrix_data();
    void cubrix() { PageFixture::checkRow(); }

private:
    std::unique_ptr<LogCapture> m_log;
};

void TestDevicePages::monitor_data()
{
    PageFixture::columns();
    // The parts on show follow the family of the model and serial; a family prefix of the serial
    // wins over the model, and models are compared exactly.
    row("KT parts", KT, "", MONITOR_PARTS, "metaData,keyboardSection,launchSection,ktKnobs,ktLutSection");
    row("RV parts", RV, "", MONITOR_PARTS, RV_PARTS);
    row("RVQ parts", RVQ, "", MONITOR_PARTS, RV_PARTS);
    row("listed monitor parts", LISTED, "", MONITOR_PARTS, "metaData,keyboardSection");
    row("unlisted model parts", "m:XV-5500/XV55A00001", "", MONITOR_PARTS, "metaData");
    row("unlisted model, rv serial", "m:XV-5500/rv0001", "", MONITOR_PARTS, RV_PARTS);
    row("unlisted model, q serial", "m:XV-5500/q0001", "", MONITOR_PARTS, RV_PARTS);
    row("listed model, RV serial", "m:LM-2410/RV0002", "", MONITOR_PARTS, RV_PARTS);
    row("model in another case", "m:kt-2400/KT24A00317", "", MONITOR_PARTS, "metaData");
    row("parts follow a new identity", KT, "device.model=RVQ-3100; device.serial=Q3", MONITOR_PARTS, RV_PARTS);
    row("nothing while disconnected", KT, "disconnect", MONITOR_PARTS, "");
    row("identity", KT, "window.mode=light", "addressLabel.text;modelLabel.text;versionLabel.text;serialLabel.text;connectedLabel.text;"
        "modelLabel.color;monitorGeneralPage.mode", "Address: 127.0.0.1|Model: KT-2400|Firmware Version: 1.2.3|Serial Number: KT24A00317|Connected|#000000|light");
    row("disconnect button", KT, "press disconnectButton; until device.state=UnconnectedState", "calls;connectionGroup.visible;monitorGeneralPage.enabled",
        "deviceDisconnect()|true|false");

    // Keys, their shortcuts and the knobs by layout.
    row("KT key layout", KT, "", "shown inputButton_* functionButton_*", "SDI 1,SDI 2,DP,DVI,F1,F2,F3,F4,F5,F6");
    row("other key layout", LISTED, "", "shown inputButton_* functionButton_*", "SDI 1,SDI 2,YPbPr,Video,DVI,F1,F2,F3,F4,F5");
    row("RV key layout", RV, "", "shown rvInputButton_* rvFunctionButton_*", "SDI 1,SDI 2,SDI 3,SDI 4,DP,F1,F2,F3,F4,F5");
    row("KT keys", KT, "press inputButton_SDI 1; press inputButton_DP; press inputButton_DVI; press functionButton_F1; press functionButton_F6; "
        "key A; key B; key C; key D; key E; key 1; key 6; press osdUpButton; press osdMenuButton; key Right; key Down; "
        "press ktKnobs/pushButton_0; press ktKnobs/anticlockwiseButton_4; key M; key Shift+,; key Ctrl+.; key /", "",
        "sendKey(INPUT0) sendKey(INPUT2) sendKey(INPUT3) sendKey(F0) sendKey(F5) sendKey(INPUT0) sendKey(INPUT1) sendKey(INPUT2) sendKey(INPUT3) "
        "sendKey(F0) sendKey(F5) sendKey(MENU_UP) sendKey(MENU) sendKey(MENU_ENTER) sendKey(MENU_DOWN) sendRotary(0,0) sendRotary(2,4) "
        "sendRotary(0,1) sendRotary(1,2) sendRotary(2,3) sendRotary(0,4)");
    row("other keys", LISTED, "press inputButton_YPbPr; press inputButton_Video; press inputButton_DVI; press functionButton_F1; "
        "key A; key C; key D; key E; key 1; key 5; key 6; key Up; key Left", "", "sendKey(INPUT3) sendKey(INPUT2) sendKey(INPUT4) sendKey(F1) "
        "sendKey(INPUT0) sendKey(INPUT3) sendKey(INPUT2) sendKey(INPUT4) sendKey(F1) sendKey(F5) sendKey(MENU_UP) sendKey(MENU)");
    row("RV keys", RV, "press rvInputButton_SDI 1; press rvInputButton_SDI 4; press rvInputButton_DP; press rvFunctionButton_F5; "
        "key A; key C; key E; key 1; key 6; press osdEnterButton; key Down; press rvKnobs/clockwiseButton_2; key M; key Ctrl+/", "",
        "sendKey(INPUT1) sendKey(INPUT4) sendKey(INPUT5) sendKey(F5) sendKey(INPUT1) sendKey(INPUT3) sendKey(INPUT5) sendKey(F1) "
        "sendKey(MENU_ENTER) sendKey(MENU_DOWN) sendRotary(1,2)");
    row("RVQ keys", RVQ, "key C; key 1", "", "sendKey(INPUT3) sendKey(F1)");
    row("no keys for an unlisted model", "m:XV-5500/XV55A00001", "key C; key 1; key Up", "", "");
    // A focused spin box, list or field keeps its keys; the device keys act again without one.
    row("a spin box keeps the keys", KT, "lutKT/lutKtId.forceActiveFocus(); key Up; key Up; key Down; key M; key Shift+W; "
        "until lutKT/lutKtId.value=2; lutKT/lutKtId.focus=false; key Up", "calls;lutKT/lutKtId.value;monitorGeneralPage.waveformWindow",
        "sendKey(MENU_UP)|2|null");
    row("a slot list keeps the keys", RV, "press moreButton; calibration3dLut/lutRvStoreSlot.forceActiveFocus(); key Down; key Down; key A",
        "calls;calibration3dLut/lutRvStoreSlot.currentIndex", "|2");
    row("a text field keeps the keys", RV, "markerNameField.forceActiveFocus(); key C; key 1; key Left; key Right; key Up",
        "calls;markerNameField.text", "|c1");
    row("knob titles", KT, "", "knob_0.title;knob_1.title;knob_2.title;knob_3.title;knob_4.title", "Phase|Chroma|Brightness|Contrast|Volume");

    // LUT boxes.
    row("KT LUT", KT, "dialogs; lutKT/lutKtId.value=3; lutKT.storeFile(@look.dat); lutKT/lutKtId.value=16; lutKT.storeFile(@look.dat)",
        "calls;lutKT/lutKtFileDialog.title;lutKT/lutKtFileDialog.nameFilters",
        "saveLutFile(3D,DIT,2,look.dat) saveLutFile(3D,DIT,15,look.dat)|Select LUT file|3D LUT files (*.dat *.cube),All files (*)");
    row("RV LUT boxes folded", RV, "", "lutBoxes.visible;moreButton.text;moreButton.tooltip", "false|More  >>|Show LUT Boxes");
    row("RV LUT boxes", RV, "press moreButton", "shown frontDit1dFrame dit3dLut/lutPreviewButton dit3dLut/lutLoadButton dit3dLut/lutSwitchId "
        "dit3dLut/lutStoreId", "frontDit1dFrame,dit3dLut/lutLoadButton,dit3dLut/lutStoreId");
    row("RVQ LUT boxes", RVQ, "press moreButton", "shown dit3dLut/lutPreviewButton dit3dLut/lutLoadButton", "dit3dLut/lutPreviewButton");
    row("LUT boxes fold again", RV, "press moreButton; press moreButton", "shown lutBoxes", "");
    row("LUT box titles and files", RVQ, "press moreButton; dialogs", "moreButton.text;frontDit1dFrame.title;dit3dFrame.title;postDit1dFrame.title;"
        "frontCalibration1dFrame.title;calibration3dFrame.title;backCalibration1dFrame.title;postDit1dLut/lutStoreDialog.nameFilters;"
        "calibration3dLut/lutRvStoreDialog.nameFilters", "<<  Collapse|Front DIT 1D LUT|DIT 3D LUT|Post DIT 1D LUT|Front Calibration 1D  LUT|"
        "Calibration 3D LUT|Back Calibration 1D LUT|1D LUT files (*.lut),All files (*)|3D LUT files (*.dat *.cube),All files (*)");
    row("RV calibration slots", RV, "", "calibration3dLut/lutRvLoadSlot.model", "Rec 709,DCI P3,BT.2020,BT. 2020 - ST 2084,P3-D65 - ST 2084,HLG-2020");
    row("RVQ calibration slots", RVQ, "", "frontCalibration1dLut/lutRvStoreSlot.model", "User 1,User 2,User 3,User 4,User 5,User 6");
    // Only slot 0 switches; RV calibration tables go in both sizes; the list's second entry is
    // slot 2, while "Id: " 2 is slot 1.
    row("RV LUTs", RV, "frontDit1dLut/lutSwitchId.value=5; frontDit1dLut/lutSwitch.checked=true; frontDit1dLut/lutSwitch.checked=false; "
        "dit3dLut/lutSwitch.checked=true; postDit1dLut/lutSwitch.checked=true; log RV Series, Create both and send.; "
        "calibration3dLut/lutRvStoreSlot.currentIndex=2; calibration3dLut.storeFile(@grade.cube); press moreButton; postDit1dLut/lutLoadId.value=4; "
        "press postDit1dLut/lutLoadButton; calibration3dLut/lutRvLoadSlot.currentIndex=3; press calibration3dLut/lutRvLoadButton", "",
        "setLut(1D,DIT,0,true) setLut(1D,DIT,0,false) setLut(3D,DIT,0,true) setLut(1D,POST_DIT,0,true) saveLutFileRV(3D,CALIBRATION,3,grade.cube) "
        "loadLut(1D,POST_DIT,3) loadLut(3D,CALIBRATION,4)");
    row("RVQ LUTs", RVQ, "frontCalibration1dLut/lutRvStoreSlot.currentIndex=1; frontCalibration1dLut.storeFile(@c.lut); "
        "frontDit1dLut/lutStoreId.value=2; frontDit1dLut.storeFile(@c.lut); backCalibration1dLut/lutRvStoreSlot.currentIndex=5; "
        "backCalibration1dLut.storeFile(@c.lut); dit3dLut.previewFile(@p.dat)", "", "saveLutFile(1D,CALIBRATION,2,c.lut) saveLutFile(1D,DIT,1,c.lut) "
        "saveLutFile(1D,POST_CALIBRATION,6,c.lut) sendLutFileDownscale(3D,DIT,0,p.dat)");

    // Markers, analyzer pictures, firmware, launchers.
    row("markers", RVQ, "lutPageRV.displayMarker(@t.png); tempMarkerSwitch.checked=false; tempMarkerSwitch.checked=true; "
        "markerNameField.text=Crosshair; lutPageRV.storeMarker(@cross.png); press listMarkersButton",
        "calls;markerUploadedDialog.visible;markerUploadedDialog.title;markerUploadedDialog.text", "sendCustomMarker(t.png) setOffTempCustomMarker() "
        "setOnTempCustomMarker() sendCustomMarker(Crosshair,cross.png) queryCustomMarker()|true|Custom Marker Uploaded|Custom Marker Uploaded.\n\n"
        "Please power cycle the monitor.");
    row("marker controls", RV, "dialogs", "displayMarkerButton.text;displayMarkerButton.tooltip;tempMarkerDialog.title;tempMarkerDialog.nameFilters;"
        "tempMarkerSwitch.checked;storeMarkerDialog.nameFilters;markerNameField.maximumLength", "Display .PNG...|Load .png custom marker (1920x1080)|"
        "Select marker file|Custom marker (*.png),ALL files (*)|true|Custom marker (*.png),ALL files (*)|32");
    // A page's dialogs are built when first opened: connecting builds none.
    row("dialogs wait to be opened", RVQ, "press moreButton", "tempMarkerDialog.title;firmwareFileDialog.title;postDit1dLut/lutStoreDialog.title",
        "<no tempMarkerDialog.title>|<no firmwareFileDialog.title>|<no postDit1dLut/lutStoreDialog.title>");
    // A deleted row goes at once, without a new query; a new list replaces the rows.
    row("marker list", RV, "markers Grid,Safe Area,Logo; until markerDeleteButton_1.visible=true; press markerDeleteButton_1; "
        "until markerNameButton_1.text=Logo.png", "calls;markerList.count;markerNameButton_0.text", "deleteCustomMarker(Safe Area)|2|Grid.png");
    // A marker without a name is refused before its file is chosen; a listed name can be reused.
    row("a marker needs a name", RV, "press selectMarkerButton; lutPageRV.storeMarker(@cross.png)",
        "calls;markerNameNotice.visible;storeMarkerDialog.visible;markerUploadedDialog.visible",
        "|true|<no storeMarkerDialog.visible>|<no markerUploadedDialog.visible>");
    row("a listed name for the next marker", RV, "markers Grid,Logo; until markerNameButton_1.visible=true; press markerNameButton_1; "
        "press selectMarkerButton", "markerNameField.text;markerNameNotice.visible;storeMarkerDialog.visible", "Logo|false|true");
    row("a new list replaces the rows", RV, "markers Grid,Safe Area,Logo; markers Only", "markerList.count", "1");
    row("analyzer requests", RV, "press currentAnalyzerButton; press lastAnalyzerButton; whiteStyleRadio.checked=true; press currentAnalyzerButton; "
        "press lastAnalyzerButton; blackStyleRadio.checked=true; press currentAnalyzerButton; lutPageRV.saveAnalyzerPng(@a.png); "
        "lutPageRV.saveAnalyzerPdf(@a.pdf)", "calls;blackStyleRadio.text;whiteStyleRadio.text;saveAnalyzerPngButton.visible",
        "requestAnalyzerPng(0,false) requestAnalyzerPng(1,false) requestAnalyzerPng(0,true) requestAnalyzerPng(1,true) requestAnalyzerPng(0,false) "
        "saveAnalyzerPng(a.png) saveAnalyzerPdf(a.pdf)|Black (Screen)|White (Print)|false");
    // Each picture is read again from the same file; never wider than 600.
    row("analyzer pictures", RV, "analyzer 64x36; until saveAnalyzerPdfButton.visible=true; analyzer 1200x675; until analyzerImage.width=600; dialogs",
        "analyzerImage.status;analyzerImage.implicitWidth;analyzerImage.height;analyzerImage.cache;savePngDialog.title;savePngDialog.nameFilters;"
        "savePngDialog.selectExisting;savePdfDialog.title;savePdfDialog.nameFilters",
        "Ready|1200|337.5|false|Save Analyzer PNG|PNG files (*.png)|false|Save Analyzer PDF|PDF files (*.pdf)");
    row("firmware", RVQ, "dialogs; metaData.firmwareChosen(@m.img); answer firmwareConfirmDialog rejected; metaData.firmwareChosen(@m.img)",
        "calls;firmwareFileDialog.title;firmwareFileDialog.nameFilters;firmwareConfirmDialog.title;firmwareConfirmDialog.text;"
        "firmwareConfirmDialog.informativeText", "|Select a firmware file|img (*.img),All files (*)|Update Firmware|Firmware file: @m.img|"
        "This procedure cannot be canceled. \nAre you sure you want to update this Monitor's firmware?");
    row("firmware after OK", RVQ, "metaData.firmwareChosen(@m.img); answer firmwareConfirmDialog accepted", "", "updateFirmware(m.img)");
    row("launcher that cannot load opens nothing", KT, "monitorGeneralPage.scopeWindowUrl=qrc:/none.qml; "
        "monitorGeneralPage.captureWindowUrl=qrc:/none.qml; press waveformButton; key Shift+V; key Shift+C",
        "monitorGeneralPage.waveformWindow;monitorGeneralPage.vectorWindow;monitorGeneralPage.captureWindow", "null|null|null");
    row("closing a connected tab is quiet", RV, "press moreButton; markers A; analyzer 8x8; close", "", "");
}

void TestDevicePages::cubrix_data()
{
    PageFixture::columns();
    const char *const header = "deviceHeader,flipButton,firmwareButton,modeSelection,";
    row("mode 0 parts", MODE0, "", CUBRIX_PARTS, QByteArray(header).append("inputGroup,launchComponents").constData());
    row("mode 1 parts", MODE1, "", CUBRIX_PARTS, QByteArray(header).append("inputGroup,lutRowMode1,frameBox,launchComponents,signalFormatSelect").constData());
    row("mode 2 channel 1 parts", MODE21, "", CUBRIX_PARTS, QByteArray(header).append("inputGroup,lutRowMode2Ch1,frameBox,launchComponents").constData());
    row("mode 2 channel 2 parts", MODE22, "", CUBRIX_PARTS, QByteArray(header).append("inputGroup,lutRowMode2Ch2,launchComponents").constData());
    row("mode 3 parts", MODE3, "", CUBRIX_PARTS, QByteArray(header).append("inputGroup,lutRowMode3,frameBox,generatorSection,launchComponents").constData());
    row("Mono DP parts", "c:Cubrix Mono DP/1/0", "", CUBRIX_PARTS, QByteArray(header).append("lutRowMode1,frameBox,launchComponents,signalFormatSelect").constData());
    row("Mono SDI parts", "c:Cubrix Mono SDI/2/1", "", CUBRIX_PARTS, QByteArray(header).append("inputGroup,lutRowMode2Ch1,frameBox,launchComponents").constData());
    row("unknown model parts", "c:LM-2410/1/0", "", CUBRIX_PARTS, "deviceHeader,lutRowMode1,frameBox");
    row("nothing while disconnected", MODE1, "disconnect", "shown deviceHeader modeSelection lutRowMode1 cubrixInfoPage", "");
    row("mode 1 controls", MODE1, "", CUBRIX_ENABLED, "true|true|true|true|false|true|false");
    row("mode 2 channel 1 controls", MODE21, "", CUBRIX_ENABLED, "true|true|true|true|true|true|true");
    row("mode 2 channel 2 controls", MODE22, "", CUBRIX_ENABLED, "false|false|true|true|true|true|false");
    row("mode 3 controls", MODE3, "", CUBRIX_ENABLED, "false|false|false|true|false|false|false");
    row("Mono DP controls", "c:Cubrix Mono DP/1/0", "", CUBRIX_ENABLED, "true|true|true|false|false|true|false");
    row("header and titles", MODE21, "window.mode=light", "addressLabel.text;modelLabel.text;connectionStateLabel.text;flipButton.text;"
        "cubrixInfoPage/flipButton.text;captureButton.tooltip;lutRowMode2Ch1/frontLut.title;lutRowMode2Ch1/cubeLut.title;"
        "lutRowMode2Ch1/backLut.title;lutRowMode2Ch1/frameBox.title;lutRowMode2Ch1/cubeLut/saveSlot.prefix;cubrixInfoPage.mode;lutRowMode2Ch1/cubeLut.mode",
        "Address: 127.0.0.1|Model: Cubrix|Connected|Settings|Controls|Open Capture Frame Window|Channel 1 Front 1D LUT|Channel 1 3D LUT|"
        "Channel 1 Back 1D LUT|Channel 1 Frame Callback|Id: |light|light");

    // Mode, channel, input and range buttons and keys, each only while its control is on show;
    // the highlights show what the box reports, not the key pressed.
    row("mode 1 keys", MODE1, "press dualChannelButton; press generatorButton; press sdi1Button; press osdMenuButton; press videoRangeButton; "
        "press extendedRangeButton; press smpteRangeButton; press fullRangeButton; key 2; key 3; key 4; key Shift+1; key Shift+3; key U; key O; "
        "key Shift+O; key Shift+F; key Shift+J; key Shift+;; key Shift+'; key Shift+L; key Shift+K",
        "calls;device.box_mode;singleChannelButton.highlighted;dualChannelButton.highlighted", "sendKey(MODE_2) sendKey(MODE_3) sendKey(INPUT0) "
        "sendKey(MENU) setRange(1) setRange(2) setRange(3) setRange(4) sendKey(MODE_2) sendKey(MODE_3) sendKey(INPUT0) setRange(1) setRange(3) "
        "sendKey(MENU) setLut(1D,DIT,0,true) setFrame(0,true) setInputSignal(0x200) setInputSignal(0x300) setInputSignal(0x100) "
        "setInputSignal(0x0)|1|true|false");
    row("mode 2 channel 1 keys", MODE21, "press singleChannelButton; press channel2Button; press ch2OutputButton; key 1; key 5; key Shift+3; "
        "key Shift+G; key I; key Shift+;", "", "sendKey(MODE_1) sendKey(CH_2) sendKey(INPUT2) sendKey(MODE_1) sendKey(CH_2) sendKey(INPUT2) "
        "setLut(3D,DIT,0,true) setRange(2)");
    row("mode 2 channel 2 keys", MODE22, "press channel1Button; press sdi2Button; key 4; key Shift+2; key Shift+3; key Shift+J; key Shift+G", "",
        "sendKey(CH_1) sendKey(INPUT1) sendKey(CH_1) sendKey(INPUT1) setLut(3D,DIT,0,true)");
    row("mode 3 keys", MODE3, "key 5; key Shift+1; key Shift+H; key P", "", "setLut(1D,BOX,0,true) setRange(4)");
    row("mode 0 keys", MODE0, "key Shift+F; key 3", "", "sendKey(MODE_3)");
    row("Mono DP keys", "c:Cubrix Mono DP/1/0", "key 2; key Shift+1; key 3", "", "sendKey(MODE_3)");
    row("Mono SDI keys", "c:Cubrix Mono SDI/1/0", "press dualChannelButton; key 2", "", "sendKey(MODE_2) sendKey(MODE_2)");
    row("sample keys", MODE1, "key Ctrl+Shift+K; device.boxmode1_ch1_signal=0x100; key Ctrl+Shift+K; key Ctrl+Shift+,; device.boxmode1_ch1_signal=0x204; "
        "key Ctrl+Shift+L; key Ctrl+Shift+.; device.boxmode1_ch1_signal=0x300; key Ctrl+Shift+;; key Ctrl+Shift+'; key Ctrl+Shift+M", "",
        "setInputSignal(0x101) setInputSignal(0x106) setInputSignal(0x202) setInputSignal(0x200) setInputSignal(0x303) setInputSignal(0x304) "
        "setInputSignal(0x305)");
    row("a slider or field keeps the keys", MODE3, "redLine/slider.forceActiveFocus(); key Right; key Right; key 1; key U; "
        "yLine/valueField.forceActiveFocus(); yLine/valueField.selectAll(); key 5; key Shift+H", "calls;redLine.value;yLine/valueField.text",
        "|2|5");
    row("Shift+S and the flip buttons", MODE3, "key Shift+S; until pageList.currentIndex=1; key Shift+S; until pageList.currentIndex=0; "
        "press flipButton; until pageList.currentIndex=1; press cubrixInfoPage/flipButton", "pageList.currentIndex", "0");
    row("no flip for an unknown model", "c:LM-2410/3/0", "key Shift+S", "pageList.currentIndex", "0");
    row("keys rest on the settings page", MODE1, "press flipButton; key 1; key U; key Shift+F; key Shift+S; key 3", "", "sendKey(MODE_3)");
    row("keys rest in a hidden tab", MODE1, "cubrixTab.visible=false; key 1; key P", "", "");
    row("keys rest while disconnected", MODE1, "disconnect; key 3", "", "");
    row("mode 1 lights", MODE1, "device.boxmode1_ch1_input=2; device.boxmode1_ch1_range=0x13; device.boxmode1_ch1_3dlut_state=1; "
        "device.boxmode1_ch1_frm_state=1", "sdi1Button.highlighted;sdi2Button.highlighted;ch2OutputButton.highlighted;smpteRangeButton.highlighted;"
        "videoRangeButton.highlighted;lutRowMode1/cubeLut/lutSwitch.checked;lutRowMode1/frontLut/lutSwitch.checked;lutRowMode1/frameBox/frameSwitch.checked",
        "false|true|false|true|false|true|false|true");
    row("mode 2 channel 1 lights", MODE21, "device.boxmode2_ch1_input=3; device.boxmode2_ch1_range=1; device.boxmode2_ch2_range=4",
        "sdi1Button.highlighted;ch2OutputButton.highlighted;videoRangeButton.highlighted;fullRangeButton.highlighted;channel1Button.highlighted",
        "false|true|true|false|true");
    row("mode 2 channel 2 lights", MODE22, "device.boxmode2_ch2_input=1; device.boxmode2_ch1_range=1; device.boxmode2_ch2_range=4",
        "sdi1Button.highlighted;ch2OutputButton.highlighted;videoRangeButton.highlighted;fullRangeButton.highlighted;channel2Button.highlighted",
        "true|false|false|true|true");
    row("mode 3 lights", MODE3, "device.boxmode1_ch1_input=1; device.boxmode3_ch1_range=2; device.boxmode3_output_form=3; device.boxmode3_output_type=17",
        "sdi1Button.highlighted;extendedRangeButton.highlighted;pattern3.highlighted;pattern1.highlighted;outputFormat17.highlighted;"
        "outputFormat1.highlighted", "false|true|true|false|true|false");

    // LUT boxes: the upload by mode, the precision of .cube files, clearing slots.
    row("mode 1 uploads", MODE1, "device.cube_bit_def=2; press lutRowMode1/cubeLut/previewButton; file @look.cube; lutRowMode1/cubeLut/saveSlot.value=2; "
        "press lutRowMode1/cubeLut/saveButton; file @look.cube; press lutRowMode1/frontLut/previewButton", "calls;fileDialog.title;fileDialog.nameFilters",
        "sendLutFileUpsample(3D,DIT,0,look.cube,2) saveLutFileUpsample(3D,DIT,1,look.cube,2)|Select LUT file|1D LUT files (*.lut),All files (*)");
    row("mode 2 uploads", MODE21, "press lutRowMode2Ch1/cubeLut/previewButton; file @look.cube", "calls;fileDialog.nameFilters",
        "sendLutFileDownsample(3D,DIT,0,look.cube,3)|3D LUT files (*.dat *.cube),All files (*)");
    // A .dat file carries its precision.
    row("mode 2 channel 2 saves", MODE22, "lutRowMode2Ch2/backLut/saveSlot.value=5; press lutRowMode2Ch2/backLut/saveButton; file @ramp.lut; "
        "device.cube_bit_def=0; press lutRowMode2Ch2/cubeLut/previewButton; file @grade.dat", "",
        "saveLutFileDownsample(1D,BOX,4,ramp.lut,0) sendLutFileDownsample(3D,DIT,0,grade.dat,0)");
    row("mode 3 uploads", MODE3, "device.cube_bit_def=1; press lutRowMode3/cubeLut/previewButton; file @look.cube; lutRowMode3/cubeLut/saveSlot.value=16; "
        "press lutRowMode3/cubeLut/saveButton; file @look.cube; press lutRowMode3/frontLut/saveButton; file @ramp.lut", "",
        "sendLutFile(3D,DIT,0,look.cube,1) saveLutFile(3D,DIT,15,look.cube,1) saveLutFile(1D,DIT,0,ramp.lut,0)");
    row("precision asked", MODE1, QByteArray(ASK).append("; press precisionChoice2").constData(), "calls;precisionDialog.visible;precisionDialog.title;"
        "precisionChoice2.checked;precisionChoice3.checked;precisionChoice2.text;precisionDefault.text",
        "|true|Select LUT Processing Precision|true|false|10 bits|set 10 bits as default");
    row("precision as default", MODE1, QByteArray(ASK).append("; press precisionChoice2; precisionDefault.checked=true; answer precisionDialog accepted; "
        "press lutRowMode1/cubeLut/previewButton; file @look.cube").constData(), "",
        "sendLutFileUpsample(3D,DIT,0,look.cube,2) setCube(2) sendLutFileUpsample(3D,DIT,0,look.cube,2)");
    row("precision cancelled", MODE1, QByteArray(ASK).append("; precisionDefault.checked=true; answer precisionDialog rejected").constData(), "", "");
    // The save's answer is kept apart from the upload's.
    row("precision for saves", MODE3, "device.cube_bit_def=0; lutRowMode3/cubeLut/saveSlot.value=4; press lutRowMode3/cubeLut/saveButton; file @look.cube; "
        "press precisionChoice1; answer precisionDialog accepted; press lutRowMode3/cubeLut/saveButton; file @look.cube",
        "calls;precisionDialog.title;precisionChoice1.checked;precisionDefault.checked;lutRowMode3/cubeLut.uploadPrecision;device.cube_bit_def",
        "saveLutFile(3D,DIT,3,look.cube,1)|Select cube file bit|true|false|3|0");
    row("delete 1D slot 3", MODE1, "lutRowMode1/frontLut/deleteSlot.value=3; press lutRowMode1/frontLut/deleteButton; answer confirmDialog yes; "
        "press lutRowMode1/frontLut/deleteButton", "calls;confirmDialog.text", "saveLutArray(1D,DIT,2,RAMP,0) loadLut(1D,DIT,2)|"
        "Are you sure you wish to clear LUT data from slot 3? This cannot be undone.");
    row("delete needs a yes", MODE3, "press lutRowMode3/backLut/deleteButton; answer confirmDialog no; press lutRowMode3/backLut/deleteButton; "
        "answer confirmDialog yes", "", "saveLutArray(1D,BOX,0,RAMP,0) loadLut(1D,BOX,0)");
    row("delete 3D in mode 1", MODE1, "press lutRowMode1/cubeLut/deleteButton; answer confirmDialog yes", "", "saveLutArray(3D,DIT,0,ID33,3) loadLut(3D,DIT,0)");
    row("delete 3D in mode 2", MODE22, "device.cube_bit_def=1; lutRowMode2Ch2/cubeLut/deleteSlot.value=16; press lutRowMode2Ch2/cubeLut/deleteButton; "
        "answer confirmDialog yes", "", "saveLutArray(3D,DIT,15,ID17,1) loadLut(3D,DIT,15)");
    // Without a default the precision is asked for, as for an upload.
    row("delete 3D without a default", MODE1, "device.cube_bit_def=0; press lutRowMode1/cubeLut/deleteButton; answer confirmDialog yes; "
        "press precisionChoice1; answer precisionDialog accepted", "calls;precisionDialog.title", "saveLutArray(3D,DIT,0,ID33,1) loadLut(3D,DIT,0)|"
        "Select LUT Processing Precision");
    row("delete 3D in mode 3", MODE3, "press lutRowMode3/cubeLut/deleteButton; answer confirmDialog yes", "", "");
    // A switch asks the box and shows what it reports.
    row("recall and switches", MODE21, "lutRowMode2Ch1/cubeLut/recallSlot.value=5; press lutRowMode2Ch1/cubeLut/recallButton; "
        "lutRowMode2Ch1/cubeLut/lutSwitch.checked=true; press lutRowMode2Ch1/cubeLut/lutSwitch; lutRowMode2Ch1/backLut/lutSwitch.checked=true; "
        "press lutRowMode2Ch1/backLut/lutSwitch; lutRowMode2Ch1/frontLut/lutSwitch.checked=false; press lutRowMode2Ch1/frontLut/lutSwitch; "
        "lutRowMode2Ch1/frameBox/frameSwitch.checked=true; press lutRowMode2Ch1/frameBox/frameSwitch", "calls;lutRowMode2Ch1/cubeLut/lutSwitch.checked",
        "loadLut(3D,DIT,4) setLut(3D,DIT,0,true) setLut(1D,BOX,0,true) setFrame(0,true)|false");

    // Frames, the generator and the input format.
    row("frame box", MODE1, "press lutRowMode1/frameBox/sendFrameButton; file @still.raw; lutRowMode1/frameBox/storeSlot.value=16; "
        "press lutRowMode1/frameBox/saveFrameButton; file @still.raw; lutRowMode1/frameBox/recallFrameSlot.value=4; press lutRowMode1/frameBox/loadFrameButton",
        "calls;fileDialog.title;fileDialog.nameFilters", "sendFrame(0,still.raw) saveFrame(15,still.raw) loadFrame(3)|Select Frame file|Frame raw file (*.raw),ALL files (*)");
    // A typed number moves its slider without sending; the generator takes Cr, Y, Cb in that order.
    row("generator", MODE3, "redLine.value=1023; blueLine.value=512; press rgbSetButton; yLine/valueField.text=512; yLine/valueField.editingFinished(); "
        "crLine.value=64; cbLine.value=940; press ycbcrSetButton; greenLine.pressedOrReleased(); cbLine.pressedOrReleased(); press pattern2; "
        "press outputFormat17; press outputFormat5; press loadRawFrameButton; file @tpg.raw; press loadRawFrameButton",
        "calls;fileDialog.title;fileDialog.nameFilters;pattern2.text;pattern3.text;outputFormat17.text;outputFormat5.text",
        "setSignalRGB(1023,0,512) setSignalYCbCr(64,512,940) setSignalRGB(1023,0,512) setSignalYCbCr(64,512,940) setSignalForm(2) setSignalOut(17) "
        "setSignalOut(5) sendFrameFile(tpg.raw)|Select input frame file|frame raw files (*.raw),All files (*)|IRE Field|IRE 10% Window|"
        "Output 3G Level A 1080P 60|Output HD 422 1080P 23.98");
    row("link and sample choices", MODE1, "linkDualLink.chosen(); device.boxmode1_ch1_signal=0x205; sample3.chosen(); sample0.chosen(); linkAutomatic.chosen()",
        "calls;linkDualLink.text;sample0.text", "setInputSignal(0x100) setInputSignal(0x203) setInputSignal(0x200) setInputSignal(0x0)|DL-SDI     [ST-372M]|Auto");
    row("automatic", MODE1, "device.boxmode1_ch1_signal=0", LINKS, "true|false|false|false|false|true|false|false");
    row("automatic link with a structure", MODE1, "device.boxmode1_ch1_signal=5", LINKS, "false|false|false|false|false|false|false|true");
    row("dual link, auto structure", MODE1, "device.boxmode1_ch1_signal=0x100", LINKS, "false|true|false|false|true|true|false|false");
    row("3G level A, RGB 10 bit", MODE1, "device.boxmode1_ch1_signal=0x205", LINKS, "false|false|true|false|true|false|false|true");
    row("3G level B, YCbCr 4:2:2 12 bit", MODE1, "device.boxmode1_ch1_signal=0x303", LINKS, "false|false|false|true|true|false|true|false");
    row("unknown signal word", MODE1, "device.boxmode1_ch1_signal=-1", LINKS, "false|false|false|false|false|false|false|false");

    // The settings page. The box takes a new address once it has answered, and the device then
    // ends the connection; the page says what happened.
    row("disconnect from the settings page", MODE1, "press flipButton; press cubrixInfoPage/disconnectButton; until device.state=UnconnectedState",
        "calls;pageList.currentIndex;cubrixGeneralPage.enabled;cubrixInfoPage.visible", "deviceDisconnect()|0|false|false");
    row("SetIP", MODE1, "press flipButton; cubrixInfoPage/ipField0.text=10; cubrixInfoPage/ipField3.text=7; press cubrixInfoPage/setIpButton; wait 1200",
        "calls", "setUserIP(10.0.0.7,255.255.255.0,192.168.1.1)");
    row("SetIP answered", MODE1, "press flipButton; device.answerAddress(10.0.0.7)", "noticeDialog.title;noticeDialog.text;pageList.currentIndex",
        "IP Address Updated|The device now uses the address 10.0.0.7. Connect to it there.|0");
    row("SetIP refused", MODE1, "press flipButton; device.answerAddress(10.0.0.7,busy)", "noticeDialog.title;noticeDialog.text",
        "IP Address Not Updated|The device did not take the address 10.0.0.7: busy.");
    row("SetIP with an empty field", MODE1, "log SetIP  address 127.0.0.1; log SetIP  mask    255.255.255.0; log SetIP  gate    192.168.1.; "
        "cubrixInfoPage/gateField3.text=; press cubrixInfoPage/setIpButton; wait 1200", "", "");
    row("settings", MODE1, "ssidField.text=Studio; passwordField.text=secret; press wifiSetButton; press wifiOnButton; press wifiOffButton; "
        "press precision1; press precision2", "calls;cubrixInfoPage/ipField0.text;cubrixInfoPage/ipField3.text;cubrixInfoPage/maskField3.text;"
        "cubrixInfoPage/gateField0.text;passwordField.placeholderText;precision2.selected;precision0.text", "setUserWIFI(Studio,secret) setWiFi(true) "
        "setWiFi(false) setCube(1) setCube(2)|127|1|0|192|YourPassword|true|Ask on LUT Upload");
    row("firmware", MODE1, "press firmwareButton; file @c.img; answer confirmDialog rejected; press firmwareButton; file @c.img",
        "calls;fileDialog.title;fileDialog.nameFilters;confirmDialog.title;confirmDialog.text;confirmDialog.informativeText",
        "|Select a firmware file|img (*.img),All files (*)|Update Firmware|Firmware file: @c.img|"
        "This procedure cannot be canceled, are you sure you want to update this firmware?");
    row("firmware after OK", MODE1, "press firmwareButton; file @c.img; answer confirmDialog accepted", "", "updateFirmware(c.img)");
    row("status read-outs hidden", MODE1, "press singleStatusButton; press singleStatusButton", "shown singleStatus dualStatus tpgStatus", "");
    row("single channel status", MODE1, "device.boxmode1_1dlut_inbit=10; device.boxmode1_1dlut_outbit=12; device.boxmode1_3dlut_inbit=10; "
        "device.boxmode1_3dlut_outbit=12; device.boxmode1_3dlut_size=33; device.boxmode1_ch1_1dlut1_state=1; device.boxmode1_ch1_1dlut1_load=5; "
        "device.boxmode1_ch1_frm_load=16; device.boxmode1_ch1_input=1; device.boxmode1_ch1_range=4; press singleStatusButton",
        "singleStatus.lines", "Mode1-Lut1d:,inbit: 10,outbit: 12,Mode1-Lut3d:,inbit: 10,outbit: 12,size: 33,front-1dlut-state: On,"
        "3dlut-state: Off,back-1dlut-state: Off,frame-load-state: Off,front-1dlut-load: 5,3dlut-load: ,back-1dlut-load: ,frame-load: 16,"
        "input-port: SDI 1,input-range: Full range");
    row("dual channel status", MODE1, "device.boxmode2_ch1_input=3; device.boxmode2_ch1_range=4; device.boxmode2_ch2_input=3; "
        "device.boxmode2_ch2_range=7; device.boxmode2_ch2_3dlut_state=1; device.boxmode2_ch1_frm_load=2; press dualStatusButton",
        "dualStatus.lines", "Mode2-Lut1d:,inbit: 0,outbit: 0,Mode2-Lut3d:,inbit: 0,outbit: 0,size: 0,Channel 1:,front-1dlut-state: Off,"
        "3dlut-state: Off,back-1dlut-state: Off,frame-load-state: Off,front-1dlut-load: ,3dlut-load: ,back-1dlut-load: ,frame-load: 2,"
        "input-port: CH2_Output,input-range: full range,Channel 2:,front-1dlut-state: Off,3dlut-state: On,back-1dlut-state: Off,"
        "front-1dlut-load: ,3dlut-load: ,back-1dlut-load: ,input-port: 3,input-range: 7");
    // The read-out follows the box.
    row("generator status", MODE1, "press tpgStatusButton; device.boxmode3_input_type=2; device.boxmode3_output_form=2; device.boxmode3_output_type=6; "
        "device.boxmode3_ch1_range=3; until tpgStatus.lines=front-1dlut-state: Off,3dlut-state: Off,back-1dlut-state: Off,frame-load-state: Off,"
        "front-1dlut-load: ,3dlut-load: ,back-1dlut-load: ,frame-load: ,input-range: SMPTE full range,input-type: RGB,output-form: ire field,"
        "output-type: 6; device.boxmode3_input_type=1; device.boxmode3_output_type=5; device.boxmode3_output_form=0; device.boxmode3_ch1_range=1",
        "tpgStatus.lines", "front-1dlut-state: Off,3dlut-state: Off,back-1dlut-state: Off,frame-load-state: Off,front-1dlut-load: ,3dlut-load: ,"
        "back-1dlut-load: ,frame-load: ,input-range: video range,input-type: YCbCr,output-form: ,output-type: HD 1080p 23.98");
    row("closing a connected tab is quiet", MODE1, "device.box_mode=2; device.box_ch=1; device.box_mode=3; device.box_mode=2; device.box_ch=2; "
        "press flipButton; close", "", "");
}

BREVANTO_QML_TEST_MAIN(TestDevicePages)
#include "tst_devicepages.moc"
