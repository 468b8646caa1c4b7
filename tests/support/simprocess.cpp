#include "simprocess.h"

#include <QFile>
#include <QHostAddress>
#include <QTcpServer>

quint16 SimProcess::freePort(const QString &address)
{
    QTcpServer probe; // closed again when it goes
    return probe.listen(QHostAddress(address), 0) ? probe.serverPort() : 0;
}

QString SimProcess::loopbackAddressWithFreePort(quint16 port)
{
    for (int host = 1; host < 40; ++host) {
        const QString address = QStringLiteral("127.43.0.%1").arg(host);
        QTcpServer probe;
        if (probe.listen(QHostAddress(address), port))
            return address;
    }
    return QString();
}

bool SimProcess::launch(const QStringList &arguments)
{
    const int logIndex = arguments.indexOf(QStringLiteral("--log-file"));
    m_logFile = logIndex >= 0 && logIndex + 1 < arguments.size() ? arguments.at(logIndex + 1) : QString();
    m_output.clear();
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->start(executable(), QStringList(arguments) << QStringLiteral("--listen") << m_address
                                                           << QStringLiteral("--port") << QString::number(m_port));
    return m_process->waitForStarted(5000) && waitForLog(QStringLiteral("listening on"), 10000);
}

bool SimProcess::start(const QStringList &arguments, const QString &address)
{
    // A port found free can be taken by someone else before the simulator binds it: retry.
    for (int attempt = 0; attempt < 3; ++attempt) {
        stop();
        m_address = address;
        if ((m_port = freePort(address)) == 0)
            return false;
        if (launch(arguments))
            return true;
    }
    return false;
}

bool SimProcess::startOnPort(const QStringList &arguments, const QString &address, quint16 port)
{
    stop();
    m_address = address;
    m_port = port;
    return launch(arguments);
}

void SimProcess::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(3000)) {
            m_process->kill();
            m_process->waitForFinished(3000);
        }
    }
    m_process.reset();
}

QString SimProcess::log()
{
    if (!m_logFile.isEmpty()) {
        QFile file(m_logFile);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    if (m_process)
        m_output += QString::fromUtf8(m_process->readAllStandardOutput());
    return m_output;
}

SimClient::SimClient(const SimProcess &sim) : m_device(sim.port())
{
    m_device.setAddress(sim.address());
}

bool SimClient::connect(int timeoutMs)
{
    m_device.deviceConnect();
    return waitUntil([this] { return isConnected(); }, timeoutMs, 5);
}

bool SimClient::exchange(quint16 protocol, quint16 request, const QByteArray &data, QByteArray *payload, int timeoutMs)
{
    const int before = m_device.replies.size();
    m_device.appendCmd(protocol, request, data);
    SocketHandler *handler = m_device.socketHandler();
    const bool idle = waitUntil([handler] { return handler->inFlight().protocol == 0 && handler->queuedCount() == 0; }, timeoutMs, 5);
    if (payload) {
        payload->clear();
        for (int i = before; i < m_device.replies.size(); ++i) {
            const TestDevice::Reply &reply = m_device.replies.at(i);
            if (reply.header.protocol == protocol && reply.header.request == request)
                *payload = reply.payload;
        }
    }
    return idle;
}

QByteArray SimClient::query(quint16 protocol, quint16 request, const QByteArray &data)
{
    QByteArray payload;
    return exchange(protocol, request, data, &payload) ? payload : QByteArray();
}
