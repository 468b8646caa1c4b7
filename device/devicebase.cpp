#include "devicebase.h"

#include "assignnotify.h"
#include "wholefile.h"

#include "capture/captureframe.h"
#include "lut/lutcheck.h"

#include <QFileInfo>

#include <QHostAddress>
#include <QtDebug>
#include <QtEndian>
#include <utility>

DeviceBase::DeviceBase(QObject *parent, int port)
    // The start line must precede the socket handler's own constructor lines, hence the comma.
    : QObject(parent), m_socketHandler((qDebug() << "DeviceBase Constructor Started", this)), m_port(port),
      m_keeper(&m_socketHandler, [this] { m_socketHandler.connectToDevice(m_address, static_cast<quint16>(m_port)); })
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
    connect(&m_keeper, &ConnectionKeeper::reconnected, this, &DeviceBase::reconnected);
    logTraffic();
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
    m_keeper.userConnecting();
    m_log.add(tr("connecting to %1:%2").arg(m_address).arg(m_port));
    m_socketHandler.connectToDevice(m_address, static_cast<quint16>(m_port));
}

void DeviceBase::deviceCancelConnect()
{
    m_keeper.userStopped();
    m_socketHandler.abortConnection();
}

void DeviceBase::deviceDisconnect()
{
    m_keeper.userStopped();
    m_socketHandler.disconnectAndClear();
}

void DeviceBase::appendCmd(quint16 protocol, quint16 request, const QByteArray &data)
{
    m_socketHandler.queueCommand(protocol, request, data, m_operation);
    if (m_operation != 0)
        m_activity.commandQueued(m_operation);
    qDebug("%s: add cmd: 0x%04x - 0x%04x", "appendCmd", protocol, request);
}

void DeviceBase::reportOutcome(const QString &text, bool ok)
{
    m_activity.report(text, ok);
}

void DeviceBase::refuse(const QString &why)
{
    qWarning().noquote() << why;
    m_activity.report(why, false);
}

QString DeviceBase::uploadProblem(const QString &path, bool lut3d, bool binaryImage)
{
    const QFileInfo info(path);
    if (!info.exists())
        return tr("%1 does not exist").arg(path);
    if (!info.isFile() || !info.isReadable())
        return tr("%1 is not a readable file").arg(path);
    if (info.size() == 0)
        return tr("%1 is empty").arg(path);
    if (lut3d && path.endsWith(QLatin1String(".cube"), Qt::CaseInsensitive)) {
        const LutCheck::Report report = LutCheck::checkCube(path);
        if (!report.ok())
            return tr("%1: %2").arg(info.fileName(), report.problems.value(0));
    } else if (binaryImage && path.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive) && info.size() != LutCheck::BinaryImageSize) {
        // Only the length: what else a device accepts in an image is the device's to judge.
        return tr("%1 has %2 bytes; a binary 3D LUT image has %3").arg(info.fileName()).arg(info.size()).arg(LutCheck::BinaryImageSize);
    }
    return QString();
}

void DeviceBase::reportCaptureSaves(CaptureFrame *feature)
{
    if (m_reportedCapture == feature)
        return;
    if (m_reportedCapture) {
        disconnect(m_reportedCapture, &CaptureFrame::frameSaved, this, nullptr);
        disconnect(m_reportedCapture, &CaptureFrame::frameSaveFailed, this, nullptr);
    }
    m_reportedCapture = feature;
    // Queued: a quick save happens while the capture's reply is read, and its outcome (the file
    // the operator looks for) is to come after "Frame captured", not be hidden behind it.
    connect(feature, &CaptureFrame::frameSaved, this, [this](const QString &path) {
        m_activity.report(tr("Frame saved to %1").arg(path), true);
    }, Qt::QueuedConnection);
    connect(feature, &CaptureFrame::frameSaveFailed, this, [this](const QString &path) {
        m_activity.report(tr("Frame not saved: %1 could not be written").arg(path), false);
    }, Qt::QueuedConnection);
}

void DeviceBase::reserveCommand(quint32 operation)
{
    if (operation != 0)
        m_activity.commandQueued(operation);
}

