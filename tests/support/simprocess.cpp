#include "simprocess.h"
#include "processrun.h"

#include <QHostAddress>
#include <QTcpServer>

quint16 SimProcess::freePort(const QString &address)
{
    QTcpServer probe; // closed again when it goes
    return probe.listen(QHostAddress(address), 0) ? probe.serverPort() : 0;
}

bool SimProcess::start(const QStringList &arguments, const QString &address)
{
    // A port found free can be taken by someone else before the simulator binds it: retry.
    for (int attempt = 0; attempt < 3; ++attempt) {
        stop();
        m_address = address;
        if ((m_port = freePort(address)) == 0)
            return false;
        m_arguments = arguments;
        if (launch())
            return true;
    }
    return false;
}

bool SimProcess::launch()
{
    m_output.clear();
    const int logIndex = m_arguments.indexOf(QStringLiteral("--log-file"));
    m_logFile = logIndex >= 0 ? m_arguments.value(logIndex + 1) : QString();
    m_process = std::make_unique<QProcess>();
    m_process->start(executable(), QStringList(m_arguments) << "--listen" << m_address << "--port" << QString::number(m_port));
    return m_process->waitForStarted(5000) && waitForLog(QStringLiteral("listening on"), 10000);
}

void SimProcess::stop()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
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
    if (!m_logFile.isEmpty())
        return QString::fromUtf8(readFile(m_logFile));
    if (m_process)
        m_output += QString::fromUtf8(m_process->readAllStandardOutput());
    return m_output;
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
