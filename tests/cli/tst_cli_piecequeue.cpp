// The queue that hands the pieces of a resampled text to a second thread: every piece arrives
// once, whole and in order, however far the consumer lags; a failure stops the consuming and is
// reported once.

#include "tools/brevanto-cli/piecequeue.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

class TestPieceQueue : public QObject
{
    Q_OBJECT
private slots:
    void piecesArriveInOrder_data();
    void piecesArriveInOrder();
    void failureStopsConsuming();
    void finishWithoutPieces();
};

namespace {

QByteArray pieceNumber(int i)
{
    // Sizes that grow and shrink, so that reused buffers must take longer and shorter pieces.
    return QByteArray::number(i) + ':' + QByteArray((i * 7919) % 70000, char('a' + i % 26)) + '\n';
}

} // namespace

void TestPieceQueue::piecesArriveInOrder_data()
{
    QTest::addColumn<int>("consumerDelayUs");
    QTest::newRow("fast consumer") << 0;
    QTest::newRow("slow consumer") << 300;
}

void TestPieceQueue::piecesArriveInOrder()
{
    QFETCH(int, consumerDelayUs);
    QByteArray received;
    int count = 0;
    {
        PieceQueue queue([&](const QByteArray &piece) {
            if (consumerDelayUs)
                std::this_thread::sleep_for(std::chrono::microseconds(consumerDelayUs));
            received += piece;
            ++count;
            return QString();
        });
        for (int i = 0; i < 60; ++i) {
            QByteArray piece = pieceNumber(i);
            QVERIFY(queue.push(piece));
            piece.fill('#'); // the queue holds its own copy
        }
        QCOMPARE(queue.finish(), QString());
        QCOMPARE(queue.finish(), QString()); // a second finish is harmless
    }
    QByteArray expected;
    for (int i = 0; i < 60; ++i)
        expected += pieceNumber(i);
    QCOMPARE(count, 60);
    QCOMPARE(received, expected);
}

void TestPieceQueue::failureStopsConsuming()
{
    std::atomic<int> consumed{0};
    PieceQueue queue([&](const QByteArray &) {
        return ++consumed == 3 ? QStringLiteral("disk full") : QString();
    });
    int accepted = 0;
    for (int i = 0; i < 50 && queue.push(pieceNumber(i)); ++i)
        ++accepted;
    QCOMPARE(queue.finish(), QStringLiteral("disk full"));
    QCOMPARE(consumed.load(), 3); // nothing after the failed piece is consumed
    QVERIFY(accepted >= 3);
    QVERIFY(accepted < 50);
    QVERIFY(!queue.push(pieceNumber(99)));
}

void TestPieceQueue::finishWithoutPieces()
{
    bool called = false;
    PieceQueue queue([&](const QByteArray &) {
        called = true;
        return QString();
    });
    QCOMPARE(queue.finish(), QString());
    QVERIFY(!called);
}

QTEST_APPLESS_MAIN(TestPieceQueue)
#include "tst_cli_piecequeue.moc"
