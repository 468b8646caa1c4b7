#pragma once

#include <QByteArray>

// The running timecode of the simulated video: time of day at 25 frames per second.
class TimecodeClock
{
public:
    static constexpr int FramesPerSecond = 25;

    struct Timecode {
        int hours = 0;
        int minutes = 0;
        int seconds = 0;
        int frames = 0;
    };

    static Timecode now();
    static Timecode fromMilliseconds(int msecsSinceMidnight);

    // Four bytes, each field in BCD (0x23 for 23): how the Cubrix stamps frames and packets.
    static QByteArray bcdBytes(const Timecode &tc);
    // Hours in BCD, minutes, seconds and frames binary: how the monitors stamp frames.
    static QByteArray monitorBytes(const Timecode &tc);
};
