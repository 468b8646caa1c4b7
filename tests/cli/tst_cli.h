#pragma once

#include "processrun.h"
#include "simprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>


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

// brevanto-cli run as a user would run it: the offline LUT and frame commands, the device
// commands against simulators on loopback, and the pieces that read files others may change.
//
// Most cases are rows: a command line, its exit status and checks of the run, written as
//   out:TEXT, err:TEXT     the output holds TEXT ("…" between pieces that follow in order);
//                          -out:, -err: it does not; out=, err= it is exactly TEXT
//   file:PATH=X            PATH holds what {dir}/X holds; X may be - (no file, and PATH may be a
//                          pattern), fifo, link, WxH (a picture that size), %PNG or %PDF (such a
//                          file), or "mode of Y" (the permissions of {dir}/Y)
//   px:PATH=RRGGBB ...     the first pixels of the picture, ~N: within N a channel
//   json:PATH=VALUE        a value of the JSON printed (index or key per dot; absent: empty)
//   ms<N, ms>N             how long the run took
//   sim:NAME PPPP/RRRR=N   simulator NAME received the command N times (or "connections")
//   dump:NAME PIECE=X      the next upload NAME dumped has PIECE in its name and holds {dir}/X;
//                          no simulator dumps more than the row says
// {dir} is the test's folder, {NAME} a simulator's address:port, {NAME_} its file tag; a first
// word /... is another copy of the tool, an argument <<X a FIFO fed with {dir}/X (or endless).
class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void offline_data();
    void offline() { runRow(); }
    void device_data();
    void device() { runRow(); }
    void killedCaptureLeavesTheOutput();
    void readBackPiecesArriveInOrder_data();
    void readBackPiecesArriveInOrder();
    void mappedFileShortenedWhileRead();

private:
    static void columns();
    static void row(const QString &name, const QString &arguments, int exitCode, const QStringList &checks = {});
    void runRow();
    QString expand(QString text) const;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    void file(const QString &name, const QByteArray &contents) { QVERIFY2(writeFile(path(name), contents), qPrintable(name)); }
    QString failure(const QString &check, const ProcessRun &result, QHash<QString, QStringList> &dumps, const QHash<QString, QString> &logs);
    QStringList dumps(const QString &sim) const { return QDir(path("dump-" + sim)).entryList(QDir::Files, QDir::Name); } // upload order

    QTemporaryDir m_dir;
    std::map<QString, std::unique_ptr<SimProcess>> m_sims; // their uploads in {dir}/dump-NAME, their logs in {dir}/NAME.log
    QHash<QString, QString> m_names; // placeholder -> text
};
