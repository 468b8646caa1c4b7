// What the program tells the operator about each device, against the simulator: the outcome of
// every kind of operation (also when the device answers with an error), the progress of a large
// upload, the device log, and the health of the connection (reasons, reply time-out, the idle
// probe, reconnecting to a device that comes back). Every wait is bounded.
#include "capture/captureframe.h"
#include "cubefiles.h"
#include "cubrix/cubrix.h"
#include "device/connectionkeeper.h"
#include "device/deviceactivity.h"
#include "device/devicelog.h"
#include "logcapture.h"
#include "monitor/monitor.h"
#include "simprocess.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {
using Action = std::function<void(DeviceBase &, const QTemporaryDir &)>;
QUrl file(const QTemporaryDir &dir, const char *name) { return QUrl::fromLocalFile(dir.filePath(QLatin1String(name))); }
Monitor &monitor(DeviceBase &d) { return static_cast<Monitor &>(d); }
Cubrix &cubrix(DeviceBase &d) { return static_cast<Cubrix &>(d); }

const QHash<QString, Action> &actions()
{
    using M = Monitor;
    using C = Cubrix;
    static const QHash<QString, Action> all{
        {"firmware", [](DeviceBase &d, const QTemporaryDir &f) { d.updateFirmware(file(f, "fw.bin")); }},
        {"address", [](DeviceBase &d, const QTemporaryDir &) { d.setUserIP("127.0.0.9", "255.0.0.0", "127.0.0.1"); }},
        {"wifi", [](DeviceBase &d, const QTemporaryDir &) { d.setUserWIFI("Studio", "secret"); }},
        {"lut save", [](DeviceBase &d, const QTemporaryDir &f) { monitor(d).saveLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 3, file(f, "look.cube")); }},
        {"lut load", [](DeviceBase &d, const QTemporaryDir &) { monitor(d).loadLut(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 3); }},
        {"lut on", [](DeviceBase &d, const QTemporaryDir &) { monitor(d).setLut(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 3, true); }},
        {"lut send", [](DeviceBase &d, const QTemporaryDir &f) { monitor(d).sendLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, file(f, "look.cube")); }},
        {"lut refused", [](DeviceBase &d, const QTemporaryDir &f) { monitor(d).saveLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 3, file(f, "short.cube")); }},
        {"marker", [](DeviceBase &d, const QTemporaryDir &f) { monitor(d).sendCustomMarker("Safe", file(f, "marker.png")); }},
        {"marker list", [](DeviceBase &d, const QTemporaryDir &) { monitor(d).queryCustomMarker(); }},
        {"marker delete", [](DeviceBase &d, const QTemporaryDir &) { monitor(d).deleteCustomMarker("Safe Area 93"); }},
        {"analyzer", [](DeviceBase &d, const QTemporaryDir &) { monitor(d).requestAnalyzerPng(0); }},
        {"box lut save", [](DeviceBase &d, const QTemporaryDir &f) { cubrix(d).saveLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 2, file(f, "look.cube"), 1); }},
        {"box lut delete", [](DeviceBase &d, const QTemporaryDir &) { cubrix(d).saveLutArray(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, "ID", 1); }},
        {"frame store", [](DeviceBase &d, const QTemporaryDir &f) { cubrix(d).saveFrame(1, file(f, "frame.raw")); }},
        {"frame send", [](DeviceBase &d, const QTemporaryDir &f) { cubrix(d).sendFrame(1, file(f, "frame.raw")); }},
        {"frame recall", [](DeviceBase &d, const QTemporaryDir &) { cubrix(d).loadFrame(1); }},
        {"generator frame", [](DeviceBase &d, const QTemporaryDir &f) { cubrix(d).sendFrameFile(file(f, "frame.raw")); }},
    };
    return all;
}
} // namespace

class TestDeviceHealth : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { m_device.reset(); m_sim.stop(); VERIFY_NO_LOG(*m_log); }
    void outcomes_data();
    void outcomes();
    void capturesAndSaves();
    void connectionReasons_data();
    void connectionReasons();
    void largeUploadProgress();
    void deviceLogKeepsOrderAndBound();
    void idleDeviceThatFallsSilentIsNoticed();
    void unansweredCommandEndsTheConnection();
    void reconnectsToADeviceThatComesBack();
    void refusalsStopTheRetries();
    void disconnectStopsTheRetries();

