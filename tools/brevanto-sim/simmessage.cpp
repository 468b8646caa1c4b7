#include "simmessage.h"

#include "mncp/mncpprotocol.h"

SimReply SimReply::data(const SimCommand &command, const QByteArray &payload)
{
    SimReply reply;
    reply.protocol = command.protocol;
    reply.request = command.request;
    reply.payload = payload;
    return reply;
}

SimReply SimReply::error(const SimCommand &command, quint16 status)
{
    SimReply reply;
    reply.protocol = command.protocol;
    reply.request = command.request;
    reply.isError = true;
    reply.status = status;
    return reply;
}

QByteArray SimReply::encode() const
{
    if (!isError)
        return mncp_build_message(protocol, request, payload);
    // Error replies carry no payload; the status sits in the lower half of the length.
    mncp_protocol_header header{MNCP_VERSION, 0, protocol, request, MNCP_ERROR_MARKER | status};
    mncp_encode_header(header);
    return QByteArray(reinterpret_cast<const char *>(&header), MNCP_HEADER_SIZE);
}

QByteArray SimReply::encodeWithBadCrc() const
{
    QByteArray bytes = encode();
    // Inverting both checksum bytes always yields a different value.
    bytes[2] = static_cast<char>(~static_cast<quint8>(bytes.at(2)));
    bytes[3] = static_cast<char>(~static_cast<quint8>(bytes.at(3)));
    return bytes;
}
