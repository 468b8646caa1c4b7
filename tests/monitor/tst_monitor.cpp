#include "deviceconnection.h"
#include "monitor/monitor.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// Identity, channels, control commands and reply forwarding of a monitor, over loopback.
class TestMonitor : public QObject
{
    Q_OBJECT
private slots:
    void identityAndChannelsOnConnect();
    void disconnectResetsWhatWasLearned();
    void controlCommands();
    void firmwareRequestChoice_data();
    void firmwareRequestChoice();
    void firmwareNotSentWhenUnreadableOrEmpty();
    void lutFormatWordsAlwaysSignal();
    void shortRepliesIgnored();
    void channelCountBounds();
    void captureFeatureRegistrationAndForwarding();
    void scopeRepliesDriveThePullLoop();

private:
    static void reply(Monitor &monitor, quint16 protocol, quint16 request, QByteArray payload)
    {
        mncp_protocol_header header{MNCP_VERSION, 0, protocol, request, static_cast<quint32>(payload.size())};
        monitor.processReply(payload, header);
    }
};

namespace {
QByteArray identityResponder(const FakeDevice::Command &cmd)
{
    if (cmd.protocol == 0x0100) {
        switch (cmd.request) {
        case 0: return FakeDevice::message(0x0100, 0, QByteArray("KT-240\0junk", 11));
        case 1: return FakeDevice::message(0x0100, 1, "2.4.1");
        case 2: return FakeDevice::message(0x0100, 2, QByteArray("\0SER", 4));
        case 3: return FakeDevice::message(0x0100, 3, QByteArray::fromHex("00000002"));
        case 4: return FakeDevice::message(0x0100, 4, QByteArray::fromHex("00000004"));
        }
    }
    if (cmd.protocol == 0x0101) {
        const int channel = cmd.request >> 8;
        if ((cmd.request & 0xFF) == 0x10)
            return FakeDevice::message(0x0101, cmd.request, QByteArray("SDI ") + QByteArray::number(channel + 1) + '\0');
        return FakeDevice::message(0x0101, cmd.request, "1080p25");
    }
    return FakeDevice::message(cmd.protocol, cmd.request);
}
} // namespace

void TestMonitor::identityAndChannelsOnConnect()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    fake.setResponder(identityResponder);
    Monitor monitor;
    QSignalSpy channelsChanged(&monitor, &Monitor::channelsChanged);
    QVERIFY(connectToFake(monitor, fake));
    QVERIFY(fake.waitForCommands(9));
    // All five identity queries are queued at once; the channel queries follow the count reply.
    const QList<QPair<int, int>> expected{{0x0100, 0}, {0x0100, 1}, {0x0100, 2}, {0x0100, 3},
                                          {0x0100, 4}, {0x0101, 0x0010}, {0x0101, 0x0001},
                                          {0x0101, 0x0110}, {0x0101, 0x0101}};
    QCOMPARE(commandIds(fake), expected);
    QTRY_COMPARE_WITH_TIMEOUT(monitor.portNum(), 4, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(monitor.channelList().at(1)->mode(), QStringLiteral("1080p25"), 5000);
    QCOMPARE(monitor.model(), QStringLiteral("KT-240"));
    QCOMPARE(monitor.version(), QStringLiteral("2.4.1"));
    QCOMPARE(monitor.serial(), QString());
    QCOMPARE(monitor.channelNum(), 2);
    QCOMPARE(monitor.channelList().at(0)->name(), QStringLiteral("SDI 1"));
    QCOMPARE(monitor.channelList().at(1)->name(), QStringLiteral("SDI 2"));
    QCOMPARE(channelsChanged.size(), 1);
    QCOMPARE(monitor.property("protocol_major").toInt(), 1);
    QCOMPARE(monitor.property("protocol_minor").toInt(), 6);
}

