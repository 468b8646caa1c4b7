#include "cubrixstate.h"

#include "mncp/mncpids.h"

#include <QtEndian>

namespace {
void appendBe16(QByteArray &out, int value)
{
    out.append(static_cast<char>((value >> 8) & 0xFF)).append(static_cast<char>(value & 0xFF));
}

void appendLe32(QByteArray &out, qint32 value)
{
    uchar bytes[4];
    qToLittleEndian(value, bytes);
    out.append(reinterpret_cast<const char *>(bytes), 4);
}
} // namespace

CubrixState::CubrixState()
{
    mode2Channel2.input = 2;
    mode3.input = 0;
}

CubrixState::ChannelBlock &CubrixState::currentBlock()
{
    if (mode == 2)
        return channel == 2 ? mode2Channel2 : mode2Channel1;
    return mode == 3 ? mode3 : mode1;
}

CubrixState::Slot *CubrixState::currentFrame()
{
    if (mode == 2)
        return channel == 2 ? nullptr : &frameMode2;
    return mode == 3 ? &frameMode3 : &frameMode1;
}

QByteArray CubrixState::block(const ChannelBlock &b, bool withInput)
{
    QByteArray out;
    appendBe16(out, b.front1d.state);
    appendBe16(out, b.front1d.load);
    appendBe16(out, b.lut3d.state);
    appendBe16(out, b.lut3d.load);
    appendBe16(out, b.back1d.state);
    appendBe16(out, b.back1d.load);
    appendBe16(out, withInput ? b.input : 0);
    appendBe16(out, b.range);
    return out;
}

// The box's LUT engines: 12-bit 1D tables in every mode; 3D tables of 33 points in
// single-channel mode and 17 points where two channels (or the generator) share them.
QByteArray CubrixState::lutFormat1d(int)
{
    QByteArray out;
    appendLe32(out, 12);
    appendLe32(out, 12);
    return out;
}

QByteArray CubrixState::lutFormat3d(int mode)
{
    QByteArray out;
    appendLe32(out, 10);
    appendLe32(out, 12);
    appendLe32(out, mode == 1 ? 33 : 17);
    return out;
}

std::optional<QByteArray> CubrixState::basicInfo(int request, int anciPackets) const
{
    QByteArray out;
    switch (request) {
    case MNCP_INFO_MODE_AND_CHANNEL:
        appendBe16(out, mode);
        appendBe16(out, channel);
        return out;
    case MNCP_INFO_MODE1_LUT_FORMAT_1D: return lutFormat1d(1);
    case MNCP_INFO_MODE1_LUT_FORMAT_3D: return lutFormat3d(1);
    case MNCP_INFO_MODE1_CHANNEL1: return block(mode1, true);
    case MNCP_INFO_MODE2_LUT_FORMAT_1D: return lutFormat1d(2);
    case MNCP_INFO_MODE2_LUT_FORMAT_3D: return lutFormat3d(2);
    case MNCP_INFO_MODE2_CHANNEL1: return block(mode2Channel1, true);
    case MNCP_INFO_MODE2_CHANNEL2: return block(mode2Channel2, true);
    case MNCP_INFO_GENERATOR:
        appendBe16(out, generator.inputType);
        appendBe16(out, generator.source);
        appendBe16(out, generator.outputType);
        appendBe16(out, generator.outputForm);
        return out;
    case MNCP_INFO_MODE3_LUT_FORMAT_1D: return lutFormat1d(3);
    case MNCP_INFO_MODE3_LUT_FORMAT_3D: return lutFormat3d(3);
    case MNCP_INFO_MODE3_CHANNEL1: return block(mode3, false);
    case MNCP_INFO_MODE1_FRAME:
        appendBe16(out, frameMode1.state);
        appendBe16(out, frameMode1.load);
        return out;
    case MNCP_INFO_MODE2_FRAME:
        appendBe16(out, frameMode2.state);
        appendBe16(out, frameMode2.load);
        return out;
    case MNCP_INFO_MODE3_FRAME:
        appendBe16(out, frameMode3.state);
        appendBe16(out, frameMode3.load);
        return out;
    case MNCP_INFO_MODE1_SIGNAL:
        appendBe16(out, static_cast<quint16>(signal));
        return out;
    case MNCP_INFO_ANCI:
        appendBe16(out, anci);
        appendBe16(out, anciPackets);
        return out;
    case MNCP_INFO_LUT_INTERPOLATION: {
        QByteArray word(4, '\0');
        qToBigEndian<qint32>(lutInterpolation, reinterpret_cast<uchar *>(word.data()));
        return word;
    }
    default:
        return std::nullopt;
    }
}
