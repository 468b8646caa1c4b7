#include "piecequeue.h"

PieceQueue::PieceQueue(Consume consume) : m_consume(std::move(consume)), m_thread([this] { consumeAll(); })
{
}

PieceQueue::~PieceQueue()
{
    finish();
}

bool PieceQueue::push(const QByteArray &piece)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queued.size() < MaxQueued || !m_error.isEmpty(); });
    if (!m_error.isEmpty())
        return false;
    QByteArray buffer;
    if (!m_spare.empty()) {
        buffer = std::move(m_spare.back());
        m_spare.pop_back();
    }
    lock.unlock();
    buffer.reserve(piece.size()); // kept when the buffer is emptied for reuse
    buffer.resize(0);
    buffer.append(piece.constData(), piece.size());
    lock.lock();
    m_queued.push_back(std::move(buffer));
    m_changed.notify_all();
    return true;
}

QString PieceQueue::finish()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finishing = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    return m_error;
}

void PieceQueue::consumeAll()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_queued.empty() || m_finishing; });
        if (m_queued.empty())
            return; // finishing, and nothing is left
        QByteArray piece = std::move(m_queued.front());
        m_queued.pop_front();
        const bool failed = !m_error.isEmpty();
        lock.unlock();
        const QString error = failed ? QString() : m_consume(piece);
        lock.lock();
        if (!failed && !error.isEmpty())
            m_error = error;
        m_spare.push_back(std::move(piece));
        m_changed.notify_all();
    }
}
