#pragma once

#include "mncp/mncpprotocol.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <initializer_list>

// Payload bytes written out by the tests' own rules (big-endian unless a name says otherwise),
// and replies handed to a device as its socket handler would hand them.
namespace Bytes {

inline QByteArray be16(std::initializer_list<int> words)
{
    QByteArray out;
    for (int w : words)
        out.append(char(w >> 8)).append(char(w));
    return out;
}

inline QByteArray be32(quint32 value) { return be16({int(value >> 16), int(value & 0xFFFF)}); }

inline QByteArray le32(std::initializer_list<qint32> values)
{
    QByteArray out;
    for (qint32 v : values)
        out.append(char(v)).append(char(v >> 8)).append(char(v >> 16)).append(char(v >> 24));
    return out;
}

// A text field of `size` bytes, zero-padded.
inline QByteArray field(const QByteArray &text, int size) { return text.left(size).leftJustified(size, '\0'); }

// `size` bytes of noise, the same for the same seed.
inline QByteArray noise(int size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator random(seed);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

} // namespace Bytes

// Delivers one reply to a device's processReply, header in host order.
template <typename Receiver>
void deliver(Receiver &device, quint16 protocol, quint16 request, QByteArray payload)
{
    mncp_protocol_header header{MNCP_VERSION, 0, protocol, request, static_cast<quint32>(payload.size())};
    device.processReply(payload, header);
}
