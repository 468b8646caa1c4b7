#include "cubrix/cubrix.h"
#include "logcapture.h"
#include "monitor/monitor.h"
#include "session/sessionmanager.h"
#include "simprocess.h"

#include <QGuiApplication>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

// Faults the simulator injects into a device's connection, and the saved tab list under a
// program killed while it rewrites the file (this test program, started with --write-tabs).
namespace {
struct Box {
    std::unique_ptr<DeviceBase> device;
    CaptureFrame item;
    explicit Box(const QString &role, const SimProcess &sim)
    {
        if (role == QLatin1String("cubrix"))
            device = std::make_unique<Cubrix>();
        else
            device = std::make_unique<Monitor>();
        QMetaObject::invokeMethod(device.get(), "registerFeature", Q_ARG(CaptureFrame *, &item), Q_ARG(int, 2));
        device->setPort(sim.port());
        device->setAddress(sim.address());
        device->deviceConnect();
    }
    template <typename D> D &as() { return static_cast<D &>(*device); }
    bool idle() { return device->socketHandler()->inFlight().protocol == 0 && device->socketHandler()->queuedCount() == 0; }
};
using Act = std::function<void(Box &)>;

// The commands the simulator logged, as "pppp/rrrr/length", in the order it read them.
QStringList logged(SimProcess &sim, const QString &filter = QString())
{
    static const QRegularExpression line("command protocol=0x(\\w{4}) request=0x(\\w{4}) length=(\\d+)");
    QStringList commands;
    for (auto matches = line.globalMatch(sim.log()); matches.hasNext();) {
        const auto match = matches.next();
        commands << match.captured(1) + '/' + match.captured(2) + '/' + match.captured(3);
    }
    return commands.filter(QRegularExpression('^' + filter));
}

// Handles every event as it comes (QTest::qWait sleeps between rounds, which lets bytes that
// arrive one by one pile up in the socket).
bool waitHandlingEachEvent(const std::function<bool()> &done, int timeoutMs)
{
    QTimer wakeUp;
    wakeUp.start(20);
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// Rewrites the saved tabs until killed (a minute at most): each round reads the list, as a start
// does, and builds a new one tab by tab, every addition saving the whole list. Names carry the
// round, so the test can tell the versions apart.
int writeTabsUntilKilled(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("SavedTabsCrash"));
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QElapsedTimer clock;
    clock.start();
    for (int round = 1; clock.elapsed() < 60000; ++round) {
        SessionManager().readFromDisk();
        SessionManager writer;
        for (int i = 0; i < 1 + (round * 7) % 40; ++i)
            writer.addTab(static_cast<uchar>(i), (round + i) % 2 ? "CUBRIX" : "MONITOR", QString("127.0.%1.%2").arg(round % 250).arg(i + 1),
                          QString("r%1-t%2-").arg(round).arg(i) + QString(120, 'n'), round % 3 ? "dark" : "light");
        if (round == 1 && std::puts("ready") >= 0)
            std::fflush(stdout);
    }
    return 0;
}
} // namespace
Q_DECLARE_METATYPE(Act)

class TestRobustness : public QObject
{
    Q_OBJECT
    QTemporaryDir m_temp;
private slots:
    void initTestCase()
    {
        QVERIFY(m_temp.isValid());
        qputenv("TMPDIR", m_temp.path().toUtf8());
        qputenv("XDG_DATA_HOME", m_temp.path().toUtf8());
        QCoreApplication::setApplicationName(QStringLiteral("SavedTabsCrash"));
    }
    void roles_data()
    {
        QTest::addColumn<QString>("role");
        QTest::newRow("monitor") << "monitor";
        QTest::newRow("cubrix") << "cubrix";
    }

