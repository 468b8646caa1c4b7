import QtQuick 2.15
import QtQuick.Window 2.15
import "../ChannelCreation.js" as Creation

// The windows a device page launches: the waveform and the vector scope window and the capture
// window, one of each, built on first use, titled with the tab's title, following the page's
// theme, and shown again (or brought back to the front) when asked for again.
QtObject {
    id: windows

    property QtObject device: null
    property string mode: "dark"
    property string title: ""
    property string scopeWindowUrl: "qrc:/common/scopestream.qml"
    property string captureWindowUrl: ""
    // The windows' parent object. Without one they belong to nothing, and these references are
    // what keeps them alive.
    property QtObject owner: null
    // Without an owner, the window the windows stay in front of and close with.
    property var transientFor: null
    // Whether a window shown again takes the tab's title once more, and whether a window on
    // show comes back to its normal size whatever its state (or only from the task bar).
    property bool retitle: false
    property bool restoreAlways: false

    property var waveformWindow: null
    property var vectorWindow: null
    property var captureWindow: null

    function create(url, properties) {
        var window = Creation.createObject(url, owner, properties);
        if (window === null)
            return null;
        window.title = title;
        if (owner === null && transientFor)
            window.transientParent = transientFor;
        if (window.mode !== undefined)
            window.mode = Qt.binding(function() { return windows.mode; });
        return window;
    }

    function present(window) {
        if (retitle)
            window.title = title;
        if (!window.visible) {
            window.show();
        } else {
            if (restoreAlways || window.visibility === Window.Minimized)
                window.showNormal();
            window.raise();
        }
        window.requestActivate();
    }

    function openScope(view) {
        var waveform = view === "waveform";
        var window = waveform ? waveformWindow : vectorWindow;
        if (window === null) {
            window = create(scopeWindowUrl, { "loadedHardware": device, "scopeView": view });
            if (window === null)
                return;
            if (waveform)
                waveformWindow = window;
            else
                vectorWindow = window;
        }
        present(window);
    }

    function openCapture() {
        if (captureWindow === null) {
            captureWindow = create(captureWindowUrl, { "loadedHardware": device });
            if (captureWindow === null)
                return;
        }
        present(captureWindow);
    }

    // Closes the windows on show, or every window that exists.
    function closeAll(hiddenToo) {
        var all = [waveformWindow, vectorWindow, captureWindow];
        for (var i = 0; i < all.length; ++i) {
            if (all[i] !== null && (hiddenToo || all[i].visible))
                all[i].close();
        }
    }

    function destroyAll() {
        var all = [waveformWindow, vectorWindow, captureWindow];
        for (var i = 0; i < all.length; ++i) {
            if (all[i] !== null)
                all[i].destroy();
        }
        waveformWindow = null;
        vectorWindow = null;
        captureWindow = null;
    }
}
