#pragma once

#include "mncp/mncpids.h"
#include "mncp/mncpprotocol.h"
#include "mncp/mncpreplyreceiver.h"
#include "mncp/sockethandler.h"
#include "connectionkeeper.h"
#include "deviceactivity.h"
#include "devicelog.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpSocket>
#include <QUrl>

// Common base of the device classes: address, connection, the command queue entry point
// (appendCmd) and the transport's signals. Replies come back through processReply.
class CaptureFrame;

class DeviceBase : public QObject, public MncpReplyReceiver
{
    Q_OBJECT
    Q_PROPERTY(QTcpSocket::SocketState state READ state NOTIFY stateChanged)
    Q_PROPERTY(QString address READ address WRITE setAddress NOTIFY addressChanged)
    // For the operator: what the device is doing and how it ended, its connection's health, and
    // the log of its traffic.
    Q_PROPERTY(DeviceActivity *activity READ activity CONSTANT)
    Q_PROPERTY(ConnectionKeeper *connection READ connection CONSTANT)
    Q_PROPERTY(DeviceLog *deviceLog READ deviceLog CONSTANT)
public:
    enum mncp_key_code { MNCP_KEY_CODES(MNCP_ENUMERATOR) };
    Q_ENUM(mncp_key_code)
    // The protocol and slot-operation numbers again, for QML, which sees no header.
    enum mncp_protocol_id { MNCP_PROTOCOLS(MNCP_ENUMERATOR) };
    Q_ENUM(mncp_protocol_id)
    enum mncp_slot_operation { MNCP_SLOT_OPS(MNCP_ENUMERATOR) };
    Q_ENUM(mncp_slot_operation)

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
    // Whether a file (LUT, frame, marker, firmware) is still on its way or waiting for the
    // device's answer: those carry kilobytes, keys and settings a few bytes.
    Q_INVOKABLE bool uploadInProgress() const { return m_socketHandler.largestUnansweredPayload() >= UploadPayloadBytes; }
    static constexpr qint64 UploadPayloadBytes = 1024;

    void appendCmd(quint16 protocol, quint16 request, const QByteArray &data);
    void appendCmd(quint16 protocol, quint16 request);
    // The payload is the file at `path`, read as it is sent; false (with the reason as the
    // outcome) when it cannot be opened or is empty. `what` names it for the operator.
    bool appendFileCmd(quint16 protocol, quint16 request, const QString &path, const QString &what);

    // An outcome found without the device (a file saved, a file refused).
    Q_INVOKABLE void reportOutcome(const QString &text, bool ok);

    DeviceActivity *activity() { return &m_activity; }
    ConnectionKeeper *connection() { return &m_keeper; }
    DeviceLog *deviceLog() { return &m_log; }
    SocketHandler *socketHandler() { return &m_socketHandler; }
    int port() const { return m_port; }
    // Devices listen on the MNCP port; tests and tools point a device at another one.
    void setPort(int port) { m_port = port; }

public slots:
    void processReply(QByteArray &payload, mncp_protocol_header &header) override = 0;

protected:
    // The commands queued while one lives make one operation of the activity: running while they
    // are outstanding, then `done`, or the failure the device or the connection gave.
    class Operation
    {
    public:
        Operation(DeviceBase *device, const QString &running, const QString &done);
        ~Operation();
        Operation(const Operation &) = delete;
        Operation &operator=(const Operation &) = delete;

    private:
        DeviceBase *m_device;
        quint32 m_id;
        quint32 m_enclosing;
    };
    // The saves of a registered capture item are outcomes of this device.
    void reportCaptureSaves(CaptureFrame *feature);
    // A user action refused before anything was sent: the outcome says why.
    void refuse(const QString &why);
    // Why a file cannot be sent as it stands ("" if it can): a 3D .cube must pass the LUT check
    // brevanto-cli applies, a .dat must be a binary 3D image, anything else must be readable.
    static QString uploadProblem(const QString &path, bool lut3d, bool binaryImage = false);
    // A command queued later on behalf of the running operation, which stays running until then.
    quint32 currentOperation() const { return m_operation; }
    void reserveCommand(quint32 operation);
    void appendReservedCmd(quint32 operation, quint16 protocol, quint16 request, const QByteArray &data);
    void cancelReservedCmd(quint32 operation, const QString &why);

protected slots:
    virtual void socketStateChanged(QTcpSocket::SocketState state);

signals:
    void addressChanged();
    // A connection the program opened again by itself, after one ended unasked, is up.
    void reconnected();
    void stateChanged(QTcpSocket::SocketState state);
    void commError(int protocol, int request, int status);
    void protocolError(int protocol, int request, int status);
    void updateFirmwareComplete();
    void socketReadException(QString emsg, QString action);
    void socketWriteException(QString emsg, QString action);
    // The device answered a new address (the connection is then ended), or refused it.
    void userAddressSet(const QString &address);
    void userAddressFailed(const QString &address, const QString &reason);

private:
    void finishAddressChange(int protocol, int request, int status);
    void logTraffic();
    static QString commandText(int protocol, int request);

    QString m_address;
    // The address a network command asked for, until the device answers it.
    QString m_pendingAddress;
    SocketHandler m_socketHandler;
    int m_port;
    DeviceLog m_log;
    DeviceActivity m_activity;
    ConnectionKeeper m_keeper;
    quint32 m_operation = 0;
    quint32 m_capture = 0;
    QPointer<CaptureFrame> m_reportedCapture;
    QString m_lastStatusLogged;
};
