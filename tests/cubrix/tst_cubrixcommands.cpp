// The Cubrix control commands and the state queries that follow them, seen by a fake box on
// a loopback connection.

#include "cubrixharness.h"

#include <QtTest>

Q_DECLARE_METATYPE(CommandIds)

namespace {

const QPair<int, int> Query(int request) { return {0x0100, request}; }

using Call = std::function<void(Cubrix &)>;

} // namespace
Q_DECLARE_METATYPE(Call)

class TestCubrixCommands : public QObject
{
    Q_OBJECT

private slots:
    void connectionQueriesIdentityThenSweep();
    void guiFocusRepeatsTheSweep();

    void reQueries_data();
    void reQueries();
    void payloads_data();
    void payloads();

    void modeKeysQueryOnceAfterTheLastPress();
    void channelKeyQueriesAtOnceAndStopsScopes();
    void modeKeyStopsScopesAndStartsTimer();

    void channelCountBounds_data();
    void channelCountBounds();
    void channelRepliesFillTheRecords();
    void disconnectionResetsAndDropsChannels();
    void modeKeyThenDisconnectLeavesTheNextConnectionClean();
};

void TestCubrixCommands::connectionQueriesIdentityThenSweep()
{
    CubrixHarness box;
    box.answer(0x0100, 0, QByteArray("Cubrix"));
    box.answer(0x0100, 1, QByteArray("1.07"));
    box.answer(0x0100, 2, QByteArray("CBX-0042"));
    box.setMode(2, 1);
    box.answer(0x0100, 13, words16({1, 0, 17, 2}));
    QVERIFY(box.connectAndSettle());

    CommandIds expected;
    for (int request : {0, 1, 2, 4, 5, 6, 7, 9, 10, 14, 15, 8, 17, 20, 11, 18, 12, 16, 19, 13, 21, 22})
        expected.append(Query(request));
    QCOMPARE(commandIds(box.fake), expected);
    QCOMPARE(box.cubrix.model(), QStringLiteral("Cubrix"));
    QCOMPARE(box.cubrix.version(), QStringLiteral("1.07"));
    QCOMPARE(box.cubrix.serial(), QStringLiteral("CBX-0042"));
    QCOMPARE(box.cubrix.boxMode(), 2);
    QCOMPARE(box.cubrix.boxCh(), 1);
    QCOMPARE(box.cubrix.boxmode3_output_type(), 17);
    // The box never gets asked for its channel count.
    QVERIFY(!expected.contains(Query(3)));
}

void TestCubrixCommands::guiFocusRepeatsTheSweep()
{
    CubrixHarness box;
    QVERIFY(box.connectAndSettle());
    CommandIds sweep;
    for (int request : {4, 5, 6, 7, 9, 10, 14, 15, 8, 17, 20, 11, 18, 12, 16, 19, 13, 21, 22})
        sweep.append(Query(request));
    QCOMPARE(box.sentBy([&] { QMetaObject::invokeMethod(&box.cubrix, "onGuiFocus"); }), sweep);
}

