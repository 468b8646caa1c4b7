#include "faulthelpers.h"

#include "cubrix/cubrix.h"
#include "fakedevice.h"
#include "monitor/monitor.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtEndian>
#include <QtTest>
#include <memory>

// Replies cut into single bytes, and headers the program must refuse: a wrong CRC and a wrong
// version each end in one comm error while the device is still connected, then the disconnect.
class TestFaultsFraming : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void monitorIdentityOneByteAtATime();
    void cubrixStateOneByteAtATime();
    void everyReplyByteReadOnItsOwn();
    void badCrcReportsThenDisconnects_data();
    void badCrcReportsThenDisconnects();
    void wrongVersionReportsThenDisconnects_data();
    void wrongVersionReportsThenDisconnects();

private:
    QTemporaryDir m_temp;
};

namespace {
std::unique_ptr<DeviceBase> makeDevice(const QString &role)
{
    if (role == QLatin1String("cubrix"))
        return std::make_unique<Cubrix>();
    return std::make_unique<Monitor>();
}

// Records, for each comm error, the connection state at the moment the signal came.
struct CommErrorLog {
    explicit CommErrorLog(DeviceBase &device)
    {
        QObject::connect(&device, &DeviceBase::commError, [this, &device](int protocol, int request, int status) {
            entries.append({protocol, request, status, device.state()});
        });
    }
    struct Entry {
        int protocol;
        int request;
        int status;
        QAbstractSocket::SocketState stateThen;
    };
    QList<Entry> entries;
};
} // namespace

void TestFaultsFraming::initTestCase()
{
    QVERIFY(m_temp.isValid());
    qputenv("TMPDIR", m_temp.path().toUtf8());
}

void TestFaultsFraming::monitorIdentityOneByteAtATime()
{
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"), QStringLiteral("rv"),
                       QStringLiteral("--chunk"), QStringLiteral("1")}));
    Monitor monitor;
    int reads = 0;
    QObject::connect(&monitor.socketHandler()->socket(), &QTcpSocket::readyRead, [&reads] { ++reads; });
    QSignalSpy commErrors(&monitor, &DeviceBase::commError);
    QSignalSpy readErrors(&monitor, &DeviceBase::socketReadException);
    Faults::connectTo(monitor, sim);
    QVERIFY(Faults::waitHandlingEachEvent(
        [&] { return monitor.channelNum() == 3 && monitor.channelList().size() == 3 && Faults::transportIdle(monitor); },
        30000));
    // The values of the simulator's "rv" preset, each reassembled from single bytes.
    QCOMPARE(monitor.model(), QStringLiteral("RV-3100"));
    QCOMPARE(monitor.version(), QStringLiteral("2.8.0"));
    QCOMPARE(monitor.serial(), QStringLiteral("RV31A00427"));
    QCOMPARE(monitor.portNum(), 3);
    QCOMPARE(monitor.channelList().at(0)->name(), QStringLiteral("SDI 1"));
    QCOMPARE(monitor.channelList().at(1)->name(), QStringLiteral("SDI 2"));
    QCOMPARE(monitor.channelList().at(2)->name(), QStringLiteral("HDMI"));
    QCOMPARE(monitor.channelList().at(2)->mode(), QStringLiteral("1920x1080p 25"));
    QCOMPARE(commErrors.size(), 0);
    QCOMPARE(readErrors.size(), 0);
    // The replies came in more reads than there were replies. (The simulator's one-byte pieces
    // are merged again by TCP on the way; the test below reads single bytes for certain.)
    QVERIFY2(reads > Faults::loggedCommands(sim).size(), qPrintable(QString::number(reads)));
}

