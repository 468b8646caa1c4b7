#pragma once

#include <QByteArray>
#include <QHash>

// Captured frames: 75% colour bars at 1920x1080 in one of the four 10-bit pixel formats,
// behind the 12-byte frame header (width, height, pitch, format, timecode).
class FrameGenerator
{
public:
    static constexpr int Width = 1920;
    static constexpr int Height = 1080;
    static constexpr int HeaderSize = 12;

    static constexpr int FormatYCbCr422 = 1;
    static constexpr int FormatYCbCr444 = 2;
    static constexpr int FormatYCbCr444LittleEndian = 258;
    static constexpr int FormatRgb444LittleEndian = 259;

    static bool isSupportedFormat(int format);
    static int pitchFor(int format);

    QByteArray frame(int format, const QByteArray &timecode);

private:
    static QByteArray encodeLine(int format);

    // Every line of the bars is the same, so one encoded line per format is kept.
    QHash<int, QByteArray> m_lines;
};
