#include "devicebase.h"

#include "assignnotify.h"
#include "wholefile.h"

#include <QHostAddress>
#include <QtDebug>
#include <QtEndian>
#include <utility>

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
    connect(&m_socketHandler, &SocketHandler::commandAnswered, this, &DeviceBase::finishAddressChange);
    connect(&m_socketHandler, &SocketHandler::commandDropped, this, [this](int protocol, int request) {
        if (protocol == MNCP_PROTOCOL_NETWORK && request == MNCP_NETWORK_ADDRESS && !m_pendingAddress.isEmpty())
            emit userAddressFailed(std::exchange(m_pendingAddress, QString()), tr("the connection ended before the device answered"));
    });
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
    assignNotify(this, m_address, address, &DeviceBase::addressChanged);
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

void DeviceBase::setUMD(bool umdOn, const QString &umdStr)
{
    if (umdOn)
        appendCmd(MNCP_PROTOCOL_UMD, MNCP_UMD_TEXT, umdStr.toLatin1());
    else
        appendCmd(MNCP_PROTOCOL_UMD, MNCP_UMD_OFF);
}

void DeviceBase::setTally(bool red, bool green)
{
    appendCmd(MNCP_PROTOCOL_TALLY,
              static_cast<quint16>(MNCP_TALLY_SET | (red ? MNCP_TALLY_RED : 0) | (green ? MNCP_TALLY_GREEN : 0)));
}

void DeviceBase::updateFirmware(const QUrl &url)
{
    const QString path = url.toLocalFile();
    const WholeFile image = readWholeFile(path);
    if (!image.ok()) {
        const bool opened = image.status != WholeFile::NotOpened;
        qWarning() << (opened ? "Failed to read firmware file:" : "Failed to open firmware file:") << path;
        return;
    }
    // An empty image would be reported as a completed update.
    if (image.data.isEmpty()) {
        qWarning() << "Firmware file is empty, nothing sent:" << path;
        return;
    }
    const quint16 request =
        path.endsWith(QLatin1String(".brec"), Qt::CaseInsensitive) ? MNCP_FIRMWARE_BREC : MNCP_FIRMWARE_IMAGE;
    appendCmd(MNCP_PROTOCOL_FIRMWARE, request, image.data);
}

void DeviceBase::setUserIP(const QString &address, const QString &mask, const QString &gate)
{
    qInfo() << "SetUserIP: addr: " << address;
    qInfo() << "SetUserIP: mask: " << mask;
    qInfo() << "SetUserIP: gate: " << gate;
    if (address.isEmpty() || mask.isEmpty() || gate.isEmpty()) {
        qInfo() << "invalid user ip set";
        return;
    }
    // A text that does not parse gives 0.0.0.0, which the device receives unchanged.
    const quint32 values[3] = {QHostAddress(address).toIPv4Address(), QHostAddress(mask).toIPv4Address(),
                               QHostAddress(gate).toIPv4Address()};
    QByteArray payload;
    for (quint32 value : values)
        appendBe32(payload, value);
    qInfo("addr 0x%x", qbswap(values[0]));
    qInfo("mask 0x%x", qbswap(values[1]));
    qInfo("gate 0x%x", qbswap(values[2]));
    m_pendingAddress = address;
    appendCmd(MNCP_PROTOCOL_NETWORK, MNCP_NETWORK_ADDRESS, payload);
}

void DeviceBase::finishAddressChange(int protocol, int request, int status)
{
    if (protocol != MNCP_PROTOCOL_NETWORK || request != MNCP_NETWORK_ADDRESS || m_pendingAddress.isEmpty())
        return;
    const QString address = std::exchange(m_pendingAddress, QString());
    if (status != 0) {
        emit userAddressFailed(address, getProtocolMessage(protocol).trimmed());
        return;
    }
    // The device moves to its new address once it has answered; this connection has no future.
    deviceDisconnect();
    emit userAddressSet(address);
}

void DeviceBase::setUserWIFI(const QString &ssid, const QString &password)
{
    qInfo() << "SetUserWIFI: ssid: " << ssid;
    qInfo() << "SetUserWIFI: password: " << password;
    const QByteArray payload = ssid.toUtf8() + ':' + password.toUtf8();
    qInfo() << " setUserWIFI :" << payload;
    appendCmd(MNCP_PROTOCOL_NETWORK, MNCP_NETWORK_WIFI_CREDENTIALS, payload);
}

void DeviceBase::setWiFi(bool wifiOn)
{
    qInfo() << (wifiOn ? "Set WIFI : MNCP_WIFI_ON" : "Set WIFI : MNCP_WIFI_OFF");
    appendCmd(MNCP_PROTOCOL_NETWORK, wifiOn ? MNCP_NETWORK_WIFI_ON : MNCP_NETWORK_WIFI_OFF);
}
