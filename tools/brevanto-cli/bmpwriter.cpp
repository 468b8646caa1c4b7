#include "bmpwriter.h"

#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace {

constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;

void put16(uchar *&p, quint16 value)
{
    qToLittleEndian(value, p);
    p += 2;
}

void put32(uchar *&p, quint32 value)
{
    qToLittleEndian(value, p);
    p += 4;
}

} // namespace

BmpWriter::BmpWriter(QIODevice *device, int width, int height, int dotsPerMeterX, int dotsPerMeterY)
    : m_device(device), m_width(width), m_height(height), m_dotsPerMeterX(dotsPerMeterX),
      m_dotsPerMeterY(dotsPerMeterY), m_lineBytes((qint64(width) * 24 + 31) / 32 * 4)
{
}

bool BmpWriter::writeHeader()
{
    uchar header[FileHeaderSize + InfoHeaderSize];
    uchar *p = header;
    const qint64 imageBytes = m_lineBytes * m_height;
    // File header: type, file size, two reserved words, offset of the pixels.
    *p++ = 'B';
    *p++ = 'M';
    put32(p, quint32(FileHeaderSize + InfoHeaderSize + imageBytes));
    put16(p, 0);
    put16(p, 0);
    put32(p, FileHeaderSize + InfoHeaderSize);
    // Info header: a bottom-up picture of 24-bit pixels without compression or colour table,
    // 72 dpi where the picture states no resolution (as Qt writes it).
    put32(p, InfoHeaderSize);
    put32(p, quint32(m_width));
    put32(p, quint32(m_height));
    put16(p, 1);
    put16(p, 24);
    put32(p, 0);
    put32(p, quint32(imageBytes));
    put32(p, quint32(m_dotsPerMeterX ? m_dotsPerMeterX : 2834));
    put32(p, quint32(m_dotsPerMeterY ? m_dotsPerMeterY : 2834));
    put32(p, 0);
    put32(p, 0);
    return m_device->write(reinterpret_cast<const char *>(header), sizeof header) == qint64(sizeof header);
}

bool BmpWriter::writeBand(const uchar *pixels, int count, int bytesPerLine)
{
    const qint64 bandBytes = m_lineBytes * count;
    if (m_buffer.size() < bandBytes)
        m_buffer.resize(int(bandBytes));
    auto *out = reinterpret_cast<uchar *>(m_buffer.data());
    for (int y = count - 1; y >= 0; --y) {
        const auto *in = reinterpret_cast<const quint32 *>(pixels + qint64(y) * bytesPerLine);
        uchar *line = out;
        for (int x = 0; x < m_width; ++x) {
            const quint32 pixel = in[x];
            line[0] = uchar(pixel);       // blue
            line[1] = uchar(pixel >> 8);  // green
            line[2] = uchar(pixel >> 16); // red
            line += 3;
        }
        std::memset(line, 0, std::size_t(out + m_lineBytes - line));
        out += m_lineBytes;
    }
    return m_device->write(m_buffer.constData(), bandBytes) == bandBytes;
}
