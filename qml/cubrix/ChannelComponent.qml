import QtQuick 2.15
import MNCP 1.0

// The LUT row of one mode and channel: front 1D LUT, 3D LUT, back 1D LUT and, except for the
// second channel of the dual channel mode, the frame overlay. The states come from the
// matching `boxmode<m>_ch<c>_...` properties.
Row {
    id: row

    property QtObject device: null
    property QtObject dialogs: null
    property string mode: "dark"
    // "" or "Channel 1 " / "Channel 2 " in front of every box title.
    property string titlePrefix: ""
    property int frontState: 0
    property int cubeState: 0
    property int backState: 0
    property int frameState: 0
    property bool hasFrame: true

    readonly property Item frontBox: frontLut
    readonly property Item cubeBox: cubeLut
    readonly property Item backBox: backLut
    readonly property Item frameBox: frameLoader.item

    spacing: 6

    Lut {
        id: frontLut
        objectName: "frontLut"
        title: row.titlePrefix + "Front 1D LUT"
        mode: row.mode
        device: row.device
        dialogs: row.dialogs
        lutType: Cubrix.LUT_TYPE_1D
        lutFunc: Cubrix.LUT_FUNC_DIT
        lutState: row.frontState
    }
    Lut {
        id: cubeLut
        objectName: "cubeLut"
        title: row.titlePrefix + "3D LUT"
        mode: row.mode
        device: row.device
        dialogs: row.dialogs
        lutType: Cubrix.LUT_TYPE_3D
        lutFunc: Cubrix.LUT_FUNC_DIT
        lutState: row.cubeState
    }
    Lut {
        id: backLut
        objectName: "backLut"
        title: row.titlePrefix + "Back 1D LUT"
        mode: row.mode
        device: row.device
        dialogs: row.dialogs
        lutType: Cubrix.LUT_TYPE_1D
        lutFunc: Cubrix.LUT_FUNC_BOX
        lutState: row.backState
    }
    Loader {
        id: frameLoader
        active: row.hasFrame
        sourceComponent: Frame {
            objectName: "frameBox"
            title: row.titlePrefix + "Frame Callback"
            mode: row.mode
            device: row.device
            dialogs: row.dialogs
            frameState: row.frameState
        }
    }
}
