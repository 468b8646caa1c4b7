import QtQuick 2.15

// A section of the monitor page that is built the first time it is wanted and kept from then
// on: an unconnected tab builds none of the sections (they show only for a connected monitor of
// the right family), and a section keeps its state when the monitor reconnects.
Loader {
    property bool wanted: false

    visible: wanted
    active: false
    onWantedChanged: if (wanted) active = true
    Component.onCompleted: if (wanted) active = true
}
