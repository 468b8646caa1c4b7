#pragma once

#include <QByteArray>
#include <QHash>

#include <QString>

// Captured frames: 75% colour bars (1920x1080 unless chosen otherwise) in one of the four
// 10-bit pixel formats, behind the 12-byte frame header (width, height, pitch, format, timecode).
class FrameGenerator
{
public:
    static constexpr int DefaultWidth = 1920;
    static constexpr int DefaultHeight = 1080;
    static constexpr int HeaderSize = 12;

    static constexpr int FormatYCbCr422 = 1;
    static constexpr int FormatYCbCr444 = 2;
    static constexpr int FormatYCbCr444LittleEndian = 258;
    static constexpr int FormatRgb444LittleEndian = 259;

    explicit FrameGenerator(int width = DefaultWidth, int height = DefaultHeight);

    static bool isSupportedFormat(int format);
    // Bytes per line of `width` pixels.
    static qint64 pitchFor(int format, int width);
    // Whether frames of this size fit the frame header's 16-bit fields and one MNCP payload;
    // if not, says why.
    static bool isSupportedSize(int format, int width, int height, QString *why);

    int width() const { return m_width; }
    int height() const { return m_height; }
    QByteArray frame(int format, const QByteArray &timecode);

private:
    QByteArray encodeLine(int format) const;

    int m_width;
    int m_height;

    // Every line of the bars is the same, so one encoded line per format is kept.
    QHash<int, QByteArray> m_lines;
};
