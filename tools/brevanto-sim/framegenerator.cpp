#include "framegenerator.h"

#include "colourbars.h"

#include <QtEndian>
#include <cstring>

namespace {
void putBe32(QByteArray &line, int offset, quint32 word)
{
    qToBigEndian(word, reinterpret_cast<uchar *>(line.data()) + offset);
}

void putLe32(QByteArray &line, int offset, quint32 word)
{
    qToLittleEndian(word, reinterpret_cast<uchar *>(line.data()) + offset);
}

const ColourBars::Sample &sampleAt(int x, int width)
{
    return ColourBars::bars()[static_cast<size_t>(ColourBars::barIndex(x, width))];
}

// The largest payload one MNCP message may carry.
constexpr qint64 MaxFrameBytes = 256 * 1024 * 1024;
} // namespace

FrameGenerator::FrameGenerator(int width, int height) : m_width(width), m_height(height) {}

bool FrameGenerator::isSupportedFormat(int format)
{
    return format == FormatYCbCr422 || format == FormatYCbCr444 || format == FormatYCbCr444LittleEndian
        || format == FormatRgb444LittleEndian;
}

qint64 FrameGenerator::pitchFor(int format, int width)
{
    // 4:2:2 packs six pixels into 16 bytes; the 4:4:4 formats use one 32-bit word per pixel.
    return format == FormatYCbCr422 ? qint64(width) / 6 * 16 : qint64(width) * 4;
}

bool FrameGenerator::isSupportedSize(int format, int width, int height, QString *why)
{
    if (width < 6 || height < 1 || height > 0xFFFF) {
        *why = QStringLiteral("a frame must be at least 6 pixels wide and 1 to 65535 lines high");
        return false;
    }
    if (format == FormatYCbCr422 && width % 6 != 0) {
        *why = QStringLiteral("4:2:2 frames need a width that is a multiple of 6");
        return false;
    }
    const qint64 pitch = pitchFor(format, width);
    if (width > 0xFFFF || pitch > 0xFFFF) {
        *why = QStringLiteral("a line of %1 bytes does not fit the frame header").arg(pitch);
        return false;
    }
    if (HeaderSize + pitch * height > MaxFrameBytes) {
        *why = QStringLiteral("a frame of %1 bytes is larger than one message may carry").arg(HeaderSize + pitch * height);
        return false;
    }
    return true;
}

QByteArray FrameGenerator::encodeLine(int format) const
{
    QByteArray line(static_cast<int>(pitchFor(format, m_width)), '\0');
    if (format == FormatYCbCr422) {
        // Per six pixels, one 128-bit big-endian string: 4 unused bits, Cb01, Y0, Cr01, Y1,
        // Cb23, Y2, 4 unused bits, Cr23, Y3, Cb45, Y4, Cr45, Y5 (10 bits each). Chroma is
        // co-sited with the even pixel of each pair.
        for (int group = 0; group < m_width / 6; ++group) {
            const int x = group * 6;
            const quint32 y0 = sampleAt(x, m_width).y, y1 = sampleAt(x + 1, m_width).y, y2 = sampleAt(x + 2, m_width).y;
            const quint32 y3 = sampleAt(x + 3, m_width).y, y4 = sampleAt(x + 4, m_width).y, y5 = sampleAt(x + 5, m_width).y;
            const quint32 cb01 = sampleAt(x, m_width).cb, cr01 = sampleAt(x, m_width).cr;
            const quint32 cb23 = sampleAt(x + 2, m_width).cb, cr23 = sampleAt(x + 2, m_width).cr;
            const quint32 cb45 = sampleAt(x + 4, m_width).cb, cr45 = sampleAt(x + 4, m_width).cr;
            const int offset = group * 16;
            putBe32(line, offset, (cb01 << 18) | (y0 << 8) | (cr01 >> 2));
            putBe32(line, offset + 4, ((cr01 & 3u) << 30) | (y1 << 20) | (cb23 << 10) | y2);
            putBe32(line, offset + 8, (cr23 << 18) | (y3 << 8) | (cb45 >> 2));
            putBe32(line, offset + 12, ((cb45 & 3u) << 30) | (y4 << 20) | (cr45 << 10) | y5);
        }
        return line;
    }
    for (int x = 0; x < m_width; ++x) {
        const ColourBars::Sample &s = sampleAt(x, m_width);
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

    // Sized once and filled in place: a large frame is built without regrowing.
    QByteArray out(HeaderSize + m_height * line.size(), Qt::Uninitialized);
    char *p = out.data();
    const int header[] = {m_width, m_height, line.size(), format};
    for (int field : header) {
        *p++ = static_cast<char>((field >> 8) & 0xFF);
        *p++ = static_cast<char>(field & 0xFF);
    }
    const QByteArray code = timecode.leftJustified(4, '\0', true);
    std::memcpy(p, code.constData(), 4);
    p += 4;
    for (int y = 0; y < m_height; ++y, p += line.size())
        std::memcpy(p, line.constData(), static_cast<size_t>(line.size()));
    return out;
}
