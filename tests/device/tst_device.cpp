#include "bytes.h"
#include "cubrix/cubrix.h"
#include "deviceharness.h"
#include "logcapture.h"
#include "monitor/monitor.h"
#include "simprocess.h"
#include "testdevice.h"

#include <QMetaEnum>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// What both device kinds share: the device base, the channel records, and the commands,
// identity, channels and reset of a Monitor and a Cubrix on a loopback connection.
struct Twin {
    std::function<void(Monitor &)> monitor;
    std::function<void(Cubrix &)> cubrix;
};
Q_DECLARE_METATYPE(Twin)
// One call written once for both kinds; D names the device class in `body`.
#define TWIN(body) Twin{[=](Monitor &dev) { using D = Monitor; body; }, [=](Cubrix &dev) { using D = Cubrix; body; }}

class TestDevice_ : public QObject
{
    Q_OBJECT
    DebugLines m_debugLines; // the texts of some debug lines are behaviour
    QTemporaryDir m_dir;
    DeviceHarness<Monitor> m_monitor;
    DeviceHarness<Cubrix> m_cubrix;
private slots:
    void initTestCase()
    {
        for (const char *name : {"update.brec", "UPDATE.BREC", "update.bin", "update.brec.zip", "empty.brec"}) {
            QFile file(m_dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(name).startsWith("empty") ? "" : "FIRMWARE") >= 0);
        }
        QVERIFY(m_monitor.connectAndSettle(5) && m_cubrix.connectAndSettle(3 + 19));
    }

    void addressAndKeyCodes()
    {
        TestDevice device;
        QSignalSpy spy(&device, &DeviceBase::addressChanged);
        device.setAddress(QStringLiteral("127.0.0.1"));
        device.setAddress(QStringLiteral("127.0.0.1"));
        QVERIFY(device.setProperty("address", QStringLiteral("127.0.0.2")) && spy.size() == 2);
        // Key codes as QML names them, through either device type.
        QCOMPARE(Cubrix::staticMetaObject.enumerator(Cubrix::staticMetaObject.indexOfEnumerator("mncp_key_code")).keyToValue("MNCP_KEY_LUT_INTERPOLATION_2"), 145);
        QCOMPARE(QMetaEnum::fromType<DeviceBase::mncp_key_code>().keyToValue("MNCP_KEY_ROTARY_CCW0"), 96);
    }

    void queueAcrossConnections()
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
        fake.setSilent(true);
        for (quint16 request : {0, 1, 2})
            device.appendCmd(0x0100, request);
        QVERIFY(fake.waitForCommands(2));
        device.deviceDisconnect(); // what waits is dropped, as asked, without a warning
        QVERIFY(fake.waitForDisconnect());
        fake.setSilent(false);
        QVERIFY(connectToFake(device, fake));
        device.appendCmd(0x0100, 0x0004);
        QVERIFY(fake.waitForCommands(3));
        QTest::qWait(50);
        QCOMPARE(wireText(fake), QStringLiteral("0101/0110:70 0100/0000 0100/0004"));
    }

    void stateChangesAreForwardedAndUnconnectedLogged()
    {
        // A port nobody listens on: the attempt just ends, with no error signal.
        TestDevice device(SimProcess::freePort(QStringLiteral("127.0.0.1")));
        device.setAddress(QStringLiteral("127.0.0.1"));
        QSignalSpy states(&device, &DeviceBase::stateChanged), errors(&device, &DeviceBase::commError), readErrors(&device, &DeviceBase::socketReadException);
        LogCapture log(QtDebugMsg);
        device.deviceConnect();
        QTRY_COMPARE_WITH_TIMEOUT(device.state(), QAbstractSocket::UnconnectedState, 5000);
        QVERIFY(states.size() >= 2 && errors.size() + readErrors.size() == 0);
        QCOMPARE(states.last().first().value<QAbstractSocket::SocketState>(), QAbstractSocket::UnconnectedState);
        QCOMPARE(log.lines().filter("State Disconnected"), QStringList{"DeviceBase::  State Disconnected socketStateChanged \n"});
    }

    // A new address counts once the device has answered it; refused, or with the connection
    // gone first, it is reported with the reason and the connection (if any) stays.
    void addressChangeRefusedOrUnanswered()
    {
        FakeDevice fake;
        QVERIFY(fake.listen());
        fake.setResponder([](const FakeDevice::Command &cmd) { return FakeDevice::errorReply(cmd.protocol, cmd.request, 3); });
        TestDevice device;
        QVERIFY(connectToFake(device, fake));
        QSignalSpy set(&device, &DeviceBase::userAddressSet), failed(&device, &DeviceBase::userAddressFailed);
        device.setUserIP("127.0.0.9", "255.0.0.0", "127.0.0.1");
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 5000);
        QVERIFY(failed.at(0).at(0) == "127.0.0.9" && !failed.at(0).at(1).toString().isEmpty() && device.state() == QAbstractSocket::ConnectedState);
        fake.setSilent(true);
        device.setUserIP("127.0.0.8", "255.0.0.0", "127.0.0.1");
        QVERIFY(fake.waitForCommands(2));
        fake.dropClient();
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 2, 5000);
        QCOMPARE(failed.at(1), (QList<QVariant>{"127.0.0.8", "the connection ended before the device answered"}));
        QVERIFY(set.isEmpty() && failed.at(0).at(1) != failed.at(1).at(1));
    }

    void channelRecordItems_data()
    {
        QTest::addColumn<int>("item"); QTest::addColumn<QByteArray>("payload"); QTest::addColumn<QString>("property"); QTest::addColumn<QVariant>("value");
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
    void channelRecordItems()
    {
        QFETCH(int, item); QFETCH(QByteArray, payload); QFETCH(QString, property); QFETCH(QVariant, value);
        ChannelInfo channel;
        QCOMPARE(channel.name() + channel.mode(), QStringLiteral("UNKNOWN CHANNELNULL"));
        QSignalSpy names(&channel, &ChannelInfo::nameChanged);
        channel.setName(QStringLiteral("UNKNOWN CHANNEL")); // setters signal changes only
        channel.applyItem(item, payload);
        QCOMPARE(channel.property(property.toLatin1()), value);
        QCOMPARE(names.size(), int(property == "name" && item == 0x10));
    }

    void channelListBoundsAndListProperty()
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
        QVERIFY(list.at(257)->id() == 255 && list.at(257)->parent() == &device && list.at(258) == nullptr);
        QCOMPARE(device.socketHandler()->queuedCount() + 1, 2 * 258);
        auto property = list.listProperty(&device);
        QVERIFY(property.count(&property) == 258 && property.at(&property, 1) == list.at(1));
        property.append(&property, nullptr);
        ChannelInfo extra(&device);
        property.append(&property, &extra);
        QCOMPARE(list.size(), 259);
        property.clear(&property);
        QCOMPARE(list.size(), 0);
    }

    void commands_data()
    {
        QTest::addColumn<Twin>("call"); QTest::addColumn<QString>("sent"); QTest::addColumn<QString>("cubrixSent"); // when it differs
        const QString dir = m_dir.path() + '/';
        const auto row = [](const char *name, const Twin &call, const QString &sent, const QString &cubrixSent = QString()) {
            QTest::newRow(name) << call << sent << cubrixSent;
        };
        row("key", TWIN(dev.sendKey(D::MNCP_KEY_MENU)), "0001/0020");
        row("rotary push, cw, ccw, type 5", TWIN(dev.sendRotary(0, 7); dev.sendRotary(1, 3); dev.sendRotary(2, 0); dev.sendRotary(5, 3)), "0001/0047 0001/0053 0001/0060");
        row("load 1D box", TWIN(dev.loadLut(D::LUT_TYPE_1D, D::LUT_FUNC_BOX, 3)), "0302/0403");
        row("load 1D function 3", TWIN(dev.loadLut(D::LUT_TYPE_1D, D::LutFunc(3), 1)), "0303/0401", "");
        row("load 1D function 4", TWIN(dev.loadLut(D::LUT_TYPE_1D, D::LutFunc(4), 3)), "0302/0403", "");
        row("load 3D box is DIT", TWIN(dev.loadLut(D::LUT_TYPE_3D, D::LUT_FUNC_BOX, 5)), "0311/0405");
        row("load 3D calibration", TWIN(dev.loadLut(D::LUT_TYPE_3D, D::LUT_FUNC_CALIBRATION, 15)), "0310/040f");
        row("load type 5", TWIN(dev.loadLut(D::LutType(5), D::LUT_FUNC_DIT, 3)), "");
        row("on 3D DIT", TWIN(dev.setLut(D::LUT_TYPE_3D, D::LUT_FUNC_DIT, 2, true)), "0311/0102");
        row("off 1D calibration", TWIN(dev.setLut(D::LUT_TYPE_1D, D::LUT_FUNC_CALIBRATION, 6, false)), "0300/0006");
        row("on 3D box, type 2 refused", TWIN(dev.setLut(D::LUT_TYPE_3D, D::LUT_FUNC_BOX, 0, true); dev.setLut(D::LutType(2), D::LUT_FUNC_DIT, 0, true)), "");
        row("tally", TWIN(dev.setTally(false, false); dev.setTally(true, true); dev.setTally(false, true)), "0002/0100 0002/0103 0002/0102");
        row("umd in latin-1, off", TWIN(dev.setUMD(true, QStringLiteral("Cam \u00e91")); dev.setUMD(false, "x")), "0004/0101:43616d20e931 0004/0100");
        row("ip", TWIN(dev.setUserIP("192.168.1.20", "255.255.255.0", "192.168.1.1")), "0500/0001:c0a80114ffffff00c0a80101");
        row("ip unparsable, no gateway", TWIN(dev.setUserIP("not-an-ip", "255.0.0.0", "1.2.3.4"); dev.setUserIP("10.0.0.1", "255.0.0.0", "")),
            "0500/0001:00000000ff00000001020304");
        row("wifi", TWIN(dev.setUserWIFI("", ""); dev.setUserWIFI("studio", "pa:ss"); dev.setWiFi(true); dev.setWiFi(false)),
            "0500/0004:3a 0500/0004:73747564696f3a70613a7373 0500/0002 0500/0003");
        row("firmware by name", TWIN(for (const char *name : {"update.brec", "UPDATE.BREC", "update.bin", "update.brec.zip"})
                                         dev.updateFirmware(QUrl::fromLocalFile(dir + name))),
            "0005/0002:4649524d57415245 0005/0002:4649524d57415245 0005/0001:4649524d57415245 0005/0001:4649524d57415245");
        // Neither an empty image (that would read as a completed update) nor a missing one goes out.
        row("firmware empty, missing", TWIN(dev.updateFirmware(QUrl::fromLocalFile(dir + "empty.brec")); dev.updateFirmware(QUrl::fromLocalFile(dir + "gone"))), "");
    }
    void commands()
    {
        QFETCH(Twin, call); QFETCH(QString, sent); QFETCH(QString, cubrixSent);
        LogCapture quiet; // refusals warn
        QCOMPARE(m_monitor.wireTextOf([&] { call.monitor(m_monitor.device); }), sent);
        // The box is in no mode yet, so no state query follows a LUT command.
        QCOMPARE(m_cubrix.wireTextOf([&] { call.cubrix(m_cubrix.device); }), cubrixSent.isNull() ? sent : cubrixSent);
        QCOMPARE(quiet.lines().filter("Firmware not sent: ").size(), QTest::currentDataTag() == QLatin1String("firmware empty, missing") ? 4 : 0);
        // Once it has taken a new address a device ends the connection: the next row connects again.
        const auto stayConnected = [](auto &box, int connectionQueries) {
            return box.device.state() == QAbstractSocket::ConnectedState
                   || (waitUntil([&] { return box.device.state() == QAbstractSocket::UnconnectedState; }) && box.connectAndSettle(connectionQueries));
        };
        QVERIFY(stayConnected(m_monitor, 5) && stayConnected(m_cubrix, 3 + 19));
    }

    void identityChannelsAndReset_data()
    {
        QTest::addColumn<QString>("kind"); QTest::addColumn<QString>("queries"); QTest::addColumn<QVariantMap>("reset"); // besides what both reset
        QTest::newRow("monitor") << "monitor" << "0100/0000 0100/0001 0100/0002 0100/0003 0100/0004"
                                 << QVariantMap{{"dit3dlut_size", 17}, {"dit3dlut_inbit", 10}, {"dit1dlut_outbit", 10}};
        // The box is never asked for its channel count; it sends it when it likes.
        QTest::newRow("cubrix") << "cubrix" << "0100/0000 0100/0001 0100/0002 0100/0004 0100/0005 0100/0006 0100/0007 0100/0009 0100/000a 0100/000e "
                                               "0100/000f 0100/0008 0100/0011 0100/0014 0100/000b 0100/0012 0100/000c 0100/0010 0100/0013 0100/000d 0100/0015 0100/0016"
                                << QVariantMap{{"box_mode", 0}, {"box_ch", 0}, {"cube_bit_def", 3}, {"box_lut_interpolation", 1}, {"box_anci", 1}};
    }
    void identityChannelsAndReset()
    {
        QFETCH(QString, kind); QFETCH(QString, queries); QFETCH(QVariantMap, reset);
        const auto test = [&](auto &box, int connectionQueries) {
            for (const auto &answer : QList<QPair<int, QByteArray>>{{0, QByteArray("KT-240\0junk", 11)}, {1, "2.4.1"}, {2, QByteArray("\0SER", 4)},
                                                                    {4, Bytes::be32(4)}, {5, Bytes::be16({2, 2})}, {21, Bytes::be16({1, 3})}, {22, Bytes::be32(2)}})
                box.answer(0x0100, quint16(answer.first), answer.second);
            box.answer(0x0101, 0x0010, QByteArray("SDI 1\0", 6));
            box.answer(0x0101, 0x0001, "1080p25");
            box.answer(0x0101, 0x0110, "SDI 2");
            QVERIFY(box.connectAndSettle(connectionQueries));
            QCOMPARE(wireText(box.fake), queries);
            QSignalSpy channelsChanged(&box.device, SIGNAL(channelsChanged()));
            box.fake.clearReceived();
            box.fake.send(FakeDevice::message(0x0100, 3, Bytes::be32(2)));
            QTRY_VERIFY_WITH_TIMEOUT(box.device.channelList().size() == 2 && box.idle(), 5000);
            QCOMPARE(wireText(box.fake), QStringLiteral("0101/0010 0101/0001 0101/0110 0101/0101"));
            QStringList values;
            for (const char *name : {"model", "version", "serial", "port_num", "channel_num", "protocol_major", "protocol_minor"})
                values << box.device.property(name).toString();
            QCOMPARE(values.join(','), QStringLiteral("KT-240,2.4.1,,4,2,1,6"));
            const ChannelList &channels = box.device.channelList();
            QCOMPARE(channels.at(0)->name() + channels.at(0)->mode() + channels.at(1)->name() + channels.at(1)->mode(), QStringLiteral("SDI 11080p25SDI 2NULL"));
            auto list = box.device.channels();
            QVERIFY(channels.at(1)->parent() == &box.device && list.count(&list) == 2 && channelsChanged.size() == 1);

            // What was learnt is forgotten when the connection ends.
            deliver(box.device, 0x0311, 0x0400, Bytes::le32({12, 12, 33}));
            deliver(box.device, 0x0301, 0x0400, Bytes::le32({12, 12}));
            box.device.setProperty("cube_bit_def", 1);
            for (auto it = reset.cbegin(); it != reset.cend(); ++it)
                QVERIFY2(box.device.property(it.key().toLatin1()) != it.value() || it.key() == "box_anci", qPrintable(it.key()));
            QSignalSpy destroyChannel(&box.device, SIGNAL(destroyChannel())), models(&box.device, SIGNAL(modelChanged()));
            QSignalSpy states(&box.device, SIGNAL(stateChanged(QTcpSocket::SocketState)));
            box.fake.dropClient();
            QTRY_COMPARE_WITH_TIMEOUT(box.device.state(), QAbstractSocket::UnconnectedState, 5000);
            reset.insert("model", "");
            reset.insert("port_num", 0);
            reset.insert("channel_num", 0);
            for (auto it = reset.cbegin(); it != reset.cend(); ++it)
                QCOMPARE(box.device.property(it.key().toLatin1()).toString(), it.value().toString());
            QVERIFY(box.device.channelList().size() == 0 && destroyChannel.size() == 1 && models.size() == 1 && channelsChanged.size() == 1);
            QCOMPARE(states.last().first().value<QAbstractSocket::SocketState>(), QAbstractSocket::UnconnectedState);
        };
        if (kind == "monitor") {
            DeviceHarness<Monitor> box;
            test(box, 5);
        } else {
            DeviceHarness<Cubrix> box;
            test(box, 3 + 19);
        }
    }
};

QTEST_MAIN(TestDevice_)
#include "tst_device.moc"