    void stateFromSingleBytes_data() { roles_data(); }
    void stateFromSingleBytes()
    {
        QFETCH(QString, role);
        SimProcess sim;
        QVERIFY(sim.start({"--role", role, "--chunk", "1"}));
        Box box(role, sim);
        int reads = 0;
        connect(&box.device->socketHandler()->socket(), &QTcpSocket::readyRead, [&reads] { ++reads; });
        QSignalSpy errors(box.device.get(), &DeviceBase::commError), readErrors(box.device.get(), &DeviceBase::socketReadException);
        const QString ready = role == "cubrix" ? "box_mode" : "channel_num";
        QVERIFY(waitHandlingEachEvent([&] { return box.device->property(ready.toLatin1()).toInt() > 0 && box.idle(); }, 60000));
        // The simulator's presets, each reassembled from single bytes.
        QStringList values;
        for (const QString &name : QStringList{"model", "version", "serial", ready})
            values << box.device->property(name.toLatin1()).toString();
        QCOMPARE(values, (role == "cubrix" ? QStringList{"Cubrix", "2.3.0", "CBX2300571", "1"} : QStringList{"RV-3100", "2.8.0", "RV31A00427", "3"}));
        if (role == "monitor")
            QCOMPARE(box.as<Monitor>().channelList().at(2)->name() + box.as<Monitor>().channelList().at(2)->mode(), QStringLiteral("HDMI1920x1080p 25"));
        QCOMPARE(errors.size() + readErrors.size(), 0);
        QVERIFY2(reads > logged(sim).size(), qPrintable(QString::number(reads)));
    }

    void badCrcReportsThenDisconnects_data()
    {
        QTest::addColumn<QString>("role"); QTest::addColumn<QStringList>("fault");
        for (const char *role : {"monitor", "cubrix"}) {
            // The serial number query is the third query of both kinds.
            QTest::addRow("%s, on the serial query", role) << role << QStringList{"--bad-crc", "0x0100:2"};
            QTest::addRow("%s, after two replies", role) << role << QStringList{"--bad-crc-after", "2"};
        }
    }
    void badCrcReportsThenDisconnects()
    {
        QFETCH(QString, role); QFETCH(QStringList, fault);
        SimProcess sim;
        QVERIFY(sim.start(QStringList{"--role", role} + fault));
        Box box(role, sim);
        QList<QList<int>> errors;
        connect(box.device.get(), &DeviceBase::commError, [&](int protocol, int request, int status) {
            errors.append({protocol, request, status, int(box.device->state())});
        });
        QSignalSpy protocolErrors(box.device.get(), &DeviceBase::protocolError);
        QTRY_COMPARE_WITH_TIMEOUT(box.device->state(), QAbstractSocket::UnconnectedState, 10000);
        QTest::qWait(100);
        // Reported with its fields as they came off the wire, while still connected.
        QCOMPARE(errors, (QList<QList<int>>{{0x0001, 0x0200, -1, QAbstractSocket::ConnectedState}}));
        QCOMPARE(protocolErrors.size(), 0);
        QVERIFY(sim.isRunning() && sim.waitForLog("fault:"));
    }

