import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Dialogs 1.3
import QtQuick.Layouts 1.15
import "."
import "../ChannelCreation.js" as Creation

// The device's log for the operator: what was sent, answered, refused and dropped, with times,
// newest at the bottom. The log itself keeps the entries (and bounds them); the panel shows them
// and copies, saves or clears them. Its buttons and list never take the keyboard focus, which
// stays with the pages and their keys.
Rectangle {
    id: panel
    objectName: "deviceLogPanel"

    property QtObject device: null
    property string mode: "dark"
    readonly property var colours: Theme.of(mode)
    readonly property QtObject log: device ? device.deviceLog : null

    color: colours.panel
    border.color: colours.line
    radius: 4

    // Writes the log to the chosen file and says how that went, as any other outcome of the tab.
    function saveTo(url) {
        var path = Creation.localPath(url);
        var saved = log.saveAs(url);
        device.reportOutcome(saved ? "Device log saved to " + path : "Device log could not be saved to " + path, saved);
        return saved;
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 8
        spacing: 6

        RowLayout {
            spacing: 10
            Label {
                text: "Device Log"
                color: panel.colours.text
                font.bold: true
            }
            Label {
                objectName: "deviceLogCount"
                text: panel.log ? panel.log.count + (panel.log.count === 1 ? " entry" : " entries") : ""
                color: panel.colours.muted
            }
            Item {
                Layout.fillWidth: true
            }
            Button {
                objectName: "deviceLogCopyButton"
                text: "Copy"
                enabled: panel.log !== null && panel.log.count > 0
                onClicked: panel.log.copyToClipboard()
            }
            Button {
                objectName: "deviceLogSaveButton"
                text: "Save As..."
                enabled: panel.log !== null && panel.log.count > 0
                onClicked: saveDialog.open()
            }
            Button {
                objectName: "deviceLogClearButton"
                text: "Clear"
                enabled: panel.log !== null && panel.log.count > 0
                onClicked: panel.log.clear()
            }
        }

        ListView {
            id: entries
            objectName: "deviceLogList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: panel.log
            boundsBehavior: Flickable.StopAtBounds
            // Follows the newest entry unless the operator has scrolled up to read.
            property bool following: true
            onMovementEnded: following = atYEnd
            onCountChanged: if (following) positionViewAtEnd()
            Component.onCompleted: positionViewAtEnd()

            delegate: Row {
                spacing: 12
                Text {
                    id: timeText
                    objectName: "deviceLogTime"
                    text: model.time
                    color: panel.colours.muted
                    font.family: "monospace"
                }
                Text {
                    objectName: "deviceLogText"
                    width: entries.width - timeText.width - 16
                    text: model.text
                    color: panel.colours.text
                    wrapMode: Text.Wrap
                }
            }

            Rectangle {
                // A thin bar that shows where the view is in a long log.
                visible: entries.contentHeight > entries.height
                anchors.right: parent.right
                width: 4
                radius: 2
                color: panel.colours.line
                y: entries.visibleArea.yPosition * entries.height
                height: entries.visibleArea.heightRatio * entries.height
            }
        }
    }

    FileDialog {
        id: saveDialog
        objectName: "deviceLogSaveDialog"
        title: "Save Device Log"
        selectExisting: false
        defaultSuffix: "txt"
        nameFilters: ["Text files (*.txt)"]
        onAccepted: panel.saveTo(fileUrl)
    }
}
