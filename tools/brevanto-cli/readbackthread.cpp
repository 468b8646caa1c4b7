#include "readbackthread.h"

#include <QFile>

ReadBackThread::ReadBackThread(std::function<void()> first, QString path, Piece piece)
    : m_first(std::move(first)), m_path(std::move(path)), m_piece(std::move(piece)), m_thread([this] { run(); })
{
}

ReadBackThread::~ReadBackThread()
{
    finish();
}

void ReadBackThread::written(qint64 bytes)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.push_back(bytes);
    }
    m_changed.notify_one();
}

QString ReadBackThread::finish()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finishing = true;
    }
    m_changed.notify_one();
    if (m_thread.joinable())
        m_thread.join();
    return m_error;
}

void ReadBackThread::run()
{
    if (m_first)
        m_first();
    QFile file(m_path);
    QString error;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        error = file.errorString();
    QByteArray buffer;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_pending.empty() || m_finishing; });
        if (m_pending.empty())
            break; // finishing, and everything written is read
        const qint64 bytes = m_pending.front();
        m_pending.pop_front();
        lock.unlock();
        if (error.isEmpty()) {
            // Pieces differ a little in length: the buffer keeps the room of the longest.
            if (buffer.capacity() < bytes)
                buffer.reserve(int(bytes));
            buffer.resize(int(bytes));
            qint64 read = 0;
            while (read < bytes) {
                const qint64 got = file.read(buffer.data() + read, bytes - read);
                if (got <= 0)
                    break;
                read += got;
            }
            if (read == bytes)
                m_piece(buffer);
            else
                error = file.error() == QFileDevice::NoError ? QStringLiteral("the file ended early") : file.errorString();
        }
        lock.lock();
    }
    m_error = error;
}
