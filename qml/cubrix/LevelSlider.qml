import QtQuick 2.15
import QtQuick.Controls 1.4
import "../common"

// One colour component of the generator panel: a 0 to 1023 slider and its number. The number
// moves the slider when its edit is finished; pressing and releasing the slider is reported.
Row {
    id: line

    property string label: ""
    property string mode: "dark"
    property alias value: slider.value
    readonly property int level: Math.round(slider.value)

    signal pressedOrReleased()

    spacing: 6

    Text {
        text: line.label
        width: 48
        font.pixelSize: 12
        color: Theme.of(line.mode).text
        anchors.verticalCenter: parent.verticalCenter
    }
    Slider {
        id: slider
        objectName: "slider"
        width: 170
        minimumValue: 0
        maximumValue: 1023
        stepSize: 1
        value: 0
        anchors.verticalCenter: parent.verticalCenter
        onPressedChanged: line.pressedOrReleased()
    }
    TextField {
        objectName: "valueField"
        width: 56
        validator: IntValidator { bottom: 0; top: 1023 }
        text: line.level.toString()
        onEditingFinished: {
            var typed = parseInt(text, 10);
            if (!isNaN(typed))
                slider.value = typed;
            text = Qt.binding(function() { return line.level.toString(); });
        }
    }
}
