#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

// What a device is doing for the operator and how it ended: each operation (a LUT save, a
// firmware upload, a capture) is a set of commands; it runs until the device has answered the
// last of them, then its outcome names it and its target, or gives the device's error text.
// Large payloads report the bytes the network has taken, the rate and the time left.
class DeviceActivity : public QObject
{
    Q_OBJECT
    // The operations still running, newest last ("" when idle).
    Q_PROPERTY(QString text READ text NOTIFY textChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY textChanged)
    // True while a payload is going out (an upload the tab should not be closed during).
    Q_PROPERTY(bool uploading READ uploading NOTIFY transferChanged)
    Q_PROPERTY(QString outcome READ outcome NOTIFY outcomeChanged)
    Q_PROPERTY(bool outcomeOk READ outcomeOk NOTIFY outcomeChanged)
    // The payload being sent: shown for payloads over ProgressThreshold.
    Q_PROPERTY(bool transferShown READ transferShown NOTIFY transferChanged)
    Q_PROPERTY(double transferSent READ transferSent NOTIFY transferChanged)
    Q_PROPERTY(double transferTotal READ transferTotal NOTIFY transferChanged)
    Q_PROPERTY(double transferRate READ transferRate NOTIFY transferChanged)
    Q_PROPERTY(double transferSecondsLeft READ transferSecondsLeft NOTIFY transferChanged)
public:
    static constexpr qint64 ProgressThreshold = 1024 * 1024;

    explicit DeviceActivity(QObject *parent = nullptr);

    // A new operation; commands queued for it carry the returned id. `done` is the outcome when
    // every command is answered.
    quint32 begin(const QString &running, const QString &done);
    // The operation queued nothing: it is over as soon as it began.
    void finishEmpty(quint32 id);
    // A command of the operation was queued; it is outstanding until answered or dropped.
    void commandQueued(quint32 id);
    void commandAnswered(quint32 id, int protocol, int status);
    // The command will never be answered; `reason` says why (the connection ended, ...).
    void commandDropped(quint32 id, const QString &reason);
    void progress(quint32 id, qint64 sent, qint64 total);
    // An outcome that needed no device (a file saved, a file refused before anything was sent).
    Q_INVOKABLE void report(const QString &text, bool ok);
    // The connection ended: every running operation failed with this reason.
    void abandonAll(const QString &reason);

    QString text() const;
    bool busy() const { return !m_running.isEmpty(); }
    bool uploading() const { return m_transferId != 0; }
    QString outcome() const { return m_outcome; }
    bool outcomeOk() const { return m_outcomeOk; }
    bool transferShown() const { return m_transferId != 0 && m_transferTotal > ProgressThreshold; }
    double transferSent() const { return double(m_transferSent); }
    double transferTotal() const { return double(m_transferTotal); }
    double transferRate() const;
    double transferSecondsLeft() const;

signals:
    void textChanged();
    void outcomeChanged();
    void transferChanged();
    // Every finished outcome, for the device log and the status bar.
    void finished(const QString &text, bool ok);
    void operationEnded(quint32 id, bool ok);

private:
    struct Operation {
        quint32 id = 0;
        QString running;
        QString done;
        int outstanding = 0;
        bool sent = false;
        QString failure;
    };
    Operation *find(quint32 id);
    void removeOperation(quint32 id);
    void finish(quint32 id);
    void endTransfer();

    QList<Operation> m_running;
    quint32 m_nextId = 1;
    QString m_outcome;
    bool m_outcomeOk = true;
    quint32 m_transferId = 0;
    qint64 m_transferSent = 0;
    qint64 m_transferTotal = 0;
    QElapsedTimer m_transferClock;
};
