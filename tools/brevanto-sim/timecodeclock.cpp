#include "timecodeclock.h"

#include <QTime>

namespace {
char bcd(int value)
{
    return static_cast<char>(((value / 10) << 4) | (value % 10));
}
} // namespace

TimecodeClock::Timecode TimecodeClock::now()
{
    return fromMilliseconds(QTime::currentTime().msecsSinceStartOfDay());
}

TimecodeClock::Timecode TimecodeClock::fromMilliseconds(int msecsSinceMidnight)
{
    Timecode tc;
    const int seconds = msecsSinceMidnight / 1000;
    tc.hours = (seconds / 3600) % 24;
    tc.minutes = (seconds / 60) % 60;
    tc.seconds = seconds % 60;
    tc.frames = (msecsSinceMidnight % 1000) * FramesPerSecond / 1000;
    return tc;
}

QByteArray TimecodeClock::bcdBytes(const Timecode &tc)
{
    QByteArray bytes;
    bytes.append(bcd(tc.hours)).append(bcd(tc.minutes)).append(bcd(tc.seconds)).append(bcd(tc.frames));
    return bytes;
}

QByteArray TimecodeClock::monitorBytes(const Timecode &tc)
{
    QByteArray bytes;
    bytes.append(bcd(tc.hours))
        .append(static_cast<char>(tc.minutes))
        .append(static_cast<char>(tc.seconds))
        .append(static_cast<char>(tc.frames));
    return bytes;
}
