// An input file mapped by the command-line tool and cut short by another program while it is
// read: the tool ends with a message and exit status 1, not with a bus error.

#include "tools/brevanto-cli/mappedfile.h"

#include "fifo.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

class TestMappedFile : public QObject
{
    Q_OBJECT
private slots:
    void wholeFileIsRead();
    void shortenedFileEndsTheRunWithAMessage();
    void tooLargeIsRefused();
    void streamReadUpToTheLimit_data();
    void streamReadUpToTheLimit();

private:
    QString writeFile(const QByteArray &contents);
    QTemporaryDir m_dir;
};

QString TestMappedFile::writeFile(const QByteArray &contents)
{
    const QString path = m_dir.filePath(QStringLiteral("input.bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size())
        return QString();
    return path;
}

void TestMappedFile::wholeFileIsRead()
{
    const QByteArray contents = QByteArray("LUT_3D_SIZE 2\n").repeated(1000);
    const QString path = writeFile(contents);
    QVERIFY(!path.isEmpty());
    MappedFile file;
    QVERIFY(file.open(path, 1 << 20));
    QCOMPARE(file.bytes(), contents);
    QCOMPARE(file.size(), qint64(contents.size()));
}

void TestMappedFile::shortenedFileEndsTheRunWithAMessage()
{
    const QString path = writeFile(QByteArray(64 * 1024, 'x'));
    QVERIFY(!path.isEmpty());
    int pipeEnds[2];
    QVERIFY(pipe(pipeEnds) == 0);
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        // The child maps the file, another "program" cuts it to nothing, then the child reads.
        dup2(pipeEnds[1], STDERR_FILENO);
        MappedFile file;
        if (!file.open(path, 1 << 20))
            _exit(3);
        if (truncate(QFile::encodeName(path).constData(), 0) != 0)
            _exit(4);
        volatile char last = file.bytes().constData()[file.bytes().size() - 1];
        (void)last;
        _exit(5); // the read past the new end did not stop the run
    }
    close(pipeEnds[1]);
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    char message[256] = {};
    const ssize_t length = read(pipeEnds[0], message, sizeof message - 1);
    close(pipeEnds[0]);
    QVERIFY2(WIFEXITED(status), "the tool was killed by a signal");
    QCOMPARE(WEXITSTATUS(status), 1);
    QVERIFY(length > 0);
    QVERIFY(QByteArray(message).contains("shortened while it was being read"));
}

void TestMappedFile::tooLargeIsRefused()
{
    const QString path = writeFile(QByteArray(4096, 'y'));
    QVERIFY(!path.isEmpty());
    MappedFile file;
    QVERIFY(!file.open(path, 4095));
    QVERIFY(file.tooLarge());
    QCOMPARE(file.size(), qint64(4096));
}

void TestMappedFile::streamReadUpToTheLimit_data()
{
    QTest::addColumn<qint64>("sent");
    QTest::addColumn<bool>("accepted");
    const qint64 limit = 1 << 20;
    QTest::newRow("ends below the limit") << limit / 2 << true;
    QTest::newRow("ends at the limit") << limit << true;
    // Far more than the limit, as from a device that never ends.
    QTest::newRow("goes on past the limit") << 64 * limit << false;
}

void TestMappedFile::streamReadUpToTheLimit()
{
    QFETCH(qint64, sent);
    QFETCH(bool, accepted);
    const qint64 limit = 1 << 20;
    const QString path = m_dir.filePath(QStringLiteral("stream"));
    QFile::remove(path);
    QVERIFY(Fifo::make(path));
    MappedFile file;
    bool opened = false;
    {
        Fifo::Writer writer(path, sent, 20000, 'z');
        opened = file.open(path, limit);
    }
    QCOMPARE(opened, accepted);
    QCOMPARE(file.tooLarge(), !accepted);
    if (accepted) {
        QCOMPARE(file.bytes(), QByteArray(int(sent), 'z'));
        QCOMPARE(file.size(), sent);
    } else {
        QVERIFY(file.bytes().isEmpty());
        QCOMPARE(file.size(), qint64(-1));
        QCOMPARE(file.errorString(), QStringLiteral("more than 1048576 bytes is too large"));
    }
}

QTEST_GUILESS_MAIN(TestMappedFile)
#include "tst_cli_mappedfile.moc"
