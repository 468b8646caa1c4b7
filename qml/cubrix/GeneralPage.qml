import QtQuick 2.15
import MNCP 1.0
import "../common"

// The controls page of a Cubrix tab ("General Info"): device header, mode selection, the LUT
// row of the mode and channel the box reports (with the generator in its mode), the launch
// components, ranges and the input format. Enabled only while the box is connected; the
// parts that depend on the box are built when it first reports them.
Item {
    id: page
    objectName: "cubrixGeneralPage"

    property QtObject loadedHardware: null
    readonly property QtObject deviceInstance: loadedHardware
    property string mode: "dark"

    readonly property bool connected: boxView.connected
    readonly property QtObject viewModel: boxView
    readonly property QtObject dialogs: pageDialogs

    // The launch windows: one of each per tab, built on first use.
    readonly property alias scopeWindowUrl: launched.scopeWindowUrl
    readonly property alias captureWindowUrl: launched.captureWindowUrl
    property alias waveformWindow: launched.waveformWindow
    property alias vectorWindow: launched.vectorWindow
    property alias captureWindow: launched.captureWindow
    readonly property bool waveformOpen: waveformWindow !== null
    readonly property bool vectorOpen: vectorWindow !== null
    readonly property bool captureOpen: captureWindow !== null

    signal pageRequested(int index)

    enabled: connected

    function flip() {
        pageRequested(1);
    }

    function openScope(kind) {
        launched.openScope(kind);
    }

    function openCapture() {
        launched.openCapture();
    }

    function closeWindows() {
        launched.closeAll(true);
        launched.destroyAll();
    }

    // Shift+K and Shift+L belong to the window's theme too; while this page has the focus and
    // its input format is on show, they choose the signal link instead.
    Keys.onShortcutOverride: event.accepted = keyboard.linkKey(event) !== -1
    Keys.onPressed: {
        var word = keyboard.linkKey(event);
        if (word !== -1) {
            loadedHardware.setInputSignal(word);
            event.accepted = true;
        }
    }
    onLinkKeysActiveChanged: if (linkKeysActive) forceActiveFocus()
    readonly property bool linkKeysActive: keyboard.linkKeysActive

    Component.onDestruction: closeWindows()

    // However the box goes away (this header, the settings page, the tab), the windows go too.
    Connections {
        target: page.loadedHardware
        function onStateChanged() {
            if (!boxView.connected)
                page.closeWindows();
        }
    }

    PageWindows {
        id: launched
        device: page.loadedHardware
        mode: page.mode
        title: boxView.tabTitle
        captureWindowUrl: "qrc:/cubrix/FrameCapture.qml"
        owner: boxView.tab ? boxView.tab : page
    }

    ViewModel {
        id: boxView
        device: page.loadedHardware
        page: page
    }

    PageDialogs {
        id: pageDialogs
        objectName: "pageDialogs"
    }

    KeyboardPage {
        id: keyboard
        objectName: "keyboard"
        device: page.loadedHardware
        view: boxView
        page: page
        lutPage: lutSection
    }

    Column {
        id: content
        x: 0
        y: 0
        width: page.width
        spacing: 10

        DeviceMetaConnect {
            objectName: "deviceHeader"
            visible: boxView.connected
            width: parent.width
            mode: page.mode
            device: page.loadedHardware
            view: boxView
            dialogs: pageDialogs
            onFlipRequested: page.flip()
            onDisconnectRequested: page.closeWindows()
        }

        LazySection {
            objectName: "modeSection"
            wanted: boxView.connected && boxView.knownModel
            sourceComponent: ModeSelection {
                objectName: "modeSelection"
                mode: page.mode
                device: page.loadedHardware
                view: boxView
            }
        }

        LutPage {
            id: lutSection
            objectName: "lutPage"
            mode: page.mode
            device: page.loadedHardware
            view: boxView
            dialogs: pageDialogs
        }

        LazySection {
            objectName: "launchSection"
            wanted: boxView.connected && boxView.knownModel
            sourceComponent: Row {
                spacing: 10

                SectionBox {
                    objectName: "launchComponents"
                    title: "Launch Components"
                    mode: page.mode
                    HighlightButton {
                        objectName: "waveformButton"
                        text: "ScopeStream Waveform"
                        mode: page.mode
                        width: 180
                        enabled: boxView.scopesAllowed
                        onClicked: page.openScope("waveform")
                    }
                    HighlightButton {
                        objectName: "vectorButton"
                        text: "ScopeStream Vector"
                        mode: page.mode
                        width: 180
                        enabled: boxView.scopesAllowed
                        onClicked: page.openScope("vector")
                    }
                    HighlightButton {
                        objectName: "captureButton"
                        text: "Capture Frame"
                        tooltip: "Open Capture Frame Window"
                        mode: page.mode
                        width: 180
                        enabled: boxView.captureAllowed
                        onClicked: page.openCapture()
                    }
                }

                RangeSelection {
                    objectName: "rangeSelection"
                    mode: page.mode
                    device: page.loadedHardware
                    view: boxView
                }

                LazySection {
                    objectName: "signalFormatSection"
                    wanted: boxView.singleChannel
                    sourceComponent: SignalFormatSelect {
                        objectName: "signalFormatSelect"
                        mode: page.mode
                        device: page.loadedHardware
                        view: boxView
                    }
                }
            }
        }
    }
}
