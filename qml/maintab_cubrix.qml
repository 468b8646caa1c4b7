import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls.Styles 1.4
import QtQuick.Layouts 1.15
import MNCP 1.0
import "ChannelCreation.js" as Creation

// One Cubrix tab: the device object, the connection controls shown while it is not connected,
// the device pages, and the device's errors as message dialogs.
Item {
    id: tabRoot
    objectName: "cubrixTab"

    // Handed in by the window when it creates the tab.
    property string presetName: ""
    property string presetIp: ""
    property string sidebarName: ""
    property string sidebarIp: "0000"
    property QtObject settingsStore: null
    property QtObject appWindow: null

    readonly property string deviceType: "CUBRIX"
    readonly property string mode: appWindow ? appWindow.mode : "dark"
    readonly property color textColour: mode === "dark" ? "white" : "black"
    readonly property bool connected: deviceInstance.state === 3
    readonly property alias device: deviceInstance
    readonly property alias nameText: nameField.text
    readonly property alias addressText: ipField.text

    // The user connected: the window renames the tab and records the address.
    signal deviceInfoUpdated(string type, string ip, string name)

    function stateText(state) {
        switch (state) {
        case 0: return "Disconnected";
        case 2: return "Connecting";
        case 3: return "Connected";
        default: return "Unknown: " + state;
        }
    }

    function stateColour(state) {
        if (state === 3)
            return mode === "dark" ? "#4cc94c" : "green";
        if (state === 0)
            return "red";
        return textColour;
    }

    // Connect, disconnect or cancel, by the device's state (the button and Ctrl+C).
    function toggleConnection() {
        var state = deviceInstance.state;
        if (state === 0) {
            var address = Creation.withoutSeparators(ipField.text);
            deviceInstance.address = address;
            deviceInstance.deviceConnect();
            deviceInfoUpdated(deviceType, address, Creation.withoutSeparators(nameField.text));
        } else if (state === 3) {
            deviceInstance.deviceDisconnect();
            pageList.currentIndex = 0;
        } else {
            deviceInstance.deviceCancelConnect();
        }
        nameField.focus = false;
        ipField.focus = false;
        tabRoot.forceActiveFocus();
    }

    function showPage(index) {
        if (index >= 0 && index < pageList.count)
            pageList.currentIndex = index;
    }

    function showError(title, text) {
        errorLoader.active = true;
        var dialog = errorLoader.item;
        dialog.title = title;
        dialog.text = text;
        dialog.open();
    }

    Cubrix {
        id: deviceInstance
        objectName: "cubrixDevice"
        onProtocolError: tabRoot.showError("Protocol error",
            "Error Status: %3\nProtocol number: %1\nHeader Request: %2\n\nDetails:  %4"
                .arg(protocol).arg(request).arg(status).arg(deviceInstance.getProtocolMessage(protocol)))
        onCommError: tabRoot.showError("Communication error",
            "protocol number: %1\n request number: %2\n error number: %3".arg(protocol).arg(request).arg(status))
        onUpdateFirmwareComplete: tabRoot.showError("Wait for Firmware Update",
            "Firmware received! Please wait 2 minutes then power cycle Cubrix.")
        onSocketReadException: tabRoot.showError("Socket Read Error", emsg)
        onSocketWriteException: tabRoot.showError("Socket Write Error", emsg)
    }

    Component.onDestruction: {
        if (settingsStore) {
            settingsStore.cubrixName = nameField.text;
            settingsStore.state_cubrix = ipField.text;
        }
    }

    Shortcut {
        sequence: "Ctrl+C"
        enabled: tabRoot.visible
        onActivated: tabRoot.toggleConnection()
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 10
        spacing: 10

        Rectangle {
            id: connectionGroup
            objectName: "connectionGroup"
            visible: !tabRoot.connected
            Layout.fillWidth: true
            Layout.preferredHeight: 56
            color: "transparent"
            border.color: tabRoot.mode === "dark" ? "#47484B" : "#cccccc"
            radius: 4

            RowLayout {
                anchors.fill: parent
                anchors.margins: 12
                spacing: 10

                Label {
                    text: "Name:"
                    color: tabRoot.textColour
                }
                TextField {
                    id: nameField
                    objectName: "nameField"
                    Layout.preferredWidth: 170
                    maximumLength: 32
                    validator: RegExpValidator { regExp: /[^,\/]*/ }
                    text: tabRoot.presetName !== "" ? tabRoot.presetName
                          : (tabRoot.sidebarName !== "" ? tabRoot.sidebarName
                             : (tabRoot.settingsStore ? tabRoot.settingsStore.cubrixName : "New Cubrix"))
                    // A focused field would take Ctrl+C as copy; with nothing selected it connects.
                    Keys.onPressed: {
                        if (event.key === Qt.Key_C && event.modifiers === Qt.ControlModifier && selectedText.length === 0) {
                            tabRoot.toggleConnection();
                            event.accepted = true;
                        }
                    }
                }
                Label {
                    objectName: "stateLabel"
                    Layout.preferredWidth: 100
                    text: tabRoot.stateText(deviceInstance.state)
                    color: tabRoot.stateColour(deviceInstance.state)
                }
                Label {
                    text: "Address:"
                    color: tabRoot.textColour
                }
                TextField {
                    id: ipField
                    objectName: "addressField"
                    Layout.preferredWidth: 140
                    maximumLength: 15
                    validator: RegExpValidator { regExp: /[^,\/]*/ }
                    text: tabRoot.presetIp !== "" ? tabRoot.presetIp
                          : (tabRoot.sidebarIp !== "" && tabRoot.sidebarIp !== "0000" ? tabRoot.sidebarIp
                             : (tabRoot.settingsStore ? tabRoot.settingsStore.state_cubrix : ""))
                    Keys.onPressed: {
                        if (event.key === Qt.Key_C && event.modifiers === Qt.ControlModifier && selectedText.length === 0) {
                            tabRoot.toggleConnection();
                            event.accepted = true;
                        }
                    }
                }
                Button {
                    objectName: "connectButton"
                    text: deviceInstance.state === 0 ? "Connect" : (deviceInstance.state === 3 ? "Disconnect" : "Cancel")
                    onClicked: tabRoot.toggleConnection()
                }
                Item {
                    Layout.fillWidth: true
                }
            }
        }

        ListView {
            id: pageList
            objectName: "pageList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            orientation: ListView.Horizontal
            interactive: false
            clip: true
            highlightRangeMode: ListView.StrictlyEnforceRange
            highlightMoveDuration: 0
            snapMode: ListView.SnapOneItem
            // Both pages stay alive while the other is shown.
            cacheBuffer: width * 2
            model: ListModel {
                ListElement { title: "General Info"; source: "qrc:/cubrix/GeneralPage.qml" }
                ListElement { title: "Keyboard Control"; source: "qrc:/cubrix/Info.qml" }
            }
            delegate: Item {
                width: pageList.width
                height: pageList.height

                Loader {
                    id: pageLoader
                    objectName: "pageLoader"
                    anchors.fill: parent
                    onLoaded: {
                        if (item.mode !== undefined)
                            item.mode = Qt.binding(function() { return tabRoot.mode; });
                    }
                }
                Connections {
                    target: pageLoader.item
                    ignoreUnknownSignals: true
                    function onPageRequested(index) { tabRoot.showPage(index); }
                }
                Component.onCompleted: Creation.loadPage(pageLoader, source, deviceInstance)
            }
        }
    }

    // Built when the device first reports an error: most tabs never show it, and building it
    // (or only loading its type) with every tab slowed the window's start.
    Loader {
        id: errorLoader
        active: false
        source: "DeviceErrorDialog.qml"
    }
}
