#pragma once

// Running brevanto-cli as a user would, FIFOs, raw frame headers, simulator logs read.

#include "processrun.h"
#include "simprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace CliTest {

using Result = ProcessRun;

// Runs the tool (or `program`) to completion, bounded.
inline Result run(const QStringList &arguments, int timeoutMs = 60000, const QString &program = QStringLiteral(BREVANTO_CLI_PATH))
{
    return ProcessRun(program, arguments, timeoutMs);
}

// A raw frame file's header: width, height, pitch, format, then the timecode bytes 12 05 09 17.
inline QByteArray frameHeader(int width, int height, int pitch, int format)
{
    QByteArray bytes = QByteArray::fromHex("000000000000000012050917");
    const int fields[] = {width, height, pitch, format};
    for (int i = 0; i < 4; ++i)
        qToBigEndian(quint16(fields[i]), bytes.data() + 2 * i);
    return bytes;
}

inline bool makeFifo(const QString &path) { return mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }

inline bool isFifo(const QString &path)
{
    struct stat info;
    return lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

// Feeds `total` bytes of `contents`, repeated, into a FIFO from a thread for at most 30 s, opened
// without blocking: it stops when the reader closes its end or never comes (a source as endless
// as a device).
class FifoWriter
{
public:
    FifoWriter(const QString &path, const QByteArray &contents, qint64 total)
        // A reader that stops early must end the writing, not the test.
        : m_thread((std::signal(SIGPIPE, SIG_IGN), [path = QFile::encodeName(path), chunk = contents.repeated(qMax(1, 65536 / qMax(1, contents.size()))), total] {
              QElapsedTimer clock;
              int fd = -1;
              for (clock.start(); fd < 0 && clock.elapsed() < 30000; usleep(2000))
                  fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
              for (qint64 written = 0, n = 0; fd >= 0 && written < total && clock.elapsed() < 30000 && (n >= 0 || errno == EAGAIN); usleep(n < 0 ? 1000 : 0))
                  written += qMax<qint64>(0, n = ::write(fd, chunk.constData() + written % chunk.size(), size_t(qMin(total - written, chunk.size() - written % chunk.size()))));
              ::close(fd);
          }))
    {
    }
    ~FifoWriter() { m_thread.join(); }

private:
    std::thread m_thread;
};

// How often a simulator's log tells of a command "PPPP/RRRR" (hex), or of a connection ("connections").
inline int countInLog(const QString &log, const QString &command)
{
    if (command == QLatin1String("connections"))
        return log.count(QRegularExpression(QStringLiteral("#\\d+ connected from")));
    return log.count(QStringLiteral("command protocol=0x%1 request=0x%2 ").arg(command.left(4), command.mid(5, 4)));
}

} // namespace CliTest
