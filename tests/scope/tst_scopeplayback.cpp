// The scope pull loop end to end: a ScopeStream on a real SocketHandler connected to the
// fake device, with the test device forwarding scope replies the way the device classes do.
#include "fakedevice.h"
#include "scope/scopestream.h"
#include "scopetesthelpers.h"
#include "testdevice.h"

#include <QSignalSpy>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtTest>
#include <memory>

using QtDataVisualization::QSurface3DSeries;
using QtDataVisualization::QSurfaceDataProxy;
using namespace ScopeTest;

namespace {
constexpr quint16 ScopeProtocol = 0x0403;
// Long enough for a stray request to make it through loopback, short enough to keep tests quick.
constexpr int QuietPeriodMs = 150;

// One device tab as far as the scope is concerned: device, connection, stream and series.
struct ScopeRig {
    FakeDevice fake;
    std::unique_ptr<TestDevice> device;
    std::unique_ptr<ScopeStream> stream;
    QSurface3DSeries waveformSeries;
    QSurface3DSeries vectorSeries;
    // Frames the fake device answers scope requests with, in order; silence once used up.
    QList<QByteArray> script;

    bool connect()
    {
        if (!fake.listen())
            return false;
        fake.setResponder([this](const FakeDevice::Command &) {
            return script.isEmpty() ? QByteArray() : script.takeFirst();
        });
        device = std::make_unique<TestDevice>(fake.port());
        device->setAddress(fake.address());
        stream = std::make_unique<ScopeStream>(device->socketHandler(), nullptr);
        stream->setDataSeries_Wave(&waveformSeries);
        stream->setDataSeries_Vector(&vectorSeries);
        // Forward scope frames as the device classes do: the reply's request is the frame type.
        device->onReply = [this](const TestDevice::Reply &reply) {
            if (reply.header.protocol == ScopeProtocol && reply.header.request != 0)
                stream->receiveFrame(reply.payload, reply.header.request);
        };
        device->deviceConnect();
        if (!fake.waitForClient())
            return false;
        return QTest::qWaitFor(
            [this] { return device->socketHandler()->socketState() == QAbstractSocket::ConnectedState; }, 5000);
    }

    ~ScopeRig()
    {
        // The stream points into the device's handler: it goes first.
        stream.reset();
        device.reset();
    }

    QList<quint16> requests() const
    {
        QList<quint16> result;
        for (const auto &cmd : fake.received()) {
            if (cmd.protocol != ScopeProtocol || !cmd.payload.isEmpty())
                return {0xFFFF}; // anything else on the wire is a failure of its own
            result.append(cmd.request);
        }
        return result;
    }
};

QByteArray frame(quint16 type, const QByteArray &payload)
{
    return FakeDevice::message(ScopeProtocol, type, payload);
}
QByteArray acknowledgement(quint16 type)
{
    return FakeDevice::message(ScopeProtocol, type);
}
} // namespace

class TestScopePlayback : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void startWaveformFromIdle();
    void startVectorWhileWaveformPlays();
    void stopPlaybackSendsNothing();
    void stopBothAtOnce();
    void playFalseStopsOneAndReaims();
    void toggleOverload();
    void startBothWhileOnePlays_data();
    void startBothWhileOnePlays();
    void unknownTypeRefused_data();
    void unknownTypeRefused();
    void pullLoop_data();
    void pullLoop();
    void shortFrameRequestedAgain_data();
    void shortFrameRequestedAgain();
    void noRequestAfterLastStop();
    void frameOfOtherKindPullsCurrentMask();
    void unknownFrameTypeKeepsLoopAlive();
    void nullHandlerLogged();
    void notConnectedLogged();
};

void TestScopePlayback::initTestCase()
{
    enableDebugLines();
}

