#include "simconnection.h"

#include "simdevice.h"
#include "simlogger.h"

#include <QTcpSocket>
#include <algorithm>
#include <cstring>
#include <limits>

namespace {
// How often a paced connection reads its next portion.
constexpr int ReadIntervalMs = 10;
} // namespace

SimConnection::SimConnection(int id, QTcpSocket *socket, SimDevice &device, const FaultInjector &faults, QObject *parent)
    : QObject(parent), m_id(id), m_socket(socket), m_device(device), m_faults(faults)
{
    m_socket->setParent(this);
    m_clock.start();
    m_pumpTimer.setSingleShot(true);
    connect(&m_pumpTimer, &QTimer::timeout, this, &SimConnection::pump);
    if (m_faults.readRate() > 0) {
        // Qt's own buffer must stay small too: what is not read stays in the system's socket
        // buffers, and TCP flow control then slows the sender down to the rate.
        m_socket->setReadBufferSize(qMax<qint64>(2 * qint64(m_faults.readRate()) * ReadIntervalMs / 1000, 4096));
        m_readTimer.setTimerType(Qt::PreciseTimer);
        m_readTimer.setInterval(ReadIntervalMs);
        connect(&m_readTimer, &QTimer::timeout, this, &SimConnection::readPaced);
    }
    connect(m_socket, &QTcpSocket::readyRead, this, &SimConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &SimConnection::onDisconnected);
    log(QStringLiteral("connected from %1:%2").arg(m_socket->peerAddress().toString()).arg(m_socket->peerPort()));
}

void SimConnection::log(const QString &line) const
{
    SimLogger::log(QStringLiteral("#%1 %2").arg(m_id).arg(line));
}

void SimConnection::onDisconnected()
{
    log(QStringLiteral("disconnected after %1 commands").arg(m_commands));
    m_pumpTimer.stop();
    m_readTimer.stop();
    emit finished();
}

void SimConnection::abortWith(const QString &reason)
{
    log(reason + QStringLiteral(", closing the connection"));
    m_closing = true;
    m_inbox.clear();
    m_stream.reset();
    m_socket->abort();
}

void SimConnection::onReadyRead()
{
    if (m_closing) {
        // Still read, so the peer is not blocked, but act on nothing more.
        m_socket->readAll();
        return;
    }
    if (m_faults.readRate() > 0) {
        // Paced: the timer reads. A stretch starts afresh, so an idle connection saves up no burst.
        if (!m_readTimer.isActive()) {
            m_pacedSince = m_clock.elapsed();
            m_pacedBytes = 0;
            m_readTimer.start();
        }
        return;
    }
    readIntoInbox(m_socket->bytesAvailable());
    processInput();
}

void SimConnection::readPaced()
{
    if (m_closing || m_socket->bytesAvailable() <= 0) {
        m_readTimer.stop();
        if (m_closing)
            m_socket->readAll();
        return;
    }
    // Counted from the stretch's start, so a late tick catches up and the rate stays exact.
    const qint64 allowed = qint64(m_faults.readRate()) * (m_clock.elapsed() - m_pacedSince) / 1000 - m_pacedBytes;
    if (allowed <= 0)
        return;
    m_pacedBytes += readIntoInbox(qMin(allowed, m_socket->bytesAvailable()));
    processInput();
}

qint64 SimConnection::readIntoInbox(qint64 maximum)
{
    qint64 read = 0;
    // A streamed payload goes from the socket to its stream through one buffer kept for it.
    while (m_stream && m_inbox.isEmpty() && m_streamLeft > 0 && maximum > 0) {
        const qint64 wanted = std::min<qint64>({maximum, qint64(m_streamLeft), StreamBufferSize});
        const qint64 got = m_socket->read(m_streamBuffer.data(), wanted);
        if (got <= 0)
            return read;
        m_stream->write(m_streamBuffer.constData(), got);
        m_streamLeft -= static_cast<quint32>(got);
        maximum -= got;
        read += got;
    }
    // Straight into the inbox: a large upload is then copied once, not once more per read.
    const int filled = m_inbox.size();
    if (maximum > 0 && maximum <= std::numeric_limits<int>::max() - filled) {
        m_inbox.resize(filled + static_cast<int>(maximum));
        const qint64 got = m_socket->read(m_inbox.data() + filled, maximum);
        m_inbox.resize(filled + static_cast<int>(qMax<qint64>(got, 0)));
        read += qMax<qint64>(got, 0);
    }
    return read;
}

