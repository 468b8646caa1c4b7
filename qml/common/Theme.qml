pragma Singleton
import QtQuick 2.15

// The colours of the two themes and those that both share. A document that follows the theme
// reads the palette of its `mode` ("dark" or "light") as Theme.of(mode); every other mode
// reads as light.
QtObject {
    // The lit buttons, the current side-bar entry, checked radio marks and the open menu.
    readonly property color accent: "#669933"
    readonly property color accentTop: "#77aa44"
    readonly property color accentText: "white"
    readonly property color disconnected: "red"
    readonly property color closePressed: "#8c2b2b"
    readonly property color radioRing: "gray"
    readonly property color radioFocusRing: "darkblue"
    readonly property color tooltip: "#ffffe1"
    readonly property color tooltipBorder: "#767676"
    readonly property color tooltipText: "black"
    // Under pages the capture item paints in black, such as the ancillary data.
    readonly property color paper: "white"
    // The scope's screen stays black in both themes, like the instrument it stands for: the
    // trace rises from black to green or white under a grid that lets it show through, bright
    // enough to stand out on the black. Around the screen lies the window's own colour
    // (`toolWindow`), and the axis labels on it follow the theme (`plotLabel`).
    readonly property color plotGrid: "#80cccc00"
    readonly property color traceFloor: "#000000"
    readonly property color traceGreen: "#00ff00"
    readonly property color traceWhite: "#ffffff"

    // [dark, light] of each palette entry.
    readonly property var entries: ({
        "text": ["white", "black"],
        "window": ["#222222", "#ececec"],
        // The scope and capture windows, and the scope's axis labels on them.
        "toolWindow": ["#1d1f21", "#ececec"],
        "plotLabel": ["white", "black"],
        "bar": ["#2c2d30", "#dedede"],
        "sideBar": ["#47484B", "white"],
        "sideBarPressed": ["#2f3033", "#d0d0d0"],
        "entryBorder": ["#222222", "#cccccc"],
        "closeButton": ["#3a3b3e", "#e4e4e4"],
        "closeButtonBorder": ["#222222", "#bbbbbb"],
        // Frames around groups of controls, and the filled section boxes of the Cubrix pages.
        "line": ["#47484B", "#cccccc"],
        "panel": ["#2a2b2e", "#f6f6f6"],
        "pictureBorder": ["#47484B", "#999999"],
        "connected": ["#4cc94c", "green"],
        // How a device operation ended, and the quieter lines around it (running text, log times).
        "ok": ["#4cc94c", "#1a7f1a"],
        "failed": ["#ff6b6b", "#c00000"],
        "muted": ["#a0a0a0", "#606060"],
        // Push buttons: a border and a vertical gradient, darker while pressed.
        "buttonBorder": ["#000000", "#999999"],
        "buttonTop": ["#323232", "#ededed"],
        "buttonBottom": ["#222222", "#cdcdcd"],
        "buttonTopPressed": ["#000000", "#cacaca"],
        "buttonBottomPressed": ["#000000", "#ababab"]
    })
    readonly property var dark: palette(0)
    readonly property var light: palette(1)

    function palette(side) {
        var chosen = {};
        for (var name in entries)
            chosen[name] = entries[name][side];
        return chosen;
    }

    function of(mode) {
        return mode === "dark" ? dark : light;
    }
}
