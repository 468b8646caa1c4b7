// The thread that reads a resampled text back from its file while it is being written: its own
// job runs first, every written piece arrives once, whole and in order, however far it lags,
// and a file it cannot read back is reported.

#include "tools/brevanto-cli/readbackthread.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

class TestReadBackThread : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void piecesArriveInOrder_data();
    void piecesArriveInOrder();
    void unreadableFile();
    void fileShorterThanAnnounced();
    void finishWithoutPieces();

private:
    QTemporaryDir m_dir;
};

namespace {

QByteArray pieceNumber(int i)
{
    // Lengths that grow and shrink, so that the reused buffer must take longer and shorter pieces.
    return QByteArray::number(i) + ':' + QByteArray((i * 7919) % 70000, char('a' + i % 26)) + '\n';
}

} // namespace

void TestReadBackThread::piecesArriveInOrder_data()
{
    QTest::addColumn<int>("firstJobMs");
    QTest::addColumn<int>("pieceDelayUs");
    QTest::newRow("reader keeps up") << 0 << 0;
    QTest::newRow("long first job") << 50 << 0;
    QTest::newRow("slow reader") << 0 << 400;
}

void TestReadBackThread::piecesArriveInOrder()
{
    QFETCH(int, firstJobMs);
    QFETCH(int, pieceDelayUs);
    const QString path = m_dir.filePath(QStringLiteral("pieces.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));

    std::atomic<bool> firstDone{false};
    bool pieceBeforeFirst = false;
    QByteArray received;
    int count = 0;
    QByteArray written;
    {
        ReadBackThread readBack(
            [&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(firstJobMs));
                firstDone = true;
            },
            path,
            [&](const QByteArray &piece) {
                pieceBeforeFirst = pieceBeforeFirst || !firstDone;
                if (pieceDelayUs)
                    std::this_thread::sleep_for(std::chrono::microseconds(pieceDelayUs));
                received += piece;
                ++count;
            });
        for (int i = 0; i < 60; ++i) {
            const QByteArray piece = pieceNumber(i);
            QCOMPARE(file.write(piece), qint64(piece.size()));
            QVERIFY(file.flush());
            readBack.written(piece.size());
            written += piece;
        }
        QCOMPARE(readBack.finish(), QString());
        QCOMPARE(readBack.finish(), QString()); // a second finish is harmless
    }
    QVERIFY(firstDone);
    QVERIFY(!pieceBeforeFirst);
    QCOMPARE(count, 60);
    QCOMPARE(received, written);
}

void TestReadBackThread::unreadableFile()
{
    bool firstRan = false;
    int pieces = 0;
    ReadBackThread readBack([&] { firstRan = true; }, m_dir.filePath(QStringLiteral("missing/none.txt")),
                            [&](const QByteArray &) { ++pieces; });
    readBack.written(10);
    QVERIFY(!readBack.finish().isEmpty());
    QVERIFY(firstRan);
    QCOMPARE(pieces, 0);
}

void TestReadBackThread::fileShorterThanAnnounced()
{
    const QString path = m_dir.filePath(QStringLiteral("short.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(file.write("one\ntwo\n") == 8 && file.flush());
    QList<QByteArray> pieces;
    ReadBackThread readBack({}, path, [&](const QByteArray &piece) { pieces << piece; });
    readBack.written(4);
    readBack.written(10); // only four bytes follow
    readBack.written(4);  // not read after the failure
    QCOMPARE(readBack.finish(), QStringLiteral("the file ended early"));
    QCOMPARE(pieces, QList<QByteArray>{QByteArray("one\n")});
}

void TestReadBackThread::finishWithoutPieces()
{
    const QString path = m_dir.filePath(QStringLiteral("empty.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    bool called = false;
    ReadBackThread readBack({}, path, [&](const QByteArray &) { called = true; });
    QCOMPARE(readBack.finish(), QString());
    QVERIFY(!called);
}

QTEST_APPLESS_MAIN(TestReadBackThread)
#include "tst_cli_readback.moc"
