import QtQuick 2.15
import QtQuick.Controls 1.4
import MNCP 1.0
import "../common"

// The settings page of a Cubrix tab ("Keyboard Control"): device header, the box's own
// network and Wi-Fi settings, the LUT processing precision and a read-out of the box state
// of each mode. Shown only while the box is connected.
CubrixPage {
    id: page
    objectName: "cubrixInfoPage"

    readonly property var precisionChoices: [
        { "label": "Ask on LUT Upload", "bits": 0 },
        { "label": "8 bit", "bits": 1 },
        { "label": "10 bit", "bits": 2 },
        { "label": "12 bit", "bits": 3 }
    ]

    // The status read-outs (with the function giving their lines): each shows the box state of
    // one mode while its button is lit.
    readonly property var statusViews: [
        { "name": "singleStatus", "label": "Single Channel Status", "lines": "singleChannelLines" },
        { "name": "dualStatus", "label": "Dual Channel Status", "lines": "dualChannelLines" },
        { "name": "tpgStatus", "label": "TPG Status", "lines": "generatorLines" }
    ]
    property var statusShown: [false, false, false]

    visible: connected
    enabled: connected

    function flip() {
        pageRequested(0);
    }

    // The four fields of an address row joined by dots.
    function dotted(fields) {
        var parts = [];
        for (var i = 0; i < fields.count; ++i)
            parts.push(fields.itemAt(i) ? fields.itemAt(i).text : "");
        return parts.join(".");
    }

    function allFilled(fields) {
        for (var i = 0; i < fields.count; ++i) {
            if (!fields.itemAt(i) || fields.itemAt(i).text === "")
                return false;
        }
        return fields.count === 4;
    }

    function setIp(addressFields, maskFields, gateFields) {
        var address = dotted(addressFields);
        var mask = dotted(maskFields);
        var gate = dotted(gateFields);
        if (!allFilled(addressFields) || !allFilled(maskFields) || !allFilled(gateFields)) {
            console.log("SetIP  address " + address);
            console.log("SetIP  mask    " + mask);
            console.log("SetIP  gate    " + gate);
            return;
        }
        loadedHardware.setUserIP(address, mask, gate);
    }

    // The device ends the connection itself once it has answered with its new address.
    Connections {
        target: page.loadedHardware
        ignoreUnknownSignals: true
        function onUserAddressSet(address) {
            page.pageRequested(0);
            page.dialogs.notify("IP Address Updated", "The device now uses the address %1. Connect to it there.".arg(address));
        }
        function onUserAddressFailed(address, reason) {
            page.dialogs.notify("IP Address Not Updated", "The device did not take the address %1: %2.".arg(address).arg(reason));
        }
    }

    function toggleStatus(index) {
        var shown = statusShown.slice();
        shown[index] = !shown[index];
        statusShown = shown;
    }

    function onOff(value) {
        return value !== 0 ? "On" : "Off";
    }

    function slotText(value) {
        return value !== 0 ? String(value) : "";
    }

    function inputText(value, feedbackAllowed) {
        if (value === 1)
            return "input-port: SDI 1";
        if (value === 2)
            return "input-port: SDI 2";
        if (value === 3 && feedbackAllowed)
            return "input-port: CH2_Output";
        return "input-port: %1".arg(value);
    }

    function rangeText(value, singleMode) {
        switch (value) {
        case 1: return "input-range: video range";
        case 2: return "input-range: extended range";
        case 3: return "input-range: SMPTE full range";
        case 4: return singleMode ? "input-range: Full range" : "input-range: full range";
        default: return "input-range: %1".arg(value);
        }
    }

    function formatLines(name, lut1dIn, lut1dOut, lut3dIn, lut3dOut, lut3dSize) {
        return [name + "-Lut1d:", "inbit: %1".arg(lut1dIn), "outbit: %1".arg(lut1dOut),
                name + "-Lut3d:", "inbit: %1".arg(lut3dIn), "outbit: %1".arg(lut3dOut), "size: %1".arg(lut3dSize)];
    }

    // The LUT and frame slots of one channel; `frame` is [state, load] or null.
    function slotLines(front, frontLoad, cube, cubeLoad, back, backLoad, frame) {
        var lines = ["front-1dlut-state: %1".arg(onOff(front)), "3dlut-state: %1".arg(onOff(cube)),
                     "back-1dlut-state: %1".arg(onOff(back))];
        if (frame)
            lines.push("frame-load-state: %1".arg(onOff(frame[0])));
        lines.push("front-1dlut-load: %1".arg(slotText(frontLoad)), "3dlut-load: %1".arg(slotText(cubeLoad)),
                   "back-1dlut-load: %1".arg(slotText(backLoad)));
        if (frame)
            lines.push("frame-load: %1".arg(slotText(frame[1])));
        return lines;
    }

    function singleChannelLines(d) {
        return formatLines("Mode1", d.boxmode1_1dlut_inbit, d.boxmode1_1dlut_outbit, d.boxmode1_3dlut_inbit,
                           d.boxmode1_3dlut_outbit, d.boxmode1_3dlut_size)
            .concat(slotLines(d.boxmode1_ch1_1dlut1_state, d.boxmode1_ch1_1dlut1_load, d.boxmode1_ch1_3dlut_state,
                              d.boxmode1_ch1_3dlut_load, d.boxmode1_ch1_1dlut2_state, d.boxmode1_ch1_1dlut2_load,
                              [d.boxmode1_ch1_frm_state, d.boxmode1_ch1_frm_load]))
            .concat([inputText(d.boxmode1_ch1_input, false), rangeText(d.boxmode1_ch1_range, true)]);
    }

    function dualChannelLines(d) {
        return formatLines("Mode2", d.boxmode2_1dlut_inbit, d.boxmode2_1dlut_outbit, d.boxmode2_3dlut_inbit,
                           d.boxmode2_3dlut_outbit, d.boxmode2_3dlut_size)
            .concat(["Channel 1:"])
            .concat(slotLines(d.boxmode2_ch1_1dlut1_state, d.boxmode2_ch1_1dlut1_load, d.boxmode2_ch1_3dlut_state,
                              d.boxmode2_ch1_3dlut_load, d.boxmode2_ch1_1dlut2_state, d.boxmode2_ch1_1dlut2_load,
                              [d.boxmode2_ch1_frm_state, d.boxmode2_ch1_frm_load]))
            .concat([inputText(d.boxmode2_ch1_input, true), rangeText(d.boxmode2_ch1_range, false), "Channel 2:"])
            .concat(slotLines(d.boxmode2_ch2_1dlut1_state, d.boxmode2_ch2_1dlut1_load, d.boxmode2_ch2_3dlut_state,
                              d.boxmode2_ch2_3dlut_load, d.boxmode2_ch2_1dlut2_state, d.boxmode2_ch2_1dlut2_load, null))
            .concat([inputText(d.boxmode2_ch2_input, false), rangeText(d.boxmode2_ch2_range, false)]);
    }

    function generatorLines(d) {
        var inputType = d.boxmode3_input_type === 2 ? "RGB" : d.boxmode3_input_type === 1 ? "YCbCr" : "";
        var forms = { 1: "ire 50% window", 2: "ire field", 3: "ire 10% window", 4: "ire 5% window" };
        var types = { 1: "HD 1080P 30", 2: "HD 1080P 29.97", 3: "HD 1080P 25", 4: "HD 1080P 24",
                      5: "HD 1080p 23.98", 17: "3G Level A 1080p 60" };
        var form = forms[d.boxmode3_output_form];
        var type = types[d.boxmode3_output_type];
        return slotLines(d.boxmode3_ch1_1dlut1_state, d.boxmode3_ch1_1dlut1_load, d.boxmode3_ch1_3dlut_state,
                         d.boxmode3_ch1_3dlut_load, d.boxmode3_ch1_1dlut2_state, d.boxmode3_ch1_1dlut2_load,
                         [d.boxmode3_ch1_frm_state, d.boxmode3_ch1_frm_load])
            .concat([rangeText(d.boxmode3_ch1_range, false),
                     "input-type: %1".arg(inputType),
                     "output-form: " + (form !== undefined ? form : ""),
                     "output-type: " + (type !== undefined ? type : String(d.boxmode3_output_type))]);
    }

    Shortcut {
        sequence: "Shift+S"
        enabled: page.viewModel.active && page.viewModel.knownModel
        onActivated: page.flip()
    }

    Column {
        width: page.width
        spacing: 10

        DeviceMetaConnect {
            objectName: "deviceHeader"
            width: parent.width
            mode: page.mode
            device: page.loadedHardware
            view: page.viewModel
            dialogs: page.dialogs
            onSettingsPage: true
            onFlipRequested: page.flip()
            // The controls page closes its windows when the box goes.
            onDisconnectRequested: page.pageRequested(0)
        }

        LazySection {
            objectName: "settingsSection"
            wanted: page.viewModel.connected
            sourceComponent: Column {
                spacing: 10

                Row {
                    spacing: 10

                    SectionBox {
                        objectName: "networkSettings"
                        title: "Change Network Settings"
                        mode: page.mode

                        Repeater {
                            id: addressRows
                            model: [
                                { "label": "Change IP Address To:", "name": "ipField", "initial": [] },
                                { "label": "Change Subnet Mask To:", "name": "maskField", "initial": ["255", "255", "255", "0"] },
                                { "label": "Change Gateway To:", "name": "gateField", "initial": ["192", "168", "1", "1"] }
                            ]
                            delegate: Row {
                                id: addressRow
                                readonly property var spec: modelData
                                readonly property alias fields: fieldRepeater
                                spacing: 4
                                Text {
                                    text: addressRow.spec.label
                                    width: 150
                                    font.pixelSize: 12
                                    color: page.colours.text
                                    anchors.verticalCenter: parent.verticalCenter
                                }
                                Repeater {
                                    id: fieldRepeater
                                    model: 4
                                    delegate: TextField {
                                        objectName: addressRow.spec.name + index
                                        width: 46
                                        validator: IntValidator { bottom: 0; top: 255 }
                                        text: addressRow.spec.initial.length === 4 ? addressRow.spec.initial[index]
                                                                                   : page.viewModel.addressPart(index)
                                    }
                                }
                            }
                        }
                        HighlightButton {
                            objectName: "setIpButton"
                            text: "SetIP"
                            mode: page.mode
                            width: 100
                            onClicked: page.setIp(addressRows.itemAt(0).fields, addressRows.itemAt(1).fields,
                                                  addressRows.itemAt(2).fields)
                        }
                    }

                    SectionBox {
                        objectName: "wifiSettings"
                        title: "Wi-Fi"
                        mode: page.mode
                        Row {
                            spacing: 4
                            Text {
                                text: "Change SSID To:"
                                width: 130
                                font.pixelSize: 12
                                color: page.colours.text
                                anchors.verticalCenter: parent.verticalCenter
                            }
                            TextField {
                                id: ssidField
                                objectName: "ssidField"
                                width: 150
                                text: "YourSSID"
                            }
                        }
                        Row {
                            spacing: 4
                            Text {
                                text: "Change Password To:"
                                width: 130
                                font.pixelSize: 12
                                color: page.colours.text
                                anchors.verticalCenter: parent.verticalCenter
                            }
                            TextField {
                                id: passwordField
                                objectName: "passwordField"
                                width: 150
                                placeholderText: "YourPassword"
                            }
                        }
                        Row {
                            spacing: 6
                            HighlightButton {
                                objectName: "wifiSetButton"
                                text: "WiFi SET"
                                mode: page.mode
                                onClicked: page.loadedHardware.setUserWIFI(ssidField.text, passwordField.text)
                            }
                            HighlightButton {
                                objectName: "wifiOnButton"
                                text: "WiFi ON"
                                mode: page.mode
                                onClicked: page.loadedHardware.setWiFi(true)
                            }
                            HighlightButton {
                                objectName: "wifiOffButton"
                                text: "WiFi OFF"
                                mode: page.mode
                                onClicked: page.loadedHardware.setWiFi(false)
                            }
                        }
                    }
                }

                SectionBox {
                    objectName: "precisionSettings"
                    title: "Set Cube LUT Processing Precision"
                    mode: page.mode
                    Row {
                        spacing: 16
                        Repeater {
                            model: page.precisionChoices
                            delegate: ChoiceButton {
                                objectName: "precision" + modelData.bits
                                text: modelData.label
                                mode: page.mode
                                selected: page.loadedHardware.cube_bit_def === modelData.bits
                                onChosen: page.loadedHardware.setCube(modelData.bits)
                            }
                        }
                    }
                }

                SectionBox {
                    objectName: "statusSection"
                    title: "Status"
                    mode: page.mode
                    Row {
                        spacing: 6
                        Repeater {
                            model: page.statusViews
                            delegate: HighlightButton {
                                objectName: modelData.name + "Button"
                                text: modelData.label
                                mode: page.mode
                                highlighted: page.statusShown[index]
                                onClicked: page.toggleStatus(index)
                            }
                        }
                    }
                    Row {
                        spacing: 24
                        Repeater {
                            model: page.statusViews
                            delegate: Column {
                                id: readout
                                objectName: modelData.name
                                readonly property var lines: visible ? page[modelData.lines](page.loadedHardware) : []
                                visible: page.statusShown[index]
                                Repeater {
                                    model: readout.lines
                                    delegate: Text { text: modelData; font.pixelSize: 12; color: page.colours.text }
                                }
                            }
                        }
                    }
                }
            }
        }
    }
}
