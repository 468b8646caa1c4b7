#pragma once

// FIFOs made by a test in its own folder: a special file that is no regular file, and a source
// that goes on for as long as its writer wants (the tests never touch a device of the machine).

#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Fifo {

inline bool make(const QString &path)
{
    return mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

inline bool isFifo(const QString &path)
{
    struct stat info;
    return lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

// Feeds up to `total` bytes of `fill` into a FIFO from a thread, for at most `timeoutMs`: it stops
// early when the reader closes its end or never comes. written() tells how far it got.
class Writer
{
public:
    Writer(const QString &path, qint64 total, int timeoutMs = 30000, char fill = '0')
    {
        // A reader that stops early must end the writing, not the test.
        std::signal(SIGPIPE, SIG_IGN);
        m_thread = std::thread([this, path = QFile::encodeName(path), total, timeoutMs, fill] {
            QElapsedTimer clock;
            clock.start();
            int fd = -1;
            // Non-blocking, so that a reader that never opens cannot hold the thread.
            while ((fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK)) < 0 && errno == ENXIO
                   && clock.elapsed() < timeoutMs)
                usleep(2000);
            if (fd < 0)
                return;
            char chunk[65536];
            std::fill(std::begin(chunk), std::end(chunk), fill);
            while (m_written < total && clock.elapsed() < timeoutMs) {
                pollfd ready{fd, POLLOUT, 0};
                if (poll(&ready, 1, 100) <= 0)
                    continue;
                const ssize_t n = ::write(fd, chunk, std::size_t(std::min<qint64>(sizeof chunk, total - m_written)));
                if (n < 0 && errno != EAGAIN && errno != EINTR)
                    break; // the reader is gone
                if (n > 0)
                    m_written += n;
            }
            ::close(fd);
        });
    }
    ~Writer() { m_thread.join(); }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    qint64 written() const { return m_written; }

private:
    std::atomic<qint64> m_written{0};
    std::thread m_thread;
};

} // namespace Fifo
