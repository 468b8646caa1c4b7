#include "bytes.h"
#include "cubrix/cubrix.h"
#include "deviceharness.h"
#include "device/channellist.h"
#include "logcapture.h"
#include "monitor/monitor.h"
#include "simprocess.h"
#include "testdevice.h"

#include <QMetaEnum>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// What both device kinds share: the device base, the channel records, and the identity,
// channel, command and reset behaviour of a Monitor and a Cubrix on a loopback connection.
struct Twin {
    std::function<void(Monitor &)> monitor;
    std::function<void(Cubrix &)> cubrix;
};
Q_DECLARE_METATYPE(Twin)
// One call written once for both kinds; D names the device class in `body`.
#define TWIN(body) Twin{[=](Monitor &dev) { using D = Monitor; body; }, [=](Cubrix &dev) { using D = Cubrix; body; }}

namespace {
// Runs `test` on a Monitor or a Cubrix harness, as the row says.
template <typename Test>
void forKind(const QString &kind, Test test)
{
    if (kind == QLatin1String("monitor")) {
        DeviceHarness<Monitor> harness;
        test(harness, 5);
    } else {
        DeviceHarness<Cubrix> harness;
        test(harness, 3 + 19);
    }
}
} // namespace

class TestDevice_ : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    DeviceHarness<Monitor> *m_monitor = nullptr;
    DeviceHarness<Cubrix> *m_cubrix = nullptr;
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char *name : {"update.brec", "UPDATE.BREC", "update.bin", "update.brec.zip"})
            writeFile(name, "FIRMWARE");
        writeFile("empty.brec", "");
        m_monitor = new DeviceHarness<Monitor>;
        m_cubrix = new DeviceHarness<Cubrix>;
        QVERIFY(m_monitor->connectAndSettle(5) && m_cubrix->connectAndSettle(3 + 19));
    }
    void cleanupTestCase()
    {
        delete m_monitor;
        delete m_cubrix;
    }
    void addressAndKeyCodes();
    void commandsQueuedWhileConnectingGoOut();
    void disconnectDiscardsQueuedCommands();
    void stateChangesAreForwardedAndUnconnectedLogged();
    void channelRecordDefaultsAndItems_data();
    void channelRecordDefaultsAndItems();
    void channelListBoundsAndListProperty();
    void commands_data();
    void commands();
    void identityAndChannels_data();
    void identityAndChannels();
    void disconnectResetsWhatWasLearned_data();
    void disconnectResetsWhatWasLearned();

private:
    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
};

void TestDevice_::addressAndKeyCodes()
{
    TestDevice device;
    QSignalSpy spy(&device, &DeviceBase::addressChanged);
    device.setAddress(QStringLiteral("127.0.0.1"));
    device.setAddress(QStringLiteral("127.0.0.1"));
    QVERIFY(device.setProperty("address", QStringLiteral("127.0.0.2")));
    QCOMPARE(spy.size(), 2);
    // Key codes as QML names them, through either device type.
    const QMetaEnum keys = QMetaEnum::fromType<DeviceBase::mncp_key_code>();
    const QList<QPair<const char *, int>> codes{{"MNCP_KEY_POWER_OFF", 0}, {"MNCP_KEY_INPUT7", 23}, {"MNCP_KEY_MENU_ENTER", 37},
        {"MNCP_KEY_F7", 55}, {"MNCP_KEY_ROTARY_PB3", 67}, {"MNCP_KEY_ROTARY_CW7", 87}, {"MNCP_KEY_ROTARY_CCW0", 96},
        {"MNCP_KEY_MODE_3", 114}, {"MNCP_KEY_CH_2", 129}, {"MNCP_KEY_LUT_INTERPOLATION_2", 145}};
    for (const auto &code : codes)
        QCOMPARE(keys.keyToValue(code.first), code.second);
    QCOMPARE(Cubrix::staticMetaObject.enumerator(Cubrix::staticMetaObject.indexOfEnumerator("mncp_key_code")).keyCount(),
             keys.keyCount());
}

void TestDevice_::commandsQueuedWhileConnectingGoOut()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    TestDevice device(fake.port());
    device.setAddress(fake.address());
    device.deviceConnect();
    // Queued while still connecting: the socket keeps it until the connection stands.
    QTest::ignoreMessage(QtDebugMsg, "appendCmd: add cmd: 0x0101 - 0x0110");
    device.appendCmd(0x0101, 0x0110, QByteArray("p"));
    QVERIFY(fake.waitForCommands(1));
    QCOMPARE(wireText(fake), QStringLiteral("0101/0110:70"));
}