private:
    // The simulator playing `role` with these options, and the device connected to it.
    bool open(const QString &role, const QStringList &options = {});
    // A monitor that answers the connection's own queries and then nothing more.
    bool openFallingSilent();

    std::unique_ptr<LogCapture> m_log;
    QTemporaryDir m_files;
    SimProcess m_sim;
    std::unique_ptr<DeviceBase> m_device;
};

void TestDeviceHealth::initTestCase()
{
    m_log = std::make_unique<LogCapture>(QtWarningMsg);
    QVERIFY(m_files.isValid());
    QFile firmware(m_files.filePath("fw.bin"));
    QVERIFY(firmware.open(QIODevice::WriteOnly) && firmware.write(QByteArray(4096, 'f')) == 4096);
    firmware.close();
    const QByteArray cube = CubeFiles::cubeFile(17, CubeFiles::identity(17), 6);
    CubeFiles::writeFile(m_files, "look.cube", cube);
    CubeFiles::writeFile(m_files, "short.cube", cube.left(400));
    QFile png(m_files.filePath("marker.png")), raw(m_files.filePath("frame.raw"));
    QVERIFY(png.open(QIODevice::WriteOnly) && png.write("\x89PNG\r\n\x1a\n....") > 0 && raw.open(QIODevice::WriteOnly) && raw.write(QByteArray(2048, 'r')) > 0);
}

bool TestDeviceHealth::open(const QString &role, const QStringList &options)
{
    // A log file, not a pipe: thousands of logged commands would fill a pipe nobody reads.
    QFile::remove(m_files.filePath("sim.log"));
    if (!m_sim.start(QStringList{"--role", role, "--family", "kt", "--log-file", m_files.filePath("sim.log")} + options))
        return false;
    m_device.reset(role == QLatin1String("monitor") ? static_cast<DeviceBase *>(new Monitor) : new Cubrix);
    m_device->setPort(m_sim.port());
    m_device->setAddress(m_sim.address());
    m_device->deviceConnect();
    SocketHandler *handler = m_device->socketHandler();
    return QTest::qWaitFor([&] { return m_device->state() == QAbstractSocket::ConnectedState && handler->queuedCount() == 0
                                        && handler->inFlight().protocol == 0 && !m_device->property("model").toString().isEmpty(); }, 10000);
}

bool TestDeviceHealth::openFallingSilent()
{
    if (!open("monitor"))
        return false;
    const int sequence = m_sim.countInLog(QStringLiteral(" command protocol="));
    m_device.reset();
    m_log->allow(QStringLiteral("dropped"));
    m_log->allow(QStringLiteral("no answer to command"));
    return open("monitor", {"--silent-after", QString::number(sequence)});
}

