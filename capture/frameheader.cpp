#include "frameheader.h"

#include "formulas.h"
#include "mncp/mncpprotocol.h"

std::optional<FrameHeader> FrameHeader::parse(const QByteArray &frame)
{
    const auto width = be16(frame, 0);
    const auto height = be16(frame, 2);
    const auto pitch = be16(frame, 4);
    const auto format = be16(frame, 6);
    if (!width || !height || !pitch || !format || frame.size() < Size)
        return std::nullopt;
    FrameHeader header;
    header.width = *width;
    header.height = *height;
    header.pitch = *pitch;
    header.format = *format;
    for (int i = 0; i < 4; ++i)
        header.timecode[i] = static_cast<quint8>(frame.at(8 + i));
    return header;
}

QString FrameHeader::problemWith(qint64 payloadSize) const
{
    if (width == 0 || height == 0)
        return QString(); // nothing to read: an empty image
    const qint64 lineBytes = CubrixUtils::Formulas::minimumLineBytes(width, format);
    if (pitch < lineBytes)
        return QStringLiteral("line pitch %1 is below the %2 bytes of %3 pixels in format %4")
            .arg(pitch).arg(lineBytes).arg(width).arg(format);
    const qint64 needed = Size + qint64(height) * pitch;
    if (payloadSize < needed)
        return QStringLiteral("%1 lines of %2 bytes need %3 bytes, the payload holds %4")
            .arg(height).arg(pitch).arg(needed).arg(payloadSize);
    return QString();
}
