#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class FaultInjector;
class SimDevice;

// Accepts connections on the loopback address and gives each its own SimConnection;
// all of them talk to the one simulated device, as clients of a real device would.
class SimServer : public QObject
{
    Q_OBJECT
public:
    SimServer(SimDevice &device, const FaultInjector &faults, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port, QString *error);

private:
    void onNewConnection();

    QTcpServer m_server;
    SimDevice &m_device;
    const FaultInjector &m_faults;
    int m_nextId = 1;
};
