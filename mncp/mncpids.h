#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// The numbers of MNCP in one place: the protocol families, the requests the program sends
// and the layout of the slot requests. The program, the simulator, the command-line tool and
// the tests name them from here; the lists QML needs are expanded again in the device classes.
#define MNCP_ENUMERATOR(name, value) name = value,

// Protocol families. One list, expanded as mncp_protocol here and in the device classes'
// enumeration QML sees.
#define MNCP_PROTOCOLS(X) \
    X(MNCP_PROTOCOL_KEY, 0x0001) \
    X(MNCP_PROTOCOL_TALLY, 0x0002) \
    X(MNCP_PROTOCOL_UMD, 0x0004) \
    X(MNCP_PROTOCOL_FIRMWARE, 0x0005) \
    X(MNCP_PROTOCOL_INPUT_SIGNAL, 0x0006) \
    X(MNCP_PROTOCOL_BASIC_INFO, 0x0100) \
    X(MNCP_PROTOCOL_CHANNEL_INFO, 0x0101) \
    X(MNCP_PROTOCOL_PORT_INFO, 0x0102) \
    X(MNCP_PROTOCOL_ALIGNMENT, 0x0200) \
    X(MNCP_PROTOCOL_PATTERN, 0x0201) \
    X(MNCP_PROTOCOL_LUT1D_CALIBRATION, 0x0300) \
    X(MNCP_PROTOCOL_LUT1D_DIT, 0x0301) \
    X(MNCP_PROTOCOL_LUT1D_BOX, 0x0302) \
    X(MNCP_PROTOCOL_LUT1D_POST_CALIBRATION, 0x0303) \
    X(MNCP_PROTOCOL_INPUT_RANGE, 0x0304) \
    X(MNCP_PROTOCOL_LUT3D_CALIBRATION, 0x0310) \
    X(MNCP_PROTOCOL_LUT3D_DIT, 0x0311) \
    X(MNCP_PROTOCOL_CSC_CALIBRATION, 0x0320) \
    X(MNCP_PROTOCOL_CSC_DIT, 0x0321) \
    X(MNCP_PROTOCOL_FRAME_CAPTURE, 0x0400) \
    X(MNCP_PROTOCOL_FRAME_LOAD, 0x0401) \
    X(MNCP_PROTOCOL_ANCI_CAPTURE, 0x0402) \
    X(MNCP_PROTOCOL_SCOPE_STREAM, 0x0403) \
    X(MNCP_PROTOCOL_CUSTOM_MARKER, 0x0404) \
    X(MNCP_PROTOCOL_ANALYZER, 0x0405) \
    X(MNCP_PROTOCOL_NETWORK, 0x0500) \
    X(MNCP_PROTOCOL_GENERATOR, 0x0600) \
    X(MNCP_PROTOCOL_SYSTEM_EVENT, 0x0800) \
    X(MNCP_PROTOCOL_CHANNEL_EVENT, 0x0801) \
    X(MNCP_PROTOCOL_FUNCTION_EVENT, 0x0802) \
    X(MNCP_PROTOCOL_ALARM_EVENT, 0x0803)
enum mncp_protocol : quint16 { MNCP_PROTOCOLS(MNCP_ENUMERATOR) };

