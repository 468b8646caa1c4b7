import QtQuick 2.15
import QtQuick.Window 2.15
import MNCP 1.0
import "../common"

// The keys of the controls page. Each works only while the control it stands for is on show
// (the page is the one its tab shows, the box is connected, and the control's mode is on),
// and none while an input control of the page has the focus.
Item {
    id: keys

    property QtObject device: null
    property QtObject view: null
    property Item page: null
    property Item lutPage: null

    // A field, spin box, list or slider with the focus keeps the keys it types with.
    readonly property bool pageActive: view !== null && view.active && !InputFocus.keepsKeys(Window.activeFocusItem)
    readonly property bool active: pageActive && view.knownModel
    readonly property Item row: lutPage ? lutPage.visibleRow : null
    readonly property bool linkKeysActive: active && view.singleChannel
    readonly property bool sampleKeysActive: linkKeysActive && view.signalWord >= 0x100

    function press(key) {
        device.sendKey(key);
    }

    function chooseSample(sample) {
        device.setInputSignal((view.signalWord & 0xFF00) | sample);
    }

    // Page and header
    Shortcut { sequence: "Shift+S"; enabled: keys.active; onActivated: keys.page.flip() }
    Shortcut { sequence: "Shift+O"; enabled: keys.pageActive; onActivated: keys.press(Cubrix.MNCP_KEY_MENU) }

    // Launch components
    Shortcut { sequence: "Shift+W"; enabled: keys.active && keys.view.scopesAllowed; onActivated: keys.page.openScope("waveform") }
    Shortcut { sequence: "Shift+V"; enabled: keys.active && keys.view.scopesAllowed; onActivated: keys.page.openScope("vector") }
    Shortcut { sequence: "Shift+C"; enabled: keys.active && keys.view.captureAllowed; onActivated: keys.page.openCapture() }

    // The LUTs and the frame of the row on show
    Shortcut { sequence: "Shift+F"; enabled: keys.pageActive && keys.row !== null; onActivated: keys.row.frontBox.toggle() }
    Shortcut { sequence: "Shift+G"; enabled: keys.pageActive && keys.row !== null; onActivated: keys.row.cubeBox.toggle() }
    Shortcut { sequence: "Shift+H"; enabled: keys.pageActive && keys.row !== null; onActivated: keys.row.backBox.toggle() }
    Shortcut {
        sequence: "Shift+J"
        enabled: keys.pageActive && keys.row !== null && keys.row.frameBox !== null
        onActivated: keys.row.frameBox.toggle()
    }

    // Modes, channels and inputs
    Shortcut { sequence: "1"; enabled: keys.active; onActivated: keys.press(Cubrix.MNCP_KEY_MODE_1) }
    Shortcut { sequence: "2"; enabled: keys.active && keys.view.dualChannelAllowed; onActivated: keys.press(Cubrix.MNCP_KEY_MODE_2) }
    Shortcut { sequence: "3"; enabled: keys.active; onActivated: keys.press(Cubrix.MNCP_KEY_MODE_3) }
    Shortcut { sequence: "4"; enabled: keys.active && keys.view.dualChannel; onActivated: keys.press(Cubrix.MNCP_KEY_CH_1) }
    Shortcut { sequence: "5"; enabled: keys.active && keys.view.dualChannel; onActivated: keys.press(Cubrix.MNCP_KEY_CH_2) }
    Shortcut {
        sequence: "Shift+1"
        enabled: keys.active && keys.view.inputSelectable && (keys.view.singleChannel || keys.view.dualChannel)
        onActivated: keys.press(Cubrix.MNCP_KEY_INPUT0)
    }
    Shortcut {
        sequence: "Shift+2"
        enabled: keys.active && keys.view.inputSelectable && (keys.view.singleChannel || keys.view.dualChannel)
        onActivated: keys.press(Cubrix.MNCP_KEY_INPUT1)
    }
    Shortcut {
        sequence: "Shift+3"
        enabled: keys.active && keys.view.inputSelectable && keys.view.dualChannel1
        onActivated: keys.press(Cubrix.MNCP_KEY_INPUT2)
    }

    // Ranges
    Shortcut { sequence: "U"; enabled: keys.active; onActivated: keys.device.setRange(1) }
    Shortcut { sequence: "I"; enabled: keys.active; onActivated: keys.device.setRange(2) }
    Shortcut { sequence: "O"; enabled: keys.active; onActivated: keys.device.setRange(3) }
    Shortcut { sequence: "P"; enabled: keys.active; onActivated: keys.device.setRange(4) }

    // Signal link and sample structure
    Shortcut { sequence: "Shift+K"; enabled: keys.linkKeysActive; onActivated: keys.device.setInputSignal(0x000) }
    Shortcut { sequence: "Shift+L"; enabled: keys.linkKeysActive; onActivated: keys.device.setInputSignal(0x100) }
    Shortcut { sequence: "Shift+;"; enabled: keys.linkKeysActive; onActivated: keys.device.setInputSignal(0x200) }
    Shortcut { sequence: "Shift+'"; enabled: keys.linkKeysActive; onActivated: keys.device.setInputSignal(0x300) }
    Shortcut { sequence: "Ctrl+Shift+K"; enabled: keys.sampleKeysActive; onActivated: keys.chooseSample(1) }
    Shortcut { sequence: "Ctrl+Shift+L"; enabled: keys.sampleKeysActive; onActivated: keys.chooseSample(2) }
    Shortcut { sequence: "Ctrl+Shift+;"; enabled: keys.sampleKeysActive; onActivated: keys.chooseSample(3) }
    Shortcut { sequence: "Ctrl+Shift+'"; enabled: keys.sampleKeysActive; onActivated: keys.chooseSample(4) }
    Shortcut { sequence: "Ctrl+Shift+M"; enabled: keys.sampleKeysActive; onActivated: keys.chooseSample(5) }
    Shortcut { sequence: "Ctrl+Shift+,"; enabled: keys.sampleKeysActive; onActivated: keys.chooseSample(6) }
    Shortcut { sequence: "Ctrl+Shift+."; enabled: keys.sampleKeysActive; onActivated: keys.chooseSample(0) }
}
