#include "faulthelpers.h"

#include "monitor/monitor.h"

#include <QSignalSpy>
#include <QtTest>

// Ten thousand commands queued at once leave one at a time, all of them, in the order queued.
class TestFaultsQueue : public QObject
{
    Q_OBJECT
private slots:
    void tenThousandCommandsInOrder();
};

void TestFaultsQueue::tenThousandCommandsInOrder()
{
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--role"), QStringLiteral("monitor")}));
    Monitor monitor;
    QSignalSpy protocolErrors(&monitor, &DeviceBase::protocolError);
    QSignalSpy commErrors(&monitor, &DeviceBase::commError);
    Faults::connectTo(monitor, sim);
    QTRY_VERIFY_WITH_TIMEOUT(monitor.channelNum() == 3 && Faults::transportIdle(monitor), 10000);
    const int before = Faults::loggedCommands(sim).size();

    // Menu keys and UMD texts of changing length: neighbours always differ, so any command
    // lost, repeated or swapped shows in the sequence.
    static const DeviceBase::mncp_key_code keys[] = {
        DeviceBase::MNCP_KEY_MENU_UP, DeviceBase::MNCP_KEY_MENU_DOWN, DeviceBase::MNCP_KEY_MENU_LEFT,
        DeviceBase::MNCP_KEY_MENU_RIGHT, DeviceBase::MNCP_KEY_F0, DeviceBase::MNCP_KEY_F1, DeviceBase::MNCP_KEY_F2};
    constexpr int Count = 10000;
    QVector<Faults::LoggedCommand> expected;
    expected.reserve(Count);
    for (int i = 0; i < Count; ++i) {
        if (i % 2 == 0) {
            const DeviceBase::mncp_key_code key = keys[(i / 2) % 7];
            monitor.sendKey(key);
            expected.append({0x0001, int(key), 0});
        } else {
            const QString text = QString(1 + i % 61, QLatin1Char('a' + i % 26));
            monitor.setUMD(true, text);
            expected.append({0x0004, 0x0101, int(text.size())});
        }
    }
    // One command in flight, the rest waiting.
    QVERIFY2(monitor.socketHandler()->queuedCount() >= Count - 2,
             qPrintable(QString::number(monitor.socketHandler()->queuedCount())));

    QVERIFY(Faults::waitHandlingEachEvent([&] { return Faults::transportIdle(monitor); }, 180000));
    QTRY_COMPARE_WITH_TIMEOUT(Faults::loggedCommands(sim).size(), before + Count, 10000);
    const QVector<Faults::LoggedCommand> sent = Faults::loggedCommands(sim).mid(before);
    for (int i = 0; i < Count; ++i)
        QVERIFY2(sent.at(i) == expected.at(i), qPrintable(QStringLiteral("command %1").arg(i)));
    QCOMPARE(protocolErrors.size(), 0);
    QCOMPARE(commErrors.size(), 0);
    QCOMPARE(monitor.state(), QAbstractSocket::ConnectedState);
}

QTEST_MAIN(TestFaultsQueue)
#include "tst_faults_queue.moc"
