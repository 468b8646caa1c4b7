pragma Singleton
import QtQuick 2.15
import "."

// The socket states a device reports as `state` (those of QAbstractSocket), and how the tabs
// and pages show them.
QtObject {
    readonly property int unconnected: 0
    readonly property int connecting: 2
    readonly property int connected: 3

    function stateText(state) {
        switch (state) {
        case unconnected: return "Disconnected";
        case connecting: return "Connecting";
        case connected: return "Connected";
        default: return "Unknown: " + state;
        }
    }

    function stateColour(state, mode) {
        if (state === connected)
            return Theme.of(mode).connected;
        if (state === unconnected)
            return Theme.disconnected;
        return Theme.of(mode).text;
    }
}