void TestFaultsFraming::cubrixStateOneByteAtATime()
{
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--role"), QStringLiteral("cubrix"), QStringLiteral("--chunk"), QStringLiteral("1")}));
    Cubrix cubrix;
    int reads = 0;
    QObject::connect(&cubrix.socketHandler()->socket(), &QTcpSocket::readyRead, [&reads] { ++reads; });
    QSignalSpy commErrors(&cubrix, &DeviceBase::commError);
    Faults::connectTo(cubrix, sim);
    QVERIFY(Faults::waitHandlingEachEvent(
        [&] { return cubrix.property("box_mode").toInt() == 1 && Faults::transportIdle(cubrix); }, 60000));
    QCOMPARE(cubrix.property("model").toString(), QStringLiteral("Cubrix"));
    QCOMPARE(cubrix.property("version").toString(), QStringLiteral("2.3.0"));
    QCOMPARE(cubrix.property("serial").toString(), QStringLiteral("CBX2300571"));
    QCOMPARE(commErrors.size(), 0);
    QVERIFY2(reads > Faults::loggedCommands(sim).size(), qPrintable(QString::number(reads)));
}

void TestFaultsFraming::everyReplyByteReadOnItsOwn()
{
    // A device end that sends each reply byte in its own segment (no Nagle merging) and waits
    // until the program has read it before sending the next.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
    Monitor monitor;
    int reads = 0;
    QObject::connect(&monitor.socketHandler()->socket(), &QTcpSocket::readyRead, [&reads] { ++reads; });
    QSignalSpy commErrors(&monitor, &DeviceBase::commError);
    monitor.setPort(server.serverPort());
    monitor.setAddress(QStringLiteral("127.0.0.1"));
    monitor.deviceConnect();
    QVERIFY(server.waitForNewConnection(5000));
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
    peer->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QTRY_COMPARE_WITH_TIMEOUT(monitor.state(), QAbstractSocket::ConnectedState, 5000);

    const auto reply = [](quint16 protocol, quint16 request) -> QByteArray {
        if (protocol == 0x0100 && request == 0)
            return FakeDevice::message(protocol, request, QByteArray("KT-2400\0", 8));
        if (protocol == 0x0100 && request == 2)
            return FakeDevice::message(protocol, request, QByteArray("KT24A00317", 10));
        if (protocol == 0x0100 && request == 3)
            return FakeDevice::message(protocol, request, QByteArray("\0\0\0\x02", 4));
        if (protocol == 0x0101 && (request & 0xFF) == 0x10)
            return FakeDevice::message(protocol, request, request >> 8 ? QByteArray("DVI") : QByteArray("SDI\0"));
        return FakeDevice::message(protocol, request); // no payload
    };
    QByteArray inbox;
    int replyBytes = 0;
    for (int answered = 0; answered < 9; ++answered) {
        QVERIFY(Faults::waitHandlingEachEvent(
            [&] {
                inbox += peer->readAll();
                return inbox.size() >= 12;
            },
            5000));
        const auto *raw = reinterpret_cast<const uchar *>(inbox.constData());
        const quint16 protocol = qFromBigEndian<quint16>(raw + 4);
        const quint16 request = qFromBigEndian<quint16>(raw + 6);
        inbox.remove(0, 12);
        const QByteArray bytes = reply(protocol, request);
        replyBytes += bytes.size();
        for (char byte : bytes) {
            const int readsBefore = reads;
            peer->write(&byte, 1);
            peer->flush();
            QVERIFY(Faults::waitHandlingEachEvent([&] { return reads > readsBefore; }, 5000));
        }
    }
    // Five identity queries, then name and mode of two channels.
    QTRY_VERIFY_WITH_TIMEOUT(Faults::transportIdle(monitor), 5000);
    QCOMPARE(reads, replyBytes);
    QCOMPARE(monitor.model(), QStringLiteral("KT-2400"));
    QCOMPARE(monitor.serial(), QStringLiteral("KT24A00317"));
    QCOMPARE(monitor.channelList().size(), 2);
    QCOMPARE(monitor.channelList().at(0)->name(), QStringLiteral("SDI"));
    QCOMPARE(monitor.channelList().at(1)->name(), QStringLiteral("DVI"));
    QCOMPARE(commErrors.size(), 0);
}

