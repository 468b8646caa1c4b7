#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

// The 12-byte header in front of a captured frame's pixel lines, and the check that the
// lines it announces are really in the payload before anything is allocated or read.
struct FrameHeader {
    static constexpr int Size = 12;

    int width = 0;
    int height = 0;
    int pitch = 0;
    int format = 0;
    quint8 timecode[4] = {0, 0, 0, 0}; // hours, minutes, seconds, frames

    // Empty when the payload is shorter than the header.
    static std::optional<FrameHeader> parse(const QByteArray &frame);

    // Why the payload of `payloadSize` bytes (header included) cannot be decoded, or an
    // empty text when every line lies inside it and each is long enough for the format.
    QString problemWith(qint64 payloadSize) const;

    qint64 lineOffset(int line) const { return Size + qint64(line) * pitch; }
};
