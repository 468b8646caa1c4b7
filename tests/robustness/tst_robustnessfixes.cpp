#include "deviceconnection.h"
#include "fakedevice.h"
#include "session/sessionmanager.h"
#include "testdevice.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Behaviour changed so that the program survives input found by fuzzing; one case per change.
class TestRobustnessFixes : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void tabListStopsAtItsLimit();
    void disconnectInsideReplyStopsReading_data();
    void disconnectInsideReplyStopsReading();

private:
    QTemporaryDir m_data;
};

void TestRobustnessFixes::initTestCase()
{
    QVERIFY(m_data.isValid());
    qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
}

void TestRobustnessFixes::init()
{
    QFile::remove(SessionManager().filePath());
}

void TestRobustnessFixes::tabListStopsAtItsLimit()
{
    // A hand-made profile of 300 entries is imported tab by tab; indexes are one byte, so
    // index 256 would be index 0 again, and the next start reads 256 records at most.
    {
        SessionManager manager;
        for (int k = 0; k < 300; ++k)
            manager.addTab(static_cast<uchar>(k), QStringLiteral("MONITOR"), QStringLiteral("127.0.0.1"),
                           QStringLiteral("Tab %1").arg(k), QStringLiteral("dark"));
        QCOMPARE(manager.records().size(), 256);
        QCOMPARE(manager.records().constLast().name, QStringLiteral("Tab 255"));
        // Removing the first tab still removes exactly one.
        manager.removeTab(0);
        QCOMPARE(manager.records().size(), 255);
        QCOMPARE(manager.records().constFirst().name, QStringLiteral("Tab 1"));
        // And there is room for one again.
        manager.addTab(255, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.2"), QStringLiteral("Last"), QStringLiteral("light"));
        QCOMPARE(manager.records().size(), 256);
    }
    SessionManager nextStart;
    QVERIFY(nextStart.readFromDisk());
    QCOMPARE(nextStart.records().size(), 256);
    QCOMPARE(nextStart.records().at(0).name, QStringLiteral("Tab 1"));
    QCOMPARE(nextStart.records().at(254).name, QStringLiteral("Tab 255"));
    QCOMPARE(nextStart.records().at(255).name, QStringLiteral("Last"));
}

void TestRobustnessFixes::disconnectInsideReplyStopsReading_data()
{
    QTest::addColumn<QByteArray>("behind");
    // What follows the reply in the same read: a whole message, or a header whose payload has
    // not all come yet.
    QTest::newRow("whole message") << FakeDevice::message(0x0100, 1, "late");
    QTest::newRow("message cut short") << FakeDevice::header(0x0100, 1, 100) + QByteArray("part");
}

void TestRobustnessFixes::disconnectInsideReplyStopsReading()
{
    // A device reacting to a reply by disconnecting: the bytes of the old connection still in
    // the buffer were read on, delivered as replies to a disconnected device, or left a header
    // behind that swallowed the start of the next connection's stream.
    QFETCH(QByteArray, behind);
    FakeDevice fake;
    QVERIFY(fake.listen());
    fake.setSilent(true);
    TestDevice device;
    device.onReply = [&device](const TestDevice::Reply &) {
        if (device.replies.size() == 1)
            device.deviceDisconnect();
    };
    QVERIFY(connectToFake(device, fake));
    fake.send(FakeDevice::message(0x0100, 0, "first") + behind);
    QTRY_COMPARE_WITH_TIMEOUT(device.state(), QAbstractSocket::UnconnectedState, 5000);
    QTest::qWait(50);
    QCOMPARE(device.replies.size(), 1);
    QCOMPARE(device.socketHandler()->receiveHeader().length, quint32(0));

    // The next connection's stream is read from its first byte.
    device.onReply = nullptr;
    QVERIFY(connectToFake(device, fake));
    fake.send(FakeDevice::message(0x0100, 2, "second"));
    QTRY_COMPARE_WITH_TIMEOUT(device.replies.size(), 2, 5000);
    QCOMPARE(device.replies.at(1).header.request, quint16(2));
    QCOMPARE(device.replies.at(1).payload, QByteArray("second"));
}

QTEST_GUILESS_MAIN(TestRobustnessFixes)
#include "tst_robustnessfixes.moc"
