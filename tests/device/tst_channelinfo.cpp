#include "device/channellist.h"
#include "fakedevice.h"
#include "testdevice.h"

#include <QSignalSpy>
#include <QtTest>

class TestChannelInfo : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void settersEmitOnlyOnChange();
    void replyItems_data();
    void replyItems();
    void shortNumericReplyIgnored();
    void replyBeyondListIgnored();
    void createQueuesNameThenModeQueries();
    void createIsBounded();
    void listPropertyCallbacks();
};

void TestChannelInfo::defaults()
{
    ChannelInfo channel;
    QCOMPARE(channel.name(), QStringLiteral("UNKNOWN CHANNEL"));
    QCOMPARE(channel.mode(), QStringLiteral("NULL"));
    QCOMPARE(channel.id(), 0);
    QCOMPARE(channel.volume(), 0);
}

void TestChannelInfo::settersEmitOnlyOnChange()
{
    ChannelInfo channel;
    QSignalSpy names(&channel, &ChannelInfo::nameChanged);
    QSignalSpy hues(&channel, &ChannelInfo::hueChanged);
    channel.setName(QStringLiteral("UNKNOWN CHANNEL"));
    channel.setName(QStringLiteral("SDI 1"));
    channel.setName(QStringLiteral("SDI 1"));
    channel.setHue(0);
    channel.setHue(-7);
    QCOMPARE(names.size(), 1);
    QCOMPARE(hues.size(), 1);
    QCOMPARE(channel.hue(), -7);
}

void TestChannelInfo::replyItems_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("port") << 0x00 << QByteArray::fromHex("00000003") << "port" << QVariant(3);
    QTest::newRow("mode with zero") << 0x01 << QByteArray("1080p50\0xx", 10) << "mode" << QVariant("1080p50");
    QTest::newRow("bright negative") << 0x02 << QByteArray::fromHex("FFFFFFFE") << "bright" << QVariant(-2);
    QTest::newRow("contrast") << 0x03 << QByteArray::fromHex("00000100") << "contrast" << QVariant(256);
    QTest::newRow("chroma") << 0x04 << QByteArray::fromHex("0000002A") << "chroma" << QVariant(42);
    QTest::newRow("hue extra bytes") << 0x05 << QByteArray::fromHex("0000000599") << "hue" << QVariant(5);
    QTest::newRow("volume") << 0x06 << QByteArray::fromHex("7FFFFFFF") << "volume" << QVariant(0x7FFFFFFF);
    QTest::newRow("name without zero") << 0x10 << QByteArray("CAMERA A") << "name" << QVariant("CAMERA A");
    QTest::newRow("name latin1") << 0x10 << QByteArray("Kan\xe4l\0", 6) << "name" << QVariant(QString::fromLatin1("Kan\xe4l"));
}

void TestChannelInfo::replyItems()
{
    QFETCH(int, item);
    QFETCH(QByteArray, payload);
    QFETCH(QString, property);
    QFETCH(QVariant, expected);
    ChannelInfo channel;
    channel.applyItem(item, payload);
    QCOMPARE(channel.property(property.toLatin1().constData()), expected);
}

void TestChannelInfo::shortNumericReplyIgnored()
{
    ChannelInfo channel;
    channel.setBright(9);
    channel.applyItem(0x02, QByteArray::fromHex("0001"));
    QCOMPARE(channel.bright(), 9);
    channel.applyItem(0x07, QByteArray::fromHex("00000001"));
    channel.applyItem(0x11, QByteArray("X"));
    QCOMPARE(channel.name(), QStringLiteral("UNKNOWN CHANNEL"));
}

void TestChannelInfo::replyBeyondListIgnored()
{
    TestDevice device;
    ChannelList list;
    list.create(&device, 2);
    list.applyReply(0x0510, QByteArray("FIVE"));
    list.applyReply(0x0110, QByteArray("ONE"));
    list.applyReply(0x0111, QByteArray("not an item"));
    QCOMPARE(list.at(1)->name(), QStringLiteral("ONE"));
    QCOMPARE(list.at(0)->name(), QStringLiteral("UNKNOWN CHANNEL"));
    QVERIFY(list.at(5) == nullptr);
}

void TestChannelInfo::createQueuesNameThenModeQueries()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    TestDevice device(fake.port());
    device.setAddress(fake.address());
    device.deviceConnect();
    QTRY_COMPARE_WITH_TIMEOUT(device.state(), QAbstractSocket::ConnectedState, 5000);
    ChannelList list;
    list.create(&device, 2);
    QVERIFY(fake.waitForCommands(4));
    QList<quint16> requests;
    for (const auto &cmd : fake.received()) {
        QCOMPARE(cmd.protocol, quint16(0x0101));
        requests << cmd.request;
    }
    QCOMPARE(requests, (QList<quint16>{0x0010, 0x0001, 0x0110, 0x0101}));
    QCOMPARE(list.at(1)->id(), 1);
    QCOMPARE(list.at(1)->parent(), &device);
}

void TestChannelInfo::createIsBounded()
{
    TestDevice device;
    ChannelList list;
    QCOMPARE(list.create(&device, -4).size(), 0);
    QCOMPARE(list.size(), 0);
    QTest::ignoreMessage(QtWarningMsg, "channel count 100000 limited to 256");
    QCOMPARE(list.create(&device, 100000).size(), ChannelList::MaxChannels);
    QCOMPARE(list.size(), 256);
    QCOMPARE(list.at(255)->id(), 255);
    // A second count reply appends another set rather than replacing the first.
    list.create(&device, 1);
    QCOMPARE(list.size(), 257);
}

void TestChannelInfo::listPropertyCallbacks()
{
    TestDevice device;
    ChannelList list;
    list.create(&device, 2);
    auto property = list.listProperty(&device);
    QCOMPARE(property.count(&property), 2);
    QCOMPARE(property.at(&property, 1), list.at(1));
    property.append(&property, nullptr);
    QCOMPARE(list.size(), 2);
    ChannelInfo extra(&device);
    property.append(&property, &extra);
    QCOMPARE(list.size(), 3);
    property.clear(&property);
    QCOMPARE(list.size(), 0);
}

QTEST_GUILESS_MAIN(TestChannelInfo)
#include "tst_channelinfo.moc"
