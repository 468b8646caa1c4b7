// The pieces of the tool that read files others may change: the thread that reads a resampled
// text back while it is written, and a mapped input file shortened while it is read.

#include "tst_cli.h"

#include "tools/brevanto-cli/mappedfile.h"
#include "tools/brevanto-cli/readbackthread.h"

#include <chrono>
#include <sys/wait.h>

void TestCli::readBackPiecesArriveInOrder_data()
{
    QTest::addColumn<int>("firstJobMs");
    QTest::addColumn<int>("pieceDelayUs");
    QTest::addColumn<int>("missing"); // bytes announced that the file never gets; -1: no file
    QTest::newRow("reader keeps up") << 0 << 0 << 0;
    QTest::newRow("long first job") << 50 << 0 << 0;
    QTest::newRow("slow reader") << 0 << 400 << 0;
    QTest::newRow("file shorter than announced") << 0 << 0 << 10;
    QTest::newRow("file it cannot open") << 0 << 0 << -1;
}

void TestCli::readBackPiecesArriveInOrder()
{
    // Its own job runs first; every written piece arrives once, whole and in order, however far
    // it lags (lengths grow and shrink through the reused buffer); a file that ends early or
    // cannot be opened is reported, and nothing arrives after that.
    QFETCH(int, firstJobMs);
    QFETCH(int, pieceDelayUs);
    QFETCH(int, missing);
    QFile file(path("pieces.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    std::atomic<bool> firstDone{false}, pieceBeforeFirst{false};
    QByteArray received, written;
    ReadBackThread readBack([&] { std::this_thread::sleep_for(std::chrono::milliseconds(firstJobMs)), firstDone = true; },
                            missing < 0 ? path("missing/none.txt") : file.fileName(), [&](const QByteArray &piece) {
                                pieceBeforeFirst = pieceBeforeFirst || !firstDone;
                                std::this_thread::sleep_for(std::chrono::microseconds(pieceDelayUs));
                                received += piece;
                            });
    for (int i = 0; i < 60; ++i) {
        const QByteArray piece = QByteArray::number(i) + ':' + QByteArray((i * 7919) % 70000, char('a' + i % 26)) + '\n';
        QVERIFY(file.write(piece) == piece.size() && file.flush());
        readBack.written(piece.size() + (i == 59 ? qMax(missing, 0) : 0));
        written += i < 59 || missing == 0 ? piece : QByteArray();
    }
    const QString error = readBack.finish();
    QVERIFY2(missing > 0 ? error == "the file ended early" : (missing < 0) != error.isEmpty(), qPrintable(error));
    QVERIFY(readBack.finish() == error && firstDone && !pieceBeforeFirst); // a second finish is harmless
    QCOMPARE(received, missing < 0 ? QByteArray() : written);
}

void TestCli::mappedFileShortenedWhileRead()
{
    // Another program cuts a mapped input to nothing while the tool reads it: the tool ends
    // with a message and exit status 1, not with a bus error.
    QVERIFY(writeFile(path("input.bin"), QByteArray(64 * 1024, 'x')));
    int pipeEnds[2];
    QVERIFY(pipe(pipeEnds) == 0);
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        dup2(pipeEnds[1], STDERR_FILENO);
        MappedFile file;
        if (!file.open(path("input.bin"), 1 << 20) || file.bytes() != QByteArray(64 * 1024, 'x')
            || truncate(QFile::encodeName(path("input.bin")).constData(), 0) != 0)
            _exit(3);
        volatile char last = file.bytes().constData()[file.bytes().size() - 1];
        (void)last;
        _exit(5); // the read past the new end did not stop the run
    }
    close(pipeEnds[1]);
    int status = 0;
    char message[256] = {};
    QVERIFY(waitpid(child, &status, 0) == child && read(pipeEnds[0], message, sizeof message - 1) > 0 && close(pipeEnds[0]) == 0);
    QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 1 && QByteArray(message).contains("shortened while it was being read"), message);
}
