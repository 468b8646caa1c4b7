import QtQuick 2.15

// A section of the monitor page that is built the first time it is wanted and kept from then
// on: an unconnected tab builds none of the sections (they show only for a connected monitor of
// the right family), and a section keeps its state when the monitor reconnects. A section given
// as a file (`file`, created with `properties`, bindings included) is not even loaded before it
// is wanted: the sections with file dialogs would otherwise load the dialogs' implementation at
// every start of the program.
Loader {
    property bool wanted: false
    property url file
    property var properties: ({})

    function build() {
        if (active)
            return;
        active = true;
        if (file.toString() !== "")
            setSource(file, properties);
    }

    visible: wanted
    active: false
    onWantedChanged: if (wanted) build()
    Component.onCompleted: if (wanted) build()
}