void DeviceBase::appendReservedCmd(quint32 operation, quint16 protocol, quint16 request, const QByteArray &data)
{
    m_socketHandler.queueCommand(protocol, request, data, operation);
    qDebug("%s: add cmd: 0x%04x - 0x%04x", "appendCmd", protocol, request);
}

void DeviceBase::cancelReservedCmd(quint32 operation, const QString &why)
{
    if (operation != 0)
        m_activity.commandDropped(operation, why);
}

DeviceBase::Operation::Operation(DeviceBase *device, const QString &running, const QString &done)
    : m_device(device), m_id(device->m_activity.begin(running, done)), m_enclosing(device->m_operation)
{
    device->m_operation = m_id;
}

DeviceBase::Operation::~Operation()
{
    m_device->m_operation = m_enclosing;
    m_device->m_activity.finishEmpty(m_id);
}

QString DeviceBase::commandText(int protocol, int request)
{
    return QStringLiteral("0x%1 - 0x%2").arg(protocol, 4, 16, QLatin1Char('0')).arg(request, 4, 16, QLatin1Char('0'));
}

void DeviceBase::logTraffic()
{
    connect(&m_socketHandler, &SocketHandler::commandSent, this, [this](int protocol, int request, qint64 size, quint32 operation) {
        // The capture item queues its own requests; each is an operation of the device all the same.
        if (protocol == MNCP_PROTOCOL_FRAME_CAPTURE && operation == 0 && m_capture == 0) {
            m_capture = m_activity.begin(tr("Capturing a frame"), tr("Frame captured"));
            m_activity.commandQueued(m_capture);
        }
        m_log.add(tr("sent %1, payload size %2").arg(commandText(protocol, request)).arg(size));
    });
    connect(&m_socketHandler, &SocketHandler::replyReceived, this, [this](int protocol, int request, qint64 size) {
        m_log.add(tr("reply %1, payload size %2").arg(commandText(protocol, request)).arg(size));
    });
    connect(&m_socketHandler, &SocketHandler::commandAnswered, this,
            [this](int protocol, int request, int status, quint32 operation) {
                if (status != 0)
                    m_log.add(tr("error status %1 to %2: %3")
                                  .arg(status)
                                  .arg(commandText(protocol, request), getProtocolMessage(protocol).trimmed()));
                if (protocol == MNCP_PROTOCOL_FRAME_CAPTURE && operation == 0)
                    operation = std::exchange(m_capture, 0);
                m_activity.commandAnswered(operation, protocol, status);
            });
    connect(&m_socketHandler, &SocketHandler::commandDropped, this, [this](int protocol, int request, quint32 operation) {
        const QString reason = m_keeper.reason().isEmpty() ? tr("the connection ended") : m_keeper.reason();
        m_log.add(tr("dropped %1: %2").arg(commandText(protocol, request), reason));
        if (protocol == MNCP_PROTOCOL_FRAME_CAPTURE && operation == 0)
            operation = std::exchange(m_capture, 0);
        m_activity.commandDropped(operation, reason);
    });
    connect(&m_socketHandler, &SocketHandler::payloadProgress, this,
            [this](qint64 sent, qint64 total, quint32 operation) { m_activity.progress(operation, sent, total); });
    connect(&m_socketHandler, &SocketHandler::stateChanged, this, [this](QAbstractSocket::SocketState state) {
        if (state == QAbstractSocket::ConnectedState)
            m_log.add(tr("connected"));
        else if (state == QAbstractSocket::UnconnectedState)
            m_log.add(m_keeper.reason().isEmpty() ? tr("disconnected") : tr("disconnected: %1").arg(m_keeper.reason()));
    });
    connect(&m_keeper, &ConnectionKeeper::probed, this, [this] { m_log.add(tr("idle: asking the device for its model")); });
    connect(&m_keeper, &ConnectionKeeper::changed, this, [this] {
        const QString status = m_keeper.reconnecting() || !m_keeper.status().isEmpty() ? m_keeper.status() : QString();
        if (!status.isEmpty() && status != m_lastStatusLogged && state() == QAbstractSocket::UnconnectedState)
            m_log.add(status);
        m_lastStatusLogged = status;
    });
    connect(&m_activity, &DeviceActivity::finished, this, [this](const QString &text) { m_log.add(text); });
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
    Operation operation(this, tr("Setting the UMD text"), umdOn ? tr("UMD shows \"%1\"").arg(umdStr) : tr("UMD switched off"));
    if (umdOn)
        appendCmd(MNCP_PROTOCOL_UMD, MNCP_UMD_TEXT, umdStr.toLatin1());
    else
        appendCmd(MNCP_PROTOCOL_UMD, MNCP_UMD_OFF);
}

