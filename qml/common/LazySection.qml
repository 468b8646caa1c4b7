import QtQuick 2.15

// A part of a page that is built the first time it is wanted and kept from then on: opening a
// tab builds nothing the device has not asked for yet, and a part keeps its state (spin boxes,
// sliders) while the device switches modes or reconnects. A part given as a file (`file`,
// created with `properties`, bindings included) is not even loaded before it is wanted: the
// parts with file dialogs would otherwise load the dialogs' implementation at every start of
// the program.
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
