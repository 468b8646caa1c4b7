import QtQuick 2.15
import "../common"

// A radio button in the page theme whose mark shows `selected`, a value the box reports (or
// the page holds). A click asks for the choice through `chosen()` and keeps showing
// `selected`: the mark moves when the box confirms.
ThemedRadio {
    id: control

    property bool selected: false

    signal chosen()

    labelFont.pixelSize: 12
    checked: selected
    onClicked: {
        checked = Qt.binding(function() { return control.selected; });
        chosen();
    }
}
