import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import "."

// The progress of a large payload going out, under the activity area of its tab: a bar and the
// area's line of sent, total, rate and time left.
RowLayout {
    objectName: "transferRow"
    spacing: 10

    property Item area: null
    readonly property QtObject activity: area && area.transferShown ? area.activity : null

    ProgressBar {
        objectName: "transferBar"
        Layout.preferredWidth: 320
        minimumValue: 0
        maximumValue: activity ? activity.transferTotal : 1
        value: activity ? activity.transferSent : 0
    }
    Label {
        objectName: "transferText"
        text: activity ? area.transferLine(activity.transferSent, activity.transferTotal, activity.transferRate,
                                           activity.transferSecondsLeft) : ""
        color: Theme.of(area ? area.mode : "dark").text
    }
}