void TestScopePlayback::startWaveformFromIdle()
{
    ScopeRig rig;
    QVERIFY(rig.connect());
    QSignalSpy playingSpy(rig.stream.get(), &ScopeStream::isPlayingChanged);

    rig.stream->startStopPlayback(1, true);
    QCOMPARE(rig.stream->isPlaying(), quint8(1));
    QCOMPARE(playingSpy.count(), 1);
    QVERIFY(rig.fake.waitForCommands(1));
    QTest::qWait(QuietPeriodMs);
    QCOMPARE(rig.requests(), QList<quint16>{1});

    // Starting what already plays changes nothing but re-requests with the current mask.
    rig.fake.send(acknowledgement(1));
    rig.stream->startStopPlayback(1, true);
    QCOMPARE(rig.stream->isPlaying(), quint8(1));
    QCOMPARE(playingSpy.count(), 1);
    QVERIFY(rig.fake.waitForCommands(2));
    QCOMPARE(rig.requests(), (QList<quint16>{1, 1}));
}

void TestScopePlayback::startVectorWhileWaveformPlays()
{
    ScopeRig rig;
    QVERIFY(rig.connect());
    // The device acknowledges each request without a frame, so every request goes out at once.
    rig.fake.setResponder([](const FakeDevice::Command &cmd) { return acknowledgement(cmd.request); });
    QSignalSpy playingSpy(rig.stream.get(), &ScopeStream::isPlayingChanged);

    rig.stream->startStopPlayback(1, true);
    QVERIFY(rig.fake.waitForCommands(1));
    rig.stream->startStopPlayback(2, true);
    QCOMPARE(rig.stream->isPlaying(), quint8(3));
    QCOMPARE(playingSpy.count(), 2);
    QVERIFY(rig.fake.waitForCommands(2));
    QTest::qWait(QuietPeriodMs);
    QCOMPARE(rig.requests(), (QList<quint16>{1, 3}));
}

void TestScopePlayback::stopPlaybackSendsNothing()
{
    ScopeRig rig;
    QVERIFY(rig.connect());
    rig.fake.setResponder([](const FakeDevice::Command &cmd) { return acknowledgement(cmd.request); });
    rig.stream->startStopPlayback(1, true);
    rig.stream->startStopPlayback(2, true);
    QVERIFY(rig.fake.waitForCommands(2));
    QSignalSpy playingSpy(rig.stream.get(), &ScopeStream::isPlayingChanged);

    rig.stream->stopPlayback(1);
    QCOMPARE(rig.stream->isPlaying(), quint8(2));
    rig.stream->stopPlayback(1); // not playing any more: unchanged, still announced
    QCOMPARE(rig.stream->isPlaying(), quint8(2));
    rig.stream->stopPlayback(2);
    QCOMPARE(rig.stream->isPlaying(), quint8(0));
    QCOMPARE(playingSpy.count(), 3);

    QTest::qWait(QuietPeriodMs);
    QCOMPARE(rig.requests(), (QList<quint16>{1, 3}));
}

void TestScopePlayback::stopBothAtOnce()
{
    ScopeRig rig;
    QVERIFY(rig.connect());
    rig.fake.setResponder([](const FakeDevice::Command &cmd) { return acknowledgement(cmd.request); });
    rig.stream->startStopPlayback(2, true);
    QCOMPARE(rig.stream->isPlaying(), quint8(2));
    rig.stream->stopPlayback(3);
    QCOMPARE(rig.stream->isPlaying(), quint8(0));

    rig.stream->startStopPlayback(1, true);
    rig.stream->startStopPlayback(2, true);
    rig.stream->stopPlayback(3);
    QCOMPARE(rig.stream->isPlaying(), quint8(0));
    QVERIFY(rig.fake.waitForCommands(3));
    QTest::qWait(QuietPeriodMs);
    QCOMPARE(rig.requests(), (QList<quint16>{2, 1, 3}));
}

void TestScopePlayback::playFalseStopsOneAndReaims()
{
    ScopeRig rig;
    QVERIFY(rig.connect());
    rig.fake.setResponder([](const FakeDevice::Command &cmd) { return acknowledgement(cmd.request); });
    rig.stream->startStopPlayback(1, true);
    rig.stream->startStopPlayback(2, true);
    QVERIFY(rig.fake.waitForCommands(2));

    // Stopping the waveform of a running pair goes on with the vector alone.
    rig.stream->startStopPlayback(1, false);
    QCOMPARE(rig.stream->isPlaying(), quint8(2));
    QVERIFY(rig.fake.waitForCommands(3));
    // Stopping what does not play leaves the mask alone and re-requests it.
    rig.stream->startStopPlayback(1, false);
    QCOMPARE(rig.stream->isPlaying(), quint8(2));
    QVERIFY(rig.fake.waitForCommands(4));
    // Stopping the last one sends nothing.
    rig.stream->startStopPlayback(2, false);
    QCOMPARE(rig.stream->isPlaying(), quint8(0));
    QTest::qWait(QuietPeriodMs);
    QCOMPARE(rig.requests(), (QList<quint16>{1, 3, 2, 2}));
}

