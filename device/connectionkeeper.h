#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class SocketHandler;

// Keeps one device's connection honest: says why a connection failed or ended, gives up on a
// connection that does not come up, asks an idle device a harmless question so a vanished or
// hung one is noticed, and (when allowed) connects again after a connection ends unasked, with
// a growing wait. The user's own Disconnect or Cancel always stops it.
class ConnectionKeeper : public QObject
{
    Q_OBJECT
    // Why the last connection failed or ended ("" while all is well).
    Q_PROPERTY(QString reason READ reason NOTIFY changed)
    Q_PROPERTY(bool autoReconnect READ autoReconnect WRITE setAutoReconnect NOTIFY autoReconnectChanged)
    Q_PROPERTY(bool reconnecting READ reconnecting NOTIFY changed)
    Q_PROPERTY(int attempt READ attempt NOTIFY changed)
    // One line for the tab: the reason, or the reconnection under way, or why it stopped.
    Q_PROPERTY(QString status READ status NOTIFY changed)
public:
    // A connection not up by then is given up ("timed out").
    static constexpr int ConnectTimeoutMs = 10000;
    // An idle connection is probed after this long without traffic; the probe's answer falls
    // under the reply time-out, so a silent device is noticed within both.
    static constexpr int IdleProbeMs = 5000;
    static constexpr int FirstRetryDelayMs = 1000;
    static constexpr int MaxRetryDelayMs = 30000;
    // An address that refuses this many times in a row has no device listening: stop asking.
    static constexpr int MaxRefusals = 5;

    // `connectAgain` opens the connection to the device's address, as the user's Connect does.
    ConnectionKeeper(SocketHandler *handler, std::function<void()> connectAgain, QObject *parent = nullptr);

    QString reason() const { return m_reason; }
    bool autoReconnect() const { return m_autoReconnect; }
    void setAutoReconnect(bool on);
    bool reconnecting() const { return m_retry.isActive() || m_reconnectConnecting; }
    int attempt() const { return m_attempt; }
    QString status() const;

    // The user asked for a connection, or for none.
    void userConnecting();
    void userStopped();
    // The device at the address is of the other kind: reconnecting would find it again, and
    // the connection is ended unless a caller that finds out the kind itself keeps it.
    void mismatch(const QString &why);
    void setEndMismatchedConnections(bool end) { m_endMismatched = end; }
    // What ended the connection, when the transport knows better than the socket.
    void setReason(const QString &reason);

    int retryDelayMs() const;
    // The first wait, doubled for each attempt after it (tests shorten it).
    void setFirstRetryDelay(int ms) { m_firstRetryMs = ms; }
    void setConnectTimeout(int ms) { m_connectTimer.setInterval(ms); }

signals:
    void changed();
    void autoReconnectChanged();
    // A connection opened by the keeper itself is up.
    void reconnected();
    // The idle probe went out.
    void probed();

private:
    void onStateChanged(QAbstractSocket::SocketState state);
    void onSocketError(QAbstractSocket::SocketError error);
    void onTraffic();
    void onIdle();
    void onConnectTimeout();
    void retry();
    void stop(const QString &why);

    SocketHandler *m_handler;
    std::function<void()> m_connectAgain;
    QTimer m_connectTimer;
    QTimer m_idleTimer;
    QTimer m_retry;
    QString m_reason;
    QString m_stopped;
    bool m_autoReconnect = false;
    bool m_endMismatched = true;
    bool m_userStopped = true;
    bool m_wasConnected = false;
    bool m_reconnectConnecting = false;
    bool m_lastWasRefusal = false;
    bool m_causeKnown = false;
    int m_attempt = 0;
    int m_firstRetryMs = FirstRetryDelayMs;
    int m_refusals = 0;
};
