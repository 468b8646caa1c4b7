#include "deviceactivity.h"

#include "mncp/mncpids.h"

#include <algorithm>

DeviceActivity::DeviceActivity(QObject *parent) : QObject(parent) {}

quint32 DeviceActivity::begin(const QString &running, const QString &done)
{
    Operation operation;
    operation.id = m_nextId++;
    operation.running = running;
    operation.done = done;
    m_running.append(operation);
    emit textChanged();
    return operation.id;
}

void DeviceActivity::removeOperation(quint32 id)
{
    m_running.erase(std::remove_if(m_running.begin(), m_running.end(),
                                   [id](const Operation &candidate) { return candidate.id == id; }),
                    m_running.end());
}

DeviceActivity::Operation *DeviceActivity::find(quint32 id)
{
    for (Operation &operation : m_running) {
        if (operation.id == id)
            return &operation;
    }
    return nullptr;
}

void DeviceActivity::finishEmpty(quint32 id)
{
    Operation *operation = find(id);
    if (operation && operation->outstanding == 0 && !operation->sent) {
        // Refused before anything was queued: whoever refused it has said why.
        removeOperation(id);
        emit textChanged();
    }
}

void DeviceActivity::commandQueued(quint32 id)
{
    if (Operation *operation = find(id)) {
        ++operation->outstanding;
        operation->sent = true;
    }
}

void DeviceActivity::commandAnswered(quint32 id, int protocol, int status)
{
    Operation *operation = find(id);
    if (!operation)
        return;
    --operation->outstanding;
    if (status != 0 && operation->failure.isEmpty()) {
        const QString reason = getProtocolMessage(protocol).trimmed();
        operation->failure = tr("%1 failed: %2 (status %3)").arg(operation->running, reason).arg(status);
    }
    if (id == m_transferId)
        endTransfer();
    if (operation->outstanding <= 0)
        finish(id);
}

void DeviceActivity::commandDropped(quint32 id, const QString &reason)
{
    Operation *operation = find(id);
    if (!operation)
        return;
    if (operation->failure.isEmpty())
        operation->failure = tr("%1 failed: %2").arg(operation->running, reason);
    if (id == m_transferId)
        endTransfer();
    operation->outstanding = 0;
    finish(id);
}

void DeviceActivity::progress(quint32 id, qint64 sent, qint64 total)
{
    if (id == 0)
        return;
    if (m_transferId != id) {
        m_transferId = id;
        m_transferClock.start();
    }
    m_transferSent = sent;
    m_transferTotal = total;
    emit transferChanged();
}

double DeviceActivity::transferRate() const
{
    const qint64 ms = m_transferId != 0 ? m_transferClock.elapsed() : 0;
    return ms > 0 ? 1000.0 * double(m_transferSent) / double(ms) : 0.0;
}

double DeviceActivity::transferSecondsLeft() const
{
    const double rate = transferRate();
    return rate > 0 ? double(m_transferTotal - m_transferSent) / rate : -1.0;
}

void DeviceActivity::endTransfer()
{
    m_transferId = 0;
    m_transferSent = m_transferTotal = 0;
    emit transferChanged();
}

void DeviceActivity::finish(quint32 id)
{
    Operation *operation = find(id);
    if (!operation)
        return;
    const bool ok = operation->failure.isEmpty();
    const QString outcome = ok ? operation->done : operation->failure;
    removeOperation(id);
    emit textChanged();
    report(outcome, ok);
    emit operationEnded(id, ok);
}

void DeviceActivity::report(const QString &text, bool ok)
{
    m_outcome = text;
    m_outcomeOk = ok;
    emit outcomeChanged();
    emit finished(text, ok);
}

void DeviceActivity::abandonAll(const QString &reason)
{
    const QList<Operation> running = m_running;
    for (const Operation &operation : running) {
        if (Operation *left = find(operation.id)) {
            if (left->failure.isEmpty())
                left->failure = tr("%1 failed: %2").arg(left->running, reason);
            finish(operation.id);
        }
    }
    if (m_transferId != 0)
        endTransfer();
}

QString DeviceActivity::text() const
{
    QStringList texts;
    for (const Operation &operation : m_running)
        texts << operation.running;
    return texts.join(QStringLiteral("; "));
}
