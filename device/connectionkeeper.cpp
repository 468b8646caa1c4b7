#include "connectionkeeper.h"

#include "mncp/mncpids.h"
#include "mncp/sockethandler.h"

#include <QtDebug>

ConnectionKeeper::ConnectionKeeper(SocketHandler *handler, std::function<void()> connectAgain, QObject *parent)
    : QObject(parent), m_handler(handler), m_connectAgain(std::move(connectAgain))
{
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(ConnectTimeoutMs);
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(IdleProbeMs);
    m_retry.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, &ConnectionKeeper::onConnectTimeout);
    connect(&m_idleTimer, &QTimer::timeout, this, &ConnectionKeeper::onIdle);
    connect(&m_retry, &QTimer::timeout, this, &ConnectionKeeper::retry);
    QTcpSocket &socket = handler->socket();
    connect(&socket, &QAbstractSocket::stateChanged, this, &ConnectionKeeper::onStateChanged);
    connect(&socket, &QAbstractSocket::errorOccurred, this, &ConnectionKeeper::onSocketError);
    connect(&socket, &QIODevice::readyRead, this, &ConnectionKeeper::onTraffic);
    connect(&socket, &QIODevice::bytesWritten, this, &ConnectionKeeper::onTraffic);
    connect(handler, &SocketHandler::replyTimedOut, this, [this](int protocol, int request) {
        setReason(tr("device not answering (protocol 0x%1, request 0x%2)")
                      .arg(protocol, 4, 16, QLatin1Char('0'))
                      .arg(request, 4, 16, QLatin1Char('0')));
    });
    connect(handler, &SocketHandler::commError, this, [this](int, int, int status) {
        const QString what = status == MNCP_HEADER_CRC_ERROR       ? tr("a header with a bad checksum")
                             : status == MNCP_HEADER_VERSION_ERROR ? tr("a header of another protocol version")
                                                                   : tr("a header announcing an oversized payload");
        setReason(tr("protocol error: the device sent %1").arg(what));
    });
    const auto transferFailed = [this](const QString &message) {
        setReason(tr("transfer error: %1").arg(message.section(QLatin1Char('\n'), 0, 0).trimmed()));
    };
    connect(handler, &SocketHandler::socketReadException, this, transferFailed);
    connect(handler, &SocketHandler::socketWriteException, this, transferFailed);
}

void ConnectionKeeper::setAutoReconnect(bool on)
{
    if (on == m_autoReconnect)
        return;
    m_autoReconnect = on;
    if (!on && m_retry.isActive()) {
        m_retry.stop();
        emit changed();
    }
    emit autoReconnectChanged();
}

QString ConnectionKeeper::status() const
{
    if (reconnecting())
        return tr("Reconnecting (attempt %1): %2").arg(m_attempt).arg(m_reason);
    if (!m_stopped.isEmpty())
        return tr("Not reconnecting: %1").arg(m_stopped);
    return m_reason;
}

int ConnectionKeeper::retryDelayMs() const
{
    // 1, 2, 4 ... seconds, up to the longest wait.
    const int doublings = qBound(0, m_attempt - 1, 5);
    return qMin(m_firstRetryMs << doublings, MaxRetryDelayMs);
}

void ConnectionKeeper::userConnecting()
{
    m_retry.stop();
    m_userStopped = false;
    m_wasConnected = false;
    m_reconnectConnecting = false;
    m_attempt = 0;
    m_refusals = 0;
    m_reason.clear();
    m_causeKnown = false;
    m_stopped.clear();
    emit changed();
}

void ConnectionKeeper::userStopped()
{
    m_userStopped = true;
    m_reconnectConnecting = false;
    m_retry.stop();
    m_stopped.clear();
    m_reason.clear();
    m_causeKnown = false;
    emit changed();
}

void ConnectionKeeper::mismatch(const QString &why)
{
    // Commands of the other kind of device mean something else to this one: end it here.
    setReason(why);
    stop(why);
    if (m_endMismatched)
        m_handler->disconnectAndClear();
}

