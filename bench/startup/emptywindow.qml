import QtQuick 2.15
import QtQuick.Controls 1.4

// The start-up reference: an empty Qt Quick Controls 1 window of the main window's size.
ApplicationWindow {
    width: 1020
    height: 750
    visible: true
    title: "Empty window"
}
