import QtQuick 2.15
import MNCP 1.0
import "common"
import "common/CheckDeviceType.js" as CheckDeviceType

// One monitor tab: a device tab holding a Monitor, with its page.
DeviceTab {
    id: tab
    objectName: "monitorTab"
    deviceType: "MONITOR"
    defaultName: "New Monitor"
    nameSetting: "monitorName"
    addressSetting: "state_mon"
    firmwareNotice: "Firmware received! Please wait 2 minutes then power cycle the monitor."
    pages: [{ "title": "General Info", "source": "qrc:/monitor/GeneralPage.qml" }]

    device: Monitor {
        id: monitor
        objectName: "monitorDevice"
        onProtocolError: {
            // RV monitors answer this request with status 1 in normal operation.
            if (protocol === Monitor.MNCP_PROTOCOL_LUT3D_CALIBRATION && request === (Monitor.MNCP_SLOT_STORE | 1)
                    && status === 1 && CheckDeviceType.isRVseries(monitor.model, monitor.serial))
                return;
            tab.showError("Protocol error",
                "protocol number: %1\n request number: %2\n status number: %3".arg(protocol).arg(request).arg(status));
        }
    }
}
