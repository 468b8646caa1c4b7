#pragma once

#include "mncp/mncpids.h"
#include "mncp/mncpprotocol.h"
#include "mncp/mncpreplyreceiver.h"
#include "mncp/sockethandler.h"

#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QUrl>

// Common base of the device classes: address, connection, the command queue entry point
// (appendCmd) and the transport's signals. Replies come back through processReply.
class DeviceBase : public QObject, public MncpReplyReceiver
{
    Q_OBJECT
    Q_PROPERTY(QTcpSocket::SocketState state READ state NOTIFY stateChanged)
    Q_PROPERTY(QString address READ address WRITE setAddress NOTIFY addressChanged)
public:
    enum mncp_key_code {
        MNCP_KEY_POWER_OFF = 0,
        MNCP_KEY_POWER_ON = 1,
        MNCP_KEY_INPUT0 = 16, MNCP_KEY_INPUT1, MNCP_KEY_INPUT2, MNCP_KEY_INPUT3,
        MNCP_KEY_INPUT4, MNCP_KEY_INPUT5, MNCP_KEY_INPUT6, MNCP_KEY_INPUT7,
        MNCP_KEY_MENU = 32,
        MNCP_KEY_MENU_UP = 33,
        MNCP_KEY_MENU_DOWN = 34,
        MNCP_KEY_MENU_LEFT = 35,
        MNCP_KEY_MENU_RIGHT = 36,
        MNCP_KEY_MENU_ENTER = 37,
        MNCP_KEY_F0 = 48, MNCP_KEY_F1, MNCP_KEY_F2, MNCP_KEY_F3, MNCP_KEY_F4, MNCP_KEY_F5, MNCP_KEY_F6, MNCP_KEY_F7,
        MNCP_KEY_ROTARY_PB0 = 64, MNCP_KEY_ROTARY_PB1, MNCP_KEY_ROTARY_PB2, MNCP_KEY_ROTARY_PB3,
        MNCP_KEY_ROTARY_PB4, MNCP_KEY_ROTARY_PB5, MNCP_KEY_ROTARY_PB6, MNCP_KEY_ROTARY_PB7,
        MNCP_KEY_ROTARY_CW0 = 80, MNCP_KEY_ROTARY_CW1, MNCP_KEY_ROTARY_CW2, MNCP_KEY_ROTARY_CW3,
        MNCP_KEY_ROTARY_CW4, MNCP_KEY_ROTARY_CW5, MNCP_KEY_ROTARY_CW6, MNCP_KEY_ROTARY_CW7,
        MNCP_KEY_ROTARY_CCW0 = 96, MNCP_KEY_ROTARY_CCW1, MNCP_KEY_ROTARY_CCW2, MNCP_KEY_ROTARY_CCW3,
        MNCP_KEY_ROTARY_CCW4, MNCP_KEY_ROTARY_CCW5, MNCP_KEY_ROTARY_CCW6, MNCP_KEY_ROTARY_CCW7,
        MNCP_KEY_MODE_1 = 112, MNCP_KEY_MODE_2 = 113, MNCP_KEY_MODE_3 = 114,
        MNCP_KEY_CH_1 = 128, MNCP_KEY_CH_2 = 129,
        MNCP_KEY_LUT_INTERPOLATION_1 = 144, MNCP_KEY_LUT_INTERPOLATION_2 = 145,
    };
    Q_ENUM(mncp_key_code)

    DeviceBase(QObject *parent, int port);
    ~DeviceBase() override;

    QTcpSocket::SocketState state() const;
    QString address() const { return m_address; }
    void setAddress(const QString &address);

    Q_INVOKABLE void deviceConnect();
    Q_INVOKABLE void deviceCancelConnect();
    Q_INVOKABLE void deviceDisconnect();

    // Control commands both device kinds share with identical wire forms.
    Q_INVOKABLE void setUMD(bool umdOn, const QString &umdStr);
    Q_INVOKABLE void setTally(bool red, bool green);
    Q_INVOKABLE void updateFirmware(const QUrl &url);
    Q_INVOKABLE void setUserIP(const QString &address, const QString &mask, const QString &gate);
    Q_INVOKABLE void setUserWIFI(const QString &ssid, const QString &password);
    Q_INVOKABLE void setWiFi(bool wifiOn);

    void appendCmd(quint16 protocol, quint16 request, const QByteArray &data);
    void appendCmd(quint16 protocol, quint16 request);

    SocketHandler *socketHandler() { return &m_socketHandler; }
    int port() const { return m_port; }
    // Devices listen on the MNCP port; tests and tools point a device at another one.
    void setPort(int port) { m_port = port; }

public slots:
    void processReply(QByteArray &payload, mncp_protocol_header &header) override = 0;

protected slots:
    virtual void socketStateChanged(QTcpSocket::SocketState state);

signals:
    void addressChanged();
    void stateChanged(QTcpSocket::SocketState state);
    void commError(int protocol, int request, int status);
    void protocolError(int protocol, int request, int status);
    void updateFirmwareComplete();
    void socketReadException(QString emsg, QString action);
    void socketWriteException(QString emsg, QString action);

private:
    QString m_address;
    SocketHandler m_socketHandler;
    int m_port;
};
