#pragma once

#include "mncp/mncpprotocol.h"

#include <QByteArray>
#include <initializer_list>

// Payload bytes written out by the tests' own rules (big-endian unless a name says otherwise),
// and replies handed to a device as its socket handler would hand them.
namespace Bytes {

inline QByteArray be16(std::initializer_list<int> words)
{
    QByteArray out;
    for (int w : words)
        out.append(static_cast<char>((w >> 8) & 0xFF)).append(static_cast<char>(w & 0xFF));
    return out;
}

inline QByteArray be32(quint32 value)
{
    return be16({int(value >> 16), int(value & 0xFFFF)});
}

inline QByteArray le32(std::initializer_list<qint32> values)
{
    QByteArray out;
    for (qint32 v : values)
        out.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF)).append(static_cast<char>((v >> 16) & 0xFF)).append(static_cast<char>((v >> 24) & 0xFF));
    return out;
}

// A text field of `size` bytes, zero-padded.
inline QByteArray field(const QByteArray &text, int size)
{
    return text.left(size) + QByteArray(qMax(0, size - text.size()), '\0');
}

} // namespace Bytes

// Delivers one reply to a device's processReply, header in host order.
template <typename Receiver>
void deliver(Receiver &device, quint16 protocol, quint16 request, const QByteArray &payload)
{
    mncp_protocol_header header{MNCP_VERSION, 0, protocol, request, static_cast<quint32>(payload.size())};
    QByteArray copy = payload;
    device.processReply(copy, header);
}
