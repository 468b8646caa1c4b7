#pragma once

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

#include "waituntil.h"

// A scripted MNCP peer on a loopback address. It has its own header encoding and CRC
// (bit by bit, independent of the program's table-driven codec), records every command
// it receives and answers as the test says, including split and batched delivery.
class FakeDevice : public QObject
{
    Q_OBJECT
public:
    struct Command {
        quint16 protocol = 0;
        quint16 request = 0;
        QByteArray payload;
    };
    // Returns the raw bytes to send back for one command (any number of messages, or none).
    using Responder = std::function<QByteArray(const Command &)>;

    explicit FakeDevice(QObject *parent = nullptr);

    bool listen(const QHostAddress &address = QHostAddress(QStringLiteral("127.0.0.1")), quint16 port = 0) { return m_server.listen(address, port); }
    quint16 port() const { return m_server.serverPort(); }
    QString address() const { return m_server.serverAddress().toString(); }

    static quint16 crc16(const QByteArray &bytes);
    static QByteArray header(quint16 protocol, quint16 request, quint32 length, quint16 version = 0x0106);
    static QByteArray message(quint16 protocol, quint16 request, const QByteArray &payload = QByteArray())
    {
        return header(protocol, request, static_cast<quint32>(payload.size())) + payload;
    }
    static QByteArray errorReply(quint16 protocol, quint16 request, quint16 status) { return header(protocol, request, 0xFFFF0000u | status); }
    static QByteArray withBadCrc(QByteArray message) { return message.replace(3, 1, QByteArray(1, static_cast<char>(message.at(3) ^ 0x5A))); }

    // Default: every command is answered by an empty reply of the same protocol and request.
    void setResponder(Responder responder) { m_responder = std::move(responder); }
    // Replies leave in pieces of this many bytes, one piece per event-loop turn (0: whole).
    void setChunkSize(int bytes) { m_chunkSize = bytes; }
    void setSilent(bool silent) { m_silent = silent; }

    void send(const QByteArray &bytes);
    void dropClient() { if (m_client) m_client->abort(); }

    bool waitForClient(int timeoutMs = 5000) { return waitUntil([this] { return hasClient(); }, timeoutMs); }
    bool waitForCommands(int count, int timeoutMs = 5000) { return waitUntil([this, count] { return m_received.size() >= count; }, timeoutMs); }
    bool waitForDisconnect(int timeoutMs = 5000) { return waitUntil([this] { return !hasClient(); }, timeoutMs); }
    bool waitForSendsDone() { return waitUntil([this] { return m_outbox.isEmpty() && (!m_client || m_client->bytesToWrite() == 0); }); }

    const QList<Command> &received() const { return m_received; }
    void clearReceived() { m_received.clear(); }
    int badHeaders() const { return m_badHeaders; }
    bool hasClient() const { return m_client && m_client->state() == QAbstractSocket::ConnectedState; }

signals:
    void commandReceived(const FakeDevice::Command &command);

private:
    void onNewConnection();
    void onReadyRead();
    void pump();

    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
    QByteArray m_inbox, m_outbox;
    QTimer m_pumpTimer;
    QList<Command> m_received;
    Responder m_responder;
    int m_chunkSize = 0;
    bool m_silent = false;
    int m_badHeaders = 0;
};
