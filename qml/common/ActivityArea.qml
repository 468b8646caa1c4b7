import QtQuick 2.15
import QtQuick.Layouts 1.15
import "."

// What the tab's device is doing and how its last operation ended, as the device reports it:
// the running operations, the progress of a large payload, and the outcome in green or red.
// Nothing here takes the focus: the pages' keys keep working while it changes.
ColumnLayout {
    id: area
    objectName: "activityArea"

    property QtObject activity: null
    property string mode: "dark"
    readonly property var colours: Theme.of(mode)
    readonly property bool busy: activity !== null && activity.busy
    readonly property bool transferShown: activity !== null && activity.transferShown

    visible: busy || transferShown || outcomeLabel.text !== ""
    spacing: 4

    function mebibytes(bytes) {
        return (bytes / (1024 * 1024)).toFixed(1);
    }

    function duration(seconds) {
        var whole = Math.ceil(seconds);
        return whole < 60 ? whole + " s" : Math.floor(whole / 60) + " min " + (whole % 60) + " s";
    }

    // "12.0 of 64.0 MiB · 8.5 MiB/s · 6 s left"; the rate and the time left only once known.
    function transferLine(sent, total, rate, secondsLeft) {
        var parts = [mebibytes(sent) + " of " + mebibytes(total) + " MiB"];
        if (rate > 0)
            parts.push(mebibytes(rate) + " MiB/s");
        if (secondsLeft >= 0)
            parts.push(duration(secondsLeft) + " left");
        return parts.join(" \u00b7 ");
    }

    Text {
        objectName: "activityText"
        Layout.fillWidth: true
        visible: area.busy
        text: area.activity ? area.activity.text : ""
        color: area.colours.text
        elide: Text.ElideRight
    }

    // Built only while a large payload goes out, from its own file: the progress bar's type and
    // style are costly to load with every tab at start.
    Loader {
        active: area.transferShown
        visible: active
        source: "TransferRow.qml"
        onLoaded: item.area = area
    }

    // The last finished operation stays on show until the next one ends.
    Text {
        id: outcomeLabel
        objectName: "outcomeText"
        Layout.fillWidth: true
        visible: text !== ""
        text: area.activity ? area.activity.outcome : ""
        color: area.activity && area.activity.outcomeOk ? area.colours.ok : area.colours.failed
        elide: Text.ElideRight
    }
}
