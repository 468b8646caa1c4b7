#pragma once

#include "mncpprotocol.h"
#include "mncpreplyreceiver.h"
#include "transportcmd.h"

#include <QList>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

class SocketWrite_Error;

// Owns the TCP connection to one device: a FIFO of commands with at most one in flight,
// the sending of a command and the incremental receive loop that cuts the stream into
// MNCP messages and hands their payloads to the owning device.
class SocketHandler : public QObject
{
    Q_OBJECT
public:
    // A reply may not announce more payload than this; a larger length is a broken header.
    static constexpr quint32 MaxPayloadLength = 256u * 1024u * 1024u;
    // Status reported through commError for a header announcing an oversized payload.
    static constexpr int OversizedPayloadStatus = -3;
    // A payload is handed to the socket in slices of this size, the next one once the socket has
    // passed most of the last to the system: a firmware image is not copied whole a second time.
    static constexpr int WriteSliceSize = 4 * 1024 * 1024;
    // A command not answered this long after its last byte went to the network ends the
    // connection: the device is gone or hung.
    static constexpr int DefaultReplyTimeoutMs = 10000;
    // A device answers a firmware image only once it has written it to its flash, which takes
    // minutes on the larger monitors; the bound is generous so a slow flash is never cut off.
    static constexpr int FirmwareReplyTimeoutMs = 5 * 60 * 1000;

    explicit SocketHandler(MncpReplyReceiver *receiver);
    ~SocketHandler() override;

    void connectToDevice(const QString &host, quint16 port);
    void abortConnection();
    void disconnectAndClear();
    QAbstractSocket::SocketState socketState() const;

    void queueCommand(quint16 protocol, quint16 request, const QByteArray &data = QByteArray(), quint32 operation = 0);
    // The payload is read from the open file, `size` bytes, as the socket drains.
    void queueFileCommand(quint16 protocol, quint16 request, std::shared_ptr<QFile> file, qint64 size,
                          quint32 operation = 0);
    // 0 turns the reply time-out off.
    void setReplyTimeout(int ms) { m_replyTimeoutMs = ms; }
    void setFirmwareReplyTimeout(int ms) { m_firmwareReplyTimeoutMs = ms; }
    int replyTimeout() const { return m_replyTimeoutMs; }
    void processCmd();
    void processHeader();

    // The largest payload of a command not yet answered (in flight or queued).
    qint64 largestUnansweredPayload() const;

    // Inspection for tests and diagnostics.
    int queuedCount() const { return m_queue.size(); }
    const transport_cmd &inFlight() const { return *m_current; }
    const mncp_protocol_header &receiveHeader() const { return m_header; }
    QTcpSocket &socket() { return m_socket; }

public slots:
    void socketDataLoop();

signals:
    void stateChanged(QTcpSocket::SocketState state);
    // A command's header went to the socket; its payload follows.
    void commandSent(int protocol, int request, qint64 payloadSize, quint32 operation);
    // A whole message arrived from the device (error replies excepted).
    void replyReceived(int protocol, int request, qint64 payloadSize);
    // Of a payload being sent, how many bytes the network has taken so far.
    void payloadProgress(qint64 sent, qint64 total, quint32 operation);
    // A command given to a connection that ended before it was answered; it is never sent
    // on a later connection.
    void commandDropped(int protocol, int request, quint32 operation);
    // The in-flight command was answered: status 0 for a reply, the device's status otherwise.
    void commandAnswered(int protocol, int request, int status, quint32 operation);
    // The in-flight command was not answered in time, or its bytes stopped going out; the
    // connection is being ended.
    void replyTimedOut(int protocol, int request);
    void commError(int protocol, int request, int status);
    void protocolError(int protocol, int request, int status);
    void updateFirmwareComplete();
    void socketReadException(QString emsg, QString action);
    void socketWriteException(QString emsg, QString action);

private slots:
    void socketStateChanged(QAbstractSocket::SocketState state);
    void onBytesWritten(qint64 bytes);
    void onReplyTimeout();

private:
    void enqueue(std::shared_ptr<transport_cmd> cmd);
    void writePendingPayload();
    // Starts the reply time-out once every byte of the in-flight command has left the socket.
    void armReplyTimer();
    void resetHeader();
    // Frees the slot without cutting short a payload that is still being handed to the socket.
    void freeSlot();
    enum class DropReason { ConnectionLost, UserDisconnect };
    // Forgets every command of the connection that ended (or is ending), reporting each.
    void dropCommands(DropReason reason = DropReason::ConnectionLost);
    // Frees the in-flight slot when the message just read answers it, and sends the next command.
    void matchInFlight(quint16 protocol, quint16 request);
    // Returns false when the receive loop must stop because the header was rejected.
    bool headerAccepted();
    bool payloadPending() const { return m_sending != nullptr; }
    void failWrite(const SocketWrite_Error &error);
    void failTransfer(const QString &message);

    MncpReplyReceiver *m_receiver;
    QTcpSocket m_socket;
    mncp_protocol_header m_header{};
    // The payload of the message being received, filled as its bytes arrive (so the socket's
    // buffer and this copy never both hold a large payload).
    QByteArray m_payload;
    std::shared_ptr<transport_cmd> m_current;
    QList<std::shared_ptr<transport_cmd>> m_queue;
    // The command whose payload is still being handed to the socket, and how much of it went.
    std::shared_ptr<transport_cmd> m_sending;
    qint64 m_sentBytes = 0;
    bool m_headerRejected = false;
    // Progress of the payload going to the network: the bytes the socket held before it (the
    // header included), and what the socket has written since that header.
    std::shared_ptr<transport_cmd> m_progressCmd;
    qint64 m_bytesAhead = 0;
    qint64 m_writtenSinceHeader = 0;
    qint64 m_progressReported = -1;
    QTimer m_replyTimer;
    // The in-flight command is all out and its answer is awaited (before: its bytes going out).
    bool m_awaitingReply = false;
    int m_replyTimeoutMs = DefaultReplyTimeoutMs;
    int m_firmwareReplyTimeoutMs = FirmwareReplyTimeoutMs;
};