void TestCubrixCommands::reQueries_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("channel");
    QTest::addColumn<Call>("call");
    QTest::addColumn<CommandIds>("expected");

    const Call setLut1dBoxOn = [](Cubrix &c) { c.setLut(Cubrix::LUT_TYPE_1D, Cubrix::LUT_FUNC_BOX, 0, true); };
    QTest::newRow("setLut 1D BOX, mode 2 ch 2") << 2 << 2 << setLut1dBoxOn << CommandIds{{0x0302, 0x0100}, Query(12)};
    QTest::newRow("setLut 1D BOX, mode 2 ch 1") << 2 << 1 << setLut1dBoxOn << CommandIds{{0x0302, 0x0100}, Query(11)};
    QTest::newRow("setLut 1D BOX, mode 2 no ch") << 2 << 0 << setLut1dBoxOn << CommandIds{{0x0302, 0x0100}};
    QTest::newRow("setLut 1D BOX, mode 1") << 1 << 0 << setLut1dBoxOn << CommandIds{{0x0302, 0x0100}, Query(8)};
    QTest::newRow("setLut 1D BOX, mode 3") << 3 << 0 << setLut1dBoxOn << CommandIds{{0x0302, 0x0100}, Query(16)};
    QTest::newRow("setLut 1D BOX, mode 0") << 0 << 0 << setLut1dBoxOn << CommandIds{{0x0302, 0x0100}};
    QTest::newRow("setLut 3D DIT off, slot 7")
        << 1 << 0 << Call([](Cubrix &c) { c.setLut(Cubrix::LUT_TYPE_3D, Cubrix::LUT_FUNC_DIT, 7, false); })
        << CommandIds{{0x0311, 0x0007}, Query(8)};
    QTest::newRow("setLut 1D CAL on")
        << 1 << 0 << Call([](Cubrix &c) { c.setLut(Cubrix::LUT_TYPE_1D, Cubrix::LUT_FUNC_CALIBRATION, 0, true); })
        << CommandIds{{0x0300, 0x0100}, Query(8)};
    QTest::newRow("setLut 3D CAL on")
        << 3 << 0 << Call([](Cubrix &c) { c.setLut(Cubrix::LUT_TYPE_3D, Cubrix::LUT_FUNC_CALIBRATION, 2, true); })
        << CommandIds{{0x0310, 0x0102}, Query(16)};
    QTest::newRow("setLut 3D BOX refused, re-query kept")
        << 2 << 1 << Call([](Cubrix &c) { c.setLut(Cubrix::LUT_TYPE_3D, Cubrix::LUT_FUNC_BOX, 0, true); })
        << CommandIds{Query(11)};
    QTest::newRow("setLut 1D function 3 refused, re-query kept")
        << 1 << 0 << Call([](Cubrix &c) { c.setLut(Cubrix::LUT_TYPE_1D, Cubrix::LutFunc(3), 0, true); })
        << CommandIds{Query(8)};
    QTest::newRow("setLut type 2 refused entirely")
        << 1 << 0 << Call([](Cubrix &c) { c.setLut(Cubrix::LutType(2), Cubrix::LUT_FUNC_DIT, 0, true); })
        << CommandIds{};

    const Call load3dDit4 = [](Cubrix &c) { c.loadLut(Cubrix::LUT_TYPE_3D, Cubrix::LUT_FUNC_DIT, 4); };
    QTest::newRow("loadLut 3D DIT, mode 2 ch 1") << 2 << 1 << load3dDit4
                                                << CommandIds{{0x0311, 0x0404}, Query(11), Query(16)};
    QTest::newRow("loadLut 3D DIT, mode 2 ch 2") << 2 << 2 << load3dDit4
                                                << CommandIds{{0x0311, 0x0404}, Query(12), Query(16)};
    QTest::newRow("loadLut 3D DIT, mode 2 no ch") << 2 << 0 << load3dDit4 << CommandIds{{0x0311, 0x0404}, Query(16)};
    QTest::newRow("loadLut 3D DIT, mode 1") << 1 << 0 << load3dDit4 << CommandIds{{0x0311, 0x0404}, Query(8)};
    QTest::newRow("loadLut 3D DIT, mode 3") << 3 << 0 << load3dDit4 << CommandIds{{0x0311, 0x0404}, Query(16)};
    QTest::newRow("loadLut 3D DIT, mode 0") << 0 << 0 << load3dDit4 << CommandIds{{0x0311, 0x0404}};
    QTest::newRow("loadLut 1D CAL, no re-query")
        << 2 << 1 << Call([](Cubrix &c) { c.loadLut(Cubrix::LUT_TYPE_1D, Cubrix::LUT_FUNC_CALIBRATION, 2); })
        << CommandIds{{0x0300, 0x0402}};
    QTest::newRow("loadLut 3D CAL, no re-query")
        << 1 << 0 << Call([](Cubrix &c) { c.loadLut(Cubrix::LUT_TYPE_3D, Cubrix::LUT_FUNC_CALIBRATION, 15); })
        << CommandIds{{0x0310, 0x040F}};
    QTest::newRow("loadLut 3D BOX loads the DIT slot")
        << 1 << 0 << Call([](Cubrix &c) { c.loadLut(Cubrix::LUT_TYPE_3D, Cubrix::LUT_FUNC_BOX, 1); })
        << CommandIds{{0x0311, 0x0401}, Query(8)};
    QTest::newRow("loadLut 1D BOX")
        << 1 << 0 << Call([](Cubrix &c) { c.loadLut(Cubrix::LUT_TYPE_1D, Cubrix::LUT_FUNC_BOX, 3); })
        << CommandIds{{0x0302, 0x0403}, Query(8)};
    QTest::newRow("loadLut function 3 refused")
        << 1 << 0 << Call([](Cubrix &c) { c.loadLut(Cubrix::LUT_TYPE_1D, Cubrix::LutFunc(3), 3); }) << CommandIds{};
    QTest::newRow("loadLut type 5 refused")
        << 1 << 0 << Call([](Cubrix &c) { c.loadLut(Cubrix::LutType(5), Cubrix::LUT_FUNC_DIT, 3); }) << CommandIds{};

    const Call frameOn = [](Cubrix &c) { c.setFrame(0, true); };
    QTest::newRow("setFrame, mode 1") << 1 << 0 << frameOn << CommandIds{{0x0401, 0x0100}, Query(17)};
    QTest::newRow("setFrame, mode 2 ch 1") << 2 << 1 << frameOn << CommandIds{{0x0401, 0x0100}, Query(18)};
    QTest::newRow("setFrame, mode 2 ch 2") << 2 << 2 << frameOn << CommandIds{{0x0401, 0x0100}};
    QTest::newRow("setFrame, mode 3") << 3 << 0 << frameOn << CommandIds{{0x0401, 0x0100}, Query(19)};
    QTest::newRow("setFrame off, slot 3")
        << 1 << 0 << Call([](Cubrix &c) { c.setFrame(3, false); }) << CommandIds{{0x0401, 0x0003}, Query(17)};
    QTest::newRow("loadFrame, mode 2 ch 1")
        << 2 << 1 << Call([](Cubrix &c) { c.loadFrame(9); }) << CommandIds{{0x0401, 0x0409}, Query(18)};
    QTest::newRow("loadFrame, mode 3")
        << 3 << 0 << Call([](Cubrix &c) { c.loadFrame(0); }) << CommandIds{{0x0401, 0x0400}, Query(19)};

    QTest::newRow("setRange 4, mode 2 ch 2")
        << 2 << 2 << Call([](Cubrix &c) { c.setRange(4); }) << CommandIds{{0x0304, 4}, Query(12), Query(16)};
    QTest::newRow("setRange 1, mode 1") << 1 << 0 << Call([](Cubrix &c) { c.setRange(1); })
                                       << CommandIds{{0x0304, 1}, Query(8)};
    QTest::newRow("setRange 5 refused") << 1 << 0 << Call([](Cubrix &c) { c.setRange(5); }) << CommandIds{};
    QTest::newRow("setRange 0 refused") << 1 << 0 << Call([](Cubrix &c) { c.setRange(0); }) << CommandIds{};

    QTest::newRow("setInputRange 3, LUT range")
        << 3 << 0 << Call([](Cubrix &c) { c.setInputRange(3, 1); }) << CommandIds{{0x0304, 0x0014}, Query(16)};
    QTest::newRow("setInputRange 1")
        << 1 << 0 << Call([](Cubrix &c) { c.setInputRange(1, 0); }) << CommandIds{{0x0304, 0x0001}, Query(8)};
    QTest::newRow("setInputRange 2, LUT range, mode 2 ch 1")
        << 2 << 1 << Call([](Cubrix &c) { c.setInputRange(2, 7); })
        << CommandIds{{0x0304, 0x0012}, Query(11), Query(16)};
    QTest::newRow("setInputRange 4 refused") << 1 << 0 << Call([](Cubrix &c) { c.setInputRange(4, 1); })
                                            << CommandIds{};
    QTest::newRow("setInputRange 0 refused") << 1 << 0 << Call([](Cubrix &c) { c.setInputRange(0, 0); })
                                            << CommandIds{};

    QTest::newRow("setInputSignal, mode 1")
        << 1 << 0 << Call([](Cubrix &c) { c.setInputSignal(0x0205); }) << CommandIds{{0x0006, 0x0205}, Query(20)};
    QTest::newRow("setInputSignal, mode 2") << 2 << 1 << Call([](Cubrix &c) { c.setInputSignal(0x0205); })
                                           << CommandIds{};
    QTest::newRow("setInputSignal, mode 3") << 3 << 0 << Call([](Cubrix &c) { c.setInputSignal(1); })
                                           << CommandIds{};

    QTest::newRow("setSignalOut 6 refused") << 3 << 0 << Call([](Cubrix &c) { c.setSignalOut(6); }) << CommandIds{};
    QTest::newRow("setSignalOut 0 refused") << 3 << 0 << Call([](Cubrix &c) { c.setSignalOut(0); }) << CommandIds{};
    QTest::newRow("setSignalOut 18 refused") << 3 << 0 << Call([](Cubrix &c) { c.setSignalOut(18); }) << CommandIds{};
    QTest::newRow("setSignalForm 5 refused") << 3 << 0 << Call([](Cubrix &c) { c.setSignalForm(5); }) << CommandIds{};
    QTest::newRow("setSignalForm 0 refused") << 3 << 0 << Call([](Cubrix &c) { c.setSignalForm(0); }) << CommandIds{};

    QTest::newRow("setAnci 0") << 1 << 0 << Call([](Cubrix &c) { c.setAnci(0); })
                               << CommandIds{{0x0402, 0}, Query(21)};
    QTest::newRow("setAnci 1") << 1 << 0 << Call([](Cubrix &c) { c.setAnci(1); })
                               << CommandIds{{0x0402, 1}, Query(21)};
    QTest::newRow("setAnci 2") << 1 << 0 << Call([](Cubrix &c) { c.setAnci(2); }) << CommandIds{{0x0402, 2}};
    QTest::newRow("setAnci 3") << 1 << 0 << Call([](Cubrix &c) { c.setAnci(3); }) << CommandIds{{0x0402, 3}};
    QTest::newRow("setAnci 4") << 1 << 0 << Call([](Cubrix &c) { c.setAnci(4); }) << CommandIds{};
    QTest::newRow("setAnci -1") << 1 << 0 << Call([](Cubrix &c) { c.setAnci(-1); }) << CommandIds{};

    QTest::newRow("captureAnci, 4 characters") << 1 << 0 << Call([](Cubrix &c) { c.captureAnci("0x41"); })
                                              << CommandIds{};
    QTest::newRow("captureAnci, 7 characters") << 1 << 0 << Call([](Cubrix &c) { c.captureAnci("0x41056"); })
                                              << CommandIds{};
    QTest::newRow("captureAnci, bad DID") << 1 << 0 << Call([](Cubrix &c) { c.captureAnci("0xZZ05"); })
                                         << CommandIds{};
    QTest::newRow("captureAnci, bad SDID") << 1 << 0 << Call([](Cubrix &c) { c.captureAnci("0x41G5"); })
                                          << CommandIds{};
    QTest::newRow("captureAnci index, 4 characters")
        << 1 << 0 << Call([](Cubrix &c) { c.captureAnci("0x41", 1); }) << CommandIds{};

    QTest::newRow("key INPUT0, mode 1") << 1 << 0 << Call([](Cubrix &c) { c.sendKey(Cubrix::MNCP_KEY_INPUT0); })
                                        << CommandIds{{0x0001, 16}, Query(8)};
    QTest::newRow("key INPUT2, mode 2 ch 2") << 2 << 2
                                             << Call([](Cubrix &c) { c.sendKey(Cubrix::MNCP_KEY_INPUT2); })
                                             << CommandIds{{0x0001, 18}, Query(12)};
    QTest::newRow("key INPUT1, mode 3") << 3 << 0 << Call([](Cubrix &c) { c.sendKey(Cubrix::MNCP_KEY_INPUT1); })
                                        << CommandIds{{0x0001, 17}};
    QTest::newRow("key INPUT3, mode 1") << 1 << 0 << Call([](Cubrix &c) { c.sendKey(Cubrix::MNCP_KEY_INPUT3); })
                                        << CommandIds{{0x0001, 19}};
    QTest::newRow("key MENU") << 1 << 0 << Call([](Cubrix &c) { c.sendKey(Cubrix::MNCP_KEY_MENU); })
                              << CommandIds{{0x0001, 32}};
    QTest::newRow("key CH_2") << 2 << 1 << Call([](Cubrix &c) { c.sendKey(Cubrix::MNCP_KEY_CH_2); })
                              << CommandIds{{0x0001, 129}, Query(5)};
    QTest::newRow("key CH_1") << 2 << 2 << Call([](Cubrix &c) { c.sendKey(Cubrix::MNCP_KEY_CH_1); })
                              << CommandIds{{0x0001, 128}, Query(5)};
    QTest::newRow("rotary clockwise 3") << 1 << 0 << Call([](Cubrix &c) { c.sendRotary(1, 3); })
                                        << CommandIds{{0x0001, 0x53}};
    QTest::newRow("rotary push 0") << 1 << 0 << Call([](Cubrix &c) { c.sendRotary(0, 0); })
                                   << CommandIds{{0x0001, 0x40}};
    QTest::newRow("rotary counter-clockwise 7") << 1 << 0 << Call([](Cubrix &c) { c.sendRotary(2, 7); })
                                                << CommandIds{{0x0001, 0x67}};
    QTest::newRow("rotary type 3 refused") << 1 << 0 << Call([](Cubrix &c) { c.sendRotary(3, 1); }) << CommandIds{};
    QTest::newRow("rotary type -1 refused") << 1 << 0 << Call([](Cubrix &c) { c.sendRotary(-1, 1); })
                                            << CommandIds{};

    QTest::newRow("setCube sends nothing") << 1 << 0 << Call([](Cubrix &c) { c.setCube(2); }) << CommandIds{};
}

