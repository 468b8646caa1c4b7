import QtQuick 2.15

// A part of a page that is built the first time it is wanted and kept from then on: opening a
// tab builds nothing the box has not asked for yet, and spin boxes and sliders keep their
// values while the box switches modes.
Loader {
    property bool wanted: false

    visible: wanted
    active: false
    onWantedChanged: if (wanted) active = true
    Component.onCompleted: if (wanted) active = true
}