void TestMonitor::disconnectResetsWhatWasLearned()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    fake.setResponder(identityResponder);
    Monitor monitor;
    QVERIFY(connectToFake(monitor, fake));
    QTRY_COMPARE_WITH_TIMEOUT(monitor.portNum(), 4, 5000);
    reply(monitor, 0x0311, 0x0401, QByteArray::fromHex("0C0000000C00000021000000"));
    QCOMPARE(monitor.dit3dlutSize(), 33);

    QSignalSpy models(&monitor, &Monitor::modelChanged);
    QSignalSpy destroyChannel(&monitor, &Monitor::destroyChannel);
    QSignalSpy channelsChanged(&monitor, &Monitor::channelsChanged);
    QSignalSpy sizes(&monitor, &Monitor::dit3dlut_sizeChanged);
    QSignalSpy states(&monitor, &Monitor::stateChanged);
    fake.dropClient();
    QTRY_COMPARE_WITH_TIMEOUT(monitor.state(), QAbstractSocket::UnconnectedState, 5000);
    QCOMPARE(monitor.model(), QString());
    QCOMPARE(models.size(), 1);
    QCOMPARE(monitor.channelNum(), 0);
    QCOMPARE(monitor.portNum(), 0);
    QCOMPARE(monitor.channelList().size(), 0);
    QCOMPARE(destroyChannel.size(), 1);
    QCOMPARE(channelsChanged.size(), 0);
    QCOMPARE(monitor.dit3dlutSize(), 17);
    QCOMPARE(monitor.dit3dlutInbit(), 10);
    QCOMPARE(sizes.size(), 0);
    QVERIFY(!states.isEmpty());
}

void TestMonitor::controlCommands()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    Monitor monitor;
    QVERIFY(connectToFake(monitor, fake));
    QVERIFY(fake.waitForCommands(5));
    fake.clearReceived();

    monitor.sendKey(DeviceBase::MNCP_KEY_MENU);
    monitor.sendRotary(1, 3);
    monitor.sendRotary(5, 3);
    monitor.sendRotary(0, 7);
    monitor.sendRotary(2, 0);
    monitor.setTally(false, false);
    monitor.setTally(true, true);
    monitor.setTally(false, true);
    monitor.setUMD(true, QStringLiteral("Cam \u00e91"));
    monitor.setUMD(false, QStringLiteral("ignored"));
    monitor.setUserIP(QStringLiteral("192.168.1.20"), QStringLiteral("255.255.255.0"), QStringLiteral("192.168.1.1"));
    QTest::ignoreMessage(QtInfoMsg, "invalid user ip set");
    monitor.setUserIP(QStringLiteral("10.0.0.1"), QStringLiteral("255.0.0.0"), QString());
    monitor.setUserIP(QStringLiteral("not-an-ip"), QStringLiteral("255.0.0.0"), QStringLiteral("1.2.3.4"));
    monitor.setUserWIFI(QString(), QString());
    monitor.setUserWIFI(QStringLiteral("studio"), QStringLiteral("pa:ss"));
    monitor.setWiFi(true);
    monitor.setWiFi(false);

    struct Expected {
        int protocol;
        int request;
        QByteArray payload;
    };
    const QList<Expected> expected{
        {0x0001, 0x0020, {}},
        {0x0001, 0x0053, {}},
        {0x0001, 0x0047, {}},
        {0x0001, 0x0060, {}},
        {0x0002, 0x0100, {}},
        {0x0002, 0x0103, {}},
        {0x0002, 0x0102, {}},
        {0x0004, 0x0101, QByteArray("Cam \xe9" "1")},
        {0x0004, 0x0100, {}},
        {0x0500, 0x0001, QByteArray::fromHex("C0A80114FFFFFF00C0A80101")},
        {0x0500, 0x0001, QByteArray::fromHex("00000000FF00000001020304")},
        {0x0500, 0x0004, QByteArray(":")},
        {0x0500, 0x0004, QByteArray("studio:pa:ss")},
        {0x0500, 0x0002, {}},
        {0x0500, 0x0003, {}},
    };
    QVERIFY(fake.waitForCommands(expected.size()));
    QTest::qWait(30);
    QCOMPARE(fake.received().size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const auto &got = fake.received().at(i);
        QCOMPARE(int(got.protocol), expected.at(i).protocol);
        QCOMPARE(int(got.request), expected.at(i).request);
        QCOMPARE(got.payload, expected.at(i).payload);
    }
}

void TestMonitor::firmwareRequestChoice_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("request");
    QTest::newRow("brec lower") << "update.brec" << 2;
    QTest::newRow("brec upper") << "UPDATE.BREC" << 2;
    QTest::newRow("other") << "update.bin" << 1;
    QTest::newRow("brec inside name") << "update.brec.zip" << 1;
}

