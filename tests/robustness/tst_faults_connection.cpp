#include "faulthelpers.h"

#include "capture/captureframe.h"
#include "cubrix/cubrix.h"
#include "fakedevice.h"
#include "monitor/monitor.h"
#include "scope/scopestream.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QSignalSpy>
#include <QTimer>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtEndian>
#include <QtTest>
#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using QtDataVisualization::QSurface3DSeries;
using QtDataVisualization::QSurfaceDataProxy;

// Connections that break or never answer: a drop in the middle of a payload followed by a new
// connection, a device that stays silent, a connection attempt that is cancelled, and a drop
// while a scope stream and a frame capture are running.
class TestFaultsConnection : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void dropMidPayloadThenReconnect();
    void silentDevice_data();
    void silentDevice();
    void cancelWhileConnecting();
    void scopeAndCaptureWhileConnectionDrops_data();
    void scopeAndCaptureWhileConnectionDrops();

private:
    QTemporaryDir m_temp;
};

namespace {
QByteArray be32Bytes(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, reinterpret_cast<uchar *>(bytes.data()));
    return bytes;
}

// A monitor with two channels, answering as the fake device; the analyzer picture is `png`.
FakeDevice::Responder monitorResponder(const QByteArray &png, bool *cutAnalyzer)
{
    return [png, cutAnalyzer](const FakeDevice::Command &command) -> QByteArray {
        const quint16 p = command.protocol;
        const quint16 r = command.request;
        if (p == 0x0100) {
            switch (r) {
            case 0: return FakeDevice::message(p, r, QByteArray("RV-3100\0", 8));
            case 1: return FakeDevice::message(p, r, QByteArray("2.8.0\0", 6));
            case 2: return FakeDevice::message(p, r, QByteArray("RV31A00427\0", 11));
            case 3:
            case 4: return FakeDevice::message(p, r, be32Bytes(2));
            default: break;
            }
        }
        if (p == 0x0101 && (r & 0xFF) == 0x10)
            return FakeDevice::message(p, r, QByteArray("SDI ") + QByteArray::number((r >> 8) + 1));
        if (p == 0x0405) {
            if (*cutAnalyzer) {
                // The header announces the whole picture; only part of it follows.
                return FakeDevice::header(p, r, static_cast<quint32>(png.size())) + png.left(png.size() / 3);
            }
            return FakeDevice::message(p, r, png);
        }
        return FakeDevice::message(p, r);
    };
}

QByteArray pngBytes()
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}

QList<QPair<int, int>> firstCommands(const FakeDevice &fake, int count)
{
    QList<QPair<int, int>> ids;
    for (int i = 0; i < count && i < fake.received().size(); ++i)
        ids.append({fake.received().at(i).protocol, fake.received().at(i).request});
    return ids;
}
} // namespace

void TestFaultsConnection::initTestCase()
{
    QVERIFY(m_temp.isValid());
    qputenv("TMPDIR", m_temp.path().toUtf8());
}

void TestFaultsConnection::dropMidPayloadThenReconnect()
{
    const QByteArray png = pngBytes();
    bool cutAnalyzer = true;
    FakeDevice fake;
    QVERIFY(fake.listen());
    fake.setResponder(monitorResponder(png, &cutAnalyzer));
    Monitor monitor;
    QSignalSpy pictures(&monitor, &Monitor::analyzerPngReceived);
    QSignalSpy readErrors(&monitor, &DeviceBase::socketReadException);
    monitor.setPort(fake.port());
    monitor.setAddress(fake.address());
    monitor.deviceConnect();
    QTRY_VERIFY_WITH_TIMEOUT(monitor.channelList().size() == 2 && Faults::transportIdle(monitor), 5000);

    monitor.requestAnalyzerPng(0);
    // The header has been taken and the handler waits for the rest of the payload.
    QTRY_COMPARE_WITH_TIMEOUT(monitor.socketHandler()->receiveHeader().length, quint32(png.size()), 5000);
    fake.dropClient();
    QTRY_COMPARE_WITH_TIMEOUT(monitor.state(), QAbstractSocket::UnconnectedState, 5000);
    // Nothing half-read or in flight is left for the next connection; what was learnt is gone.
    QCOMPARE(monitor.socketHandler()->receiveHeader().length, quint32(0));
    QCOMPARE(monitor.socketHandler()->inFlight().protocol, quint16(0));
    QCOMPARE(monitor.model(), QString());
    QCOMPARE(monitor.channelList().size(), 0);
    QCOMPARE(pictures.size(), 0);
    QCOMPARE(readErrors.size(), 0);

    // The connection comes back: the identity is queried again, from the start.
    cutAnalyzer = false;
    fake.clearReceived();
    monitor.deviceConnect();
    QTRY_VERIFY_WITH_TIMEOUT(monitor.channelList().size() == 2 && Faults::transportIdle(monitor), 5000);
    const QList<QPair<int, int>> identity{{0x0100, 0}, {0x0100, 1}, {0x0100, 2}, {0x0100, 3}, {0x0100, 4}};
    QCOMPARE(firstCommands(fake, 5), identity);
    QCOMPARE(monitor.model(), QStringLiteral("RV-3100"));
    QCOMPARE(monitor.channelList().at(1)->name(), QStringLiteral("SDI 2"));
    QCOMPARE(fake.connectionCount(), 2);

    // Nothing is stuck: the picture that was cut off arrives whole now, and keys go out.
    monitor.requestAnalyzerPng(0);
    QTRY_COMPARE_WITH_TIMEOUT(pictures.size(), 1, 5000);
    QFile saved(monitor.analyzerPngLocalPath());
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), png);
    monitor.sendKey(DeviceBase::MNCP_KEY_MENU);
    QVERIFY(fake.waitForCommands(fake.received().size() + 1));
    QCOMPARE(fake.received().constLast().protocol, quint16(0x0001));
    QCOMPARE(fake.received().constLast().request, quint16(DeviceBase::MNCP_KEY_MENU));
    QTRY_VERIFY_WITH_TIMEOUT(Faults::transportIdle(monitor), 5000);
}