void DeviceBase::setTally(bool red, bool green)
{
    Operation operation(this, tr("Setting the tally lamps"), tr("Tally lamps set"));
    appendCmd(MNCP_PROTOCOL_TALLY,
              static_cast<quint16>(MNCP_TALLY_SET | (red ? MNCP_TALLY_RED : 0) | (green ? MNCP_TALLY_GREEN : 0)));
}

bool DeviceBase::appendFileCmd(quint16 protocol, quint16 request, const QString &path, const QString &what)
{
    // Opened and sized now: the header promises the length, and the image is read slice by
    // slice as the network takes it instead of whole into memory.
    auto file = std::make_shared<QFile>(path);
    if (path.isEmpty() || !file->open(QIODevice::ReadOnly)) {
        refuse(tr("%1 not sent: %2 cannot be opened").arg(what, path.isEmpty() ? tr("the file") : path));
        return false;
    }
    const qint64 size = file->size();
    if (!QFileInfo(path).isFile() || size <= 0 || size > SocketHandler::MaxPayloadLength) {
        refuse(tr("%1 not sent: %2").arg(what, size <= 0 ? tr("%1 is empty or not a regular file").arg(path)
                                                           : tr("%1 is larger than a message can carry").arg(path)));
        return false;
    }
    m_socketHandler.queueFileCommand(protocol, request, std::move(file), size, m_operation);
    if (m_operation != 0)
        m_activity.commandQueued(m_operation);
    qDebug("%s: add cmd: 0x%04x - 0x%04x", "appendCmd", protocol, request);
    return true;
}

void DeviceBase::updateFirmware(const QUrl &url)
{
    const QString path = url.toLocalFile();
    const QString name = QFileInfo(path).fileName();
    const quint16 request =
        path.endsWith(QLatin1String(".brec"), Qt::CaseInsensitive) ? MNCP_FIRMWARE_BREC : MNCP_FIRMWARE_IMAGE;
    // An empty image would be reported as a completed update: appendFileCmd refuses it.
    Operation operation(this, tr("Updating the firmware from %1").arg(name), tr("Firmware %1 accepted by the device").arg(name));
    appendFileCmd(MNCP_PROTOCOL_FIRMWARE, request, path, tr("Firmware"));
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
    Operation operation(this, tr("Setting the device's address to %1").arg(address),
                        tr("Device address set to %1; connect to it there").arg(address));
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
    // Ended after the answer has been reported everywhere (the operation's outcome too).
    QMetaObject::invokeMethod(this, &DeviceBase::deviceDisconnect, Qt::QueuedConnection);
    emit userAddressSet(address);
}

void DeviceBase::setUserWIFI(const QString &ssid, const QString &password)
{
    qInfo() << "SetUserWIFI: ssid: " << ssid;
    qInfo() << "SetUserWIFI: password: " << password;
    const QByteArray payload = ssid.toUtf8() + ':' + password.toUtf8();
    qInfo() << " setUserWIFI :" << payload;
    Operation operation(this, tr("Setting the Wi-Fi network to \"%1\"").arg(ssid), tr("Wi-Fi network set to \"%1\"").arg(ssid));
    appendCmd(MNCP_PROTOCOL_NETWORK, MNCP_NETWORK_WIFI_CREDENTIALS, payload);
}

void DeviceBase::setWiFi(bool wifiOn)
{
    qInfo() << (wifiOn ? "Set WIFI : MNCP_WIFI_ON" : "Set WIFI : MNCP_WIFI_OFF");
    Operation operation(this, wifiOn ? tr("Switching Wi-Fi on") : tr("Switching Wi-Fi off"),
                        wifiOn ? tr("Wi-Fi switched on") : tr("Wi-Fi switched off"));
    appendCmd(MNCP_PROTOCOL_NETWORK, wifiOn ? MNCP_NETWORK_WIFI_ON : MNCP_NETWORK_WIFI_OFF);
}
