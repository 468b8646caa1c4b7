import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import MNCP 1.0
import "../common/CheckDeviceType.js" as CheckDeviceType
import "../common"

// The monitor page. Which sections it shows follows from the family the monitor reports
// (model and serial): keys for the plain monitors, launchers, knobs and a LUT slot box for the
// KT family, the RV page for the RV and RVQ families. It also owns the tab's scope and capture
// windows, one of each kind.
Item {
    id: page
    objectName: "monitorGeneralPage"

    property QtObject loadedHardware: null
    property string mode: "dark"
    readonly property bool connected: loadedHardware !== null && loadedHardware.state === Connection.connected
    readonly property string model: loadedHardware ? loadedHardware.model : ""
    readonly property string serial: loadedHardware ? loadedHardware.serial : ""
    readonly property bool kt: CheckDeviceType.isKTseries(model)
    readonly property bool rvFamily: CheckDeviceType.isRVseries(model, serial) || CheckDeviceType.isRVQseries(model, serial)
    readonly property bool showKeys: connected && CheckDeviceType.isMonitor(model) && !rvFamily
    readonly property bool showKt: connected && kt
    readonly property bool showRv: connected && rvFamily

    property alias scopeWindowUrl: launched.scopeWindowUrl
    property alias captureWindowUrl: launched.captureWindowUrl
    property alias waveformWindow: launched.waveformWindow
    property alias vectorWindow: launched.vectorWindow
    property alias captureWindow: launched.captureWindow

    // Asks the tab to show one of its pages.
    signal pageRequested(int index)

    enabled: connected

    // The title of the tab the page sits in (the first ancestor with a text title).
    function tabTitle() {
        for (var p = page.parent; p; p = p.parent) {
            if (typeof p.title === "string")
                return p.title;
        }
        return loadedHardware ? loadedHardware.address : "";
    }

    function openScope(view) {
        launched.openScope(view);
    }

    function openCapture() {
        launched.openCapture();
    }

    function disconnectDevice() {
        pageRequested(0);
        if (loadedHardware)
            loadedHardware.deviceDisconnect();
    }

    // The windows belong to the tab: they go with it, and close with the connection they show.
    Component.onDestruction: {
        launched.closeAll(false);
        launched.destroyAll();
    }
    // An automatic reconnection keeps them open (the scope resumes by itself); once the
    // connection is over for good they close. Checked after the change settles: the socket's
    // state and the start of the reconnection come from the same event.
    readonly property bool connectionLives: connected || (!!loadedHardware && !!loadedHardware.connection
                                                          && loadedHardware.connection.reconnecting)
    onConnectionLivesChanged: windowCheck.restart()
    Timer {
        id: windowCheck
        interval: 0
        onTriggered: if (!page.connectionLives) launched.closeAll(false)
    }

    // Not children of the page: the page deletes them only after closing them, once its own
    // teardown is over. Transient windows of the main window, so that closing that one ends the
    // program instead of leaving a scope playing with nobody to stop it.
    PageWindows {
        id: launched
        device: page.loadedHardware
        mode: page.mode
        title: page.tabTitle()
        transientFor: page.Window.window
        captureWindowUrl: Qt.resolvedUrl("FrameCapture.qml")
        retitle: true
        restoreAlways: true
    }

    ScrollView {
        id: scroller
        anchors.fill: parent
        frameVisible: false

        ColumnLayout {
            id: sections
            width: scroller.viewport.width - 4
            spacing: 10

            LazySection {
                wanted: page.connected
                Layout.preferredWidth: 420
                file: "MetaData.qml"
                properties: ({
                    "loadedHardware": Qt.binding(function() { return page.loadedHardware; }),
                    "mode": Qt.binding(function() { return page.mode; })
                })
                onLoaded: item.disconnectRequested.connect(page.disconnectDevice)
            }

            LazySection {
                wanted: page.showKeys
                Layout.fillWidth: true
                sourceComponent: KeyboardPage {
                    loadedHardware: page.loadedHardware
                    mode: page.mode
                    ktLayout: page.kt
                }
            }

            LazySection {
                wanted: page.showKt
                Layout.fillWidth: true
                sourceComponent: Frame {
                    id: launchSection
                    objectName: "launchSection"
                    title: "Launch Components"
                    mode: page.mode

                    readonly property bool shortcutsActive: visible && enabled && !InputFocus.keepsKeys(Window.activeFocusItem)

                    RowLayout {
                        spacing: 8
                        Button {
                            objectName: "waveformButton"
                            text: "ScopeStream Waveform"
                            onClicked: page.openScope("waveform")
                        }
                        Button {
                            objectName: "vectorButton"
                            text: "ScopeStream Vector"
                            onClicked: page.openScope("vector")
                        }
                        Button {
                            objectName: "captureButton"
                            text: "Capture Frame"
                            tooltip: "Open Capture Frame Window"
                            onClicked: page.openCapture()
                        }
                    }

                    Shortcut { sequence: "Shift+W"; enabled: launchSection.shortcutsActive; onActivated: page.openScope("waveform") }
                    Shortcut { sequence: "Shift+V"; enabled: launchSection.shortcutsActive; onActivated: page.openScope("vector") }
                    Shortcut { sequence: "Shift+C"; enabled: launchSection.shortcutsActive; onActivated: page.openCapture() }
                }
            }

            LazySection {
                wanted: page.showKt
                Layout.fillWidth: true
                sourceComponent: Rotary {
                    objectName: "ktKnobs"
                    loadedHardware: page.loadedHardware
                    mode: page.mode
                    shortcuts: true
                }
            }

            LazySection {
                wanted: page.showKt
                Layout.fillWidth: true
                sourceComponent: Frame {
                    objectName: "ktLutSection"
                    title: "Look / DIT 3D LUT"
                    mode: page.mode

                    LazySection {
                        wanted: true
                        file: "LutKT.qml"
                        properties: ({
                            "loadedHardware": Qt.binding(function() { return page.loadedHardware; }),
                            "mode": Qt.binding(function() { return page.mode; }),
                            "type": Monitor.LUT_TYPE_3D,
                            "func": Monitor.LUT_FUNC_DIT
                        })
                    }
                }
            }

            LazySection {
                wanted: page.showRv
                Layout.fillWidth: true
                file: "LutPageRV.qml"
                properties: ({
                    "loadedHardware": Qt.binding(function() { return page.loadedHardware; }),
                    "mode": Qt.binding(function() { return page.mode; })
                })
            }
        }
    }
}
