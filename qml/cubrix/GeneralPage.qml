import QtQuick 2.15
import MNCP 1.0
import "../common"

// The controls page of a Cubrix tab ("General Info"): device header, mode selection, the LUT
// row of the mode and channel the box reports (with the generator in its mode), the launch
// components, ranges and the input format. Enabled only while the box is connected; the
// parts that depend on the box are built when it first reports them.
CubrixPage {
    id: page
    objectName: "cubrixGeneralPage"

    // The launch windows: one of each per tab, built on first use.
    readonly property alias scopeWindowUrl: launched.scopeWindowUrl
    readonly property alias captureWindowUrl: launched.captureWindowUrl
    property alias waveformWindow: launched.waveformWindow
    property alias vectorWindow: launched.vectorWindow
    property alias captureWindow: launched.captureWindow
    readonly property bool waveformOpen: waveformWindow !== null
    readonly property bool vectorOpen: vectorWindow !== null
    readonly property bool captureOpen: captureWindow !== null

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

    Component.onDestruction: closeWindows()

    // However the box goes away (this header, the settings page, the tab), the windows go too;
    // not while it is being reconnected automatically (the scope resumes by itself). Checked
    // after the change settles: the socket's state and the start of the reconnection come from
    // the same event.
    readonly property bool connectionLives: viewModel.connected || (!!loadedHardware && !!loadedHardware.connection
                                                                    && loadedHardware.connection.reconnecting)
    onConnectionLivesChanged: windowCheck.restart()
    Timer {
        id: windowCheck
        interval: 0
        onTriggered: if (!page.connectionLives) page.closeWindows()
    }

    PageWindows {
        id: launched
        device: page.loadedHardware
        mode: page.mode
        title: page.viewModel.tabTitle
        captureWindowUrl: "qrc:/cubrix/FrameCapture.qml"
        owner: page.viewModel.tab ? page.viewModel.tab : page
    }

    KeyboardPage {
        id: keyboard
        objectName: "keyboard"
        device: page.loadedHardware
        view: page.viewModel
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
            visible: page.viewModel.connected
            width: parent.width
            mode: page.mode
            device: page.loadedHardware
            view: page.viewModel
            dialogs: page.dialogs
            onFlipRequested: page.flip()
            onDisconnectRequested: page.closeWindows()
        }

        LazySection {
            objectName: "modeSection"
            wanted: page.viewModel.connected && page.viewModel.knownModel
            sourceComponent: ModeSelection {
                objectName: "modeSelection"
                mode: page.mode
                device: page.loadedHardware
                view: page.viewModel
            }
        }

        LutPage {
            id: lutSection
            objectName: "lutPage"
            mode: page.mode
            device: page.loadedHardware
            view: page.viewModel
            dialogs: page.dialogs
        }

        LazySection {
            objectName: "launchSection"
            wanted: page.viewModel.connected && page.viewModel.knownModel
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
                        enabled: page.viewModel.scopesAllowed
                        onClicked: page.openScope("waveform")
                    }
                    HighlightButton {
                        objectName: "vectorButton"
                        text: "ScopeStream Vector"
                        mode: page.mode
                        width: 180
                        enabled: page.viewModel.scopesAllowed
                        onClicked: page.openScope("vector")
                    }
                    HighlightButton {
                        objectName: "captureButton"
                        text: "Capture Frame"
                        tooltip: "Open Capture Frame Window"
                        mode: page.mode
                        width: 180
                        enabled: page.viewModel.captureAllowed
                        onClicked: page.openCapture()
                    }
                }

                RangeSelection {
                    objectName: "rangeSelection"
                    mode: page.mode
                    device: page.loadedHardware
                    view: page.viewModel
                }

                LazySection {
                    objectName: "signalFormatSection"
                    wanted: page.viewModel.singleChannel
                    sourceComponent: SignalFormatSelect {
                        objectName: "signalFormatSelect"
                        mode: page.mode
                        device: page.loadedHardware
                        view: page.viewModel
                    }
                }
            }
        }
    }
}