void TestMonitor::firmwareRequestChoice()
{
    QFETCH(QString, fileName);
    QFETCH(int, request);
    QTemporaryDir dir;
    QFile file(dir.filePath(fileName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray image(70000, '\x3C');
    file.write(image);
    file.close();

    FakeDevice fake;
    QVERIFY(fake.listen());
    Monitor monitor;
    QVERIFY(connectToFake(monitor, fake));
    QVERIFY(fake.waitForCommands(5));
    monitor.updateFirmware(QUrl::fromLocalFile(file.fileName()));
    QVERIFY(fake.waitForCommands(6));
    QCOMPARE(int(fake.received().last().protocol), 0x0005);
    QCOMPARE(int(fake.received().last().request), request);
    QCOMPARE(fake.received().last().payload, image);
}

void TestMonitor::firmwareNotSentWhenUnreadableOrEmpty()
{
    QTemporaryDir dir;
    QFile empty(dir.filePath("empty.brec"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();

    FakeDevice fake;
    QVERIFY(fake.listen());
    Monitor monitor;
    QVERIFY(connectToFake(monitor, fake));
    QVERIFY(fake.waitForCommands(5));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Failed to open firmware file:"));
    monitor.updateFirmware(QUrl::fromLocalFile(dir.filePath("missing.bin")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Firmware file is empty"));
    monitor.updateFirmware(QUrl::fromLocalFile(empty.fileName()));
    monitor.sendKey(DeviceBase::MNCP_KEY_POWER_ON);
    QVERIFY(fake.waitForCommands(6));
    QTest::qWait(30);
    QCOMPARE(fake.received().size(), 6);
    QCOMPARE(int(fake.received().last().protocol), 0x0001);
}

void TestMonitor::lutFormatWordsAlwaysSignal()
{
    Monitor monitor;
    QSignalSpy in1(&monitor, &Monitor::dit1dlut_inbitChanged);
    QSignalSpy out1(&monitor, &Monitor::dit1dlut_outbitChanged);
    QSignalSpy size3(&monitor, &Monitor::dit3dlut_sizeChanged);
    // Little-endian words, unlike the rest of the protocol: 0A 00 00 00 is 10.
    reply(monitor, 0x0301, 0x0400, QByteArray::fromHex("0A0000000C000000"));
    reply(monitor, 0x0302, 0x0403, QByteArray::fromHex("0A0000000C000000"));
    QCOMPARE(monitor.dit1dlutInbit(), 10);
    QCOMPARE(monitor.dit1dlutOutbit(), 12);
    QCOMPARE(in1.size(), 2);
    QCOMPARE(out1.size(), 2);
    reply(monitor, 0x0311, 0x0400, QByteArray::fromHex("0A0000000C00000011000000"));
    QCOMPARE(monitor.dit3dlutOutbit(), 12);
    QCOMPARE(monitor.dit3dlutSize(), 17);
    QCOMPARE(size3.size(), 1);
    // Calibration and post-calibration answers are not format words.
    reply(monitor, 0x0310, 0x0400, QByteArray::fromHex("0100000001000000FF000000"));
    reply(monitor, 0x0300, 0x0400, QByteArray::fromHex("0100000001000000"));
    QCOMPARE(monitor.dit3dlutSize(), 17);
    QCOMPARE(monitor.dit1dlutInbit(), 10);
}

void TestMonitor::shortRepliesIgnored()
{
    Monitor monitor;
    reply(monitor, 0x0100, 4, QByteArray::fromHex("00000007"));
    QCOMPARE(monitor.portNum(), 7);
    reply(monitor, 0x0100, 4, QByteArray::fromHex("0009"));
    QCOMPARE(monitor.portNum(), 7);
    reply(monitor, 0x0100, 3, QByteArray::fromHex("000002"));
    QCOMPARE(monitor.channelList().size(), 0);
    QSignalSpy in1(&monitor, &Monitor::dit1dlut_inbitChanged);
    reply(monitor, 0x0301, 0x0400, QByteArray::fromHex("0C000000"));
    QCOMPARE(in1.size(), 0);
    QCOMPARE(monitor.dit1dlutInbit(), 10);
    reply(monitor, 0x0311, 0x0400, QByteArray::fromHex("0C0000000C000000"));
    QCOMPARE(monitor.dit3dlutInbit(), 10);
    reply(monitor, 0x0100, 0, QByteArray("X"));
    QCOMPARE(monitor.model(), QStringLiteral("X"));
    reply(monitor, 0x0100, 9, QByteArray("ignored"));
    reply(monitor, 0x7777, 0, QByteArray("ignored"));
    QCOMPARE(monitor.model(), QStringLiteral("X"));
}

void TestMonitor::channelCountBounds()
{
    Monitor monitor;
    QTest::ignoreMessage(QtWarningMsg, "channel count 65536 limited to 256");
    reply(monitor, 0x0100, 3, QByteArray::fromHex("00010000"));
    QCOMPARE(monitor.channelList().size(), 256);
    Monitor negative;
    reply(negative, 0x0100, 3, QByteArray::fromHex("FFFFFFFF"));
    QCOMPARE(negative.channelList().size(), 0);
    // Channel 3 of a two-channel monitor is ignored.
    Monitor two;
    reply(two, 0x0100, 3, QByteArray::fromHex("00000002"));
    reply(two, 0x0101, 0x0310, QByteArray("THREE"));
    reply(two, 0x0101, 0x0110, QByteArray("TWO"));
    QCOMPARE(two.channelList().at(1)->name(), QStringLiteral("TWO"));
    QCOMPARE(two.channelList().size(), 2);
}

void TestMonitor::captureFeatureRegistrationAndForwarding()
{
    Monitor monitor;
    reply(monitor, 0x0100, 0, QByteArray("RV-310"));
    auto *capture = new CaptureFrame;
    monitor.registerFeature(capture, 1);
    QVERIFY(monitor.cCaptureFrame() == nullptr);
    monitor.registerFeature(capture, 2);
    QCOMPARE(monitor.cCaptureFrame(), capture);
    QCOMPARE(capture->socketHandler(), monitor.socketHandler());
    QCOMPARE(capture->deviceModel(), QStringLiteral("RV-310"));

    // A 2x1 RGB frame (format 259): header, then two little-endian words.
    const QByteArray frame = QByteArray::fromHex("0002000100080103" "01020304")
        + QByteArray::fromHex("FF030000") + QByteArray::fromHex("0000F03F");
    reply(monitor, 0x0400, 0x0001, frame);
    QCOMPARE(capture->image().size(), QSize(2, 1));
    QCOMPARE(capture->image().pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(capture->image().pixel(1, 0), qRgb(0, 0, 255));

    // The item may go away before the device does; later frames are dropped.
    delete capture;
    QVERIFY(monitor.cCaptureFrame() == nullptr);
    reply(monitor, 0x0400, 0x0001, frame);
}

void TestMonitor::scopeRepliesDriveThePullLoop()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    fake.setResponder([](const FakeDevice::Command &cmd) {
        if (cmd.protocol == 0x0403)
            return FakeDevice::message(0x0403, cmd.request, QByteArray(32768, '\x10'));
        return FakeDevice::message(cmd.protocol, cmd.request);
    });
    Monitor monitor;
    QVERIFY(connectToFake(monitor, fake));
    QVERIFY(fake.waitForCommands(5));
    fake.clearReceived();
    monitor.cScopeStream()->startStopPlayback(1, true);
    // Each waveform frame pulls the next one.
    QVERIFY(fake.waitForCommands(4));
    monitor.cScopeStream()->stopPlayback(1);
    QTest::qWait(100);
    const int settled = fake.received().size();
    QTest::qWait(100);
    QCOMPARE(fake.received().size(), settled);
    for (const auto &cmd : fake.received())
        QCOMPARE(int(cmd.protocol), 0x0403);

    // Request 0 is dropped after the log line: even while playing it pulls nothing.
    fake.setSilent(true);
    monitor.cScopeStream()->startStopPlayback(1, true);
    QVERIFY(fake.waitForCommands(settled + 1));
    reply(monitor, 0x0403, 0x0000, QByteArray(32768, '\x10'));
    QTest::qWait(50);
    QCOMPARE(fake.received().size(), settled + 1);
}

QTEST_MAIN(TestMonitor)
#include "tst_monitor.moc"
