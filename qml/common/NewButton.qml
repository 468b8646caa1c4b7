import QtQuick 2.15
import "."

// The push button of the scope and capture windows: the themed look of PushButton, in the
// window's theme ("dark" or "light").
PushButton {
    mode: "dark"
}
