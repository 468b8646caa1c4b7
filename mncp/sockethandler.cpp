#include "sockethandler.h"

#include "mncpids.h"
#include "socketread_error.h"
#include "socketwrite_error.h"

#include <QtDebug>
#include <algorithm>
#include <cstring>
#include <utility>

namespace {
const char *const DisconnectAction = "\tDisconnecting Device!";
}

SocketHandler::SocketHandler(MncpReplyReceiver *receiver)
    : QObject(nullptr), m_receiver(receiver), m_current(std::make_shared<transport_cmd>())
{
    qDebug() << "SocketHandler Constructor Started";
    resetHeader();
    connect(&m_socket, &QTcpSocket::readyRead, this, &SocketHandler::socketDataLoop);
    connect(&m_socket, &QTcpSocket::stateChanged, this, &SocketHandler::socketStateChanged);
    connect(&m_socket, &QTcpSocket::bytesWritten, this, &SocketHandler::onBytesWritten);
    m_replyTimer.setSingleShot(true);
    // A coarse timer may fire 5 % early: a device is never given less than the bound.
    m_replyTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_replyTimer, &QTimer::timeout, this, &SocketHandler::onReplyTimeout);
    qDebug() << "SocketHandler Constructor Completed";
}

SocketHandler::~SocketHandler()
{
    // Closing emits stateChanged; nobody outside should hear it from a dying handler.
    m_socket.disconnect(this);
    m_socket.close();
    qDebug() << "SocketHandler Destructor Completed";
}