void TestScopePlayback::toggleOverload()
{
    ScopeRig rig;
    QVERIFY(rig.connect());
    rig.fake.setResponder([](const FakeDevice::Command &cmd) { return acknowledgement(cmd.request); });

    rig.stream->startStopPlayback(1); // idle -> waveform
    QCOMPARE(rig.stream->isPlaying(), quint8(1));
    rig.stream->startStopPlayback(2); // waveform -> both
    QCOMPARE(rig.stream->isPlaying(), quint8(3));
    rig.stream->startStopPlayback(1); // both count as playing the waveform: stop it
    QCOMPARE(rig.stream->isPlaying(), quint8(2));
    rig.stream->startStopPlayback(2); // vector alone -> idle, nothing sent
    QCOMPARE(rig.stream->isPlaying(), quint8(0));

    QVERIFY(rig.fake.waitForCommands(3));
    QTest::qWait(QuietPeriodMs);
    QCOMPARE(rig.requests(), (QList<quint16>{1, 3, 2}));
}

void TestScopePlayback::startBothWhileOnePlays_data()
{
    QTest::addColumn<int>("playing");
    QTest::newRow("waveform playing") << 1;
    QTest::newRow("vector playing") << 2;
}

void TestScopePlayback::startBothWhileOnePlays()
{
    QFETCH(int, playing);
    ScopeRig rig;
    QVERIFY(rig.connect());
    rig.fake.setResponder([](const FakeDevice::Command &cmd) { return acknowledgement(cmd.request); });
    rig.stream->startStopPlayback(quint8(playing), true);
    QSignalSpy playingSpy(rig.stream.get(), &ScopeStream::isPlayingChanged);

    // Both scopes on top of one of them: the mask is both, never a value beyond 3.
    rig.stream->startStopPlayback(3, true);
    QCOMPARE(rig.stream->isPlaying(), quint8(3));
    QCOMPARE(playingSpy.count(), 1);
    QVERIFY(rig.fake.waitForCommands(2));
    QTest::qWait(QuietPeriodMs);
    QCOMPARE(rig.requests(), (QList<quint16>{quint16(playing), 3}));

    rig.stream->startStopPlayback(3, false);
    QCOMPARE(rig.stream->isPlaying(), quint8(0));
}

void TestScopePlayback::unknownTypeRefused_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("0") << 0;
    QTest::newRow("4") << 4;
    QTest::newRow("5") << 5;
    QTest::newRow("255") << 255;
}

void TestScopePlayback::unknownTypeRefused()
{
    QFETCH(int, type);
    ScopeRig rig;
    QVERIFY(rig.connect());
    rig.fake.setResponder([](const FakeDevice::Command &cmd) { return acknowledgement(cmd.request); });
    rig.stream->startStopPlayback(1, true);
    rig.stream->startStopPlayback(2, true);
    QVERIFY(rig.fake.waitForCommands(2));
    QSignalSpy playingSpy(rig.stream.get(), &ScopeStream::isPlayingChanged);

    const QByteArray line = "Unknown type: " + QByteArray::number(type);
    for (int i = 0; i < 4; ++i)
        QTest::ignoreMessage(QtDebugMsg, line.constData());
    rig.stream->startStopPlayback(uchar(type), true);
    rig.stream->startStopPlayback(uchar(type), false);
    rig.stream->startStopPlayback(uchar(type));
    rig.stream->stopPlayback(uchar(type));

    QCOMPARE(rig.stream->isPlaying(), quint8(3));
    QCOMPARE(playingSpy.count(), 0);
    QTest::qWait(QuietPeriodMs);
    QCOMPARE(rig.requests(), (QList<quint16>{1, 3}));
}

