#pragma once

#include "faultinjector.h"
#include "mncp/mncpprotocol.h"
#include "simmessage.h"
#include "uploadstore.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>

class QTcpSocket;
class SimDevice;

// One client connection: cuts the byte stream into MNCP commands with the program's own
// header check, refuses broken or oversized headers without allocating, hands every
// command to the device and sends the replies in order, applying the injected faults.
class SimConnection : public QObject
{
    Q_OBJECT
public:
    // A command may not announce more payload than this (the program's own limit).
    static constexpr quint32 MaxPayloadLength = 256u * 1024u * 1024u;

    SimConnection(int id, QTcpSocket *socket, SimDevice &device, const FaultInjector &faults, QObject *parent = nullptr);

signals:
    void finished();

private:
    struct Outgoing {
        QByteArray bytes;
        qint64 notBefore = 0;
        bool closeAfter = false;
    };

    void onReadyRead();
    void readPaced();
    // Reads at most `maximum` bytes (a streamed payload to its stream); returns how many.
    qint64 readIntoInbox(qint64 maximum);
    void onDisconnected();
    void processInput();
    bool takeHeader();
    void answer(const SimCommand &command);
    void pump();
    void abortWith(const QString &reason);
    void log(const QString &line) const;

    int m_id;
    QTcpSocket *m_socket;
    SimDevice &m_device;
    const FaultInjector &m_faults;
    QByteArray m_inbox;
    std::optional<mncp_protocol_header> m_header;
    // A streamed payload (see SimDevice::streamsPayload) goes here as it arrives, not into the
    // inbox; what of it is still to come.
    std::unique_ptr<UploadStream> m_stream;
    quint32 m_streamLeft = 0;
    static constexpr qint64 StreamBufferSize = 1024 * 1024;
    QByteArray m_streamBuffer;
    int m_commands = 0;
    bool m_closing = false;
    QList<Outgoing> m_outbox;
    int m_sentOfHead = 0;
    QTimer m_pumpTimer;
    QElapsedTimer m_clock;
    // With a read rate: what was read since a paced stretch began, and when it began.
    QTimer m_readTimer;
    qint64 m_pacedSince = 0;
    qint64 m_pacedBytes = 0;
};
