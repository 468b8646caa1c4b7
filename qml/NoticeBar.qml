import QtQuick 2.15
import QtQuick.Layouts 1.15
import "common"

// A line across the top of the window for something the operator should read once (saved tabs
// set aside at start); it stays until dismissed and never takes the focus.
Rectangle {
    id: bar
    objectName: "noticeBar"

    property string text: ""
    property string mode: "dark"
    property bool dismissed: false

    visible: text !== "" && !dismissed
    height: visible ? content.implicitHeight + 12 : 0
    color: Theme.of(mode).panel
    border.color: Theme.accent

    // Built when there is something to read: most starts have nothing.
    Loader {
        id: content
        anchors.fill: parent
        anchors.margins: 6
        active: bar.visible || status === Loader.Ready
        sourceComponent: RowLayout {
            Text {
                objectName: "noticeText"
                Layout.fillWidth: true
                text: bar.text
                wrapMode: Text.Wrap
                color: Theme.of(bar.mode).text
            }
            PushButton {
                objectName: "dismissNotice"
                text: "Dismiss"
                activeFocusOnPress: false
                onClicked: bar.dismissed = true
            }
        }
    }
}