void TestDeviceHealth::outcomes_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("fault"); // the protocol the simulator answers with an error, or ""
    QTest::addColumn<QString>("expected"); // "running text|outcome"
    const auto both = [](const char *role, const char *action, const char *fault, const char *running, const char *done, const char *error) {
        QTest::addRow("%s, %s", role, action) << role << action << QString() << QStringLiteral("%1|%2").arg(running, done);
        QTest::addRow("%s, %s, error reply", role, action) << role << action << fault
                                                           << QStringLiteral("%1|%1 failed: %2 (status 1)").arg(running, error);
    };
    both("monitor", "firmware", "0x0005", "Updating the firmware from fw.bin", "Firmware fw.bin accepted by the device", "Protocol Firmware Error");
    both("cubrix", "firmware", "0x0005", "Updating the firmware from fw.bin", "Firmware fw.bin accepted by the device", "Protocol Firmware Error");
    both("monitor", "address", "0x0500", "Setting the device's address to 127.0.0.9", "Device address set to 127.0.0.9; connect to it there",
         "Protocol User IP SET Error");
    both("cubrix", "wifi", "0x0500", "Setting the Wi-Fi network to \"Studio\"", "Wi-Fi network set to \"Studio\"", "Protocol User IP SET Error");
    both("monitor", "lut save", "0x0311", "Saving 3D DIT LUT to slot 3", "3D DIT LUT saved to slot 3", "Protocol DIT 3DLUT Error");
    both("monitor", "lut load", "0x0311", "Loading 3D DIT LUT slot 3", "3D DIT LUT slot 3 loaded", "Protocol DIT 3DLUT Error");
    both("monitor", "lut on", "0x0311", "Switching 3D DIT LUT slot 3 on", "3D DIT LUT slot 3 switched on", "Protocol DIT 3DLUT Error");
    both("monitor", "lut send", "0x0311", "Sending 3D DIT LUT look.cube", "3D DIT LUT in use", "Protocol DIT 3DLUT Error");
    both("monitor", "marker", "0x0404", "Uploading marker \"Safe\"", "Marker \"Safe\" uploaded; power-cycle the monitor to see it",
         "unknown protocol error");
    both("monitor", "marker list", "0x0404", "Reading the marker list", "Marker list read", "unknown protocol error");
    both("monitor", "marker delete", "0x0404", "Deleting marker \"Safe Area 93\"", "Marker \"Safe Area 93\" deleted", "unknown protocol error");
    both("monitor", "analyzer", "0x0405", "Fetching the analyzer picture", "Analyzer picture received", "unknown protocol error");
    both("cubrix", "box lut save", "0x0311", "Saving 3D front LUT to slot 3", "3D front LUT saved to slot 3", "Protocol DIT 3DLUT Error");
    both("cubrix", "box lut delete", "0x0301", "Clearing 1D front LUT slot 1", "1D front LUT slot 1 cleared", "Protocol DIT(Front) 1DLUT Error");
    both("cubrix", "frame store", "0x0401", "Saving frame frame.raw to slot 2", "Frame saved to slot 2", "Protocol Frame Load Error");
    both("cubrix", "frame send", "0x0401", "Sending frame frame.raw", "Frame frame.raw shown", "Protocol Frame Load Error");
    both("cubrix", "frame recall", "0x0401", "Recalling frame slot 2", "Frame slot 2 recalled", "Protocol Frame Load Error");
    both("cubrix", "generator frame", "0x0600", "Sending the generator frame frame.raw", "Generator shows frame frame.raw", "Protocol TPG SET Error");
    // A file the device could not use goes nowhere; the reason names the file and the problem.
    QTest::newRow("refused before sending") << "monitor" << "lut refused" << QString()
                                            << "|3D DIT LUT not sent: short.cube: 14 entries, a 17-point LUT has 4913: the devices would refuse it or send it incomplete";
}

void TestDeviceHealth::outcomes()
{
    QFETCH(QString, role);
    QFETCH(QString, action);
    QFETCH(QString, fault);
    QVERIFY(open(role, fault.isEmpty() ? QStringList() : QStringList{"--error-reply", fault + ":*"}));
    DeviceActivity *activity = m_device->activity();
    QString running, outcome;
    connect(activity, &DeviceActivity::textChanged, this, [&] { running = running.isEmpty() ? activity->text() : running; });
    connect(activity, &DeviceActivity::finished, this, [&](const QString &text, bool ok) { outcome = text + (ok ? "" : " [failed]"); });
    m_log->allow(QStringLiteral("error"));
    m_log->allow(QStringLiteral("not sent"));
    actions().value(action)(*m_device, m_files);
    QVERIFY(QTest::qWaitFor([&] { return !outcome.isEmpty(); }, 10000));
    QTEST(running + '|' + outcome.remove(QLatin1String(" [failed]")), "expected");
    QCOMPARE(activity->outcomeOk(), fault.isEmpty() && action != QLatin1String("lut refused"));
}