void TestDevice_::disconnectDiscardsQueuedCommands()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    fake.setSilent(true);
    TestDevice device;
    QVERIFY(connectToFake(device, fake));
    for (quint16 request : {0, 1, 2})
        device.appendCmd(0x0100, request);
    QVERIFY(fake.waitForCommands(1));
    device.deviceDisconnect(); // asked for: no warning about the dropped commands
    QTRY_COMPARE_WITH_TIMEOUT(device.state(), QAbstractSocket::UnconnectedState, 5000);
    QVERIFY(fake.waitForDisconnect());
    fake.clearReceived();
    fake.setSilent(false);
    QVERIFY(connectToFake(device, fake));
    device.appendCmd(0x0100, 0x0004);
    QVERIFY(fake.waitForCommands(1));
    QTest::qWait(50);
    QCOMPARE(wireText(fake), QStringLiteral("0100/0004"));
}

void TestDevice_::stateChangesAreForwardedAndUnconnectedLogged()
{
    // A port nobody listens on: the attempt just ends, with no error signal.
    TestDevice device(SimProcess::freePort(QStringLiteral("127.0.0.1")));
    device.setAddress(QStringLiteral("127.0.0.1"));
    QSignalSpy states(&device, &DeviceBase::stateChanged);
    QSignalSpy errors(&device, &DeviceBase::commError);
    QSignalSpy readErrors(&device, &DeviceBase::socketReadException);
    LogCapture log(QtDebugMsg);
    device.deviceConnect();
    QTRY_COMPARE_WITH_TIMEOUT(device.state(), QAbstractSocket::UnconnectedState, 5000);
    QVERIFY(states.size() >= 2);
    QCOMPARE(states.last().first().value<QAbstractSocket::SocketState>(), QAbstractSocket::UnconnectedState);
    QCOMPARE(log.lines().filter(QStringLiteral("State Disconnected")),
             QStringList{QStringLiteral("DeviceBase::  State Disconnected socketStateChanged \n")});
    QCOMPARE(errors.size() + readErrors.size(), 0);
}

void TestDevice_::channelRecordDefaultsAndItems_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("port") << 0x00 << QByteArray::fromHex("00000003") << "port" << QVariant(3);
    QTest::newRow("mode up to zero") << 0x01 << QByteArray("1080p50\0xx", 10) << "mode" << QVariant("1080p50");
    QTest::newRow("bright negative") << 0x02 << QByteArray::fromHex("FFFFFFFE") << "bright" << QVariant(-2);
    QTest::newRow("bright too short") << 0x02 << QByteArray::fromHex("0001") << "bright" << QVariant(0);
    QTest::newRow("contrast") << 0x03 << QByteArray::fromHex("00000100") << "contrast" << QVariant(256);
    QTest::newRow("chroma") << 0x04 << QByteArray::fromHex("0000002A") << "chroma" << QVariant(42);
    QTest::newRow("hue, extra bytes") << 0x05 << QByteArray::fromHex("0000000599") << "hue" << QVariant(5);
    QTest::newRow("volume") << 0x06 << QByteArray::fromHex("7FFFFFFF") << "volume" << QVariant(0x7FFFFFFF);
    QTest::newRow("name without zero") << 0x10 << QByteArray("CAMERA A") << "name" << QVariant("CAMERA A");
    QTest::newRow("name in latin-1") << 0x10 << QByteArray("Kan\xe4l\0", 6) << "name" << QVariant(QString::fromLatin1("Kan\xe4l"));
    QTest::newRow("unknown item") << 0x11 << QByteArray("X") << "name" << QVariant("UNKNOWN CHANNEL");
}

void TestDevice_::channelRecordDefaultsAndItems()
{
    QFETCH(int, item);
    QFETCH(QByteArray, payload);
    QFETCH(QString, property);
    QFETCH(QVariant, expected);
    ChannelInfo channel;
    QCOMPARE(channel.name(), QStringLiteral("UNKNOWN CHANNEL"));
    QCOMPARE(channel.mode(), QStringLiteral("NULL"));
    QSignalSpy names(&channel, &ChannelInfo::nameChanged);
    channel.setName(QStringLiteral("UNKNOWN CHANNEL"));
    QCOMPARE(names.size(), 0); // setters signal changes only
    channel.applyItem(item, payload);
    QCOMPARE(channel.property(property.toLatin1().constData()), expected);
}

