import QtQuick 2.15
import MNCP 1.0
import "common"

// One Cubrix tab: a device tab holding a Cubrix, with its controls and settings pages.
DeviceTab {
    id: tab
    objectName: "cubrixTab"
    deviceType: "CUBRIX"
    defaultName: "New Cubrix"
    nameSetting: "cubrixName"
    addressSetting: "state_cubrix"
    firmwareNotice: "Firmware received! Please wait 2 minutes then power cycle Cubrix."
    pages: [
        { "title": "General Info", "source": "qrc:/cubrix/GeneralPage.qml" },
        { "title": "Keyboard Control", "source": "qrc:/cubrix/Info.qml" }
    ]

    device: Cubrix {
        id: box
        objectName: "cubrixDevice"
        onProtocolError: tab.showError("Protocol error",
            "Error Status: %3\nProtocol number: %1\nHeader Request: %2\n\nDetails:  %4"
                .arg(protocol).arg(request).arg(status).arg(box.getProtocolMessage(protocol)))
    }
}