// The capture item's requests and saves, and the analyzer picture's, are outcomes of the device.
void TestDeviceHealth::capturesAndSaves()
{
    QVERIFY(open("monitor"));
    auto &device = static_cast<Monitor &>(*m_device);
    CaptureFrame item;
    device.registerFeature(&item, 2);
    QStringList outcomes;
    connect(device.activity(), &DeviceActivity::finished, this, [&](const QString &text, bool ok) { outcomes << text + (ok ? "" : " [failed]"); });
    const auto next = [&](auto action, int count = 1) {
        outcomes.clear();
        action();
        return QTest::qWaitFor([&] { return outcomes.size() >= count && !device.activity()->busy(); }, 10000) ? outcomes.join(" + ") : QStringLiteral("none");
    };
    QCOMPARE(next([&] { item.captureFrame(0); }), QStringLiteral("Frame captured"));
    item.setQuickSaveDir(QUrl::fromLocalFile(m_files.path()).toString()); // as the folder dialog gives it
    item.setQuickSaveName(QStringLiteral("shot"));
    item.setQuickSaveType(CaptureFrame::SaveBitmap);
    item.setQuickSaveCount(1);
    const QString saved = next([&] { item.captureFrame(0); }, 2);
    QVERIFY2(saved.startsWith(QLatin1String("Frame captured + Frame saved to ") + m_files.path()) && saved.endsWith(QLatin1String("shot.bmp")), qPrintable(saved));
    QVERIFY(QFileInfo(saved.section(QLatin1String("saved to "), 1)).size() > 0);
    QCOMPARE(next([&] { device.requestAnalyzerPng(0); }), QStringLiteral("Analyzer picture received"));
    const QString png = m_files.filePath("analyzer.png"), pdf = m_files.filePath("analyzer.pdf"), nowhere = m_files.filePath("gone/analyzer.png");
    QCOMPARE(next([&] { device.saveAnalyzerPng(QUrl::fromLocalFile(png)); }), "Analyzer picture saved to " + png);
    QCOMPARE(next([&] { device.saveAnalyzerPdf(QUrl::fromLocalFile(pdf)); }), "Analyzer report saved to " + pdf);
    m_log->allow(QStringLiteral("could not save to"));
    QVERIFY(next([&] { device.saveAnalyzerPng(QUrl::fromLocalFile(nowhere)); }).startsWith("Analyzer picture not saved to " + nowhere));
    // A capture the device refuses.
    m_device.reset();
    QVERIFY(open("monitor", {"--error-reply", "0x0400:*"}));
    auto &refusing = static_cast<Monitor &>(*m_device);
    refusing.registerFeature(&item, 2);
    connect(refusing.activity(), &DeviceActivity::finished, this, [&](const QString &text, bool ok) { outcomes << text + (ok ? "" : " [failed]"); });
    outcomes.clear();
    item.setQuickSaveCount(0);
    item.captureFrame(0);
    QVERIFY(QTest::qWaitFor([&] { return !outcomes.isEmpty(); }, 10000));
    QCOMPARE(outcomes.first().section('\n', 0, 0), QStringLiteral("Capturing a frame failed: Frame Capture Protocol Error"));
}

void TestDeviceHealth::connectionReasons_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("reason");
    // The model query is the first the monitor sends when it connects.
    QTest::newRow("refused") << "none" << QStringList() << "connection refused";
    QTest::newRow("closed by the device") << "monitor" << QStringList{"--close-after", "12"} << "closed by the device";
    QTest::newRow("protocol error") << "monitor" << QStringList{"--bad-crc-after", "12"} << "protocol error: the device sent a header with a bad checksum";
    QTest::newRow("a Cubrix in a monitor tab") << "mismatch" << QStringList() << "Not reconnecting: the device at this address is a Cubrix, not a monitor";
}

void TestDeviceHealth::connectionReasons()
{
    QFETCH(QString, role);
    QFETCH(QStringList, options);
    QFETCH(QString, reason);
    m_log->allow(QStringLiteral("Socket"));
    m_log->allow(QStringLiteral("dropped"));
    m_device = std::make_unique<Monitor>();
    m_device->connection()->setAutoReconnect(role == QLatin1String("mismatch"));
    if (role == QLatin1String("none")) {
        m_device->setPort(SimProcess::freePort(QStringLiteral("127.0.0.1")));
    } else {
        QVERIFY(m_sim.start(QStringList{"--role", role == QLatin1String("mismatch") ? "cubrix" : role} + options));
        m_device->setPort(m_sim.port());
    }
    m_device->setAddress(QStringLiteral("127.0.0.1"));
    m_device->deviceConnect();
    // The connection sequence is a dozen queries, and then some; the fault ends the connection.
    for (int i = 0; i < 8; ++i)
        m_device->appendCmd(MNCP_PROTOCOL_BASIC_INFO, MNCP_INFO_MODEL);
    QVERIFY2(QTest::qWaitFor([&] { return m_device->connection()->status() == reason; }, 10000), qPrintable(m_device->connection()->status()));
    QCOMPARE(int(m_device->state()), int(QAbstractSocket::UnconnectedState));
}