void TestDevice_::channelListBoundsAndListProperty()
{
    FakeDevice fake; // silent: the queries queue up behind the first
    QVERIFY(fake.listen());
    fake.setSilent(true);
    TestDevice device;
    QVERIFY(connectToFake(device, fake));
    ChannelList list;
    QCOMPARE(list.create(&device, -4).size(), 0);
    list.create(&device, 2);
    // A channel beyond the list, and an item above the name, change nothing.
    list.applyReply(0x0510, QByteArray("FIVE"));
    list.applyReply(0x0111, QByteArray("not an item"));
    list.applyReply(0x0110, QByteArray("ONE"));
    QCOMPARE(list.at(0)->name() + list.at(1)->name(), QStringLiteral("UNKNOWN CHANNELONE"));
    QTest::ignoreMessage(QtWarningMsg, "channel count 100000 limited to 256");
    QCOMPARE(list.create(&device, 100000).size(), ChannelList::MaxChannels); // appended to the first set
    QCOMPARE(list.at(257)->id(), 255);
    QCOMPARE(list.at(257)->parent(), &device);
    QVERIFY(list.at(258) == nullptr);
    QCOMPARE(device.socketHandler()->queuedCount() + 1, 2 * 258);
    auto property = list.listProperty(&device);
    QCOMPARE(property.count(&property), 258);
    QCOMPARE(property.at(&property, 1), list.at(1));
    property.append(&property, nullptr);
    ChannelInfo extra(&device);
    property.append(&property, &extra);
    QCOMPARE(list.size(), 259);
    property.clear(&property);
    QCOMPARE(list.size(), 0);
}

void TestDevice_::commands_data()
{
    QTest::addColumn<Twin>("call");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("cubrixSent"); // when it differs
    QTest::addColumn<QString>("warning");
    const QString dir = m_dir.path() + '/';
    QTest::newRow("key") << TWIN(dev.sendKey(D::MNCP_KEY_MENU)) << "0001/0020" << QString() << QString();
    QTest::newRow("rotary push 7") << TWIN(dev.sendRotary(0, 7)) << "0001/0047" << QString() << QString();
    QTest::newRow("rotary cw 3") << TWIN(dev.sendRotary(1, 3)) << "0001/0053" << QString() << QString();
    QTest::newRow("rotary ccw 0") << TWIN(dev.sendRotary(2, 0)) << "0001/0060" << QString() << QString();
    QTest::newRow("rotary type 5") << TWIN(dev.sendRotary(5, 3)) << "" << QString() << QString();
    QTest::newRow("load 1D box") << TWIN(dev.loadLut(D::LUT_TYPE_1D, D::LUT_FUNC_BOX, 3)) << "0302/0403" << QString() << QString();
    QTest::newRow("load 1D function 3") << TWIN(dev.loadLut(D::LUT_TYPE_1D, D::LutFunc(3), 1)) << "0303/0401" << "" << QString();
    QTest::newRow("load 1D function 4") << TWIN(dev.loadLut(D::LUT_TYPE_1D, D::LutFunc(4), 3)) << "0302/0403" << "" << QString();
    QTest::newRow("load 3D box is DIT") << TWIN(dev.loadLut(D::LUT_TYPE_3D, D::LUT_FUNC_BOX, 5)) << "0311/0405" << QString() << QString();
    QTest::newRow("load 3D calibration") << TWIN(dev.loadLut(D::LUT_TYPE_3D, D::LUT_FUNC_CALIBRATION, 15)) << "0310/040f" << QString() << QString();
    QTest::newRow("load type 5") << TWIN(dev.loadLut(D::LutType(5), D::LUT_FUNC_DIT, 3)) << "" << QString() << QString();
    QTest::newRow("on 3D DIT") << TWIN(dev.setLut(D::LUT_TYPE_3D, D::LUT_FUNC_DIT, 2, true)) << "0311/0102" << QString() << QString();
    QTest::newRow("off 1D calibration") << TWIN(dev.setLut(D::LUT_TYPE_1D, D::LUT_FUNC_CALIBRATION, 6, false)) << "0300/0006" << QString() << QString();
    QTest::newRow("on 3D box refused") << TWIN(dev.setLut(D::LUT_TYPE_3D, D::LUT_FUNC_BOX, 0, true)) << "" << QString() << QString();
    QTest::newRow("on type 2 refused") << TWIN(dev.setLut(D::LutType(2), D::LUT_FUNC_DIT, 0, true)) << "" << QString() << QString();
    QTest::newRow("tally off") << TWIN(dev.setTally(false, false)) << "0002/0100" << QString() << QString();
    QTest::newRow("tally both") << TWIN(dev.setTally(true, true)) << "0002/0103" << QString() << QString();
    QTest::newRow("tally green") << TWIN(dev.setTally(false, true)) << "0002/0102" << QString() << QString();
    QTest::newRow("umd latin-1") << TWIN(dev.setUMD(true, QStringLiteral("Cam \u00e91"))) << "0004/0101:43616d20e931" << QString() << QString();
    QTest::newRow("umd off") << TWIN(dev.setUMD(false, QStringLiteral("x"))) << "0004/0100" << QString() << QString();
    QTest::newRow("ip") << TWIN(dev.setUserIP("192.168.1.20", "255.255.255.0", "192.168.1.1"))
                        << "0500/0001:c0a80114ffffff00c0a80101" << QString() << QString();
    QTest::newRow("ip unparsable") << TWIN(dev.setUserIP("not-an-ip", "255.0.0.0", "1.2.3.4"))
                                   << "0500/0001:00000000ff00000001020304" << QString() << QString();
    QTest::newRow("ip without gateway") << TWIN(dev.setUserIP("10.0.0.1", "255.0.0.0", "")) << "" << QString() << QString();
    QTest::newRow("wifi empty") << TWIN(dev.setUserWIFI("", "")) << "0500/0004:3a" << QString() << QString();
    QTest::newRow("wifi") << TWIN(dev.setUserWIFI("studio", "pa:ss")) << "0500/0004:73747564696f3a70613a7373" << QString() << QString();
    QTest::newRow("wifi on, off") << TWIN(dev.setWiFi(true); dev.setWiFi(false)) << "0500/0002 0500/0003" << QString() << QString();
    for (const char *name : {"update.brec", "UPDATE.BREC", "update.bin", "update.brec.zip"}) {
        const QString brec = QString(name).endsWith(".brec", Qt::CaseInsensitive) ? "2" : "1";
        QTest::addRow("firmware %s", name) << TWIN(dev.updateFirmware(QUrl::fromLocalFile(dir + name)))
                                           << "0005/000" + brec + ":4649524d57415245" << QString() << QString();
    }
    QTest::newRow("firmware missing") << TWIN(dev.updateFirmware(QUrl::fromLocalFile(dir + "gone.bin"))) << "" << QString()
                                      << "Failed to open firmware file:";
    QTest::newRow("firmware empty") << TWIN(dev.updateFirmware(QUrl::fromLocalFile(dir + "empty.brec"))) << "" << QString()
                                    << "Firmware file is empty";
}

