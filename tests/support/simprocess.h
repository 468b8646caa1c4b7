#pragma once

#include "testdevice.h"
#include "waituntil.h"

#include <QProcess>
#include <QStringList>
#include <memory>

// The simulator executable running for one test: started on 127.0.0.1 (or another
// loopback address) with a free port, its log collected, stopped on destruction.
class SimProcess
{
public:
    SimProcess() = default;
    ~SimProcess() { stop(); }
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Adds --listen and --port to `arguments` and waits (bounded) until the simulator says it
    // listens. With --log-file among the arguments the log is read from there.
    bool start(const QStringList &arguments, const QString &address = QStringLiteral("127.0.0.1"));
    // Starts again with the same arguments on the same address and port (a device coming back).
    bool restart() { stop(); return launch(); }
    void stop();

    quint16 port() const { return m_port; }
    QString address() const { return m_address; }
    bool isRunning() const { return m_process && m_process->state() == QProcess::Running; }

    // Everything logged so far.
    QString log();
    bool waitForLog(const QString &text, int timeoutMs = 5000) { return waitUntil([&] { return log().contains(text); }, timeoutMs, 5); }
    int countInLog(const QString &text) { return log().count(text); }

    static quint16 freePort(const QString &address);
    static QString executable() { return QStringLiteral(BREVANTO_SIM_PATH); }

private:
    bool launch();

    std::unique_ptr<QProcess> m_process;
    QStringList m_arguments;
    QString m_address;
    quint16 m_port = 0;
    QString m_logFile, m_output;
};

// A connected TestDevice and a way to run one command to completion.
class SimClient
{
public:
    explicit SimClient(const SimProcess &sim) : m_device(sim.port()) { m_device.setAddress(sim.address()); }

    bool connect() { m_device.deviceConnect(); return waitUntil([this] { return isConnected(); }, 5000, 5); }
    bool isConnected() const { return m_device.state() == QAbstractSocket::ConnectedState; }
    TestDevice &device() { return m_device; }

    // Queues one command and waits (bounded) until its reply has released the transport.
    // Returns whether the transport became idle; `payload` receives the data of the reply
    // (empty for a reply without data or an error reply).
    bool exchange(quint16 protocol, quint16 request, const QByteArray &data, QByteArray *payload = nullptr, int timeoutMs = 10000);
    // The payload of the reply, or a null array when there was none or it timed out.
    QByteArray query(quint16 protocol, quint16 request, const QByteArray &data = QByteArray())
    {
        QByteArray payload;
        return exchange(protocol, request, data, &payload) ? payload : QByteArray();
    }

private:
    TestDevice m_device;
};
