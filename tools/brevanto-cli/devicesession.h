#pragma once

#include "hostaddress.h"

#include "cubrix/cubrix.h"
#include "monitor/monitor.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <functional>

// Drives one device for one command: connects a Monitor or a Cubrix (detecting which from the
// model it reports, unless told), waits until its identity queries are answered, then runs
// the command's steps one after the other. After each step it waits until the device has
// answered everything queued (no command queued or in flight, and on a Cubrix no state query
// pending), or an error arrives: an error reply, a broken reply header, a transfer failure, a
// dropped connection, or no progress within the timeout. Many sessions run side by side on
// the one event loop.
class DeviceSession : public QObject
{
    Q_OBJECT
public:
    enum class Kind { Detect, Monitor, Cubrix };

    // Runs on the connected, identified device; returns an error text, or an empty text when
    // the step went out and its replies are to be waited for.
    using Step = std::function<QString(DeviceSession &session)>;

    // How long a connection may take to come up, a command to be answered, and a firmware image
    // (which the device answers only once it has flashed it).
    struct Timeouts {
        int replyMs = SocketHandler::DefaultReplyTimeoutMs;
        int firmwareMs = SocketHandler::FirmwareReplyTimeoutMs;
    };
    DeviceSession(const HostAddress &host, Kind kind, const Timeouts &timeouts, QObject *parent = nullptr);
    ~DeviceSession() override;

    void setSteps(QList<Step> steps) { m_steps = std::move(steps); }
    void start();

    const HostAddress &host() const { return m_host; }
    bool isFinished() const { return m_phase == Phase::Done; }
    bool succeeded() const { return isFinished() && m_error.isEmpty(); }
    QString error() const { return m_error; }
    int timeoutMs() const { return m_timeoutMs; }

    Monitor *monitor() const { return m_monitor; }
    Cubrix *cubrix() const { return m_cubrix; }
    DeviceBase *device() const;
    QString kindName() const;
    QString model() const;
    QString serial() const;

    // What the steps found, for the report: JSON fields and lines of text.
    QJsonObject &details() { return m_details; }
    QStringList &notes() { return m_notes; }

    // An error reply to this command is expected and not a failure.
    void tolerateError(quint16 protocol, quint16 request);
    // Something is queued or in flight, or a Cubrix state query is pending.
    bool isBusy() const;

signals:
    void finished();

private:
    enum class Phase { Idle, Connecting, Identifying, Running, Done };

    void createDevice(Kind kind);
    void connectDevice();
    void poll();
    void identified();
    void runNextStep();
    void fail(const QString &message);
    void finish();

    void onStateChanged();
    void onProtocolError(int protocol, int request, int status);
    void onCommError(int protocol, int request, int status);
    void onTransferError(const QString &message);

    HostAddress m_host;
    Kind m_requestedKind;
    int m_timeoutMs;
    int m_firmwareTimeoutMs;
    Phase m_phase = Phase::Idle;
    QPointer<Monitor> m_monitor;
    QPointer<Cubrix> m_cubrix;
    bool m_probing = false;
    QStringList m_probeErrors;
    QList<Step> m_steps;
    int m_nextStep = 0;
    bool m_inStep = false;
    QSet<QPair<int, int>> m_tolerated;
    QString m_error;
    QString m_socketError;
    // Taken when the identity is complete: a closing device forgets what it learned.
    QString m_model;
    QString m_serial;
    QString m_identifiedKind;
    QTimer m_pollTimer;
    QJsonObject m_details;
    QStringList m_notes;
};
