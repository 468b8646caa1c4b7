#pragma once

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

// Writes a picture of opaque 32-bit pixels as the 24-bit BMP file that Qt's own BMP writer makes
// of it (the same header fields, the same bytes), but a band of lines at a time as the lines are
// decoded, so that the whole picture is never held. BMP stores the bottom line first: bands are
// written from the bottom of the picture up.
class BmpWriter
{
public:
    // `dotsPerMeter` as the picture's QImage would carry them.
    BmpWriter(QIODevice *device, int width, int height, int dotsPerMeterX, int dotsPerMeterY);

    bool writeHeader();
    // The `count` lines at `pixels` (`bytesPerLine` apart), lowest line first in the file; each
    // band written lies just above the one before.
    bool writeBand(const uchar *pixels, int count, int bytesPerLine);

    qint64 lineBytes() const { return m_lineBytes; }

private:
    QIODevice *m_device;
    int m_width;
    int m_height;
    int m_dotsPerMeterX;
    int m_dotsPerMeterY;
    qint64 m_lineBytes; // three bytes per pixel, padded to four
    QByteArray m_buffer;
};