void TestDeviceHealth::largeUploadProgress()
{
    const qint64 size = 64 * 1024 * 1024;
    QFile big(m_files.filePath("big.bin"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(size));
    big.close();
    QVERIFY(open("monitor"));
    DeviceActivity *activity = m_device->activity();
    QList<double> seen;
    bool answeredAfterAll = false;
    connect(activity, &DeviceActivity::transferChanged, this, [&] {
        if (activity->transferShown())
            seen << activity->transferSent();
    });
    connect(activity, &DeviceActivity::finished, this, [&](const QString &, bool ok) { answeredAfterAll = ok && !seen.isEmpty() && seen.last() == size; });
    m_device->updateFirmware(QUrl::fromLocalFile(big.fileName()));
    QVERIFY(QTest::qWaitFor([&] { return !activity->busy(); }, 60000));
    QVERIFY(seen.size() > 2);
    QVERIFY(std::is_sorted(seen.cbegin(), seen.cend()));
    QVERIFY(answeredAfterAll);
    QVERIFY(m_sim.waitForLog(QStringLiteral("length=%1").arg(size)));
}

void TestDeviceHealth::deviceLogKeepsOrderAndBound()
{
    QVERIFY(open("monitor"));
    DeviceLog *log = m_device->deviceLog();
    // Commands over the wire, each logged as sent and answered, in order.
    const int commands = 300;
    for (int i = 0; i < commands; ++i)
        static_cast<Monitor &>(*m_device).sendRotary(i % 3, (i / 3) % 16);
    SocketHandler *handler = m_device->socketHandler();
    QVERIFY(waitUntil([&] { return handler->queuedCount() == 0 && handler->inFlight().protocol == 0; }, 30000, 20));
    QStringList sent;
    for (const QString &line : log->text().split('\n')) {
        if (line.contains(QLatin1String("  sent 0x0001 ")))
            sent << line.section(QLatin1String("  sent "), 1);
    }
    QCOMPARE(sent.size(), commands);
    for (int i = 0; i < commands; ++i)
        QCOMPARE(sent.at(i), QStringLiteral("0x0001 - 0x%1, payload size 0").arg(0x40 + 0x10 * (i % 3) + (i / 3) % 16, 4, 16, QLatin1Char('0')));
    // Bounded: the oldest entries go first; Save As writes what is kept, one line each.
    for (int i = 0; i < 10000; ++i)
        log->add(QStringLiteral("entry %1").arg(i));
    QCOMPARE(log->count(), int(DeviceLog::MaxEntries));
    const QUrl saved = QUrl::fromLocalFile(m_files.filePath("device.log"));
    QVERIFY(log->saveAs(saved));
    QFile file(saved.toLocalFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), int(DeviceLog::MaxEntries));
    QVERIFY(lines.first().endsWith(QLatin1String("  entry 5000")) && lines.last().endsWith(QLatin1String("  entry 9999")));
}

void TestDeviceHealth::idleDeviceThatFallsSilentIsNoticed()
{
    // Answers the connection's queries, then nothing more: only the idle probe can tell.
    QVERIFY(openFallingSilent());
    QElapsedTimer idle;
    idle.start();
    QVERIFY(QTest::qWaitFor([&] { return m_device->state() == QAbstractSocket::UnconnectedState; }, 16000));
    QVERIFY2(idle.elapsed() < 15000 + 500, qPrintable(QString::number(idle.elapsed())));
    QCOMPARE(m_device->connection()->reason(), QStringLiteral("device not answering (protocol 0x0100, request 0x0000)"));
    QVERIFY(m_device->deviceLog()->text().contains(QLatin1String("idle: asking the device for its model")));
}

