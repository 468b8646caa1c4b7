import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15

// The custom markers stored in the monitor, as last listed. A deletion takes its rows away
// at once; the monitor is not asked again.
Item {
    id: markerList
    objectName: "markerList"

    property QtObject loadedHardware: null
    property string mode: "dark"
    readonly property alias count: markerModel.count

    // A marker's name was clicked: a new picture can go up under that name.
    signal nameChosen(string name)

    function rebuild() {
        markerModel.clear();
        if (!loadedHardware)
            return;
        var names = loadedHardware.markerNameList;
        for (var i = 0; i < names.length; ++i)
            markerModel.append({ "name": names[i] });
    }

    function markerName(row) {
        return row >= 0 && row < markerModel.count ? markerModel.get(row).name : "";
    }

    // The monitor deletes by name, so every row of that name goes.
    function deleteMarker(row) {
        if (row < 0 || row >= markerModel.count)
            return;
        var name = markerName(row);
        if (loadedHardware)
            loadedHardware.deleteCustomMarker(name);
        for (var i = markerModel.count - 1; i >= 0; --i) {
            if (markerModel.get(i).name === name)
                markerModel.remove(i);
        }
    }

    implicitHeight: 160

    ListModel {
        id: markerModel
    }

    Connections {
        target: markerList.loadedHardware
        function onMarkerNameListChanged() { markerList.rebuild(); }
    }

    Component.onCompleted: rebuild()

    ScrollView {
        anchors.fill: parent
        frameVisible: false

        ListView {
            id: markerView
            objectName: "markerView"
            model: markerModel
            spacing: 4
            delegate: RowLayout {
                spacing: 8
                Button {
                    objectName: "markerNameButton_" + index
                    text: name + ".png"
                    tooltip: "Use this name for the next marker saved"
                    Layout.preferredWidth: 260
                    onClicked: markerList.nameChosen(name)
                }
                Button {
                    objectName: "markerDeleteButton_" + index
                    text: "Delete"
                    onClicked: markerList.deleteMarker(index)
                }
            }
        }
    }
}