void SocketHandler::connectToDevice(const QString &host, quint16 port)
{
    // Nothing of an earlier connection may travel on this one.
    if (m_socket.state() == QAbstractSocket::UnconnectedState) {
        resetHeader();
        dropCommands();
    }
    m_socket.connectToHost(host, port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
}

void SocketHandler::abortConnection()
{
    m_socket.abort();
}

void SocketHandler::disconnectAndClear()
{
    // Before the socket closes: its state change would report the drop as a lost connection.
    dropCommands(DropReason::UserDisconnect);
    m_socket.disconnectFromHost();
    resetHeader();
}

QAbstractSocket::SocketState SocketHandler::socketState() const
{
    return m_socket.state();
}

void SocketHandler::queueCommand(quint16 protocol, quint16 request, const QByteArray &data, quint32 operation)
{
    auto cmd = std::make_shared<transport_cmd>();
    cmd->protocol = protocol;
    cmd->request = request;
    cmd->data = data;
    cmd->operation = operation;
    enqueue(std::move(cmd));
}

void SocketHandler::queueFileCommand(quint16 protocol, quint16 request, std::shared_ptr<QFile> file, qint64 size,
                                     quint32 operation)
{
    auto cmd = std::make_shared<transport_cmd>();
    cmd->protocol = protocol;
    cmd->request = request;
    cmd->file = std::move(file);
    cmd->fileSize = size;
    cmd->operation = operation;
    enqueue(std::move(cmd));
}

void SocketHandler::enqueue(std::shared_ptr<transport_cmd> cmd)
{
    m_queue.append(std::move(cmd));
    processCmd();
}

void SocketHandler::processCmd()
{
    // A reply may come before the last slice of its command's payload went out; the next command
    // must not be interleaved with that payload.
    if (m_queue.isEmpty() || m_current->protocol != 0 || payloadPending())
        return;
    m_current = m_queue.takeFirst();

    const qint64 payloadSize = m_current->payloadSize();
    try {
        mncp_protocol_header header{MNCP_VERSION, 0, m_current->protocol, m_current->request,
                                    static_cast<quint32>(payloadSize)};
        mncp_encode_header(header);
        qDebug("%s: send command: 0x%x - 0x%x", "processCmd", m_current->protocol, m_current->request);
        m_bytesAhead = m_socket.bytesToWrite() + MNCP_HEADER_SIZE;

        const qint64 headerWritten = m_socket.write(reinterpret_cast<const char *>(&header), MNCP_HEADER_SIZE);
        if (headerWritten == -1)
            throw SocketWrite_Error(0, 187, "processCmd", MNCP_HEADER_SIZE, -1);
        if (headerWritten > MNCP_HEADER_SIZE)
            throw SocketWrite_Error(1, 188, "processCmd", MNCP_HEADER_SIZE, headerWritten);
        if (headerWritten < MNCP_HEADER_SIZE)
            throw SocketWrite_Error(2, 189, "processCmd", MNCP_HEADER_SIZE, headerWritten);
    } catch (const SocketWrite_Error &error) {
        failWrite(error);
        return;
    }
    emit commandSent(m_current->protocol, m_current->request, payloadSize, m_current->operation);
    m_writtenSinceHeader = 0;
    // Until its last byte is out, the command is bound by the network taking its bytes.
    m_awaitingReply = false;
    if (m_replyTimeoutMs > 0 && m_socket.state() == QAbstractSocket::ConnectedState)
        m_replyTimer.start(m_replyTimeoutMs);
    if (payloadSize == 0)
        return;
    m_progressCmd = m_current;
    m_progressReported = -1;
    m_sending = m_current;
    m_sentBytes = 0;
    writePendingPayload();
}

void SocketHandler::writePendingPayload()
{
    if (!m_sending)
        return;
    transport_cmd &cmd = *m_sending;
    const qint64 total = cmd.payloadSize();
    QByteArray slice;
    try {
        while (m_sentBytes < total && m_socket.bytesToWrite() < WriteSliceSize) {
            const qint64 length = qMin<qint64>(WriteSliceSize, total - m_sentBytes);
            const char *bytes = cmd.data.constData() + m_sentBytes;
            if (cmd.file) {
                // The header has promised the length: a file that changed since can only end
                // the connection, or the device would take what follows as payload.
                if (cmd.file->size() != total) {
                    failTransfer(QStringLiteral("%1 changed size while it was being sent (%2 bytes announced, %3 now)")
                                     .arg(cmd.file->fileName()).arg(total).arg(cmd.file->size()));
                    return;
                }
                slice.resize(static_cast<int>(length));
                if (cmd.file->read(slice.data(), length) != length) {
                    failTransfer(QStringLiteral("%1 could not be read to its end while it was being sent: %2")
                                     .arg(cmd.file->fileName(), cmd.file->errorString()));
                    return;
                }
                bytes = slice.constData();
            }
            const qint64 written = m_socket.write(bytes, length);
            if (written == -1)
                throw SocketWrite_Error(3, 197, "processCmd", total, -1);
            if (written > length)
                throw SocketWrite_Error(4, 198, "processCmd", total, m_sentBytes + written);
            if (written < length)
                throw SocketWrite_Error(5, 199, "processCmd", total, m_sentBytes + written);
            m_sentBytes += written;
        }
    } catch (const SocketWrite_Error &error) {
        failWrite(error);
        return;
    }
    if (m_sentBytes < total)
        return;
    m_sending.reset();
    m_sentBytes = 0;
    if (m_current->protocol == 0) {
        // Answered early: nothing left to keep it for.
        m_current->data = QByteArray();
        m_current->file.reset();
    }
    processCmd();
}

void SocketHandler::onBytesWritten(qint64 bytes)
{
    m_writtenSinceHeader += bytes;
    if (m_progressCmd) {
        const qint64 total = m_progressCmd->payloadSize();
        const qint64 sent = qBound<qint64>(0, m_writtenSinceHeader - m_bytesAhead, total);
        if (sent != m_progressReported) {
            m_progressReported = sent;
            emit payloadProgress(sent, total, m_progressCmd->operation);
        }
        if (sent == total)
            m_progressCmd.reset();
    }
    writePendingPayload();
    armReplyTimer();
}

void SocketHandler::armReplyTimer()
{
    if (m_current->protocol == 0 || m_awaitingReply || m_replyTimeoutMs <= 0)
        return;
    if (payloadPending() || m_socket.bytesToWrite() > 0) {
        // Still sending: every slice the network takes restarts the bound.
        m_replyTimer.start(m_replyTimeoutMs);
        return;
    }
    m_awaitingReply = true;
    m_replyTimer.start(m_current->protocol == MNCP_PROTOCOL_FIRMWARE ? m_firmwareReplyTimeoutMs : m_replyTimeoutMs);
}

void SocketHandler::onReplyTimeout()
{
    if (m_current->protocol == 0)
        return;
    const quint16 protocol = m_current->protocol;
    const quint16 request = m_current->request;
    qWarning("%s: %s command 0x%04x - 0x%04x within %d ms, disconnecting", "onReplyTimeout",
             m_awaitingReply ? "no answer to" : "the network took nothing more of", protocol, request, m_replyTimer.interval());
    emit replyTimedOut(protocol, request);
    m_socket.abort();
}

void SocketHandler::failTransfer(const QString &message)
{
    qCritical("%s \n%s", qPrintable(message), DisconnectAction);
    emit socketWriteException(message, QString::fromLatin1(DisconnectAction));
    dropCommands();
    m_socket.abort();
}

void SocketHandler::failWrite(const SocketWrite_Error &error)
{
    qDebug("%s \n%s", error.what(), DisconnectAction);
    qCritical("%s \n%s", error.what(), DisconnectAction);
    emit socketWriteException(QString::fromUtf8(error.what()), QString::fromLatin1(DisconnectAction));
    // Released here, not on the state change: a socket that was closed already (a timer's command
    // after a disconnect) reports no change, and a busy slot would then block the next connection.
    dropCommands();
    m_socket.disconnectFromHost();
}

void SocketHandler::processHeader()
{
    const int result = mncp_check_header(m_header);
    if (result == MNCP_HEADER_OK) {
        if (mncp_is_error_reply(m_header.length)) {
            const int status = static_cast<int>(m_header.length & 0xFFFF);
            qDebug("Error in Function: %s,  Error Status(0x%x), Protocol (0x%x), Header Request (0x%x), Data_Len Returned (0x%x)",
                   "processHeader", status, m_header.protocol, m_header.request, m_header.length);
            emit protocolError(m_header.protocol, m_header.request, status);
            resetHeader();
            if (m_current->protocol != 0)
                emit commandAnswered(m_current->protocol, m_current->request, status, m_current->operation);
            // A payload still going out continues to its end: a header written into it would be
            // taken as payload by the device.
            freeSlot();
        } else if (m_header.length > MaxPayloadLength) {
            qDebug("%s: payload length 0x%08x exceeds the limit.", "processHeader", m_header.length);
            emit commError(m_header.protocol, m_header.request, OversizedPayloadStatus);
            m_headerRejected = true;
            m_socket.disconnectFromHost();
        } else if (m_header.protocol == MNCP_PROTOCOL_FIRMWARE) {
            emit updateFirmwareComplete();
        }
        return;
    }
    qDebug() << "processHeader" << ": check protocol header failed.";
    emit commError(m_header.protocol, m_header.request, result);
    m_headerRejected = true;
    m_socket.disconnectFromHost();
}

bool SocketHandler::headerAccepted()
{
    m_headerRejected = false;
    processHeader();
    if (!m_headerRejected)
        return true;
    // The connection is being dropped: whatever is still buffered is not a message stream any more.
    resetHeader();
    return false;
}

void SocketHandler::socketDataLoop()
{
    try {
        for (;;) {
            // The device (or a failed send) may have ended the connection while the last message
            // was handled: what is still buffered belongs to that connection and is not read.
            if (m_socket.state() != QAbstractSocket::ConnectedState) {
                resetHeader();
                return;
            }
            if (m_header.length == 0) {
                if (m_socket.bytesAvailable() < MNCP_HEADER_SIZE)
                    return;
                const qint64 got = m_socket.read(reinterpret_cast<char *>(&m_header), MNCP_HEADER_SIZE);
                if (got == -1)
                    throw SocketRead_Error(0, 78, "socketDataLoop", MNCP_HEADER_SIZE, -1);
                if (got > MNCP_HEADER_SIZE)
                    throw SocketRead_Error(1, 79, "socketDataLoop", MNCP_HEADER_SIZE, got);
                if (got < MNCP_HEADER_SIZE)
                    throw SocketRead_Error(2, 80, "socketDataLoop", MNCP_HEADER_SIZE, got);
                if (!headerAccepted())
                    return;
                if (m_header.length == 0) {
                    // An error reply has been reported and its header zeroed by now.
                    if (m_header.protocol != 0)
                        emit replyReceived(m_header.protocol, m_header.request, 0);
                    matchInFlight(m_header.protocol, m_header.request);
                    continue;
                }
            }

            // Taken as it arrives; a large payload then never sits in the socket's buffer and in
            // this copy at once. Growing the array is amortised, so the cost stays linear.
            const qint64 expected = m_header.length;
            const qint64 missing = expected - m_payload.size();
            const qint64 available = m_socket.bytesAvailable();
            if (available <= 0)
                return;
            const qint64 take = qMin(missing, available);
            const int filled = m_payload.size();
            m_payload.resize(static_cast<int>(filled + take));
            const qint64 got = m_socket.read(m_payload.data() + filled, take);
            if (got == -1)
                throw SocketRead_Error(3, 96, "socketDataLoop", expected, -1);
            if (got > take)
                throw SocketRead_Error(4, 97, "socketDataLoop", expected, filled + got);
            if (got < take)
                throw SocketRead_Error(5, 98, "socketDataLoop", expected, filled + got);
            if (m_payload.size() < expected)
                return;
            QByteArray payload = std::move(m_payload);
            m_payload = QByteArray();

            // The device may react to a reply by disconnecting, which resets m_header;
            // work on a copy and count the payload as consumed before handing it on.
            mncp_protocol_header replyHeader = m_header;
            m_header.length = 0;
            emit replyReceived(replyHeader.protocol, replyHeader.request, payload.size());
            if (m_receiver)
                m_receiver->processReply(payload, replyHeader);
            matchInFlight(replyHeader.protocol, replyHeader.request);
        }
    } catch (const SocketRead_Error &error) {
        qDebug("%s \n%s", error.what(), DisconnectAction);
        qCritical("%s \n%s", error.what(), DisconnectAction);
        emit socketReadException(QString::fromUtf8(error.what()), QString::fromLatin1(DisconnectAction));
        m_socket.disconnectFromHost();
    }
}

void SocketHandler::matchInFlight(quint16 protocol, quint16 request)
{
    if (protocol == m_current->protocol && request == m_current->request) {
        if (protocol != 0)
            emit commandAnswered(protocol, request, 0, m_current->operation);
        freeSlot();
        processCmd();
    }
}

void SocketHandler::socketStateChanged(QAbstractSocket::SocketState state)
{
    if (state == QAbstractSocket::UnconnectedState) {
        // A connection that dropped by itself (device power-cycled) must not leave the next
        // connection waiting for a reply that will never come, nor reading a stale payload; and
        // what was given to this connection (a second LUT store, a firmware image) must not go
        // out on the next one, which may lead to another device.
        resetHeader();
        dropCommands();
    }
    emit stateChanged(state);
}

void SocketHandler::resetHeader()
{
    std::memset(&m_header, 0, sizeof m_header);
    m_payload = QByteArray();
}

qint64 SocketHandler::largestUnansweredPayload() const
{
    qint64 largest = m_current->protocol != 0 ? m_current->payloadSize() : 0;
    for (const auto &queued : m_queue)
        largest = std::max<qint64>(largest, queued->payloadSize());
    return largest;
}

void SocketHandler::freeSlot()
{
    m_replyTimer.stop();
    m_awaitingReply = false;
    m_current->protocol = 0;
    m_current->request = 0;
    // Answered: a large payload (a firmware image) is not kept until the next command.
    if (!payloadPending()) {
        m_current->data = QByteArray();
        m_current->file.reset();
    }
}

void SocketHandler::dropCommands(DropReason reason)
{
    const auto report = [this, reason](const transport_cmd &cmd, const char *stage) {
        // Dropping is what a user's disconnect asks for; otherwise somebody should hear of it.
        const char *format = "%s: command 0x%04x - 0x%04x dropped, the connection ended before it was %s";
        if (reason == DropReason::UserDisconnect)
            qDebug(format, "dropCommands", cmd.protocol, cmd.request, stage);
        else
            qWarning(format, "dropCommands", cmd.protocol, cmd.request, stage);
        emit commandDropped(cmd.protocol, cmd.request, cmd.operation);
    };
    // Taken out first: a receiver of the reports may queue commands of its own.
    const auto current = std::exchange(m_current, std::make_shared<transport_cmd>());
    const auto queue = std::exchange(m_queue, {});
    m_sending.reset();
    m_sentBytes = 0;
    m_progressCmd.reset();
    m_replyTimer.stop();
    if (current->protocol != 0)
        report(*current, "answered");
    for (const auto &cmd : queue)
        report(*cmd, "sent");
}
