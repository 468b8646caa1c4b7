import QtQuick 2.15
import QtQuick.Layouts 1.15
import "."
import "../ChannelCreation.js" as Creation

// One device tab: the device object that the tab's file gives, the connection controls shown
// while it is not connected, the device's pages, and the device's errors as message dialogs.
// The tab's file adds what differs by kind: the device with its protocol error text, the
// pages, the names it remembers and its firmware notice.
Item {
    id: tabRoot

    // Handed in by the window when it creates the tab.
    property string presetName: ""
    property string presetIp: ""
    property string sidebarName: ""
    property string sidebarIp: "0000"
    property QtObject settingsStore: null
    property QtObject appWindow: null

    // Given by the tab's file.
    property string deviceType: ""
    property QtObject device: null
    // { "title", "source" } of each page, in the order the list shows them.
    property var pages: []
    property string defaultName: ""
    // The names under which the settings store keeps the last typed name and address.
    property string nameSetting: ""
    property string addressSetting: ""
    property string firmwareNotice: ""

    readonly property string mode: appWindow ? appWindow.mode : "dark"
    readonly property var colours: Theme.of(mode)
    readonly property int deviceState: device ? device.state : Connection.unconnected
    readonly property bool connected: deviceState === Connection.connected
    // Between an unasked end of the connection and the next attempt the socket is unconnected,
    // yet the connection is not over: Connect reads Cancel and stops the retries.
    readonly property bool reconnecting: device !== null && device.connection.reconnecting
    // The window's remembered setting; a tab on its own reconnects as the window would.
    readonly property bool autoReconnect: appWindow && appWindow.autoReconnect !== undefined ? appWindow.autoReconnect : true
    // The device log panel, shown on demand (the window's View menu and its key) and built when
    // first shown.
    property bool logShown: false
    readonly property alias nameText: nameField.text
    readonly property alias addressText: ipField.text

    // The user connected: the window renames the tab and records the address.
    signal deviceInfoUpdated(string type, string ip, string name)

    // Connect, disconnect or cancel, by the device's state (the button and Ctrl+C).
    function toggleConnection() {
        if (deviceState === Connection.unconnected && !reconnecting) {
            var address = Creation.withoutSeparators(ipField.text);
            device.address = address;
            device.deviceConnect();
            deviceInfoUpdated(deviceType, address, Creation.withoutSeparators(nameField.text));
        } else if (deviceState === Connection.connected) {
            device.deviceDisconnect();
            if (pagesLoader.item)
                pagesLoader.item.currentIndex = 0;
        } else {
            device.deviceCancelConnect();
        }
        nameField.focus = false;
        ipField.focus = false;
        tabRoot.forceActiveFocus();
    }

    // A focused field would take Ctrl+C as copy; with nothing selected it connects.
    function fieldKey(event, field) {
        if (event.key === Qt.Key_C && event.modifiers === Qt.ControlModifier && field.selectedText.length === 0) {
            toggleConnection();
            event.accepted = true;
        }
    }

    function showPage(index) {
        if (pagesLoader.item && index >= 0 && index < pagesLoader.item.count)
            pagesLoader.item.currentIndex = index;
    }

    function showError(title, text) {
        errorLoader.active = true;
        var dialog = errorLoader.item;
        dialog.title = title;
        dialog.text = text;
        dialog.open();
    }

    Connections {
        target: tabRoot.device
        function onCommError(protocol, request, status) {
            tabRoot.showError("Communication error",
                "protocol number: %1\n request number: %2\n error number: %3".arg(protocol).arg(request).arg(status));
        }
        function onUpdateFirmwareComplete() { tabRoot.showError("Wait for Firmware Update", tabRoot.firmwareNotice); }
        function onSocketReadException(emsg) { tabRoot.showError("Socket Read Error", emsg); }
        function onSocketWriteException(emsg) { tabRoot.showError("Socket Write Error", emsg); }
    }

    Component.onDestruction: {
        if (settingsStore) {
            settingsStore[nameSetting] = nameField.text;
            settingsStore[addressSetting] = ipField.text;
        }
    }

    Shortcut {
        sequence: "Ctrl+C"
        enabled: tabRoot.visible
        onActivated: tabRoot.toggleConnection()
    }

    Binding {
        target: tabRoot.device ? tabRoot.device.connection : null
        property: "autoReconnect"
        value: tabRoot.autoReconnect
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
            Layout.preferredHeight: connectionColumn.implicitHeight + 24
            color: "transparent"
            border.color: tabRoot.colours.line
            radius: 4

            ColumnLayout {
                id: connectionColumn
                anchors.fill: parent
                anchors.margins: 12
                spacing: 6

                RowLayout {
                    Layout.fillWidth: true
                    spacing: 10

                    Text {
                        text: "Name:"
                        color: tabRoot.colours.text
                    }
                    LineField {
                        id: nameField
                        objectName: "nameField"
                        Layout.preferredWidth: 170
                        maximumLength: 32
                        validator: RegExpValidator { regExp: /[^,\/]*/ }
                        text: tabRoot.presetName !== "" ? tabRoot.presetName
                              : (tabRoot.sidebarName !== "" ? tabRoot.sidebarName
                                 : (tabRoot.settingsStore ? tabRoot.settingsStore[tabRoot.nameSetting] : tabRoot.defaultName))
                        onKeyPressed: tabRoot.fieldKey(event, nameField)
                    }
                    Text {
                        objectName: "stateLabel"
                        Layout.preferredWidth: 100
                        text: Connection.stateText(tabRoot.deviceState)
                        color: Connection.stateColour(tabRoot.deviceState, tabRoot.mode)
                    }
                    Text {
                        text: "Address:"
                        color: tabRoot.colours.text
                    }
                    LineField {
                        id: ipField
                        objectName: "addressField"
                        Layout.preferredWidth: 140
                        maximumLength: 15
                        validator: RegExpValidator { regExp: /[^,\/]*/ }
                        text: tabRoot.presetIp !== "" ? tabRoot.presetIp
                              : (tabRoot.sidebarIp !== "" && tabRoot.sidebarIp !== "0000" ? tabRoot.sidebarIp
                                 : (tabRoot.settingsStore ? tabRoot.settingsStore[tabRoot.addressSetting] : ""))
                        onKeyPressed: tabRoot.fieldKey(event, ipField)
                    }
                    PushButton {
                        objectName: "connectButton"
                        text: tabRoot.deviceState === Connection.unconnected && !tabRoot.reconnecting ? "Connect"
                              : (tabRoot.connected ? "Disconnect" : "Cancel")
                        onClicked: tabRoot.toggleConnection()
                    }
                    Item {
                        Layout.fillWidth: true
                    }
                }

                // Why the last connection failed or ended, or the reconnection under way.
                Text {
                    objectName: "connectionStatus"
                    Layout.fillWidth: true
                    visible: text !== ""
                    text: tabRoot.device ? tabRoot.device.connection.status : ""
                    color: tabRoot.reconnecting ? tabRoot.colours.text : Theme.disconnected
                    elide: Text.ElideRight
                }
            }
        }

        ActivityArea {
            Layout.fillWidth: true
            activity: tabRoot.device ? tabRoot.device.activity : null
            mode: tabRoot.mode
        }

        Loader {
            id: logLoader
            objectName: "deviceLogLoader"
            Layout.fillWidth: true
            Layout.preferredHeight: 220
            visible: tabRoot.logShown
            // From its file: naming the panel's type here would load its table view with every tab.
            active: tabRoot.logShown || status === Loader.Ready
            source: "DeviceLogPanel.qml"
            onLoaded: {
                item.device = Qt.binding(function() { return tabRoot.device; });
                item.mode = Qt.binding(function() { return tabRoot.mode; });
            }
        }

        // The pages, and their list, are built when the device first starts to connect: before
        // that they would show nothing (their parts wait for what the device reports).
        Loader {
            id: pagesLoader
            Layout.fillWidth: true
            Layout.fillHeight: true
            active: tabRoot.deviceState !== Connection.unconnected || status === Loader.Ready
            sourceComponent: ListView {
                id: pageList
                objectName: "pageList"
                orientation: ListView.Horizontal
                interactive: false
                clip: true
                highlightRangeMode: ListView.StrictlyEnforceRange
                highlightMoveDuration: 0
                snapMode: ListView.SnapOneItem
                // Every page stays alive while another is shown.
                cacheBuffer: width * 2
                model: tabRoot.pages
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
                    Component.onCompleted: Creation.loadPage(pageLoader, modelData.source, tabRoot.device)
                }
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
