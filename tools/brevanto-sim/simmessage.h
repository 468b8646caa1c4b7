#pragma once

#include "mncp/mncpids.h"

#include <QByteArray>
#include <QtGlobal>

// Status codes the simulated devices put into error replies. The program relays them
// unchanged; these values are the simulator's own.
namespace SimStatus {
constexpr quint16 UnknownProtocol = 0x0001;
constexpr quint16 UnknownRequest = 0x0002;
constexpr quint16 BadPayload = 0x0003;
constexpr quint16 NotFound = 0x0004;
constexpr quint16 NotAvailable = 0x0005;
constexpr quint16 Injected = 0x0001;
} // namespace SimStatus

class UploadStream;

// One command as read from the wire (header checked, payload complete). A payload the device
// takes as a stream (a firmware image) is not in `payload`: it went to `stream` as it arrived,
// and `streamedLength` says how long it was.
struct SimCommand {
    quint16 protocol = 0;
    quint16 request = 0;
    QByteArray payload;
    UploadStream *stream = nullptr;
    quint32 streamedLength = 0;

    quint32 length() const { return stream ? streamedLength : static_cast<quint32>(payload.size()); }
};

// One answer: data (possibly none) or an error status, and when it may leave.
struct SimReply {
    quint16 protocol = 0;
    quint16 request = 0;
    QByteArray payload;
    bool isError = false;
    quint16 status = 0;
    // Live streams are paced to the video rate: the reply waits this long before it goes out.
    int delayMs = 0;

    static SimReply data(const SimCommand &command, const QByteArray &payload = QByteArray());
    static SimReply error(const SimCommand &command, quint16 status);

    // Encoded header (through the program's codec) followed by the payload.
    QByteArray encode() const;
    // The same bytes with a checksum that cannot match.
    QByteArray encodeWithBadCrc() const;
};