void TestCubrixCommands::reQueries()
{
    QFETCH(int, mode);
    QFETCH(int, channel);
    QFETCH(Call, call);
    QFETCH(CommandIds, expected);

    CubrixHarness box;
    box.setMode(mode, channel);
    QVERIFY(box.connectAndSettle());
    QCOMPARE(box.cubrix.boxMode(), mode);
    QCOMPARE(box.cubrix.boxCh(), channel);

    QCOMPARE(box.sentBy([&] { call(box.cubrix); }), expected);
    // Nothing follows later either (the query timer is only for mode and interpolation keys).
    QVERIFY(!box.cubrix.queryTimer()->isActive());
}

void TestCubrixCommands::payloads_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("request");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<CommandIds>("followUp");

    const CommandIds generator{Query(13)};
    // 1023 -> bits 29-20, 0 -> bits 19-10, 512 -> bits 9-0: 0x3FF00000 | 0x200.
    QTest::newRow("RGB 1023 0 512") << Call([](Cubrix &c) { c.setSignalRGB(1023, 0, 512); }) << 0x0600 << 1
                                    << QByteArray::fromHex("3ff00200") << generator;
    // 64 << 20 = 0x04000000, 512 << 10 = 0x00080000, 940 = 0x3AC.
    QTest::newRow("YCbCr 64 512 940") << Call([](Cubrix &c) { c.setSignalYCbCr(64, 512, 940); }) << 0x0600 << 2
                                      << QByteArray::fromHex("040803ac") << generator;
    // Out-of-range components are cut to their 10-bit fields: 0x7FF -> 0x3FF, -1 -> 0x3FF, 0x400 -> 0.
    QTest::newRow("RGB masked") << Call([](Cubrix &c) { c.setSignalRGB(0x7FF, -1, 0x400); }) << 0x0600 << 1
                                << QByteArray::fromHex("3ffffc00") << generator;
    QTest::newRow("RGB all zero") << Call([](Cubrix &c) { c.setSignalRGB(0, 0, 0); }) << 0x0600 << 1
                                  << QByteArray::fromHex("00000000") << generator;
    QTest::newRow("output type 17") << Call([](Cubrix &c) { c.setSignalOut(17); }) << 0x0600 << 3
                                    << QByteArray::fromHex("00000011") << generator;
    QTest::newRow("output type 5") << Call([](Cubrix &c) { c.setSignalOut(5); }) << 0x0600 << 3
                                   << QByteArray::fromHex("00000005") << generator;
    QTest::newRow("output form 4") << Call([](Cubrix &c) { c.setSignalForm(4); }) << 0x0600 << 4
                                   << QByteArray::fromHex("00000004") << generator;
    QTest::newRow("output form 1") << Call([](Cubrix &c) { c.setSignalForm(1); }) << 0x0600 << 4
                                   << QByteArray::fromHex("00000001") << generator;
    QTest::newRow("captureAnci 0x4105") << Call([](Cubrix &c) { c.captureAnci("0x4105"); }) << 0x0402 << 4
                                        << QByteArray::fromHex("4105") << CommandIds{};
    QTest::newRow("captureAnci 0x4105 index 258") << Call([](Cubrix &c) { c.captureAnci("0x4105", 258); })
                                                  << 0x0402 << 4 << QByteArray::fromHex("41050102") << CommandIds{};
    QTest::newRow("captureAnci 0x6101 index 65535") << Call([](Cubrix &c) { c.captureAnci("0x6101", 65535); })
                                                    << 0x0402 << 4 << QByteArray::fromHex("6101ffff")
                                                    << CommandIds{};
    QTest::newRow("captureAnci upper-case hex") << Call([](Cubrix &c) { c.captureAnci("0xFFA0"); }) << 0x0402 << 4
                                                << QByteArray::fromHex("ffa0") << CommandIds{};
}

