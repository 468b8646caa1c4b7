#include "rawframebands.h"

#include "capture/framedecoder.h"
#include "capture/rawframefile.h"

#include <QImage>
#include <QtEndian>

#include <algorithm>
#include <cstring>

using CubrixUtils::Formulas;

QString RawFrameBands::formatName(int format)
{
    switch (format) {
    case Formulas::FormatYCbCr422: return QStringLiteral("YCbCr 4:2:2");
    case Formulas::FormatYCbCr444: return QStringLiteral("YCbCr 4:4:4");
    case Formulas::FormatYCbCr444Le: return QStringLiteral("YCbCr 4:4:4 little-endian");
    case Formulas::FormatRgb444Le: return QStringLiteral("RGB 4:4:4 little-endian");
    default: return QString();
    }
}

bool RawFrameBands::open(const QByteArray &file, uint range, QString *error)
{
    const std::optional<FrameHeader> header = FrameHeader::parse(file);
    if (!header) {
        *error = QStringLiteral("%1 bytes do not hold the 12-byte frame header").arg(file.size());
        return false;
    }
    const QString problem = header->problemWith(file.size());
    if (!problem.isEmpty()) {
        *error = QStringLiteral("not a whole frame: %1").arg(problem);
        return false;
    }
    if (header->width == 0 || header->height == 0) {
        *error = QStringLiteral("the frame is empty (%1 x %2 pixels)").arg(header->width).arg(header->height);
        return false;
    }
    if (formatName(header->format).isEmpty()) {
        *error = QStringLiteral("pixel format %1 is not one the devices capture (1, 2, 258 or 259)").arg(header->format);
        return false;
    }
    m_file = &file;
    m_header = *header;
    m_range = range;
    return true;
}

QString RawFrameBands::summary() const
{
    return QStringLiteral("%1 x %2, format %3 (%4), timecode bytes %5 %6 %7 %8")
        .arg(m_header.width)
        .arg(m_header.height)
        .arg(m_header.format)
        .arg(formatName(m_header.format))
        .arg(m_header.timecode[0], 2, 16, QLatin1Char('0'))
        .arg(m_header.timecode[1], 2, 16, QLatin1Char('0'))
        .arg(m_header.timecode[2], 2, 16, QLatin1Char('0'))
        .arg(m_header.timecode[3], 2, 16, QLatin1Char('0'));
}

int RawFrameBands::linesPerBand(int bytes) const
{
    return std::max(1, bytes / std::max({1, 4 * m_header.width, m_header.pitch}));
}

bool RawFrameBands::decode(int first, int count, uchar *pixels, int bytesPerLine)
{
    const qint64 pitch = m_header.pitch;
    if (!m_file || first < 0 || count < 1 || first + count > m_header.height || count * pitch > (qint64(1) << 30))
        return false;
    // The band as a frame of its own: the header with the band's height, then its lines.
    m_band.resize(int(FrameHeader::Size + count * pitch));
    auto *band = reinterpret_cast<uchar *>(m_band.data());
    std::memcpy(band, m_file->constData(), FrameHeader::Size);
    qToBigEndian<quint16>(quint16(count), band + 2);
    std::memcpy(band + FrameHeader::Size, m_file->constData() + m_header.lineOffset(first), std::size_t(count * pitch));
    // The file holds formats 258 and 259 with their outer fields exchanged; exchanging them
    // again gives the words as the device sent them.
    if (m_header.format == Formulas::FormatYCbCr444Le || m_header.format == Formulas::FormatRgb444Le) {
        for (int y = 0; y < count; ++y) {
            uchar *line = band + FrameHeader::Size + y * pitch;
            for (int x = 0; x < m_header.width; ++x)
                qToLittleEndian(RawFrameFile::exchangeOuterFields(qFromLittleEndian<quint32>(line + 4 * x)), line + 4 * x);
        }
    }
    FrameHeader bandHeader = m_header;
    bandHeader.height = count;
    QImage image(pixels, m_header.width, count, bytesPerLine, QImage::Format_ARGB32);
    return FrameDecoder::decode(m_formulas, m_band, bandHeader, m_range, image);
}
