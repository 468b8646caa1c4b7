#include "framegenerator.h"

#include "colourbars.h"

#include <QtEndian>

namespace {
void putBe32(QByteArray &line, int offset, quint32 word)
{
    qToBigEndian(word, reinterpret_cast<uchar *>(line.data()) + offset);
}

void putLe32(QByteArray &line, int offset, quint32 word)
{
    qToLittleEndian(word, reinterpret_cast<uchar *>(line.data()) + offset);
}

const ColourBars::Sample &sampleAt(int x)
{
    return ColourBars::bars()[static_cast<size_t>(ColourBars::barIndex(x, FrameGenerator::Width))];
}
} // namespace

bool FrameGenerator::isSupportedFormat(int format)
{
    return format == FormatYCbCr422 || format == FormatYCbCr444 || format == FormatYCbCr444LittleEndian
        || format == FormatRgb444LittleEndian;
}

int FrameGenerator::pitchFor(int format)
{
    // 4:2:2 packs six pixels into 16 bytes; the 4:4:4 formats use one 32-bit word per pixel.
    return format == FormatYCbCr422 ? Width / 6 * 16 : Width * 4;
}

QByteArray FrameGenerator::encodeLine(int format)
{
    QByteArray line(pitchFor(format), '\0');
    if (format == FormatYCbCr422) {
        // Per six pixels, one 128-bit big-endian string: 4 unused bits, Cb01, Y0, Cr01, Y1,
        // Cb23, Y2, 4 unused bits, Cr23, Y3, Cb45, Y4, Cr45, Y5 (10 bits each). Chroma is
        // co-sited with the even pixel of each pair.
        for (int group = 0; group < Width / 6; ++group) {
            const int x = group * 6;
            const quint32 y0 = sampleAt(x).y, y1 = sampleAt(x + 1).y, y2 = sampleAt(x + 2).y;
            const quint32 y3 = sampleAt(x + 3).y, y4 = sampleAt(x + 4).y, y5 = sampleAt(x + 5).y;
            const quint32 cb01 = sampleAt(x).cb, cr01 = sampleAt(x).cr;
            const quint32 cb23 = sampleAt(x + 2).cb, cr23 = sampleAt(x + 2).cr;
            const quint32 cb45 = sampleAt(x + 4).cb, cr45 = sampleAt(x + 4).cr;
            const int offset = group * 16;
            putBe32(line, offset, (cb01 << 18) | (y0 << 8) | (cr01 >> 2));
            putBe32(line, offset + 4, ((cr01 & 3u) << 30) | (y1 << 20) | (cb23 << 10) | y2);
            putBe32(line, offset + 8, (cr23 << 18) | (y3 << 8) | (cb45 >> 2));
            putBe32(line, offset + 12, ((cb45 & 3u) << 30) | (y4 << 20) | (cr45 << 10) | y5);
        }
        return line;
    }
    for (int x = 0; x < Width; ++x) {
        const ColourBars::Sample &s = sampleAt(x);
        switch (format) {
        case FormatYCbCr444:
            putBe32(line, x * 4, (quint32(s.cb) << 20) | (quint32(s.y) << 10) | quint32(s.cr));
            break;
        case FormatYCbCr444LittleEndian:
            putLe32(line, x * 4, (quint32(s.cb) << 20) | (quint32(s.y) << 10) | quint32(s.cr));
            break;
        default:
            putLe32(line, x * 4, (quint32(s.b) << 20) | (quint32(s.g) << 10) | quint32(s.r));
            break;
        }
    }
    return line;
}

QByteArray FrameGenerator::frame(int format, const QByteArray &timecode)
{
    if (!isSupportedFormat(format))
        format = FormatYCbCr422;
    auto cached = m_lines.find(format);
    if (cached == m_lines.end())
        cached = m_lines.insert(format, encodeLine(format));
    const QByteArray &line = cached.value();

    QByteArray out;
    out.reserve(HeaderSize + Height * line.size());
    out.append(static_cast<char>(Width >> 8)).append(static_cast<char>(Width & 0xFF));
    out.append(static_cast<char>(Height >> 8)).append(static_cast<char>(Height & 0xFF));
    out.append(static_cast<char>(line.size() >> 8)).append(static_cast<char>(line.size() & 0xFF));
    out.append(static_cast<char>(format >> 8)).append(static_cast<char>(format & 0xFF));
    out.append(timecode.leftJustified(4, '\0', true));
    for (int y = 0; y < Height; ++y)
        out.append(line);
    return out;
}
