#include "simserver.h"

#include "simconnection.h"
#include "simdevice.h"

#include <QTcpSocket>

SimServer::SimServer(SimDevice &device, const FaultInjector &faults, QObject *parent)
    : QObject(parent), m_device(device), m_faults(faults)
{
    connect(&m_server, &QTcpServer::newConnection, this, &SimServer::onNewConnection);
}

bool SimServer::listen(const QHostAddress &address, quint16 port, QString *error)
{
    if (!m_server.listen(address, port)) {
        *error = m_server.errorString();
        return false;
    }
    return true;
}

void SimServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto *connection = new SimConnection(m_nextId++, socket, m_device, m_faults, this);
        connect(connection, &SimConnection::finished, connection, &QObject::deleteLater);
    }
}