void TestCubrixCommands::payloads()
{
    QFETCH(Call, call);
    QFETCH(int, protocol);
    QFETCH(int, request);
    QFETCH(QByteArray, payload);
    QFETCH(CommandIds, followUp);

    CubrixHarness box;
    box.setMode(3, 0);
    QVERIFY(box.connectAndSettle());
    const CommandIds sent = box.sentBy([&] { call(box.cubrix); });
    QCOMPARE(sent, (CommandIds{{protocol, request}} + followUp));
    QCOMPARE(box.fake.received().first().payload.toHex(), payload.toHex());
}

void TestCubrixCommands::modeKeysQueryOnceAfterTheLastPress()
{
    CubrixHarness box;
    QVERIFY(box.connectAndSettle());
    box.fake.clearReceived();

    QElapsedTimer clock;
    clock.start();
    box.cubrix.sendKey(Cubrix::MNCP_KEY_MODE_1);
    QTest::qWait(200);
    box.cubrix.sendKey(Cubrix::MNCP_KEY_MODE_3);
    QTest::qWait(200);
    box.cubrix.sendKey(Cubrix::MNCP_KEY_LUT_INTERPOLATION_2);
    const qint64 lastPress = clock.elapsed();
    QVERIFY(box.cubrix.queryTimer()->isActive());

    QVERIFY(box.fake.waitForCommands(5, 3000));
    const qint64 queried = clock.elapsed();
    QVERIFY(box.waitIdle());
    // A coarse 500 ms timer may fire up to 5 % early; a timer that was not restarted by the
    // later presses would fire about 100 ms after the last one.
    QVERIFY2(queried - lastPress >= 450, qPrintable(QString::number(queried - lastPress)));
    QCOMPARE(commandIds(box.fake), (CommandIds{{0x0001, 112}, {0x0001, 114}, {0x0001, 145}, Query(5), Query(22)}));

    // And only one pair: nothing more arrives afterwards.
    QTest::qWait(700);
    QCOMPARE(box.fake.received().size(), 5);
    QVERIFY(!box.cubrix.queryTimer()->isActive());
}

