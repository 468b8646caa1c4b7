#pragma once

#include "timecodeclock.h"

#include <QByteArray>
#include <QList>
#include <optional>

// The ancillary packets (SMPTE ST 291) that the simulated input signal carries in each
// frame, and the list and packet-data messages built from them. Each packet word is
// given as one byte: DID, SDID, DC, the user data words and the checksum CS (the low
// eight bits of the sum of DID, SDID, DC and the user data).
class AncillarySource
{
public:
    struct Packet {
        quint8 did = 0;
        quint8 sdid = 0;
        QByteArray data;
    };

    // Packets of the frame with this timecode, in the order they appear in the signal
    // (the audio metadata packet occurs twice per frame).
    static QList<Packet> packets(const TimecodeClock::Timecode &tc);
    static quint8 checksum(const Packet &packet);

    // Timecode (BCD) and one DID, SDID pair per packet.
    static QByteArray listMessage(const TimecodeClock::Timecode &tc);
    // Timecode and the packets with this DID and SDID back to back; with an index, only
    // the packet of that occurrence (none when there are fewer).
    static QByteArray dataMessage(const TimecodeClock::Timecode &tc, quint8 did, quint8 sdid,
                                  std::optional<int> occurrence);

private:
    static QByteArray atcTimecode(const TimecodeClock::Timecode &tc);
};
