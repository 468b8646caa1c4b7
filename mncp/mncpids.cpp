#include "mncpids.h"

#include <algorithm>
#include <iterator>

std::optional<quint16> mncp_lut_protocol(mncp_lut_dimension dimension, int func, mncp_lut_use use)
{
    // Post-DIT tables share the box protocol.
    static constexpr quint16 oneD[] = {MNCP_PROTOCOL_LUT1D_CALIBRATION, MNCP_PROTOCOL_LUT1D_DIT, MNCP_PROTOCOL_LUT1D_BOX,
                                       MNCP_PROTOCOL_LUT1D_POST_CALIBRATION, MNCP_PROTOCOL_LUT1D_BOX};
    if (dimension == MNCP_LUT_1D && func >= MNCP_LUT_CALIBRATION && func <= MNCP_LUT_POST_DIT)
        return oneD[func];
    if (dimension == MNCP_LUT_3D) {
        if (func == MNCP_LUT_CALIBRATION)
            return MNCP_PROTOCOL_LUT3D_CALIBRATION;
        if (func == MNCP_LUT_DIT || (func == MNCP_LUT_BOX && use == mncp_lut_use::Load))
            return MNCP_PROTOCOL_LUT3D_DIT;
    }
    return std::nullopt;
}

namespace {
struct ErrorText {
    quint16 protocol;
    const char *text;
};

const ErrorText errorTexts[] = {
    {MNCP_PROTOCOL_KEY, "Protocol Key Error\n"},
    {MNCP_PROTOCOL_TALLY, "Protocol Tally Error\n"},
    {MNCP_PROTOCOL_UMD, "Protocol UMD Error\n"},
    {MNCP_PROTOCOL_FIRMWARE, "Protocol Firmware Error\n"},
    {MNCP_PROTOCOL_BASIC_INFO,
     "Protocol Basic info Error\n\nPossible Causes:\n"
     "   1. Connection Mismatch: You have connected a Cubrix tab to a Monitor!   (disconnect now!)\n"
     "   2. Firmware out of date: Please ensure you have the most recent firmware installed on your device."},
    {MNCP_PROTOCOL_CHANNEL_INFO, "Protocol Channel info Error\n"},
    {MNCP_PROTOCOL_PORT_INFO, "Protocol Port info Error\n"},
    {MNCP_PROTOCOL_ALIGNMENT, "Protocol Alignment Error\n"},
    {MNCP_PROTOCOL_PATTERN, "Protocol Pattern Error\n"},
    {MNCP_PROTOCOL_LUT1D_CALIBRATION, "Protocol Calibration 1DLUT Error\n"},
    {MNCP_PROTOCOL_LUT1D_DIT, "Protocol DIT(Front) 1DLUT Error\n"},
    {MNCP_PROTOCOL_LUT1D_BOX, "Protocol BOX(Back) 1DLUT Error\n"},
    {MNCP_PROTOCOL_INPUT_RANGE, "Protocol Input Range Error\n"},
    {MNCP_PROTOCOL_LUT3D_CALIBRATION, "Protocol Calibration 3DLUT Error\n"},
    {MNCP_PROTOCOL_LUT3D_DIT, "Protocol DIT 3DLUT Error\n"},
    {MNCP_PROTOCOL_CSC_CALIBRATION, "Protocol Calibration CSC Error\n"},
    {MNCP_PROTOCOL_CSC_DIT, "Protocol DIT CSC Error\n"},
    {MNCP_PROTOCOL_FRAME_CAPTURE,
     "Frame Capture Protocol Error\nPossible Causes:\n"
     "   1. This feature is not supported in 'Test Pattern Generator' mode"},
    {MNCP_PROTOCOL_FRAME_LOAD, "Protocol Frame Load Error\n"},
    {MNCP_PROTOCOL_ANCI_CAPTURE, "Protocol ANCI Capture Error"},
    {MNCP_PROTOCOL_SCOPE_STREAM,
     "ScopeStream Protocol Error\nPossible Causes:\n"
     "   1. This feature is not supported via Channel 2.\n"
     "   2. This feature is not supported in 'Test Pattern Generator' mode"},
    {MNCP_PROTOCOL_NETWORK, "Protocol User IP SET Error\n"},
    {MNCP_PROTOCOL_GENERATOR, "Protocol TPG SET Error\n"},
    {MNCP_PROTOCOL_SYSTEM_EVENT, "Protocol System event Error\n"},
    {MNCP_PROTOCOL_CHANNEL_EVENT, "Protocol Channel event Error\n"},
    {MNCP_PROTOCOL_FUNCTION_EVENT, "Protocol Function event Error\n"},
    {MNCP_PROTOCOL_ALARM_EVENT, "Protocol Alarm event Error\n"},
};
} // namespace

QString getProtocolMessage(int protocol)
{
    const auto found = std::find_if(std::begin(errorTexts), std::end(errorTexts),
                                    [protocol](const ErrorText &entry) { return entry.protocol == protocol; });
    return QString::fromLatin1(found == std::end(errorTexts) ? "unknown protocol error\n" : found->text);
}
