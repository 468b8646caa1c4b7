#include "devicesession.h"

#include "device/devicefamily.h"

#include "cubrix/cubrix.h"
#include "mncp/mncpids.h"
#include "mncp/mncpprotocol.h"
#include "monitor/monitor.h"

#include <QEventLoop>

namespace {

constexpr int PollIntervalMs = 10;

QString hex4(int value)
{
    return QStringLiteral("0x%1").arg(value & 0xFFFF, 4, 16, QLatin1Char('0'));
}

// The protocol error texts are written for a dialog; on one line they read better joined.
QString oneLine(const QString &text)
{
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    return lines.join(QLatin1Char(' '));
}

QString commErrorText(int status)
{
    switch (status) {
    case MNCP_HEADER_CRC_ERROR: return QStringLiteral("CRC error");
    case MNCP_HEADER_VERSION_ERROR: return QStringLiteral("wrong protocol version");
    case SocketHandler::OversizedPayloadStatus: return QStringLiteral("payload length beyond the limit");
    default: return QStringLiteral("status %1").arg(status);
    }
}

QString seconds(int ms)
{
    return QStringLiteral("%1 s").arg(ms / 1000.0, 0, 'g', 4);
}

} // namespace

DeviceSession::DeviceSession(const HostAddress &host, Kind kind, const Timeouts &timeouts, QObject *parent)
    : QObject(parent), m_host(host), m_requestedKind(kind), m_timeoutMs(timeouts.replyMs),
      m_firmwareTimeoutMs(timeouts.firmwareMs)
{
    m_pollTimer.setInterval(PollIntervalMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &DeviceSession::poll);
}

DeviceSession::~DeviceSession()
{
    // The device objects are children; their sockets close with them.
    m_pollTimer.stop();
}

DeviceBase *DeviceSession::device() const
{
    if (m_monitor)
        return m_monitor;
    return m_cubrix;
}

QString DeviceSession::kindName() const
{
    if (m_identifiedKind.isEmpty())
        return m_cubrix ? QStringLiteral("cubrix") : QStringLiteral("monitor");
    return m_identifiedKind;
}

QString DeviceSession::model() const
{
    return m_model;
}

QString DeviceSession::serial() const
{
    return m_serial;
}

void DeviceSession::start()
{
    m_probing = m_requestedKind == Kind::Detect;
    // A monitor's identity queries are the ones every device answers; a Cubrix found that way
    // is connected again as a Cubrix.
    createDevice(m_requestedKind == Kind::Cubrix ? Kind::Cubrix : Kind::Monitor);
    connectDevice();
    m_pollTimer.start();
}

void DeviceSession::createDevice(Kind kind)
{
    DeviceBase *created = nullptr;
    if (kind == Kind::Cubrix) {
        m_cubrix = new Cubrix(this);
        created = m_cubrix;
    } else {
        m_monitor = new Monitor(this);
        created = m_monitor;
    }
    // A monitor's queries are how the kind is found out, and a kind forced by the user stays:
    // a device of the other kind is reported by the commands, not cut off.
    created->connection()->setEndMismatchedConnections(false);
    created->setAddress(m_host.address());
    created->setPort(m_host.port());

    // The transport's own signals: the device classes re-declare some of them.
    SocketHandler *handler = created->socketHandler();
    connect(handler, &SocketHandler::stateChanged, this, &DeviceSession::onStateChanged);
    connect(handler, &SocketHandler::protocolError, this, &DeviceSession::onProtocolError);
    connect(handler, &SocketHandler::commError, this, &DeviceSession::onCommError);
    connect(handler, &SocketHandler::socketReadException, this,
            [this](const QString &message) { onTransferError(message); });
    connect(handler, &SocketHandler::socketWriteException, this,
            [this](const QString &message) { onTransferError(message); });
    QTcpSocket &socket = handler->socket();
    connect(&socket, &QAbstractSocket::errorOccurred, this, [this, &socket] { m_socketError = socket.errorString(); });
    // The window's time-outs, with the tool's bound: a connection that does not come up and a
    // command not answered in time end the run for this host.
    handler->setReplyTimeout(m_timeoutMs);
    handler->setFirmwareReplyTimeout(m_firmwareTimeoutMs);
    created->connection()->setConnectTimeout(m_timeoutMs);
    connect(handler, &SocketHandler::replyTimedOut, this, [this](int protocol, int request) {
        const int bound = protocol == MNCP_PROTOCOL_FIRMWARE ? m_firmwareTimeoutMs : m_timeoutMs;
        fail(QStringLiteral("no reply within %1 (protocol %2 request %3 unanswered)")
                 .arg(seconds(bound), hex4(protocol), hex4(request)));
    });
}

void DeviceSession::connectDevice()
{
    m_phase = Phase::Connecting;
    m_socketError.clear();
    device()->deviceConnect();
}

bool DeviceSession::isBusy() const
{
    DeviceBase *current = device();
    if (!current)
        return false;
    SocketHandler *handler = current->socketHandler();
    if (handler->queuedCount() > 0 || handler->inFlight().protocol != 0)
        return true;
    // An RV-family save still owes its second store.
    if (m_monitor && m_monitor->pendingRvStores() > 0)
        return true;
    return m_cubrix && m_cubrix->queryTimer() && m_cubrix->queryTimer()->isActive();
}

