import QtQuick 2.15
import "../common/CheckDeviceType.js" as DeviceType
import "../common"

// What the pages show of one Cubrix, derived from the device's properties in one place: the
// model family, the mode and channel with the input and range that belong to them, the signal
// format word, and where the page sits (its tab, whether it is the page on show). Pure
// bindings: nothing here is state of its own.
QtObject {
    id: view

    property QtObject device: null
    property Item page: null

    readonly property int deviceState: read("state", Connection.unconnected)
    readonly property bool connected: deviceState === Connection.connected
    readonly property string model: read("model", "")
    readonly property bool knownModel: DeviceType.isCubrix(model)
    // The Mono DP model has one DisplayPort input: no SDI choice and no second channel.
    readonly property bool inputSelectable: model === "Cubrix" || model === "Cubrix Mono SDI"
    readonly property bool dualChannelAllowed: model !== "Cubrix Mono DP"

    readonly property int boxMode: read("box_mode", 0)
    readonly property int boxCh: read("box_ch", 0)
    readonly property bool singleChannel: boxMode === 1
    readonly property bool dualChannel: boxMode === 2
    readonly property bool dualChannel1: boxMode === 2 && boxCh === 1
    readonly property bool dualChannel2: boxMode === 2 && boxCh === 2
    readonly property bool generator: boxMode === 3

    // The input of the channel on show: mode 1 channel 1, or the selected channel of mode 2.
    readonly property int currentInput: singleChannel ? read("boxmode1_ch1_input", 0)
        : dualChannel1 ? read("boxmode2_ch1_input", 0)
        : dualChannel2 ? read("boxmode2_ch2_input", 0) : 0
    // The range of the channel on show (low four bits of the range word).
    readonly property int currentRange: (singleChannel ? read("boxmode1_ch1_range", 0)
        : dualChannel1 ? read("boxmode2_ch1_range", 0)
        : dualChannel2 ? read("boxmode2_ch2_range", 0)
        : generator ? read("boxmode3_ch1_range", 0) : 0) & 0x0F

    // Scopes stream channel 1 only; captures come from modes 1 and 2.
    readonly property bool scopesAllowed: singleChannel || dualChannel1
    readonly property bool captureAllowed: singleChannel || dualChannel

    readonly property int signalWord: read("boxmode1_ch1_signal", 0)
    readonly property int signalLink: (signalWord >> 8) & 0xFF
    readonly property int signalSample: signalWord & 0xFF

    // The device tab holding the page (the window's "maintab_cubrix.qml"), if any.
    readonly property Item tab: findTab(page)
    readonly property string tabTitle: tab && tab.parent && tab.parent.title !== undefined ? tab.parent.title : model
    // Whether the page is the one its tab shows (both pages of a tab exist side by side).
    readonly property bool shown: page !== null && page.visible && isCurrentPage(page)
    readonly property bool active: connected && shown

    // A property of the device, or `fallback` while there is none (no device yet, or an
    // object that is not a Cubrix).
    function read(name, fallback) {
        var value = device ? device[name] : undefined;
        return value !== undefined ? value : fallback;
    }

    function findTab(item) {
        for (var node = item; node; node = node.parent) {
            if (node.deviceType === "CUBRIX")
                return node;
        }
        return null;
    }

    function isCurrentPage(item) {
        for (var node = item; node && node.parent; node = node.parent) {
            var list = node.parent.parent;
            if (list && list.contentItem === node.parent && list.currentItem !== undefined)
                return list.currentItem === node;
        }
        return true;
    }

    // Part `index` (0 to 3) of the device's dotted address, or an empty text.
    function addressPart(index) {
        var parts = device ? String(device.address).split(".") : [];
        return parts.length === 4 ? parts[index] : "";
    }
}