void ConnectionKeeper::setReason(const QString &reason)
{
    // The first reason of a connection is the cause; what follows (the socket closing after a
    // time-out or a broken header) is its consequence.
    if (m_causeKnown)
        return;
    m_causeKnown = true;
    m_reason = reason;
    emit changed();
}

void ConnectionKeeper::stop(const QString &why)
{
    m_retry.stop();
    m_reconnectConnecting = false;
    m_stopped = why;
    m_userStopped = true;
    emit changed();
}

void ConnectionKeeper::onStateChanged(QAbstractSocket::SocketState state)
{
    switch (state) {
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
        if (!m_connectTimer.isActive())
            m_connectTimer.start();
        break;
    case QAbstractSocket::ConnectedState: {
        m_connectTimer.stop();
        m_idleTimer.start();
        const bool byKeeper = m_reconnectConnecting;
        m_wasConnected = true;
        m_reconnectConnecting = false;
        m_refusals = 0;
        m_attempt = 0;
        m_reason.clear();
        m_causeKnown = false;
        emit changed();
        if (byKeeper)
            emit reconnected();
        break;
    }
    case QAbstractSocket::UnconnectedState:
        m_connectTimer.stop();
        m_idleTimer.stop();
        // The socket may report the state before the error that caused it.
        if (!m_causeKnown && !m_userStopped && m_handler->socket().error() != QAbstractSocket::UnknownSocketError)
            onSocketError(m_handler->socket().error());
        if (!m_causeKnown && !m_userStopped)
            setReason(tr("connection closed"));
        if (m_userStopped || !m_autoReconnect || !m_wasConnected) {
            m_reconnectConnecting = false;
            emit changed();
            break;
        }
        if (m_lastWasRefusal && ++m_refusals >= MaxRefusals) {
            stop(tr("the address refused the connection %1 times").arg(m_refusals));
            break;
        }
        if (!m_lastWasRefusal)
            m_refusals = 0;
        ++m_attempt;
        m_reconnectConnecting = false;
        m_retry.start(retryDelayMs());
        qInfo().noquote() << "ConnectionKeeper:" << status();
        emit changed();
        break;
    default:
        break;
    }
}

void ConnectionKeeper::onSocketError(QAbstractSocket::SocketError error)
{
    m_lastWasRefusal = error == QAbstractSocket::ConnectionRefusedError;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: setReason(tr("connection refused")); break;
    case QAbstractSocket::RemoteHostClosedError: setReason(tr("closed by the device")); break;
    case QAbstractSocket::HostNotFoundError: setReason(tr("host not found")); break;
    case QAbstractSocket::SocketTimeoutError: setReason(tr("timed out")); break;
    case QAbstractSocket::NetworkError: setReason(tr("host unreachable")); break;
    default: setReason(m_handler->socket().errorString()); break;
    }
}

void ConnectionKeeper::onTraffic()
{
    if (m_handler->socketState() == QAbstractSocket::ConnectedState)
        m_idleTimer.start();
}

void ConnectionKeeper::onIdle()
{
    if (m_handler->socketState() != QAbstractSocket::ConnectedState)
        return;
    // Only when nothing is waiting: a command in flight has its own time-out. The model query is
    // read-only and every device answers it.
    if (m_handler->inFlight().protocol == 0 && m_handler->queuedCount() == 0) {
        emit probed();
        m_handler->queueCommand(MNCP_PROTOCOL_BASIC_INFO, MNCP_INFO_MODEL);
    }
    m_idleTimer.start();
}

void ConnectionKeeper::onConnectTimeout()
{
    if (m_handler->socketState() == QAbstractSocket::ConnectedState)
        return;
    setReason(tr("timed out"));
    m_lastWasRefusal = false;
    m_handler->abortConnection();
}

void ConnectionKeeper::retry()
{
    if (m_userStopped || !m_autoReconnect)
        return;
    // The last reason stays on show until this attempt ends with its own.
    m_lastWasRefusal = false;
    m_reconnectConnecting = true;
    m_causeKnown = false;
    emit changed();
    m_connectAgain();
}