// Key codes: the requests of the key protocol, expanded as mncp_key for code without QObject and
// as the device classes' mncp_key_code.
#define MNCP_KEY_CODES(X) \
    X(MNCP_KEY_POWER_OFF, 0) \
    X(MNCP_KEY_POWER_ON, 1) \
    X(MNCP_KEY_INPUT0, 16) \
    X(MNCP_KEY_INPUT1, 17) \
    X(MNCP_KEY_INPUT2, 18) \
    X(MNCP_KEY_INPUT3, 19) \
    X(MNCP_KEY_INPUT4, 20) \
    X(MNCP_KEY_INPUT5, 21) \
    X(MNCP_KEY_INPUT6, 22) \
    X(MNCP_KEY_INPUT7, 23) \
    X(MNCP_KEY_MENU, 32) \
    X(MNCP_KEY_MENU_UP, 33) \
    X(MNCP_KEY_MENU_DOWN, 34) \
    X(MNCP_KEY_MENU_LEFT, 35) \
    X(MNCP_KEY_MENU_RIGHT, 36) \
    X(MNCP_KEY_MENU_ENTER, 37) \
    X(MNCP_KEY_F0, 48) \
    X(MNCP_KEY_F1, 49) \
    X(MNCP_KEY_F2, 50) \
    X(MNCP_KEY_F3, 51) \
    X(MNCP_KEY_F4, 52) \
    X(MNCP_KEY_F5, 53) \
    X(MNCP_KEY_F6, 54) \
    X(MNCP_KEY_F7, 55) \
    X(MNCP_KEY_ROTARY_PB0, 64) \
    X(MNCP_KEY_ROTARY_PB1, 65) \
    X(MNCP_KEY_ROTARY_PB2, 66) \
    X(MNCP_KEY_ROTARY_PB3, 67) \
    X(MNCP_KEY_ROTARY_PB4, 68) \
    X(MNCP_KEY_ROTARY_PB5, 69) \
    X(MNCP_KEY_ROTARY_PB6, 70) \
    X(MNCP_KEY_ROTARY_PB7, 71) \
    X(MNCP_KEY_ROTARY_CW0, 80) \
    X(MNCP_KEY_ROTARY_CW1, 81) \
    X(MNCP_KEY_ROTARY_CW2, 82) \
    X(MNCP_KEY_ROTARY_CW3, 83) \
    X(MNCP_KEY_ROTARY_CW4, 84) \
    X(MNCP_KEY_ROTARY_CW5, 85) \
    X(MNCP_KEY_ROTARY_CW6, 86) \
    X(MNCP_KEY_ROTARY_CW7, 87) \
    X(MNCP_KEY_ROTARY_CCW0, 96) \
    X(MNCP_KEY_ROTARY_CCW1, 97) \
    X(MNCP_KEY_ROTARY_CCW2, 98) \
    X(MNCP_KEY_ROTARY_CCW3, 99) \
    X(MNCP_KEY_ROTARY_CCW4, 100) \
    X(MNCP_KEY_ROTARY_CCW5, 101) \
    X(MNCP_KEY_ROTARY_CCW6, 102) \
    X(MNCP_KEY_ROTARY_CCW7, 103) \
    X(MNCP_KEY_MODE_1, 112) \
    X(MNCP_KEY_MODE_2, 113) \
    X(MNCP_KEY_MODE_3, 114) \
    X(MNCP_KEY_CH_1, 128) \
    X(MNCP_KEY_CH_2, 129) \
    X(MNCP_KEY_LUT_INTERPOLATION_1, 144) \
    X(MNCP_KEY_LUT_INTERPOLATION_2, 145)
namespace mncp_keys {
enum mncp_key : quint16 { MNCP_KEY_CODES(MNCP_ENUMERATOR) };
}

// Basic-info queries: the device's identity and (on the Cubrix) its whole state.
enum mncp_basic_info : quint16 {
    MNCP_INFO_MODEL = 0,
    MNCP_INFO_VERSION = 1,
    MNCP_INFO_SERIAL = 2,
    MNCP_INFO_CHANNEL_COUNT = 3,
    MNCP_INFO_PORT_COUNT = 4,
    MNCP_INFO_MODE_AND_CHANNEL = 5,
    MNCP_INFO_MODE1_LUT_FORMAT_1D = 6,
    MNCP_INFO_MODE1_LUT_FORMAT_3D = 7,
    MNCP_INFO_MODE1_CHANNEL1 = 8,
    MNCP_INFO_MODE2_LUT_FORMAT_1D = 9,
    MNCP_INFO_MODE2_LUT_FORMAT_3D = 10,
    MNCP_INFO_MODE2_CHANNEL1 = 11,
    MNCP_INFO_MODE2_CHANNEL2 = 12,
    MNCP_INFO_GENERATOR = 13,
    MNCP_INFO_MODE3_LUT_FORMAT_1D = 14,
    MNCP_INFO_MODE3_LUT_FORMAT_3D = 15,
    MNCP_INFO_MODE3_CHANNEL1 = 16,
    MNCP_INFO_MODE1_FRAME = 17,
    MNCP_INFO_MODE2_FRAME = 18,
    MNCP_INFO_MODE3_FRAME = 19,
    MNCP_INFO_MODE1_SIGNAL = 20,
    MNCP_INFO_ANCI = 21,
    MNCP_INFO_LUT_INTERPOLATION = 22,
};

// Channel-info items: the request is (channel << 8) | item.
enum mncp_channel_item : quint16 {
    MNCP_CHANNEL_PORT = 0x00,
    MNCP_CHANNEL_MODE = 0x01,
    MNCP_CHANNEL_BRIGHT = 0x02,
    MNCP_CHANNEL_CONTRAST = 0x03,
    MNCP_CHANNEL_CHROMA = 0x04,
    MNCP_CHANNEL_HUE = 0x05,
    MNCP_CHANNEL_VOLUME = 0x06,
    MNCP_CHANNEL_NAME = 0x10,
};
constexpr quint16 mncp_channel_request(int channel, int item)
{
    return static_cast<quint16>(((channel & 0xFF) << 8) | item);
}

