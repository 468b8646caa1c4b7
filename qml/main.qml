import QtQuick 2.15
import QtQuick.Window 2.15

// Start-up window; the tabbed main window replaces it.
Window {
    id: root
    width: 1280
    height: 800
    visible: true
    title: qsTr("Brevanto")

    Text {
        anchors.centerIn: parent
        text: qsTr("Brevanto")
        font.pixelSize: 32
    }
}
