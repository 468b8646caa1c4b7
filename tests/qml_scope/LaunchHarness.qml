import QtQuick 2.15

// Stands in for a device page: opens the scope and capture windows the way the monitor and
// Cubrix pages do, once per kind, showing the existing window again on later requests.
Item {
    id: harness

    property QtObject loadedHardware: null
    property string mode: "dark"
    property string tabTitle: "Harness Tab"
    property string captureUrl: "qrc:/monitor/FrameCapture.qml"

    property var waveformWindow: null
    property var vectorWindow: null
    property var captureWindow: null

    function create(url, properties) {
        var component = Qt.createComponent(url);
        if (component.status !== Component.Ready) {
            console.log("Error: " + component.errorString());
            return null;
        }
        var window = component.createObject(harness, properties);
        if (window === null)
            console.log("Error: " + component.errorString());
        return window;
    }

    function present(window) {
        if (window.visible) {
            window.raise();
            window.requestActivate();
        } else {
            window.show();
        }
    }

    function openScope(view) {
        var existing = view === "vector" ? vectorWindow : waveformWindow;
        if (existing === null) {
            existing = create("qrc:/common/scopestream.qml",
                              { "loadedHardware": loadedHardware, "scopeView": view, "mode": mode });
            if (existing === null)
                return;
            existing.title = tabTitle;
            if (view === "vector")
                vectorWindow = existing;
            else
                waveformWindow = existing;
        }
        present(existing);
    }

    function openCapture() {
        if (captureWindow === null) {
            captureWindow = create(captureUrl, { "loadedHardware": loadedHardware, "mode": mode });
            if (captureWindow === null)
                return;
            captureWindow.title = tabTitle;
        }
        present(captureWindow);
    }

    // What the pages do on disconnect or when the tab goes away.
    function closeAll() {
        var windows = [waveformWindow, vectorWindow, captureWindow];
        for (var i = 0; i < windows.length; ++i) {
            if (windows[i] !== null) {
                windows[i].close();
                windows[i].destroy();
            }
        }
        waveformWindow = null;
        vectorWindow = null;
        captureWindow = null;
    }
}
