#pragma once

#include "capture/formulas.h"
#include "capture/frameheader.h"

#include <QByteArray>
#include <QString>

// A raw frame file as the capture window saves it (12-byte header, then the pixel lines, the
// outer 10-bit fields of formats 258 and 259 exchanged), checked, and decoded a band of lines at
// a time: each band is copied into a small frame of its own with the exchange undone and decoded
// by the capture item's decoder. Neither a second copy of the frame nor a whole picture needs to
// be held, and the band stays in the processor's cache between copying and decoding.
class RawFrameBands
{
public:
    // Checks the header against the file's size; false, with `error` saying why, when the file
    // holds no frame a device sends. `file` must outlive the object.
    bool open(const QByteArray &file, uint range, QString *error);

    const FrameHeader &header() const { return m_header; }
    // "W x H, format F (name), timecode bytes ..."
    QString summary() const;
    // Lines a band of about `bytes` bytes of 32-bit pixels holds (at least one).
    int linesPerBand(int bytes) const;

    // Decodes lines first to first + count - 1 into opaque 32-bit pixels, `bytesPerLine` apart.
    bool decode(int first, int count, uchar *pixels, int bytesPerLine);

    static QString formatName(int format);

private:
    const QByteArray *m_file = nullptr;
    FrameHeader m_header;
    uint m_range = 0;
    QByteArray m_band;
    const CubrixUtils::Formulas m_formulas;
};