// Slot requests of the LUT and frame protocols: the operation in the high byte, the slot in
// the low one. The Cubrix splits the low byte into the slot (bits 0-3) and, for 3D tables, a
// bit-size code (bits 4-7).
#define MNCP_SLOT_OPS(X) \
    X(MNCP_SLOT_OFF, 0x0000) \
    X(MNCP_SLOT_ON, 0x0100) \
    X(MNCP_SLOT_SEND, 0x0200) \
    X(MNCP_SLOT_STORE, 0x0300) \
    X(MNCP_SLOT_LOAD, 0x0400)
enum mncp_slot_op : quint16 { MNCP_SLOT_OPS(MNCP_ENUMERATOR) };
constexpr quint16 MNCP_SLOT_OP_MASK = 0xFF00;
constexpr quint16 MNCP_CUBRIX_SLOT_MASK = 0x000F;
constexpr int MNCP_CUBRIX_BITSIZE_SHIFT = 4;
constexpr quint16 mncp_slot_request(quint16 op, int slot)
{
    return static_cast<quint16>(op | slot);
}

// Rotary knobs on the key protocol: knob number OR the action.
enum mncp_rotary : quint16 { MNCP_ROTARY_PUSH = 0x40, MNCP_ROTARY_CW = 0x50, MNCP_ROTARY_CCW = 0x60 };

// Tally lamps: the request is MNCP_TALLY_SET | lamp bits.
enum mncp_tally : quint16 { MNCP_TALLY_SET = 0x0100, MNCP_TALLY_RED = 0x01, MNCP_TALLY_GREEN = 0x02 };
enum mncp_umd : quint16 { MNCP_UMD_OFF = 0x0100, MNCP_UMD_TEXT = 0x0101 };
enum mncp_firmware : quint16 { MNCP_FIRMWARE_IMAGE = 0x0001, MNCP_FIRMWARE_BREC = 0x0002 };
enum mncp_network : quint16 {
    MNCP_NETWORK_ADDRESS = 0x0001,
    MNCP_NETWORK_WIFI_ON = 0x0002,
    MNCP_NETWORK_WIFI_OFF = 0x0003,
    MNCP_NETWORK_WIFI_CREDENTIALS = 0x0004,
};
// Input range: requests 1 to 4 choose the range; an input's bit, with the LUT flag where the
// range goes through the LUT, sets the range of that input.
enum mncp_range_input : quint16 {
    MNCP_RANGE_INPUT1 = 0x0001,
    MNCP_RANGE_INPUT2 = 0x0002,
    MNCP_RANGE_INPUT3 = 0x0004,
    MNCP_RANGE_LUT = 0x0010,
};
enum mncp_generator : quint16 {
    MNCP_GENERATOR_RGB = 0x0001,
    MNCP_GENERATOR_YCBCR = 0x0002,
    MNCP_GENERATOR_OUTPUT_TYPE = 0x0003,
    MNCP_GENERATOR_OUTPUT_FORM = 0x0004,
    MNCP_GENERATOR_FRAME_FILE = 0x0005,
};
enum mncp_anci : quint16 {
    MNCP_ANCI_OFF = 0x0000,
    MNCP_ANCI_ON = 0x0001,
    MNCP_ANCI_STATE = 0x0002,
    MNCP_ANCI_LIST = 0x0003,
    MNCP_ANCI_PACKET = 0x0004,
};
enum mncp_marker : quint16 {
    MNCP_MARKER_TEMP_OFF = 0x0000,
    MNCP_MARKER_TEMP_ON = 0x0001,
    MNCP_MARKER_UPLOAD = 0x0002,
    MNCP_MARKER_UPLOAD_NAMED = 0x0003,
    MNCP_MARKER_LIST = 0x0005,
    MNCP_MARKER_DELETE = 0x0006,
};
// Analyzer pictures: the last one instead of the current one, and the dark (screen) style.
enum mncp_analyzer : quint16 { MNCP_ANALYZER_LAST = 0x0001, MNCP_ANALYZER_DARK = 0x0010 };

// The LUT tables a device holds: 1D ones per function, 3D ones for calibration and DIT.
enum mncp_lut_dimension { MNCP_LUT_1D = 0, MNCP_LUT_3D = 1 };
enum mncp_lut_func {
    MNCP_LUT_CALIBRATION = 0,
    MNCP_LUT_DIT = 1,
    MNCP_LUT_BOX = 2,
    MNCP_LUT_POST_CALIBRATION = 3,
    MNCP_LUT_POST_DIT = 4,
};
enum class mncp_lut_use { Transfer, Load };
// The protocol of a LUT table, or nullopt where the function has no such table. A 3D box
// table exists only as a slot to load (it is the DIT table).
std::optional<quint16> mncp_lut_protocol(mncp_lut_dimension dimension, int func, mncp_lut_use use);

// The text shown for an error reply to a protocol.
QString getProtocolMessage(int protocol);
