import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 1.4
import QtDataVisualization 1.3
import MNCP 1.0
import "."

// Live waveform or vectorscope of one device, drawn by a surface graph seen from straight above.
//
// How a device page opens it (one window per kind and page; keep the object and show it again):
//     var window = Qt.createComponent("qrc:/common/scopestream.qml").createObject(page, {
//         "loadedHardware": device,   // the tab's Monitor or Cubrix
//         "scopeView": "waveform",    // or "vector"; fixed for the life of the window
//         "mode": page.mode           // "dark" or "light" (may be bound)
//     });
//     window.title = tabTitle;
//     window.show();                  // later: show(), or raise() and requestActivate()
// The window hands its surface series to loadedHardware.cScopeStream itself. Closing it (its
// close box, Shift+Q or close() from the page) stops its scope on the stream; a page that goes
// away calls close() and then destroy().
Window {
    id: scopeWindow
    objectName: "scopeWindow"

    property QtObject loadedHardware: null
    property string mode: "dark"
    property string scopeView: "waveform"
    readonly property bool vectorView: scopeView === "vector"
    // The playback type of this view on the stream: 1 waveform, 2 vector.
    readonly property int iScopeView: vectorView ? 2 : 1
    property string scopeColor: "green"
    readonly property int sampleRows: 128
    readonly property int sampleColumns: vectorView ? 128 : 240

    readonly property QtObject stream: loadedHardware ? loadedHardware.cScopeStream : null
    // The stream plays one bit per view type: 1, 2, or both (3).
    readonly property bool playing: stream !== null && (stream.isPlaying & iScopeView) !== 0
    // A Cubrix named "Cubrix" streams scopes only in single-channel mode and on channel 1 of
    // dual-channel mode.
    readonly property bool isCubrix: loadedHardware !== null && loadedHardware.box_mode !== undefined
    readonly property bool playbackAllowed: !(isCubrix && loadedHardware.model === "Cubrix"
                                              && loadedHardware.box_mode !== 1
                                              && !(loadedHardware.box_mode === 2 && loadedHardware.box_ch === 1))

    // Vector zoom: the stream blanks the trace beyond the zoomed radius, the camera zooms in and
    // the graticule shrinks by the same factor so that it keeps its size on screen.
    property int zoomGain: 1
    readonly property real meshScale: 3.2 / zoomGain
    readonly property alias series: scopeSeries
    property bool seriesReady: false
    property QtObject attachedStream: null
    property bool graticuleAdded: false

    width: 800
    height: 540
    minimumWidth: 320
    minimumHeight: 240
    color: Theme.of(mode).toolWindow
    title: vectorView ? "ScopeStream Vector" : "ScopeStream Waveform"

    function attachStream() {
        if (!stream || !seriesReady || attachedStream === stream)
            return;
        attachedStream = stream;
        stream.generateData_TWK(scopeView, sampleRows, sampleColumns);
        if (vectorView)
            stream.setDataSeries_Vector(scopeSeries);
        else
            stream.setDataSeries_Wave(scopeSeries);
    }

    function togglePlayback() {
        if (stream)
            stream.startStopPlayback(iScopeView);
    }

    function toggleTraceColour() {
        scopeColor = scopeColor === "green" ? "white" : "green";
    }

    function setGain(gain) {
        if (!vectorView || (gain !== 1 && gain !== 2 && gain !== 4))
            return;
        if (stream)
            stream.vectorGain = gain;
        zoomGain = gain;
        var camera = graph.scene.activeCamera;
        camera.zoomLevel = 100 * gain;
        camera.target = Qt.vector3d(0, 0, 0);
        camera.cameraPreset = Camera3D.CameraPresetDirectlyAbove;
    }

    function stopOwnScope() {
        if (stream)
            stream.stopPlayback(iScopeView);
    }

    onLoadedHardwareChanged: attachStream()
    onClosing: stopOwnScope()

    Component.onCompleted: {
        // The gain belongs to the vector display; the waveform leaves it as it is.
        if (vectorView && stream)
            stream.vectorGain = 1;
        attachStream();
    }
    Component.onDestruction: {
        if (visible)
            stopOwnScope();
    }

    Shortcut {
        sequence: "Shift+Q"
        onActivated: scopeWindow.close()
    }

    ColorGradient {
        id: greenTrace
        ColorGradientStop { position: 0.0; color: Theme.traceFloor }
        ColorGradientStop { position: 1.0; color: Theme.traceGreen }
    }
    ColorGradient {
        id: whiteTrace
        ColorGradientStop { position: 0.0; color: Theme.traceFloor }
        ColorGradientStop { position: 1.0; color: Theme.traceWhite }
    }

    // Waveform axes: sample columns across, intensity as height, video level up the picture.
    ValueAxis3D {
        id: columnAxis
        min: 0
        max: 240
        segmentCount: 1
        labelFormat: ""
    }
    ValueAxis3D {
        id: intensityAxis
        min: 0
        max: 256
        segmentCount: 8
        labelFormat: "%d Y"
    }
    ValueAxis3D {
        id: levelAxis
        min: 0
        max: 127
        segmentCount: 12
        subSegmentCount: 1
        formatter: CustomLabelsWaveform {}
    }
    // Vector axes: angle, intensity as height, radius.
    ValueAxis3D {
        id: angleAxis
        min: 0
        max: 360
        segmentCount: 4
        labelFormat: "%i\u00B0"
    }
    ValueAxis3D {
        id: vectorIntensityAxis
        min: 0
        max: 256
        labelFormat: "%i %%"
    }
    ValueAxis3D {
        id: radiusAxis
        min: 0
        max: 90
        segmentCount: 5
    }

    property Custom3DItem graticule: Custom3DItem {
        meshFile: ":/models/Vector-large-collapsed-ai-mathed3.obj"
        textureFile: ":/models/yellow50.png"
        position: Qt.vector3d(316, 255, 0)
        scaling: Qt.vector3d(scopeWindow.meshScale, 16, scopeWindow.meshScale)
        shadowCasting: false
    }

    Row {
        id: controls
        objectName: "scopeControls"
        height: 30
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.leftMargin: 4
        spacing: 4

        NewButton {
            objectName: "startStopButton"
            width: 100
            height: 30
            mode: scopeWindow.mode
            text: scopeWindow.playing ? "Stop" : "Start"
            enabled: scopeWindow.stream !== null && scopeWindow.playbackAllowed
            onClicked: scopeWindow.togglePlayback()
        }
        NewButton {
            objectName: "traceColorButton"
            width: 100
            height: 30
            mode: scopeWindow.mode
            text: "Trace Color"
            onClicked: scopeWindow.toggleTraceColour()
        }
        Repeater {
            model: scopeWindow.vectorView ? [1, 2, 4] : []
            delegate: NewButton {
                objectName: "gain" + modelData + "Button"
                width: 30
                height: 30
                mode: scopeWindow.mode
                text: modelData + "x"
                onClicked: scopeWindow.setGain(modelData)
            }
        }
    }

    // The graph's first synchronisation runs at no size: its renderer starts with the default
    // shadow quality and, given a viewport then, allocates a shadow depth texture (800x540 at three
    // times that resolution: about 15 MB under software OpenGL) that setting no shadows later
    // leaves attached, and alive, in its framebuffer. At no size it allocates nothing, takes the
    // "no shadows" of this file, and gets its size on the window's next frame.
    property bool graphSized: false
    onFrameSwapped: graphSized = true

    Surface3D {
        id: graph
        objectName: "scopeGraph"
        anchors.top: controls.bottom
        anchors.left: parent.left
        width: scopeWindow.graphSized ? parent.width : 0
        height: scopeWindow.graphSized ? parent.height - controls.height : 0

        orthoProjection: true
        msaaSamples: 0
        polar: scopeWindow.vectorView
        radialLabelOffset: 0.05
        selectionMode: AbstractGraph3D.SelectionNone
        shadowQuality: AbstractGraph3D.ShadowQualityNone
        // The waveform's level lines lie over the trace.
        flipHorizontalGrid: !scopeWindow.vectorView
        scene.activeCamera.cameraPreset: Camera3D.CameraPresetDirectlyAbove
        scene.activeCamera.zoomLevel: 100
        inputHandler: InputHandler3D {
            rotationEnabled: false
            zoomAtTargetEnabled: false
        }

        axisX: scopeWindow.vectorView ? angleAxis : columnAxis
        axisY: scopeWindow.vectorView ? vectorIntensityAxis : intensityAxis
        axisZ: scopeWindow.vectorView ? radiusAxis : levelAxis

        theme: Theme3D {
            type: Theme3D.ThemeUserDefined
            lightStrength: 0
            ambientLightStrength: 1
            backgroundEnabled: false
            windowColor: Theme.of(scopeWindow.mode).toolWindow
            gridEnabled: !scopeWindow.vectorView
            gridLineColor: Theme.plotGrid
            labelTextColor: Theme.of(scopeWindow.mode).plotLabel
            labelBackgroundEnabled: false
            labelBorderEnabled: false
            font.pointSize: 32
        }

        Surface3DSeries {
            id: scopeSeries
            objectName: "scopeSeries"
            drawMode: Surface3DSeries.DrawSurface
            flatShadingEnabled: false
            colorStyle: Theme3D.ColorStyleRangeGradient
            baseGradient: scopeWindow.scopeColor === "green" ? greenTrace : whiteTrace
            Component.onCompleted: {
                scopeWindow.seriesReady = true;
                scopeWindow.attachStream();
            }
        }

        Component.onCompleted: {
            if (scopeWindow.vectorView && !scopeWindow.graticuleAdded) {
                graph.addCustomItem(scopeWindow.graticule);
                scopeWindow.graticuleAdded = true;
            }
        }
    }
}
