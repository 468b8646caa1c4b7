import "../common"

// The capture window of a monitor tab.
CaptureWindow {
    objectName: "monitorCaptureWindow"
    title: "Monitor Capture Frame"
}
