#pragma once

#include "frameheader.h"

#include <QByteArray>
#include <QString>

// A captured frame written as it arrived, header included, also when it is too short or too
// odd to decode: the file keeps the device's bytes. The little-endian formats are stored with
// their outer 10-bit fields exchanged (see fileBytes).
class RawFrameFile
{
public:
    // What goes into the file: for formats 258 and 259 the first `width` words of every line
    // get bits 0-9 and 20-29 exchanged, bits 10-19 kept and bits 30-31 cleared; other
    // formats unchanged. Only whole words that were received and lie inside their line's
    // pitch are exchanged, so a short payload keeps its length and no byte is changed twice.
    static QByteArray fileBytes(const QByteArray &frame, const FrameHeader &header);

    // Writes a new file or replaces one, never leaving a partial file; logs and returns false
    // on failure.
    static bool write(const QString &path, const QByteArray &frame, const FrameHeader &header);

    static quint32 exchangeOuterFields(quint32 word)
    {
        return ((word & 0x3FFu) << 20) | (word & 0xFFC00u) | ((word >> 20) & 0x3FFu);
    }
};