bool SimConnection::takeHeader()
{
    mncp_protocol_header header;
    std::memcpy(&header, m_inbox.constData(), MNCP_HEADER_SIZE);
    const QByteArray raw = m_inbox.left(MNCP_HEADER_SIZE);
    const int check = mncp_check_header(header);
    if (check == MNCP_HEADER_CRC_ERROR) {
        abortWith(QStringLiteral("bad header (CRC error): %1").arg(QString::fromLatin1(raw.toHex(' '))));
        return false;
    }
    if (check == MNCP_HEADER_VERSION_ERROR) {
        abortWith(QStringLiteral("bad header (version 0x%1): %2")
                      .arg(header.version, 4, 16, QLatin1Char('0'))
                      .arg(QString::fromLatin1(raw.toHex(' '))));
        return false;
    }
    if (header.length > MaxPayloadLength) {
        abortWith(QStringLiteral("oversized length %1 for protocol 0x%2 request 0x%3 (limit %4)")
                      .arg(header.length)
                      .arg(header.protocol, 4, 16, QLatin1Char('0'))
                      .arg(header.request, 4, 16, QLatin1Char('0'))
                      .arg(MaxPayloadLength));
        return false;
    }
    m_inbox.remove(0, MNCP_HEADER_SIZE);
    m_header = header;
    if (header.length > 0 && SimDevice::streamsPayload(header.protocol, header.request)) {
        m_stream = m_device.uploads().openStream();
        m_streamLeft = header.length;
        m_streamBuffer.resize(StreamBufferSize);
    } else {
        // One allocation for a large payload instead of a chain of ever larger ones.
        m_inbox.reserve(static_cast<int>(header.length));
    }
    return true;
}

void SimConnection::processInput()
{
    while (!m_closing) {
        if (!m_header) {
            if (m_inbox.size() < MNCP_HEADER_SIZE || !takeHeader())
                return;
        }
        if (m_stream) {
            const int piece = static_cast<int>(qMin<qint64>(m_inbox.size(), m_streamLeft));
            m_stream->write(m_inbox.constData(), piece);
            m_inbox.remove(0, piece);
            m_streamLeft -= static_cast<quint32>(piece);
            if (m_streamLeft > 0)
                return;
            const std::unique_ptr<UploadStream> stream = std::move(m_stream);
            SimCommand command{m_header->protocol, m_header->request, QByteArray(), stream.get(), m_header->length};
            m_header.reset();
            answer(command);
            continue;
        }
        const int length = static_cast<int>(m_header->length);
        if (m_inbox.size() < length)
            return;
        QByteArray payload;
        if (m_inbox.size() == length) {
            // The usual case for a large upload: handed on without copying it.
            payload = std::move(m_inbox);
            m_inbox = QByteArray();
        } else {
            payload = m_inbox.left(length);
            m_inbox.remove(0, length);
        }
        const SimCommand command{m_header->protocol, m_header->request, payload};
        m_header.reset();
        answer(command);
    }
}

void SimConnection::answer(const SimCommand &command)
{
    const quint16 protocol = command.protocol;
    const quint16 request = command.request;
    const int number = ++m_commands;
    SimLogger::logCommand(m_id, protocol, request, command.length());
    if (m_faults.silent(number)) {
        log(QStringLiteral("fault: command %1 not answered").arg(number));
        return;
    }
    SimReply reply;
    if (const auto status = m_faults.errorStatus(protocol, request)) {
        log(QStringLiteral("fault: error reply status %1").arg(*status));
        reply = SimReply::error(command, *status);
    } else {
        reply = m_device.handle(command);
    }
    Outgoing out;
    if (m_faults.badCrc(protocol, request, number)) {
        log(QStringLiteral("fault: reply with a bad CRC"));
        out.bytes = reply.encodeWithBadCrc();
    } else {
        out.bytes = reply.encode();
    }
    out.notBefore = m_clock.elapsed() + reply.delayMs;
    out.closeAfter = m_faults.closeAfterReply(number);
    if (out.closeAfter)
        m_closing = true;
    m_outbox.append(out);
    if (!m_pumpTimer.isActive())
        pump();
}

void SimConnection::pump()
{
    while (!m_outbox.isEmpty()) {
        Outgoing &head = m_outbox.first();
        const qint64 wait = head.notBefore - m_clock.elapsed();
        if (wait > 0) {
            m_pumpTimer.start(static_cast<int>(wait));
            return;
        }
        const int chunk = m_faults.chunkSize();
        const int remaining = head.bytes.size() - m_sentOfHead;
        const int piece = chunk > 0 ? qMin(chunk, remaining) : remaining;
        m_socket->write(head.bytes.constData() + m_sentOfHead, piece);
        m_socket->flush();
        m_sentOfHead += piece;
        if (m_sentOfHead < head.bytes.size()) {
            // The next piece goes out on a later event-loop turn, so the peer sees it separately.
            m_pumpTimer.start(1);
            return;
        }
        const bool close = head.closeAfter;
        m_outbox.removeFirst();
        m_sentOfHead = 0;
        if (close) {
            log(QStringLiteral("fault: closing the connection after %1 commands").arg(m_commands));
            m_outbox.clear();
            m_socket->disconnectFromHost();
            return;
        }
        if (chunk > 0 && !m_outbox.isEmpty()) {
            m_pumpTimer.start(1);
            return;
        }
    }
}