void TestScopePlayback::pullLoop_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("frameSize");
    QTest::addColumn<int>("waveformRenders");
    QTest::addColumn<int>("vectorRenders");
    QTest::newRow("waveform") << 1 << WaveformBytes << 3 << 0;
    QTest::newRow("vector") << 2 << VectorBytes << 0 << 3;
    QTest::newRow("both") << 3 << BothBytes << 3 << 3;
    QTest::newRow("oversized waveform") << 1 << WaveformBytes + 1000 << 3 << 0;
}

void TestScopePlayback::pullLoop()
{
    QFETCH(int, type);
    QFETCH(int, frameSize);
    QFETCH(int, waveformRenders);
    QFETCH(int, vectorRenders);

    ScopeRig rig;
    QVERIFY(rig.connect());
    for (int i = 0; i < 3; ++i)
        rig.script.append(frame(quint16(type), randomBytes(frameSize, quint32(100 + i))));
    QSignalSpy waveformResets(rig.waveformSeries.dataProxy(), &QSurfaceDataProxy::arrayReset);
    QSignalSpy vectorResets(rig.vectorSeries.dataProxy(), &QSurfaceDataProxy::arrayReset);

    // Three frames answered, each pulling the next request; the fourth stays unanswered.
    rig.stream->startStopPlayback(quint8(type), true);
    QVERIFY(rig.fake.waitForCommands(4));
    QTest::qWait(QuietPeriodMs);
    const quint16 request = quint16(type);
    QCOMPARE(rig.requests(), (QList<quint16>{request, request, request, request}));
    QCOMPARE(waveformResets.count(), waveformRenders);
    QCOMPARE(vectorResets.count(), vectorRenders);
    QCOMPARE(rig.stream->isPlaying(), quint8(type));
}

void TestScopePlayback::shortFrameRequestedAgain_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("shortSize");
    QTest::addColumn<int>("fullSize");
    QTest::newRow("vector 16000") << 2 << 16000 << VectorBytes;
    QTest::newRow("vector empty-ish") << 2 << 1 << VectorBytes;
    QTest::newRow("waveform 32767") << 1 << WaveformBytes - 1 << WaveformBytes;
    QTest::newRow("both 49151") << 3 << BothBytes - 1 << BothBytes;
    QTest::newRow("both with waveform only") << 3 << WaveformBytes << BothBytes;
}

void TestScopePlayback::shortFrameRequestedAgain()
{
    QFETCH(int, type);
    QFETCH(int, shortSize);
    QFETCH(int, fullSize);

    ScopeRig rig;
    QVERIFY(rig.connect());
    rig.script = {frame(quint16(type), randomBytes(shortSize, 7))};
    QSignalSpy waveformResets(rig.waveformSeries.dataProxy(), &QSurfaceDataProxy::arrayReset);
    QSignalSpy vectorResets(rig.vectorSeries.dataProxy(), &QSurfaceDataProxy::arrayReset);

    rig.stream->startStopPlayback(quint8(type), true);
    QVERIFY(rig.fake.waitForCommands(2));
    QTest::qWait(QuietPeriodMs);
    QCOMPARE(rig.requests(), (QList<quint16>{quint16(type), quint16(type)}));
    QCOMPARE(waveformResets.count(), 0);
    QCOMPARE(vectorResets.count(), 0);
    QCOMPARE(rig.stream->lastVectorFrame(), QByteArray());

    // The re-requested frame arrives whole and is drawn.
    rig.script = {acknowledgement(quint16(type))};
    rig.fake.send(frame(quint16(type), randomBytes(fullSize, 8)));
    QVERIFY(rig.fake.waitForCommands(3));
    QTRY_COMPARE_WITH_TIMEOUT(waveformResets.count() + vectorResets.count(), type == 3 ? 2 : 1, 5000);
}

void TestScopePlayback::noRequestAfterLastStop()
{
    ScopeRig rig;
    QVERIFY(rig.connect());
    QSignalSpy waveformResets(rig.waveformSeries.dataProxy(), &QSurfaceDataProxy::arrayReset);

    rig.stream->startStopPlayback(1, true);
    QVERIFY(rig.fake.waitForCommands(1));
    rig.stream->stopPlayback(1);
    QCOMPARE(rig.stream->isPlaying(), quint8(0));

    // The frame that was already on its way is neither drawn nor followed up.
    rig.fake.send(frame(1, randomBytes(WaveformBytes, 9)));
    QTRY_COMPARE_WITH_TIMEOUT(rig.device->replies.size(), 1, 5000);
    QTest::qWait(QuietPeriodMs);
    QCOMPARE(rig.requests(), QList<quint16>{1});
    QCOMPARE(waveformResets.count(), 0);
    QCOMPARE(rig.waveformSeries.dataProxy()->rowCount(), 0);
}