    void errorReplyOnEveryFamily_data()
    {
        QTest::addColumn<QString>("role"); QTest::addColumn<int>("protocol"); QTest::addColumn<Act>("act"); // none: connecting asks
        const QString firmware = m_temp.filePath("firmware.bin");
        QFile image(firmware);
        QVERIFY(image.open(QIODevice::WriteOnly) && image.write(QByteArray(64, '\x42')) == 64);
        using M = Monitor;
        using C = Cubrix;
        QTest::newRow("key") << "monitor" << 0x0001 << Act([](Box &b) { b.as<M>().sendKey(DeviceBase::MNCP_KEY_MENU); });
        QTest::newRow("tally") << "monitor" << 0x0002 << Act([](Box &b) { b.device->setTally(true, false); });
        QTest::newRow("umd") << "cubrix" << 0x0004 << Act([](Box &b) { b.device->setUMD(true, "CAM 1"); });
        QTest::newRow("firmware") << "monitor" << 0x0005 << Act([=](Box &b) { b.device->updateFirmware(QUrl::fromLocalFile(firmware)); });
        QTest::newRow("input signal") << "cubrix" << 0x0006 << Act([](Box &b) { b.as<C>().setInputSignal(1); });
        QTest::newRow("basic info, monitor") << "monitor" << 0x0100 << Act();
        QTest::newRow("basic info, cubrix") << "cubrix" << 0x0100 << Act();
        QTest::newRow("channel info") << "monitor" << 0x0101 << Act();
        QTest::newRow("1D calibration") << "monitor" << 0x0300 << Act([](Box &b) { b.as<M>().setLut(M::LUT_TYPE_1D, M::LUT_FUNC_CALIBRATION, 1, true); });
        QTest::newRow("1D DIT") << "cubrix" << 0x0301 << Act([](Box &b) { b.as<C>().setLut(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 1, true); });
        QTest::newRow("1D box") << "cubrix" << 0x0302 << Act([](Box &b) { b.as<C>().loadLut(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 2); });
        QTest::newRow("input range") << "cubrix" << 0x0304 << Act([](Box &b) { b.as<C>().setRange(2); });
        QTest::newRow("3D calibration") << "monitor" << 0x0310 << Act([](Box &b) { b.as<M>().setLut(M::LUT_TYPE_3D, M::LUT_FUNC_CALIBRATION, 1, false); });
        QTest::newRow("3D DIT") << "monitor" << 0x0311 << Act([](Box &b) { b.as<M>().loadLut(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 2); });
        QTest::newRow("frame capture") << "monitor" << 0x0400 << Act([](Box &b) { b.item.captureFrame(0); });
        QTest::newRow("frame load") << "cubrix" << 0x0401 << Act([](Box &b) { b.as<C>().loadFrame(1); });
        QTest::newRow("ancillary capture") << "cubrix" << 0x0402 << Act([](Box &b) { b.as<C>().setAnci(1); });
        QTest::newRow("scope stream") << "cubrix" << 0x0403 << Act([](Box &b) { b.as<C>().cScopeStream()->startStopPlayback(1, true); });
        QTest::newRow("custom markers") << "monitor" << 0x0404 << Act([](Box &b) { b.as<M>().queryCustomMarker(); });
        QTest::newRow("analyzer") << "monitor" << 0x0405 << Act([](Box &b) { b.as<M>().requestAnalyzerPng(0); });
        QTest::newRow("user IP") << "monitor" << 0x0500 << Act([](Box &b) { b.device->setUserIP("192.0.2.20", "255.255.255.0", "192.0.2.1"); });
        QTest::newRow("test pattern") << "cubrix" << 0x0600 << Act([](Box &b) { b.as<C>().setSignalRGB(100, 200, 300); });
    }
    // Each error reply becomes one protocol error with the status unchanged; the connection stays
    // and the next command goes out.
    void errorReplyOnEveryFamily()
    {
        QFETCH(QString, role); QFETCH(int, protocol); QFETCH(Act, act);
        SimProcess sim;
        QVERIFY(sim.start({"--role", role, "--error-reply", QString::asprintf("0x%04x:*:0x5a", protocol)}));
        Box box(role, sim);
        QSignalSpy errors(box.device.get(), &DeviceBase::protocolError), commErrors(box.device.get(), &DeviceBase::commError);
        QTRY_VERIFY_WITH_TIMEOUT(box.device->state() == QAbstractSocket::ConnectedState && box.idle(), 10000);
        if (act)
            act(box);
        QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty() && box.idle(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), sim.countInLog("fault: error reply status 90"), 2000);
        for (const QList<QVariant> &error : qAsConst(errors))
            QVERIFY(error.at(0).toInt() == protocol && error.at(2).toInt() == 0x5a);
        const QString next = protocol == 0x0002 ? "0004/0100" : "0002/0102";
        const int before = logged(sim, next).size();
        protocol == 0x0002 ? box.device->setUMD(false, QString()) : box.device->setTally(false, true);
        QTRY_VERIFY_WITH_TIMEOUT(box.idle() && logged(sim, next).size() == before + 1, 5000);
        QVERIFY(commErrors.isEmpty() && box.device->state() == QAbstractSocket::ConnectedState);
    }

    void silentDevice_data() { roles_data(); }
    void silentDevice()
    {
        QFETCH(QString, role);
        SimProcess sim;
        QVERIFY(sim.start({"--role", role, "--silent-after", "0"}));
        Box box(role, sim);
        SocketHandler *handler = box.device->socketHandler();
        QTRY_COMPARE_WITH_TIMEOUT(handler->inFlight().protocol, quint16(0x0100), 5000);
        QVERIFY(sim.waitForLog("fault: command 1 not answered"));
        // The event loop keeps running while the first query waits for ever: timers fire and calls
        // from the user interface return at once, only queueing.
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(10);
        QElapsedTimer clock;
        clock.start();
        const int queued = handler->queuedCount();
        for (int i = 0; i < 200; ++i)
            box.device->setTally(i % 2, i % 3);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(handler->queuedCount(), queued + 200);
        QTest::qWait(500);
        QVERIFY2(ticks >= 10 && handler->inFlight().protocol == 0x0100, qPrintable(QString::number(ticks)));
        // Cancel ends the connection at once, reporting each command dropped; disconnect ends a
        // new one and drops what waited, as asked.
        LogCapture dropped;
        box.device->deviceCancelConnect();
        QVERIFY(box.device->state() == QAbstractSocket::UnconnectedState && box.idle());
        box.device->deviceConnect();
        QTRY_VERIFY_WITH_TIMEOUT(box.device->state() == QAbstractSocket::ConnectedState && handler->inFlight().protocol != 0, 5000);
        box.device->deviceDisconnect();
        QVERIFY(box.idle());
        QTRY_COMPARE_WITH_TIMEOUT(box.device->state(), QAbstractSocket::UnconnectedState, 5000);
        QVERIFY(sim.waitForLog("disconnected after"));
        QCOMPARE(dropped.lines().filter("dropCommands").size(), queued + 201);
    }

    // A device that ends the connection: what was learnt is forgotten, what waited is dropped and
    // reported, and nothing is taken for an error.
    void closedByTheDevice_data() { roles_data(); }
    void closedByTheDevice()
    {
        QFETCH(QString, role);
        SimProcess sim;
        QVERIFY(sim.start({"--role", role, "--close-after", "2"}));
        LogCapture warnings;
        Box box(role, sim);
        QSignalSpy errors(box.device.get(), &DeviceBase::commError), readErrors(box.device.get(), &DeviceBase::socketReadException);
        QSignalSpy models(box.device.get(), SIGNAL(modelChanged()));
        QTRY_COMPARE_WITH_TIMEOUT(box.device->state(), QAbstractSocket::UnconnectedState, 10000);
        QVERIFY(box.idle() && box.device->property("model").toString().isEmpty() && models.size() == 2);
        QCOMPARE(warnings.lines().filter("dropCommands").size(), role == "cubrix" ? 20 : 3);
        QCOMPARE(errors.size() + readErrors.size(), 0);
    }

    // Ten thousand commands queued at once leave one at a time, all of them, in the order queued.
    void tenThousandCommandsInOrder()
    {
        SimProcess sim;
        QVERIFY(sim.start({"--role", "monitor"}));
        Box box("monitor", sim);
        QSignalSpy errors(box.device.get(), &DeviceBase::protocolError), commErrors(box.device.get(), &DeviceBase::commError);
        QTRY_VERIFY_WITH_TIMEOUT(box.as<Monitor>().channelNum() == 3 && box.idle(), 10000);
        const int before = logged(sim).size();
        // Keys and texts of changing length: neighbours differ, so a command lost, repeated or
        // swapped shows in the sequence.
        QStringList expected;
        for (int i = 0; i < 10000; ++i) {
            const int key = QList<int>{33, 34, 35, 36, 48, 49, 50}.at((i / 2) % 7), length = 1 + i % 61;
            if (i % 2 == 0)
                box.as<Monitor>().sendKey(DeviceBase::mncp_key_code(key));
            else
                box.device->setUMD(true, QString(length, QLatin1Char('a' + i % 26)));
            expected << (i % 2 ? QString("0004/0101/%1").arg(length) : QString::asprintf("0001/%04x/0", key));
        }
        QVERIFY(box.device->socketHandler()->queuedCount() >= 10000 - 2); // one in flight, the rest waiting
        QVERIFY(waitHandlingEachEvent([&] { return box.idle(); }, 180000));
        QTRY_COMPARE_WITH_TIMEOUT(logged(sim).size(), before + 10000, 10000);
        QCOMPARE(logged(sim).mid(before), expected);
        QCOMPARE(errors.size() + commErrors.size(), 0);
    }

    // A profile may hold any number of tabs; an 8-bit index and the next start's limit hold 256.
    void tabListStopsAtItsLimit()
    {
        {
            SessionManager manager;
            for (int k = 0; k < 300; ++k)
                manager.addTab(static_cast<uchar>(k), "MONITOR", "127.0.0.1", QString("Tab %1").arg(k), "dark");
            QCOMPARE(manager.records().size(), 256);
            manager.removeTab(0);
            manager.addTab(255, "CUBRIX", "127.0.0.2", "Last", "light");
        }
        SessionManager nextStart;
        QVERIFY(nextStart.readFromDisk());
        const auto &records = nextStart.records();
        QCOMPARE(records.size(), 256);
        QCOMPARE(records.at(0).name + records.at(254).name + records.at(255).name, QStringLiteral("Tab 1Tab 255Last"));
    }

    // Killed whenever, the writer leaves one complete list it wrote, never a cut or mixed one,
    // and the next start reads all of it.
    void killedWriterLeavesACompleteList()
    {
        static const QRegularExpression pattern("^(\\d+),(MONITOR|CUBRIX),127\\.0\\.(\\d+)\\.(\\d+),r(\\d+)-t(\\d+)-n{120},(dark|light)$");
        QSet<QPair<int, int>> versionsSeen;
        for (int kill = 0; kill < 50; ++kill) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(), {"--write-tabs"});
            QVERIFY(writer.waitForStarted(5000));
            QVERIFY(writer.waitForReadyRead(10000) && writer.readAllStandardOutput().startsWith("ready"));
            QThread::msleep(QRandomGenerator::global()->bounded(1, 40)); // somewhere in the middle of the rewriting
            writer.kill();
            QVERIFY(writer.waitForFinished(5000) && writer.exitStatus() == QProcess::CrashExit);
            QFile file(SessionManager().filePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray contents = file.readAll();
            QVERIFY2(contents.endsWith('\n'), qPrintable(QString("kill %1: cut off").arg(kill)));
            const QList<QByteArray> lines = contents.chopped(1).split('\n');
            const int round = pattern.match(QString(lines.first())).captured(5).toInt();
            QVERIFY2(lines.size() <= 1 + (round * 7) % 40, qPrintable(QString("kill %1: %2 lines in round %3").arg(kill).arg(lines.size()).arg(round)));
            for (int i = 0; i < lines.size(); ++i) {
                const auto match = pattern.match(QString(lines.at(i)));
                const QStringList written{QString::number(i), (round + i) % 2 ? "CUBRIX" : "MONITOR", QString::number(round % 250),
                                          QString::number(i + 1), QString::number(round), QString::number(i), round % 3 ? "dark" : "light"};
                QVERIFY2(match.hasMatch() && match.capturedTexts().mid(1) == written, qPrintable(QString("kill %1: %2").arg(kill).arg(QString(lines.at(i)))));
            }
            versionsSeen.insert({round, lines.size()});
            SessionManager nextStart;
            QVERIFY(nextStart.readFromDisk() && nextStart.records().size() == lines.size());
        }
        // The kills landed at different moments, not always on the same list.
        QVERIFY2(versionsSeen.size() >= 5, qPrintable(QString::number(versionsSeen.size())));
    }
};

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--write-tabs") == 0)
        return writeTabsUntilKilled(argc, argv);
    QGuiApplication app(argc, argv);
    TestRobustness test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_robustness.moc"
