// The socket handler's receive loop fed by a device over a real loopback connection.
//
// Input layout:
//   byte 0  flags
//           bits 0-1  commands queued before the stream (0 to 3)
//           bit 2     the device drops the connection (reset) after the stream, possibly mid-message
//           bit 3     the device closes the connection (orderly) after the stream, unless bit 2
//           bit 4     repair the CRC of every header met while walking the stream message by message
//           bit 5     the program disconnects from inside the first reply it is handed
//           bit 6     afterwards connect again and check that commands flow (nothing stuck)
//   byte 1  cutting: 0x80 | n gives pieces of n + 1 bytes; otherwise the low three bits are a
//           count k of explicit pieces, the remainder being the last piece
//   then    4 bytes (protocol, request) per queued command
//   then    k bytes: the explicit piece lengths minus one
//   rest    the byte stream the device sends
#include "fuzzsupport.h"

#include "device/devicebase.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <memory>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace {

class StreamDevice : public DeviceBase
{
public:
    StreamDevice() : DeviceBase(nullptr, 0) {}
    void processReply(QByteArray &payload, mncp_protocol_header &header) override
    {
        // Only whole, checked messages with a payload may reach a device.
        FUZZ_CHECK(!payload.isEmpty() && static_cast<quint32>(payload.size()) == header.length);
        FUZZ_CHECK(!mncp_is_error_reply(header.length) && header.version == MNCP_VERSION);
        if (++replies == 1 && disconnectInReply)
            deviceDisconnect();
    }
    QTcpSocket &socket() { return socketHandler()->socket(); }
    bool disconnectInReply = false;
    int replies = 0;
};

// Connects the device; returns its connection as the device end (the server) sees it.
std::unique_ptr<QTcpSocket> connectDevice(StreamDevice &device)
{
    static QTcpServer *server = new QTcpServer;
    if (!server->isListening() && !server->listen(QHostAddress(QStringLiteral("127.0.0.1")), 0))
        Fuzz::fail("listening on 127.0.0.1", __FILE__, __LINE__);
    device.setAddress(QStringLiteral("127.0.0.1"));
    device.setPort(server->serverPort());
    device.deviceConnect();
    if (!Fuzz::processEventsUntil([&] { return device.state() == QAbstractSocket::ConnectedState && server->hasPendingConnections(); }, 2000))
        return nullptr;
    std::unique_ptr<QTcpSocket> peer(server->nextPendingConnection());
    peer->setParent(nullptr);
    // Closing sends a reset: thousands of short connections then leave no TIME_WAIT behind.
    const linger option{1, 0};
    for (const auto descriptor : {peer->socketDescriptor(), device.socket().socketDescriptor()})
        setsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_LINGER, &option, sizeof option);
    return peer;
}

// Lets both ends run until everything the device wrote has been taken in by the program.
void deliver(StreamDevice &device, QTcpSocket &peer)
{
    Fuzz::processEventsUntil([&] {
        peer.readAll(); // the program's commands: not needed here
        if (peer.bytesToWrite() > 0)
            peer.flush();
        int unread = 0;
        const auto descriptor = device.socket().socketDescriptor();
        if (descriptor >= 0)
            ioctl(static_cast<int>(descriptor), FIONREAD, &unread);
        return device.socket().state() != QAbstractSocket::ConnectedState || (peer.bytesToWrite() == 0 && unread == 0);
    }, 1000);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Walks the stream message by message and gives each header its CRC-16/X-25, bit by bit
// (independent of the program's table), so that inputs reach past the header check.
void repairCrcs(QByteArray &stream)
{
    for (int offset = 0; offset + MNCP_HEADER_SIZE <= stream.size();) {
        uchar *header = reinterpret_cast<uchar *>(stream.data()) + offset;
        quint16 crc = 0xFFFF;
        for (int i = 0; i < MNCP_HEADER_SIZE; ++i) {
            crc ^= (i == 2 || i == 3) ? 0 : header[i];
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 1) ? (crc >> 1) ^ 0x8408 : crc >> 1;
        }
        header[2] = static_cast<uchar>(~crc >> 8);
        header[3] = static_cast<uchar>(~crc);
        const quint32 length = (quint32(header[8]) << 24) | (quint32(header[9]) << 16) | (quint32(header[10]) << 8) | header[11];
        if (mncp_is_error_reply(length))
            offset += MNCP_HEADER_SIZE;
        else if (length <= quint32(stream.size() - offset - MNCP_HEADER_SIZE))
            offset += MNCP_HEADER_SIZE + static_cast<int>(length);
        else
            break;
    }
}

