#include "cubrixstate.h"

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
    case 5:
        appendBe16(out, mode);
        appendBe16(out, channel);
        return out;
    case 6: return lutFormat1d(1);
    case 7: return lutFormat3d(1);
    case 8: return block(mode1, true);
    case 9: return lutFormat1d(2);
    case 10: return lutFormat3d(2);
    case 11: return block(mode2Channel1, true);
    case 12: return block(mode2Channel2, true);
    case 13:
        appendBe16(out, generator.inputType);
        appendBe16(out, generator.source);
        appendBe16(out, generator.outputType);
        appendBe16(out, generator.outputForm);
        return out;
    case 14: return lutFormat1d(3);
    case 15: return lutFormat3d(3);
    case 16: return block(mode3, false);
    case 17:
        appendBe16(out, frameMode1.state);
        appendBe16(out, frameMode1.load);
        return out;
    case 18:
        appendBe16(out, frameMode2.state);
        appendBe16(out, frameMode2.load);
        return out;
    case 19:
        appendBe16(out, frameMode3.state);
        appendBe16(out, frameMode3.load);
        return out;
    case 20:
        appendBe16(out, static_cast<quint16>(signal));
        return out;
    case 21:
        appendBe16(out, anci);
        appendBe16(out, anciPackets);
        return out;
    case 22: {
        QByteArray word(4, '\0');
        qToBigEndian<qint32>(lutInterpolation, reinterpret_cast<uchar *>(word.data()));
        return word;
    }
    default:
        return std::nullopt;
    }
}
