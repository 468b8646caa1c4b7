import QtQuick 2.15
import QtQuick.Layouts 1.15

// The monitor's five knobs side by side. With `shortcuts` on, knobs 1 to 4 follow the keys
// M , . / (plain push, Shift clockwise, Ctrl anticlockwise).
RowLayout {
    id: rotary

    property QtObject loadedHardware: null
    property string mode: "dark"
    property bool shortcuts: false

    readonly property var titles: ["Phase", "Chroma", "Brightness", "Contrast", "Volume"]
    readonly property var keys: ["", "M", ",", ".", "/"]

    spacing: 8

    Repeater {
        model: 5
        RotaryBar {
            objectName: "knob_" + index
            Layout.fillWidth: true
            Layout.preferredWidth: 120
            title: rotary.titles[index]
            mode: rotary.mode
            number: index
            loadedHardware: rotary.loadedHardware
            shortcutKey: rotary.shortcuts ? rotary.keys[index] : ""
        }
    }
}