// A fresh connection must carry commands again: every command the program sends (old queued
// ones first) gets an empty reply, until the probe command has been answered.
void checkCommandsFlow(StreamDevice &device)
{
    device.deviceDisconnect();
    FUZZ_CHECK(Fuzz::processEventsUntil([&] { return device.state() == QAbstractSocket::UnconnectedState; }, 2000));
    std::unique_ptr<QTcpSocket> peer = connectDevice(device);
    FUZZ_CHECK(peer);
    device.appendCmd(MNCP_PROTOCOL_BASIC_INFO, MNCP_INFO_MODEL);
    QByteArray inbox;
    bool probeAnswered = false;
    FUZZ_CHECK(Fuzz::processEventsUntil([&] {
        inbox += peer->readAll();
        mncp_protocol_header header;
        while (inbox.size() >= MNCP_HEADER_SIZE) {
            memcpy(&header, inbox.constData(), MNCP_HEADER_SIZE);
            FUZZ_CHECK(mncp_check_header(header) == MNCP_HEADER_OK);
            if (inbox.size() < MNCP_HEADER_SIZE + int(header.length))
                break;
            inbox.remove(0, MNCP_HEADER_SIZE + int(header.length));
            peer->write(mncp_build_message(header.protocol, header.request));
            probeAnswered = probeAnswered || (header.protocol == MNCP_PROTOCOL_BASIC_INFO && header.request == MNCP_INFO_MODEL);
        }
        return probeAnswered && device.socketHandler()->inFlight().protocol == 0 && device.socketHandler()->queuedCount() == 0;
    }, 3000));
    device.deviceDisconnect();
}

} // namespace

FUZZ_TARGET("sockethandler")(const uint8_t *data, size_t size)
{
    Fuzz::ensureApplication();
    Fuzz::InputReader input(data, size);
    const quint8 flags = input.u8();
    const quint8 cutting = input.u8();
    QList<QPair<quint16, quint16>> queued;
    for (int i = 0; i < (flags & 0x03); ++i) {
        const quint16 protocol = input.u16();
        queued.append({protocol == 0 ? quint16(1) : protocol, input.u16()});
    }
    // Pieces of a fixed size, or of the given lengths followed by the remainder.
    QList<int> lengths;
    for (int k = (cutting & 0x80) ? 0 : cutting & 0x07; k > 0; --k)
        lengths.append(input.u8() + 1);
    QByteArray stream = input.rest();
    if (flags & 0x10)
        repairCrcs(stream);

    StreamDevice device;
    device.disconnectInReply = flags & 0x20;
    std::unique_ptr<QTcpSocket> peer = connectDevice(device);
    if (!peer)
        return 0; // the machine is out of connections; not the program's fault
    for (const auto &command : queued)
        device.appendCmd(command.first, command.second);
    for (int offset = 0; offset < stream.size() && peer->state() == QAbstractSocket::ConnectedState;) {
        const int length = (cutting & 0x80) ? (cutting & 0x7F) + 1 : lengths.isEmpty() ? stream.size() : lengths.takeFirst();
        peer->write(stream.mid(offset, length));
        offset += length;
        peer->flush();
        deliver(device, *peer);
    }
    if (flags & 0x04)
        peer->abort();
    else if (flags & 0x08)
        peer->disconnectFromHost();
    if (flags & 0x0C) {
        FUZZ_CHECK(Fuzz::processEventsUntil([&] { return device.state() == QAbstractSocket::UnconnectedState; }, 2000));
        // A dropped connection leaves nothing in flight and no half-read message behind.
        FUZZ_CHECK(device.socketHandler()->inFlight().protocol == 0 && device.socketHandler()->receiveHeader().length == 0);
    }
    peer.reset();
    if (flags & 0x40)
        checkCommandsFlow(device);
    device.deviceDisconnect();
    return 0;
}
