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
        device.setSignalRGB(redLine.level, greenLine.level, blueLine.level);
    }

    // The generator takes the components in the order Cr, Y, Cb.
    function sendYCbCr() {
        device.setSignalYCbCr(crLine.level, yLine.level, cbLine.level);
    }

    SectionBox {
        title: "RGB"
        mode: panel.mode
        LevelSlider { id: redLine; objectName: "redLine"; label: "RED"; mode: panel.mode; onPressedOrReleased: panel.sendRgb() }
        LevelSlider { id: greenLine; objectName: "greenLine"; label: "GREEN"; mode: panel.mode; onPressedOrReleased: panel.sendRgb() }
        LevelSlider { id: blueLine; objectName: "blueLine"; label: "BLUE"; mode: panel.mode; onPressedOrReleased: panel.sendRgb() }
        HighlightButton {
            objectName: "rgbSetButton"
            text: "RGB Signal Set"
            mode: panel.mode
            width: 140
            onClicked: panel.sendRgb()
        }
    }

    SectionBox {
        title: "YCbCr"
        mode: panel.mode
        LevelSlider { id: crLine; objectName: "crLine"; label: "Cr"; mode: panel.mode; onPressedOrReleased: panel.sendYCbCr() }
        LevelSlider { id: yLine; objectName: "yLine"; label: "Y"; mode: panel.mode; onPressedOrReleased: panel.sendYCbCr() }
        LevelSlider { id: cbLine; objectName: "cbLine"; label: "Cb"; mode: panel.mode; onPressedOrReleased: panel.sendYCbCr() }
        HighlightButton {
            objectName: "ycbcrSetButton"
            text: "YCbCr Signal Set"
            mode: panel.mode
            width: 140
            onClicked: panel.sendYCbCr()
        }
    }
}