void TestDevice_::commands()
{
    QFETCH(Twin, call);
    QFETCH(QString, sent);
    QFETCH(QString, cubrixSent);
    QFETCH(QString, warning);
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    QCOMPARE(m_monitor->wireTextOf([&] { call.monitor(m_monitor->device); }), sent);
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    // The box is in no mode yet, so no state query follows a LUT command.
    QCOMPARE(m_cubrix->wireTextOf([&] { call.cubrix(m_cubrix->device); }), cubrixSent.isNull() ? sent : cubrixSent);
}

void TestDevice_::identityAndChannels_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("queries");
    QTest::newRow("monitor") << "monitor" << "0100/0000 0100/0001 0100/0002 0100/0003 0100/0004";
    // The box is never asked for its channel count; it sends it when it likes.
    QTest::newRow("cubrix") << "cubrix" << "0100/0000 0100/0001 0100/0002 0100/0004 0100/0005 0100/0006 0100/0007 0100/0009 "
                                           "0100/000a 0100/000e 0100/000f 0100/0008 0100/0011 0100/0014 0100/000b 0100/0012 "
                                           "0100/000c 0100/0010 0100/0013 0100/000d 0100/0015 0100/0016";
}

void TestDevice_::identityAndChannels()
{
    QFETCH(QString, kind);
    QFETCH(QString, queries);
    forKind(kind, [&](auto &box, int connectionQueries) {
        box.answer(0x0100, 0, QByteArray("KT-240\0junk", 11));
        box.answer(0x0100, 1, "2.4.1");
        box.answer(0x0100, 2, QByteArray("\0SER", 4));
        box.answer(0x0100, 4, Bytes::be32(4));
        box.answer(0x0101, 0x0010, QByteArray("SDI 1\0", 6));
        box.answer(0x0101, 0x0001, "1080p25");
        box.answer(0x0101, 0x0110, "SDI 2");
        QVERIFY(box.connectAndSettle(connectionQueries));
        QCOMPARE(wireText(box.fake), queries);
        QSignalSpy channelsChanged(&box.device, SIGNAL(channelsChanged()));
        box.fake.clearReceived();
        box.fake.send(FakeDevice::message(0x0100, 3, Bytes::be32(2)));
        QTRY_COMPARE_WITH_TIMEOUT(box.device.channelList().size(), 2, 5000);
        QVERIFY(box.waitIdle());
        QCOMPARE(wireText(box.fake), QStringLiteral("0101/0010 0101/0001 0101/0110 0101/0101"));
        QCOMPARE(channelsChanged.size(), 1);
        const QVariantMap expected{{"model", "KT-240"}, {"version", "2.4.1"}, {"serial", ""}, {"port_num", 4},
                                   {"channel_num", 2}, {"protocol_major", 1}, {"protocol_minor", 6}};
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(box.device.property(it.key().toLatin1()).toString(), it.value().toString());
        const ChannelList &channels = box.device.channelList();
        QCOMPARE(channels.at(0)->name() + channels.at(0)->mode(), QStringLiteral("SDI 11080p25"));
        QCOMPARE(channels.at(1)->name() + channels.at(1)->mode(), QStringLiteral("SDI 2NULL"));
        QCOMPARE(channels.at(1)->parent(), &box.device);
        auto list = box.device.channels();
        QCOMPARE(list.count(&list), 2);
    });
}

