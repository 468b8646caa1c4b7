#include "ancillarysource.h"

namespace {
QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

// A CEA-708 caption distribution packet with two empty caption triplets; its sequence
// counter follows the frame count so that successive captures differ.
QByteArray captionDistributionPacket(int frameCounter)
{
    const int hi = (frameCounter >> 8) & 0xFF;
    const int lo = frameCounter & 0xFF;
    QByteArray cdp = bytes({0x96, 0x69, 0x00, 0x3F, 0x43, hi, lo, 0x72, 0xE2, 0xFC, 0x80, 0x80, 0xFD, 0x80, 0x80,
                            0x74, hi, lo});
    cdp[2] = static_cast<char>(cdp.size() + 1);
    int sum = 0;
    for (char c : cdp)
        sum += static_cast<quint8>(c);
    cdp.append(static_cast<char>((256 - (sum & 0xFF)) & 0xFF));
    return cdp;
}
} // namespace

QByteArray AncillarySource::atcTimecode(const TimecodeClock::Timecode &tc)
{
    // Ancillary time code (SMPTE 12-2): sixteen words, each carrying one nibble of the
    // LTC bit stream in its upper half: the timecode digits alternate with binary groups
    // (left at zero here).
    const int digits[8] = {tc.frames % 10, tc.frames / 10, tc.seconds % 10, tc.seconds / 10,
                           tc.minutes % 10, tc.minutes / 10, tc.hours % 10, tc.hours / 10};
    QByteArray out;
    for (int digit : digits) {
        out.append(static_cast<char>(digit << 4));
        out.append('\0');
    }
    return out;
}

QList<AncillarySource::Packet> AncillarySource::packets(const TimecodeClock::Timecode &tc)
{
    const int frameCounter = ((tc.hours * 60 + tc.minutes) * 60 + tc.seconds) * TimecodeClock::FramesPerSecond + tc.frames;
    QList<Packet> list;
    // Active format description (SMPTE 2016-3): AFD 1000 (full frame), 16:9 coded frame.
    list.append(Packet{0x41, 0x05, bytes({0x44, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00})});
    // Audio metadata (SMPTE 2020), two packets per frame.
    list.append(Packet{0x45, 0x01, bytes({0x01, 0x10, 0x24, 0x00, 0x1F, 0x40, 0x00, 0x00, 0x07, 0xE0})});
    list.append(Packet{0x45, 0x01, bytes({0x02, 0x10, 0x24, 0x00, 0x1F, 0x40, 0x00, 0x00})});
    list.append(Packet{0x60, 0x60, atcTimecode(tc)});
    list.append(Packet{0x61, 0x01, captionDistributionPacket(frameCounter)});
    return list;
}

quint8 AncillarySource::checksum(const Packet &packet)
{
    int sum = packet.did + packet.sdid + packet.data.size();
    for (char c : packet.data)
        sum += static_cast<quint8>(c);
    return static_cast<quint8>(sum & 0xFF);
}

QByteArray AncillarySource::listMessage(const TimecodeClock::Timecode &tc)
{
    QByteArray out = TimecodeClock::bcdBytes(tc);
    for (const Packet &packet : packets(tc))
        out.append(static_cast<char>(packet.did)).append(static_cast<char>(packet.sdid));
    return out;
}

QByteArray AncillarySource::dataMessage(const TimecodeClock::Timecode &tc, quint8 did, quint8 sdid,
                                        std::optional<int> occurrence)
{
    QByteArray out = TimecodeClock::bcdBytes(tc);
    int seen = 0;
    for (const Packet &packet : packets(tc)) {
        if (packet.did != did || packet.sdid != sdid)
            continue;
        const bool wanted = !occurrence || *occurrence == seen;
        ++seen;
        if (!wanted)
            continue;
        out.append(static_cast<char>(packet.did)).append(static_cast<char>(packet.sdid));
        out.append(static_cast<char>(packet.data.size()));
        out.append(packet.data);
        out.append(static_cast<char>(checksum(packet)));
    }
    return out;
}