void TestScopePlayback::frameOfOtherKindPullsCurrentMask()
{
    ScopeRig rig;
    QVERIFY(rig.connect());
    QSignalSpy waveformResets(rig.waveformSeries.dataProxy(), &QSurfaceDataProxy::arrayReset);
    QSignalSpy vectorResets(rig.vectorSeries.dataProxy(), &QSurfaceDataProxy::arrayReset);

    // The vector plays; a late waveform frame is not drawn but still pulls the next vector frame.
    rig.script = {frame(1, randomBytes(WaveformBytes, 10))};
    rig.stream->startStopPlayback(2, true);
    QTRY_COMPARE_WITH_TIMEOUT(rig.device->replies.size(), 1, 5000);
    // The stray frame did not answer the request in flight: the next one waits in the queue
    // until the device acknowledges it.
    QCOMPARE(rig.device->socketHandler()->queuedCount(), 1);
    rig.fake.send(acknowledgement(2));
    QVERIFY(rig.fake.waitForCommands(2));
    QTest::qWait(QuietPeriodMs);
    QCOMPARE(rig.requests(), (QList<quint16>{2, 2}));
    QCOMPARE(waveformResets.count(), 0);
    QCOMPARE(vectorResets.count(), 0);
}

void TestScopePlayback::unknownFrameTypeKeepsLoopAlive()
{
    ScopeRig rig;
    QVERIFY(rig.connect());
    rig.script = {frame(7, QByteArray(10, 'x'))};
    rig.stream->startStopPlayback(1, true);
    QTRY_COMPARE_WITH_TIMEOUT(rig.device->replies.size(), 1, 5000);
    QCOMPARE(rig.device->socketHandler()->queuedCount(), 1);
    rig.fake.send(acknowledgement(1));
    QVERIFY(rig.fake.waitForCommands(2));
    QTest::qWait(QuietPeriodMs);
    QCOMPARE(rig.requests(), (QList<quint16>{1, 1}));
}

void TestScopePlayback::nullHandlerLogged()
{
    ScopeStream stream; // the QML-side stream has no handler
    QSignalSpy playingSpy(&stream, &ScopeStream::isPlayingChanged);
    const char *expected = "Error: ScopeStream class holds NULL pointer to required SocketHandler. \n"
                           "Unable to send request to hardware.";
    QTest::ignoreMessage(QtDebugMsg, expected);
    QTest::ignoreMessage(QtCriticalMsg, expected);
    stream.startStopPlayback(1, true);
    // The failure does not undo what the user asked for.
    QCOMPARE(stream.isPlaying(), quint8(1));
    QCOMPARE(playingSpy.count(), 1);

    // A frame while playing tries to pull the next one and fails the same way.
    QTest::ignoreMessage(QtDebugMsg, expected);
    QTest::ignoreMessage(QtCriticalMsg, expected);
    stream.receiveFrame(randomBytes(WaveformBytes, 11), 1);
}

void TestScopePlayback::notConnectedLogged()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    TestDevice device(fake.port());
    device.setAddress(fake.address());
    ScopeStream stream(device.socketHandler(), nullptr);

    const char *expected = "Error: ScopeStream's SocketHandler is not connected. \n"
                           "Unable to send request to hardware.";
    QTest::ignoreMessage(QtDebugMsg, expected);
    QTest::ignoreMessage(QtCriticalMsg, expected);
    stream.startStopPlayback(2, true);
    QCOMPARE(stream.isPlaying(), quint8(2));
    QCOMPARE(device.socketHandler()->queuedCount(), 0);

    // Connecting later must not flush a request that was refused.
    device.deviceConnect();
    QVERIFY(fake.waitForClient());
    QTest::qWait(QuietPeriodMs);
    QVERIFY(fake.received().isEmpty());
}

QTEST_MAIN(TestScopePlayback)
#include "tst_scopeplayback.moc"