void TestCubrixCommands::channelKeyQueriesAtOnceAndStopsScopes()
{
    CubrixHarness box;
    box.setMode(2, 1);
    QVERIFY(box.connectAndSettle());
    ScopeStream *scope = box.cubrix.cScopeStream();
    scope->startStopPlayback(ScopeStream::Both, true);
    QVERIFY(box.waitIdle());
    QCOMPARE(scope->isPlaying(), quint8(3));

    QSignalSpy playing(scope, &ScopeStream::isPlayingChanged);
    QCOMPARE(box.sentBy([&] { box.cubrix.sendKey(Cubrix::MNCP_KEY_CH_2); }),
             (CommandIds{{0x0001, 129}, Query(5)}));
    QCOMPARE(scope->isPlaying(), quint8(0));
    QCOMPARE(playing.count(), 1);
    QVERIFY(!box.cubrix.queryTimer()->isActive());

    // Not playing: nothing to stop, no signal.
    box.cubrix.sendKey(Cubrix::MNCP_KEY_CH_1);
    QCOMPARE(playing.count(), 1);
}

void TestCubrixCommands::modeKeyStopsScopesAndStartsTimer()
{
    CubrixHarness box;
    box.setMode(1, 0);
    QVERIFY(box.connectAndSettle());
    ScopeStream *scope = box.cubrix.cScopeStream();
    scope->startStopPlayback(ScopeStream::Waveform, true);
    QVERIFY(box.waitIdle());
    QCOMPARE(scope->isPlaying(), quint8(1));

    box.setMode(3, 0);
    QCOMPARE(box.sentBy([&] { box.cubrix.sendKey(Cubrix::MNCP_KEY_MODE_3); }), (CommandIds{{0x0001, 114}}));
    QCOMPARE(scope->isPlaying(), quint8(0));
    QVERIFY(box.cubrix.queryTimer()->isActive());
    // The new mode is learnt from the query, not from the key.
    QCOMPARE(box.cubrix.boxMode(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(box.cubrix.boxMode(), 3, 3000);
}

void TestCubrixCommands::channelCountBounds_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("records");
    QTest::newRow("two") << 2 << 2;
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("negative") << -1 << 0;
    QTest::newRow("257 is capped") << 257 << 256;
    QTest::newRow("huge is capped") << 0x7FFFFFFF << 256;
}

void TestCubrixCommands::channelCountBounds()
{
    QFETCH(int, count);
    QFETCH(int, records);

    CubrixHarness box;
    QVERIFY(box.connectAndSettle());
    box.fake.clearReceived();
    QSignalSpy channelsChanged(&box.cubrix, &Cubrix::channelsChanged);

    // The box reports its channel count on its own.
    box.fake.send(FakeDevice::message(0x0100, 3, word32(quint32(count))));
    QVERIFY(channelsChanged.wait(3000));
    QVERIFY(box.waitIdle(10000));

    QCOMPARE(box.cubrix.channelNum(), count);
    QCOMPARE(box.cubrix.channelList().size(), records);
    QCOMPARE(channelsChanged.count(), 1);
    CommandIds expected;
    for (int i = 0; i < records; ++i)
        expected << QPair<int, int>{0x0101, (i << 8) | 0x10} << QPair<int, int>{0x0101, (i << 8) | 0x01};
    QCOMPARE(commandIds(box.fake), expected);
    for (int i = 0; i < records; ++i)
        QCOMPARE(box.cubrix.channelList().at(i)->id(), i);
}

void TestCubrixCommands::channelRepliesFillTheRecords()
{
    CubrixHarness box;
    box.answer(0x0101, 0x0010, QByteArray("SDI 1\0", 6));
    box.answer(0x0101, 0x0001, QByteArray("1080p25"));
    box.answer(0x0101, 0x0110, QByteArray("SDI 2"));
    QVERIFY(box.connectAndSettle());

    box.fake.send(FakeDevice::message(0x0100, 3, word32(2)));
    QTRY_COMPARE_WITH_TIMEOUT(box.cubrix.channelList().size(), 2, 3000);
    QVERIFY(box.waitIdle());
    QCOMPARE(box.cubrix.channelList().at(0)->name(), QStringLiteral("SDI 1"));
    QCOMPARE(box.cubrix.channelList().at(0)->mode(), QStringLiteral("1080p25"));
    QCOMPARE(box.cubrix.channelList().at(1)->name(), QStringLiteral("SDI 2"));
    QCOMPARE(box.cubrix.channelList().at(1)->mode(), QStringLiteral("NULL"));
    QCOMPARE(box.cubrix.channelList().at(1)->parent(), &box.cubrix);

    QQmlListProperty<ChannelInfo> list = box.cubrix.channels();
    QCOMPARE(list.count(&list), 2);
    QCOMPARE(list.at(&list, 1), box.cubrix.channelList().at(1));
}

void TestCubrixCommands::disconnectionResetsAndDropsChannels()
{
    CubrixHarness box;
    box.setMode(2, 2);
    box.answer(0x0100, 0, QByteArray("Cubrix"));
    box.answer(0x0100, 21, words16({1, 3}));
    box.answer(0x0100, 22, word32(2));
    QVERIFY(box.connectAndSettle());
    box.cubrix.setCube(1);
    box.fake.send(FakeDevice::message(0x0100, 3, word32(1)));
    QTRY_COMPARE_WITH_TIMEOUT(box.cubrix.channelList().size(), 1, 3000);
    QVERIFY(box.waitIdle());
    QCOMPARE(box.cubrix.box_lut_interpolation(), 2);
    QCOMPARE(box.cubrix.boxAnci(), 1);

    QSignalSpy destroyChannel(&box.cubrix, &Cubrix::destroyChannel);
    QSignalSpy channelsChanged(&box.cubrix, &Cubrix::channelsChanged);
    QSignalSpy stateChanged(&box.cubrix, &Cubrix::stateChanged);
    QSignalSpy cubeBitDef(&box.cubrix, &Cubrix::cubeBitDefChanged);
    QSignalSpy interpolation(&box.cubrix, &Cubrix::boxLutInterpolationChanged);
    box.fake.dropClient();
    QTRY_COMPARE_WITH_TIMEOUT(box.cubrix.state(), QAbstractSocket::UnconnectedState, 3000);

    QCOMPARE(destroyChannel.count(), 1);
    QCOMPARE(channelsChanged.count(), 0);
    QCOMPARE(box.cubrix.channelList().size(), 0);
    QCOMPARE(box.cubrix.channelNum(), 0);
    QVERIFY(box.cubrix.model().isEmpty());
    QCOMPARE(box.cubrix.boxMode(), 0);
    QCOMPARE(box.cubrix.cubeBitDef(), 3);
    QCOMPARE(cubeBitDef.count(), 1);
    QCOMPARE(box.cubrix.box_lut_interpolation(), 1);
    QCOMPARE(interpolation.count(), 1);
    QCOMPARE(box.cubrix.boxAnci(), 1);
    QVERIFY(!stateChanged.isEmpty());
    QCOMPARE(stateChanged.last().at(0).value<QAbstractSocket::SocketState>(), QAbstractSocket::UnconnectedState);
}

// The re-query after a mode key belongs to its connection: disconnecting within the delay must
// neither write into the closed socket nor leave the next connection stalled behind it.
void TestCubrixCommands::modeKeyThenDisconnectLeavesTheNextConnectionClean()
{
    CubrixHarness box;
    QVERIFY(box.connectAndSettle());
    QSignalSpy writeErrors(&box.cubrix, &Cubrix::socketWriteException);
    box.cubrix.sendKey(Cubrix::MNCP_KEY_MODE_2);
    QVERIFY(box.waitIdle());
    box.cubrix.deviceDisconnect();
    QTRY_COMPARE_WITH_TIMEOUT(box.cubrix.state(), QAbstractSocket::UnconnectedState, 3000);
    QTest::qWait(Cubrix::QueryTimerInterval + 200);
    QCOMPARE(writeErrors.size(), 0);

    box.fake.clearReceived();
    QVERIFY(connectToFake(box.cubrix, box.fake));
    QVERIFY(box.fake.waitForCommands(CubrixHarness::ConnectionQueries));
    QVERIFY(box.waitIdle());
    QCOMPARE(commandIds(box.fake).first(), Query(0));
    QCOMPARE(box.fake.received().size(), CubrixHarness::ConnectionQueries);
}

QTEST_MAIN(TestCubrixCommands)
#include "tst_cubrixcommands.moc"
