import QtQuick 2.15

// The colour of the test pattern generator: red, green and blue, or Cr, Y and Cb, each 0 to
// 1023. Pressing or releasing a slider, or the group's button, sends the group's colour; a
// number typed into a field moves its slider when the edit is finished (without sending).
Row {
    id: panel

    property QtObject device: null
    property string mode: "dark"

    spacing: 6

    function sendRgb() {
        device.setSignalRGB(rgb.level(0), rgb.level(1), rgb.level(2));
    }

    // The generator takes the components in the order Cr, Y, Cb.
    function sendYCbCr() {
        device.setSignalYCbCr(ycbcr.level(0), ycbcr.level(1), ycbcr.level(2));
    }

    LevelGroup {
        id: rgb; title: "RGB"; mode: panel.mode; buttonName: "rgbSetButton"; buttonText: "RGB Signal Set"
        levels: [{ "name": "redLine", "label": "RED" }, { "name": "greenLine", "label": "GREEN" }, { "name": "blueLine", "label": "BLUE" }]
        onSend: panel.sendRgb()
    }

    LevelGroup {
        id: ycbcr; title: "YCbCr"; mode: panel.mode; buttonName: "ycbcrSetButton"; buttonText: "YCbCr Signal Set"
        levels: [{ "name": "crLine", "label": "Cr" }, { "name": "yLine", "label": "Y" }, { "name": "cbLine", "label": "Cb" }]
        onSend: panel.sendYCbCr()
    }
}