void DeviceSession::tolerateError(quint16 protocol, quint16 request)
{
    m_tolerated.insert(qMakePair(int(protocol), int(request)));
}

void DeviceSession::poll()
{
    if (m_inStep || m_phase == Phase::Done || m_phase == Phase::Idle)
        return;
    if (m_phase == Phase::Connecting && device()->state() == QAbstractSocket::ConnectedState)
        m_phase = Phase::Identifying;
    if (isBusy())
        return;
    if (m_phase == Phase::Identifying)
        identified();
    else if (m_phase == Phase::Running)
        runNextStep();
}

void DeviceSession::identified()
{
    const QString model = m_monitor ? m_monitor->model() : m_cubrix->model();
    const QString serial = m_monitor ? m_monitor->serial() : m_cubrix->serial();
    if (m_probing) {
        m_probing = false;
        if (DeviceFamily::isCubrix(model)) {
            Monitor *probe = m_monitor;
            m_monitor = nullptr;
            m_probeErrors.clear();
            probe->socketHandler()->disconnect(this);
            probe->socketHandler()->socket().disconnect(this);
            probe->deviceDisconnect();
            probe->deleteLater();
            createDevice(Kind::Cubrix);
            connectDevice();
            return;
        }
        if (!m_probeErrors.isEmpty()) {
            fail(m_probeErrors.first());
            return;
        }
    }
    m_model = model;
    m_serial = serial;
    m_identifiedKind = m_cubrix ? QStringLiteral("cubrix") : QStringLiteral("monitor");
    m_phase = Phase::Running;
    m_nextStep = 0;
    runNextStep();
}

void DeviceSession::runNextStep()
{
    if (m_nextStep >= m_steps.size()) {
        finish();
        return;
    }
    const Step step = m_steps.at(m_nextStep++);
    m_inStep = true;
    const QString error = step(*this);
    m_inStep = false;
    if (m_phase == Phase::Done)
        return;
    if (!error.isEmpty())
        fail(error);
}

void DeviceSession::fail(const QString &message)
{
    if (m_phase == Phase::Done)
        return;
    m_error = message;
    finish();
}

void DeviceSession::finish()
{
    if (m_phase == Phase::Done)
        return;
    m_phase = Phase::Done;
    m_pollTimer.stop();
    if (DeviceBase *current = device()) {
        SocketHandler *handler = current->socketHandler();
        handler->disconnect(this);
        handler->socket().disconnect(this);
        if (m_error.isEmpty())
            current->deviceDisconnect();
        else
            handler->abortConnection();
    }
    emit finished();
}

void DeviceSession::onStateChanged()
{
    if (m_phase == Phase::Done || !device())
        return;
    const QAbstractSocket::SocketState state = device()->state();
    if (state == QAbstractSocket::ConnectedState && m_phase == Phase::Connecting) {
        // The device class has queued its identity queries on this same signal.
        m_phase = Phase::Identifying;
        return;
    }
    if (state != QAbstractSocket::UnconnectedState)
        return;
    const QString reason = m_socketError.isEmpty() ? device()->socketHandler()->socket().errorString() : m_socketError;
    if (m_phase == Phase::Connecting && m_socketError.isEmpty() && device()->connection()->reason() == QLatin1String("timed out"))
        fail(QStringLiteral("no connection within %1").arg(seconds(m_timeoutMs)));
    else if (m_phase == Phase::Connecting)
        fail(QStringLiteral("cannot connect: %1").arg(reason));
    else
        fail(QStringLiteral("the device closed the connection (%1)").arg(reason));
}

void DeviceSession::onProtocolError(int protocol, int request, int status)
{
    if (m_phase == Phase::Done || m_tolerated.contains(qMakePair(protocol, request)))
        return;
    const QString message = QStringLiteral("error reply to protocol %1 request %2 (status %3): %4")
                                .arg(hex4(protocol), hex4(request))
                                .arg(status)
                                .arg(oneLine(getProtocolMessage(protocol)));
    // While the kind is still being found out, a Cubrix may refuse a monitor's query.
    if (m_probing) {
        m_probeErrors << message;
        return;
    }
    fail(message);
}

void DeviceSession::onCommError(int protocol, int request, int status)
{
    // A header that fails its CRC keeps its fields in wire order and cannot be trusted; the
    // command it should have answered is the one in flight.
    const transport_cmd &inFlight = device()->socketHandler()->inFlight();
    if (inFlight.protocol != 0) {
        protocol = inFlight.protocol;
        request = inFlight.request;
    }
    fail(QStringLiteral("broken reply header (%1) for protocol %2 request %3")
             .arg(commErrorText(status), hex4(protocol), hex4(request)));
}

void DeviceSession::onTransferError(const QString &message)
{
    // A write that fails because the device has just hung up is reported as the hang-up.
    if (device() && device()->state() != QAbstractSocket::ConnectedState && !m_socketError.isEmpty())
        fail(QStringLiteral("the device closed the connection (%1; %2)").arg(m_socketError, message.simplified()));
    else
        fail(QStringLiteral("transfer failed: %1").arg(message.simplified()));
}