void TestDeviceHealth::unansweredCommandEndsTheConnection()
{
    QVERIFY(openFallingSilent());
    m_device->socketHandler()->setReplyTimeout(500);
    QString outcome;
    connect(m_device->activity(), &DeviceActivity::finished, this, [&](const QString &text) { outcome = text; });
    QElapsedTimer waited;
    waited.start();
    m_device->setTally(true, false);
    QVERIFY(QTest::qWaitFor([&] { return m_device->state() == QAbstractSocket::UnconnectedState && !outcome.isEmpty(); }, 5000));
    QVERIFY2(waited.elapsed() < 500 + 1000, qPrintable(QString::number(waited.elapsed())));
    QVERIFY2(outcome.startsWith(QLatin1String("Setting the tally lamps failed: device not answering (protocol 0x0002, request 0x")), qPrintable(outcome));
    QCOMPARE(m_device->connection()->reason(), outcome.section(QLatin1String("failed: "), 1));
}

void TestDeviceHealth::reconnectsToADeviceThatComesBack()
{
    QVERIFY(open("monitor", {"--scope-rate", "50"}));
    m_log->allow(QStringLiteral("dropped"));
    m_log->allow(QStringLiteral("Socket"));
    auto &device = static_cast<Monitor &>(*m_device);
    device.connection()->setAutoReconnect(true);
    device.cScopeStream()->startStopPlayback(1, true);
    QVERIFY(m_sim.waitForLog(QStringLiteral("request=0x0001")));
    m_sim.stop();
    // Queued while the device is gone: dropped with the connection, never sent to the next one.
    device.sendKey(DeviceBase::MNCP_KEY_MENU);
    QVERIFY(QTest::qWaitFor([&] { return device.connection()->status().startsWith(QLatin1String("Reconnecting (attempt 1)")); }, 5000));
    QVERIFY(m_sim.restart());
    QElapsedTimer back;
    back.start();
    QVERIFY(QTest::qWaitFor([&] { return device.state() == QAbstractSocket::ConnectedState && !device.model().isEmpty(); }, 3000));
    QVERIFY2(back.elapsed() < 3000, qPrintable(QString::number(back.elapsed())));
    // The scope plays again by itself; the new connection saw only its own sequence and scope requests.
    QVERIFY(m_sim.waitForLog(QStringLiteral("protocol=0x0403 request=0x0001"), 5000));
    QCOMPARE(int(device.cScopeStream()->isPlaying()), 1);
    QVERIFY(!m_sim.log().contains(QLatin1String("protocol=0x0001 request=0x0020")));
}

void TestDeviceHealth::refusalsStopTheRetries()
{
    QVERIFY(open("monitor"));
    m_log->allow(QStringLiteral("Socket"));
    m_device->connection()->setAutoReconnect(true);
    m_device->connection()->setFirstRetryDelay(20);
    m_sim.stop();
    // 20, 40, 80 and 160 ms between the five refused attempts.
    QVERIFY2(QTest::qWaitFor([&] { return !m_device->connection()->reconnecting() && m_device->connection()->attempt() > 0; }, 5000),
             qPrintable(m_device->connection()->status()));
    QCOMPARE(m_device->connection()->status(), QStringLiteral("Not reconnecting: the address refused the connection 5 times"));
}

void TestDeviceHealth::disconnectStopsTheRetries()
{
    QVERIFY(open("monitor"));
    m_log->allow(QStringLiteral("Socket"));
    m_device->connection()->setAutoReconnect(true);
    m_sim.stop();
    QVERIFY(QTest::qWaitFor([&] { return m_device->connection()->reconnecting(); }, 5000));
    m_device->deviceDisconnect();
    QVERIFY(!m_device->connection()->reconnecting());
    const int attempts = m_device->connection()->attempt();
    const int connections = m_sim.countInLog(QStringLiteral("connected from"));
    QVERIFY(m_sim.restart());
    QTest::qWait(2500);
    QCOMPARE(int(m_device->state()), int(QAbstractSocket::UnconnectedState));
    QCOMPARE(m_device->connection()->attempt(), attempts);
    QCOMPARE(m_sim.countInLog(QStringLiteral("connected from")), connections);
}

QTEST_MAIN(TestDeviceHealth)
#include "tst_devicehealth.moc"
