#include "fakedevice.h"
#include "testdevice.h"

#include <QMetaEnum>
#include <QSignalSpy>
#include <QtTest>

class TestDeviceBase : public QObject
{
    Q_OBJECT
private slots:
    void addressChangedOncePerValue();
    void keyCodesReachMetaObject_data();
    void keyCodesReachMetaObject();
    void connectQueuesAndLogs();
    void disconnectDiscardsQueuedCommands();
    void stateChangedAlwaysEmittedLogOnlyWhenUnconnected();
    void failedConnectionJustReturnsToUnconnected();
};

void TestDeviceBase::addressChangedOncePerValue()
{
    TestDevice device;
    QSignalSpy spy(&device, &DeviceBase::addressChanged);
    device.setAddress(QStringLiteral("127.0.0.1"));
    device.setAddress(QStringLiteral("127.0.0.1"));
    QCOMPARE(spy.size(), 1);
    QVERIFY(device.setProperty("address", QStringLiteral("127.0.0.2")));
    QCOMPARE(spy.size(), 2);
    QCOMPARE(device.property("address").toString(), QStringLiteral("127.0.0.2"));
}

void TestDeviceBase::keyCodesReachMetaObject_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("value");
    QTest::newRow("power off") << "MNCP_KEY_POWER_OFF" << 0;
    QTest::newRow("input 1") << "MNCP_KEY_INPUT1" << 17;
    QTest::newRow("input 7") << "MNCP_KEY_INPUT7" << 23;
    QTest::newRow("enter") << "MNCP_KEY_MENU_ENTER" << 37;
    QTest::newRow("f7") << "MNCP_KEY_F7" << 55;
    QTest::newRow("pb3") << "MNCP_KEY_ROTARY_PB3" << 67;
    QTest::newRow("cw7") << "MNCP_KEY_ROTARY_CW7" << 87;
    QTest::newRow("ccw0") << "MNCP_KEY_ROTARY_CCW0" << 96;
    QTest::newRow("mode 3") << "MNCP_KEY_MODE_3" << 114;
    QTest::newRow("ch 2") << "MNCP_KEY_CH_2" << 129;
    QTest::newRow("interp 2") << "MNCP_KEY_LUT_INTERPOLATION_2" << 145;
}

void TestDeviceBase::keyCodesReachMetaObject()
{
    QFETCH(QString, name);
    QFETCH(int, value);
    const QMetaEnum keys = QMetaEnum::fromType<DeviceBase::mncp_key_code>();
    bool ok = false;
    QCOMPARE(keys.keyToValue(name.toLatin1().constData(), &ok), value);
    QVERIFY(ok);
}

void TestDeviceBase::connectQueuesAndLogs()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    TestDevice device(fake.port());
    device.setAddress(fake.address());
    device.deviceConnect();
    // Queued while still connecting: the socket buffers it until the connection stands.
    device.appendCmd(0x0100, 0x0000);
    QVERIFY(fake.waitForCommands(1));
    QCOMPARE(fake.received().first().protocol, quint16(0x0100));
    QTest::ignoreMessage(QtDebugMsg, "appendCmd: add cmd: 0x0101 - 0x0110");
    device.appendCmd(0x0101, 0x0110, QByteArray("p"));
    QVERIFY(fake.waitForCommands(2));
    QCOMPARE(fake.received().at(1).payload, QByteArray("p"));
}

void TestDeviceBase::disconnectDiscardsQueuedCommands()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    fake.setSilent(true);
    TestDevice device(fake.port());
    device.setAddress(fake.address());
    device.deviceConnect();
    QTRY_COMPARE_WITH_TIMEOUT(device.state(), QAbstractSocket::ConnectedState, 5000);
    device.appendCmd(0x0100, 0x0000);
    device.appendCmd(0x0100, 0x0001);
    device.appendCmd(0x0100, 0x0002);
    QVERIFY(fake.waitForCommands(1));
    device.deviceDisconnect();
    QTRY_COMPARE_WITH_TIMEOUT(device.state(), QAbstractSocket::UnconnectedState, 5000);
    QVERIFY(fake.waitForDisconnect());

    fake.clearReceived();
    fake.setSilent(false);
    device.deviceConnect();
    QTRY_COMPARE_WITH_TIMEOUT(device.state(), QAbstractSocket::ConnectedState, 5000);
    device.appendCmd(0x0100, 0x0004);
    QVERIFY(fake.waitForCommands(1));
    QTest::qWait(50);
    QCOMPARE(fake.received().size(), 1);
    QCOMPARE(fake.received().first().request, quint16(0x0004));
}

void TestDeviceBase::stateChangedAlwaysEmittedLogOnlyWhenUnconnected()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    TestDevice device(fake.port());
    device.setAddress(fake.address());
    QSignalSpy states(&device, &DeviceBase::stateChanged);
    device.deviceConnect();
    QTRY_COMPARE_WITH_TIMEOUT(device.state(), QAbstractSocket::ConnectedState, 5000);
    QVERIFY(states.size() >= 2);
    QCOMPARE(states.last().first().value<QAbstractSocket::SocketState>(), QAbstractSocket::ConnectedState);
    QTest::ignoreMessage(QtDebugMsg, "DeviceBase::  State Disconnected socketStateChanged \n");
    device.deviceCancelConnect();
    QTRY_COMPARE_WITH_TIMEOUT(device.state(), QAbstractSocket::UnconnectedState, 5000);
    QCOMPARE(states.last().first().value<QAbstractSocket::SocketState>(), QAbstractSocket::UnconnectedState);
}

void TestDeviceBase::failedConnectionJustReturnsToUnconnected()
{
    // A port nobody listens on: take a free one and close it again.
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        port = probe.serverPort();
    }
    TestDevice device(port);
    device.setAddress(QStringLiteral("127.0.0.1"));
    QSignalSpy commErrors(&device, &DeviceBase::commError);
    QSignalSpy readErrors(&device, &DeviceBase::socketReadException);
    device.deviceConnect();
    QTRY_COMPARE_WITH_TIMEOUT(device.state(), QAbstractSocket::UnconnectedState, 5000);
    QCOMPARE(commErrors.size() + readErrors.size(), 0);
}

QTEST_GUILESS_MAIN(TestDeviceBase)
#include "tst_devicebase.moc"
