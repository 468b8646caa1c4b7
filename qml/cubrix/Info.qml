import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15

// The Cubrix settings page: for now the device header and a read-out of the box state.
Item {
    id: page
    objectName: "cubrixInfoPage"

    property QtObject loadedHardware: null
    property string mode: "dark"
    readonly property color textColour: mode === "dark" ? "white" : "black"
    readonly property bool connected: loadedHardware !== null && loadedHardware.state === 3

    signal pageRequested(int index)

    enabled: connected

    Rectangle {
        visible: page.connected
        width: 420
        height: readOut.implicitHeight + 24
        color: "transparent"
        border.color: page.mode === "dark" ? "#47484B" : "#cccccc"
        radius: 4

        ColumnLayout {
            id: readOut
            anchors.fill: parent
            anchors.margins: 12
            spacing: 6

            Label {
                color: page.textColour
                text: "Model: %1".arg(page.loadedHardware ? page.loadedHardware.model : "")
            }
            Label {
                color: page.textColour
                text: "Box mode: %1".arg(page.loadedHardware ? page.loadedHardware.box_mode : 0)
            }
            Label {
                color: page.textColour
                text: "Channel: %1".arg(page.loadedHardware ? page.loadedHardware.box_ch : 0)
            }
            Button {
                text: "Controls"
                onClicked: page.pageRequested(0)
            }
        }
    }
}
