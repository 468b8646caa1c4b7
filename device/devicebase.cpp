#include "devicebase.h"

#include <QtDebug>

DeviceBase::DeviceBase(QObject *parent, int port)
    // The start line must precede the socket handler's own constructor lines, hence the comma.
    : QObject(parent), m_socketHandler((qDebug() << "DeviceBase Constructor Started", this)), m_port(port)
{
    // QML, QSignalSpy and queued connections see the state under both spellings of its type.
    qRegisterMetaType<QAbstractSocket::SocketState>();
    qRegisterMetaType<QAbstractSocket::SocketState>("QTcpSocket::SocketState");
    connect(&m_socketHandler, &SocketHandler::stateChanged, this, &DeviceBase::socketStateChanged);
    connect(&m_socketHandler, &SocketHandler::commError, this, &DeviceBase::commError);
    connect(&m_socketHandler, &SocketHandler::protocolError, this, &DeviceBase::protocolError);
    connect(&m_socketHandler, &SocketHandler::updateFirmwareComplete, this, &DeviceBase::updateFirmwareComplete);
    connect(&m_socketHandler, &SocketHandler::socketReadException, this, &DeviceBase::socketReadException);
    connect(&m_socketHandler, &SocketHandler::socketWriteException, this, &DeviceBase::socketWriteException);
    qDebug() << "DeviceBase Constructor Completed";
}

DeviceBase::~DeviceBase()
{
    // The derived part is gone already: state changes of the closing socket must not reach it.
    m_socketHandler.disconnect(this);
    qDebug() << "DeviceBase Destructor Completed";
}

QTcpSocket::SocketState DeviceBase::state() const
{
    return m_socketHandler.socketState();
}

void DeviceBase::setAddress(const QString &address)
{
    if (address == m_address)
        return;
    m_address = address;
    emit addressChanged();
}

void DeviceBase::deviceConnect()
{
    m_socketHandler.connectToDevice(m_address, static_cast<quint16>(m_port));
}

void DeviceBase::deviceCancelConnect()
{
    m_socketHandler.abortConnection();
}

void DeviceBase::deviceDisconnect()
{
    m_socketHandler.disconnectAndClear();
}

void DeviceBase::appendCmd(quint16 protocol, quint16 request, const QByteArray &data)
{
    m_socketHandler.queueCommand(protocol, request, data);
    qDebug("%s: add cmd: 0x%04x - 0x%04x", "appendCmd", protocol, request);
}

void DeviceBase::appendCmd(quint16 protocol, quint16 request)
{
    appendCmd(protocol, request, QByteArray());
}

void DeviceBase::socketStateChanged(QTcpSocket::SocketState state)
{
    if (state == QAbstractSocket::UnconnectedState)
        qDebug() << "DeviceBase::  State Disconnected" << "socketStateChanged" << Qt::endl;
    emit stateChanged(m_socketHandler.socketState());
}
