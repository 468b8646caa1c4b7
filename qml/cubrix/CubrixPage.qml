import QtQuick 2.15
import "../common"

// What both pages of a Cubrix tab have: the tab's device, the theme, the view of the box
// (`viewModel`) and the page's dialogs. `pageRequested(index)` asks the tab to show page
// `index` (0 the controls, 1 the settings).
Item {
    id: page

    property QtObject loadedHardware: null
    readonly property QtObject deviceInstance: loadedHardware
    property string mode: "dark"
    readonly property var colours: Theme.of(mode)

    readonly property bool connected: boxView.connected
    readonly property QtObject viewModel: boxView
    readonly property QtObject dialogs: pageDialogs

    signal pageRequested(int index)

    ViewModel {
        id: boxView
        device: page.loadedHardware
        page: page
    }

    PageDialogs {
        id: pageDialogs
        objectName: "pageDialogs"
    }
}