void TestFaultsFraming::badCrcReportsThenDisconnects_data()
{
    QTest::addColumn<QString>("role");
    QTest::newRow("monitor") << QStringLiteral("monitor");
    QTest::newRow("cubrix") << QStringLiteral("cubrix");
}

void TestFaultsFraming::badCrcReportsThenDisconnects()
{
    QFETCH(QString, role);
    SimProcess sim;
    // The serial number query is the third identity query of both device kinds.
    QVERIFY(sim.start({QStringLiteral("--role"), role, QStringLiteral("--bad-crc"), QStringLiteral("0x0100:2")}));
    std::unique_ptr<DeviceBase> device = makeDevice(role);
    CommErrorLog log(*device);
    QSignalSpy protocolErrors(device.get(), &DeviceBase::protocolError);
    Faults::connectTo(*device, sim);
    QTRY_COMPARE_WITH_TIMEOUT(log.entries.size(), 1, 10000);
    QCOMPARE(log.entries.at(0).status, -1);
    // A header that failed its CRC is reported with its fields as they came off the wire.
    QCOMPARE(log.entries.at(0).protocol, 0x0001);
    QCOMPARE(log.entries.at(0).request, 0x0200);
    QCOMPARE(log.entries.at(0).stateThen, QAbstractSocket::ConnectedState);
    QTRY_COMPARE_WITH_TIMEOUT(device->state(), QAbstractSocket::UnconnectedState, 5000);
    QTest::qWait(100);
    QCOMPARE(log.entries.size(), 1);
    QCOMPARE(protocolErrors.size(), 0);
    QVERIFY(sim.isRunning());
    QVERIFY(sim.waitForLog(QStringLiteral("fault: reply with a bad CRC")));
}

void TestFaultsFraming::wrongVersionReportsThenDisconnects_data()
{
    QTest::addColumn<QString>("role");
    QTest::newRow("monitor") << QStringLiteral("monitor");
    QTest::newRow("cubrix") << QStringLiteral("cubrix");
}

void TestFaultsFraming::wrongVersionReportsThenDisconnects()
{
    QFETCH(QString, role);
    // The simulator has no wrong-version fault: a fake device answers the serial query with a
    // version 0x0105 header whose CRC is right.
    FakeDevice fake;
    QVERIFY(fake.listen());
    fake.setResponder([](const FakeDevice::Command &command) {
        if (command.protocol == 0x0100 && command.request == 2)
            return FakeDevice::header(0x0100, 2, 0, 0x0105);
        if (command.protocol == 0x0100 && command.request == 0)
            return FakeDevice::message(0x0100, 0, QByteArray("Model\0", 6));
        return FakeDevice::message(command.protocol, command.request);
    });
    std::unique_ptr<DeviceBase> device = makeDevice(role);
    CommErrorLog log(*device);
    device->setPort(fake.port());
    device->setAddress(fake.address());
    device->deviceConnect();
    QTRY_COMPARE_WITH_TIMEOUT(log.entries.size(), 1, 10000);
    QCOMPARE(log.entries.at(0).status, -2);
    // A version error is reported with the fields already in host order.
    QCOMPARE(log.entries.at(0).protocol, 0x0100);
    QCOMPARE(log.entries.at(0).request, 2);
    QCOMPARE(log.entries.at(0).stateThen, QAbstractSocket::ConnectedState);
    QTRY_COMPARE_WITH_TIMEOUT(device->state(), QAbstractSocket::UnconnectedState, 5000);
    QVERIFY(fake.waitForDisconnect());
    QCOMPARE(log.entries.size(), 1);
    // Nothing after the broken header was taken for a reply.
    QCOMPARE(device->socketHandler()->receiveHeader().length, quint32(0));
}

QTEST_MAIN(TestFaultsFraming)
#include "tst_faults_framing.moc"