void TestFaultsConnection::silentDevice_data()
{
    QTest::addColumn<QString>("role");
    QTest::newRow("monitor") << QStringLiteral("monitor");
    QTest::newRow("cubrix") << QStringLiteral("cubrix");
}

void TestFaultsConnection::silentDevice()
{
    QFETCH(QString, role);
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--role"), role, QStringLiteral("--silent-after"), QStringLiteral("0")}));
    std::unique_ptr<DeviceBase> device;
    if (role == QLatin1String("cubrix"))
        device = std::make_unique<Cubrix>();
    else
        device = std::make_unique<Monitor>();
    SocketHandler *handler = device->socketHandler();
    Faults::connectTo(*device, sim);
    QTRY_COMPARE_WITH_TIMEOUT(device->state(), QAbstractSocket::ConnectedState, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(handler->inFlight().protocol, quint16(0x0100), 5000);
    QVERIFY(sim.waitForLog(QStringLiteral("fault: command 1 not answered")));

    // The event loop keeps running while the first query waits for ever: timers fire and
    // calls from the user interface return at once, only queueing.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(10);
    QElapsedTimer clock;
    clock.start();
    const int queuedBefore = handler->queuedCount();
    for (int i = 0; i < 200; ++i)
        device->setTally(i % 2, i % 3);
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(handler->queuedCount(), queuedBefore + 200);
    QTest::qWait(500);
    ticker.stop();
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
    QCOMPARE(device->state(), QAbstractSocket::ConnectedState);
    QCOMPARE(handler->inFlight().protocol, quint16(0x0100));

    // Cancel ends the connection at once.
    device->deviceCancelConnect();
    QCOMPARE(device->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(handler->inFlight().protocol, quint16(0));

    // Disconnect ends a new connection too, and drops everything that was waiting.
    device->deviceConnect();
    QTRY_COMPARE_WITH_TIMEOUT(device->state(), QAbstractSocket::ConnectedState, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(handler->inFlight().protocol != 0, 5000);
    device->deviceDisconnect();
    QCOMPARE(handler->queuedCount(), 0);
    QCOMPARE(handler->inFlight().protocol, quint16(0));
    QTRY_COMPARE_WITH_TIMEOUT(device->state(), QAbstractSocket::UnconnectedState, 5000);
    QVERIFY(sim.waitForLog(QStringLiteral("disconnected after")));
}

void TestFaultsConnection::cancelWhileConnecting()
{
    // A listening socket whose accept queue is full: further connection attempts get no answer
    // and stay in the connecting state.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(listener >= 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    QCOMPARE(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    QCOMPARE(::listen(listener, 0), 0);
    socklen_t length = sizeof address;
    QCOMPARE(::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length), 0);
    const quint16 port = ntohs(address.sin_port);

    std::vector<std::unique_ptr<QTcpSocket>> fillers;
    for (int i = 0; i < 8; ++i) {
        auto filler = std::make_unique<QTcpSocket>();
        filler->connectToHost(QStringLiteral("127.0.0.1"), port);
        const bool connected = filler->waitForConnected(300);
        fillers.push_back(std::move(filler));
        if (!connected)
            break;
    }
    if (fillers.back()->state() == QAbstractSocket::ConnectedState) {
        ::close(listener);
        QSKIP("the accept queue never filled up");
    }

    Monitor monitor;
    QSignalSpy states(&monitor, &Monitor::stateChanged);
    monitor.setPort(port);
    monitor.setAddress(QStringLiteral("127.0.0.1"));
    monitor.deviceConnect();
    QTest::qWait(500);
    QCOMPARE(monitor.state(), QAbstractSocket::ConnectingState);
    monitor.deviceCancelConnect();
    QCOMPARE(monitor.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(states.constLast().at(0).value<QAbstractSocket::SocketState>(), QAbstractSocket::UnconnectedState);
    QTest::qWait(200);
    QCOMPARE(monitor.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(monitor.socketHandler()->inFlight().protocol, quint16(0));
    ::close(listener);
}

void TestFaultsConnection::scopeAndCaptureWhileConnectionDrops_data()
{
    QTest::addColumn<QString>("role");
    QTest::newRow("monitor") << QStringLiteral("monitor");
    QTest::newRow("cubrix") << QStringLiteral("cubrix");
}

void TestFaultsConnection::scopeAndCaptureWhileConnectionDrops()
{
    QFETCH(QString, role);
    // Large replies leave in pieces, so that the drop falls inside a frame.
    const QStringList arguments{QStringLiteral("--role"), role, QStringLiteral("--chunk"), QStringLiteral("65536")};
    SimProcess sim;
    QVERIFY(sim.start(arguments));
    const quint16 port = sim.port();

    CaptureFrame item;
    std::unique_ptr<DeviceBase> device;
    ScopeStream *stream = nullptr;
    if (role == QLatin1String("cubrix")) {
        auto cubrix = std::make_unique<Cubrix>();
        cubrix->registerFeature(&item, Cubrix::CaptureFrameFeature);
        stream = cubrix->cScopeStream();
        device = std::move(cubrix);
    } else {
        auto monitor = std::make_unique<Monitor>();
        monitor->registerFeature(&item, 2);
        stream = monitor->cScopeStream();
        device = std::move(monitor);
    }
    QSurface3DSeries waveform(new QSurfaceDataProxy);
    QSurface3DSeries vector(new QSurfaceDataProxy);
    stream->setDataSeries_Wave(&waveform);
    stream->setDataSeries_Vector(&vector);
    QSignalSpy readErrors(device.get(), &DeviceBase::socketReadException);
    QSignalSpy commErrors(device.get(), &DeviceBase::commError);

    Faults::connectTo(*device, sim);
    QTRY_VERIFY_WITH_TIMEOUT(device->state() == QAbstractSocket::ConnectedState && Faults::transportIdle(*device), 10000);
    stream->startStopPlayback(ScopeStream::Both, true);
    QTRY_VERIFY_WITH_TIMEOUT(Faults::countLogged(sim, 0x0403, ScopeStream::Both) >= 5, 10000);
    item.captureFrame(0);
    QVERIFY(sim.waitForLog(QStringLiteral("command protocol=0x0400")));
    // The device goes away while it is sending.
    sim.stop();
    QTRY_COMPARE_WITH_TIMEOUT(device->state(), QAbstractSocket::UnconnectedState, 5000);
    QCOMPARE(device->socketHandler()->inFlight().protocol, quint16(0));
    QCOMPARE(device->socketHandler()->receiveHeader().length, quint32(0));
    QCOMPARE(readErrors.size(), 0);
    QCOMPARE(commErrors.size(), 0);

    // The device comes back on the same address and port.
    QVERIFY(sim.startOnPort(arguments, QStringLiteral("127.0.0.1"), port));
    device->deviceConnect();
    QTRY_VERIFY_WITH_TIMEOUT(device->state() == QAbstractSocket::ConnectedState
                                 && !device->property("model").toString().isEmpty(),
                             10000);
    // The playback the user left on goes on (the pull that waited in the queue goes out after
    // the identity queries); were it idle, starting it again would do. Capture works again.
    QSignalSpy waveformFrames(waveform.dataProxy(), &QSurfaceDataProxy::arrayReset);
    QSignalSpy vectorFrames(vector.dataProxy(), &QSurfaceDataProxy::arrayReset);
    QCOMPARE(stream->isPlaying(), ScopeStream::Both);
    QTest::qWait(200);
    if (device->socketHandler()->inFlight().protocol != MNCP_PROTOCOL_SCOPE_STREAM
        && device->socketHandler()->queuedCount() == 0)
        stream->startStopPlayback(ScopeStream::Both, true);
    QTRY_VERIFY_WITH_TIMEOUT(Faults::countLogged(sim, 0x0403, ScopeStream::Both) >= 5, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(waveformFrames.size() >= 3 && vectorFrames.size() >= 3, 5000);
    stream->stopPlayback(ScopeStream::Both);
    QTRY_VERIFY_WITH_TIMEOUT(Faults::transportIdle(*device), 5000);
    item.clearFrame();
    item.captureFrame(0);
    QTRY_COMPARE_WITH_TIMEOUT(item.image().size(), QSize(1920, 1080), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(Faults::transportIdle(*device), 5000);
    QCOMPARE(readErrors.size(), 0);
    QCOMPARE(commErrors.size(), 0);
}

QTEST_MAIN(TestFaultsConnection)
#include "tst_faults_connection.moc"