void TestDevice_::disconnectResetsWhatWasLearned_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QVariantMap>("reset"); // what the kind itself resets, besides what both do
    QTest::newRow("monitor") << "monitor" << QVariantMap{{"dit3dlut_size", 17}, {"dit3dlut_inbit", 10}, {"dit1dlut_outbit", 10}};
    QTest::newRow("cubrix") << "cubrix" << QVariantMap{{"box_mode", 0}, {"box_ch", 0}, {"cube_bit_def", 3},
                                                      {"box_lut_interpolation", 1}, {"box_anci", 1}};
}

void TestDevice_::disconnectResetsWhatWasLearned()
{
    QFETCH(QString, kind);
    QFETCH(QVariantMap, reset);
    forKind(kind, [&](auto &box, int connectionQueries) {
        box.answer(0x0100, 0, "Model");
        box.answer(0x0100, 4, Bytes::be32(2));
        box.answer(0x0100, 5, Bytes::be16({2, 2}));
        box.answer(0x0100, 21, Bytes::be16({1, 3}));
        box.answer(0x0100, 22, Bytes::be32(2));
        QVERIFY(box.connectAndSettle(connectionQueries));
        box.fake.send(FakeDevice::message(0x0100, 3, Bytes::be32(1)));
        QTRY_VERIFY_WITH_TIMEOUT(box.device.channelList().size() == 1 && box.idle(), 5000);
        deliver(box.device, 0x0311, 0x0400, Bytes::le32({12, 12, 33}));
        deliver(box.device, 0x0301, 0x0400, Bytes::le32({12, 12}));
        box.device.setProperty("cube_bit_def", 1);
        for (auto it = reset.cbegin(); it != reset.cend(); ++it)
            QVERIFY2(box.device.property(it.key().toLatin1()) != it.value() || it.key() == "box_anci", qPrintable(it.key()));

        QSignalSpy destroyChannel(&box.device, SIGNAL(destroyChannel()));
        QSignalSpy channelsChanged(&box.device, SIGNAL(channelsChanged()));
        QSignalSpy models(&box.device, SIGNAL(modelChanged()));
        QSignalSpy states(&box.device, SIGNAL(stateChanged(QTcpSocket::SocketState)));
        box.fake.dropClient();
        QTRY_COMPARE_WITH_TIMEOUT(box.device.state(), QAbstractSocket::UnconnectedState, 5000);
        reset.insert("model", "");
        reset.insert("port_num", 0);
        reset.insert("channel_num", 0);
        for (auto it = reset.cbegin(); it != reset.cend(); ++it)
            QCOMPARE(box.device.property(it.key().toLatin1()).toString(), it.value().toString());
        QCOMPARE(box.device.channelList().size(), 0);
        QCOMPARE(destroyChannel.size(), 1);
        QCOMPARE(channelsChanged.size(), 0);
        QCOMPARE(models.size(), 1);
        QCOMPARE(states.last().first().value<QAbstractSocket::SocketState>(), QAbstractSocket::UnconnectedState);
    });
}

QTEST_MAIN(TestDevice_)
#include "tst_device.moc"
