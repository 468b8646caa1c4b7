#include "deviceconnection.h"
#include "monitor/monitor.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

// Which command each monitor LUT operation queues, and what it carries.
class TestMonitorLut : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void switchAndLoadRequests_data();
    void switchAndLoadRequests();
    void refusedTypesAndFunctions();
    void sendLutFileDownsamplesOnlyLargeCubes();
    void downscaleBuildsBinaryImage();
    void downscaleChoosesBySuffix();
    void downscaleWithoutUrlStillSwitchesOn();
    void storeWithoutUrlSendsEmptyPayload();
    void storeRvQueuesBothSizesAroundThePause();
    void storeRvPausesWithoutBlocking();
    void forceSwapAlwaysChangesSize();
    void unreadableOrShortFilesSendNothing();

private:
    QString writeCube(const QString &name, int size, bool identity = true);
    QList<FakeDevice::Command> commandsAfter(const std::function<void()> &operation, int expected);

    QTemporaryDir m_dir;
    FakeDevice *m_fake = nullptr;
    Monitor *m_monitor = nullptr;
};

namespace {
// A non-linear but smooth table: enough to tell grid points apart.
float curve(int index, int size, int channel)
{
    const float v = float(index) / float(size - 1);
    return std::pow(v, 1.0f + 0.25f * channel);
}

quint32 imageWord(const QByteArray &image, int entry)
{
    const auto *p = reinterpret_cast<const uchar *>(image.constData()) + 128 + 4 * entry;
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
}
} // namespace

QString TestMonitorLut::writeCube(const QString &name, int size, bool identity)
{
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    QTextStream out(&file);
    out << "TITLE \"test\"\nLUT_3D_SIZE " << size << "\n\n";
    for (int b = 0; b < size; ++b)
        for (int g = 0; g < size; ++g)
            for (int r = 0; r < size; ++r) {
                if (identity)
                    out << QString::asprintf("%.6f %.6f %.6f\n", r / double(size - 1), g / double(size - 1),
                                             b / double(size - 1));
                else
                    out << QString::asprintf("%.6f %.6f %.6f\n", curve(r, size, 0), curve(g, size, 1),
                                             curve(b, size, 2));
            }
    return file.fileName();
}

void TestMonitorLut::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestMonitorLut::init()
{
    m_fake = new FakeDevice;
    QVERIFY(m_fake->listen());
    m_monitor = new Monitor;
    m_monitor->setRvPauseMs(0);
    QVERIFY(connectToFake(*m_monitor, *m_fake));
    QVERIFY(m_fake->waitForCommands(5));
    m_fake->clearReceived();
}

void TestMonitorLut::cleanup()
{
    delete m_monitor;
    delete m_fake;
}

QList<FakeDevice::Command> TestMonitorLut::commandsAfter(const std::function<void()> &operation, int expected)
{
    m_fake->clearReceived();
    operation();
    // A marker command behind the operation proves that nothing else was queued.
    m_monitor->sendKey(DeviceBase::MNCP_KEY_POWER_ON);
    if (!m_fake->waitForCommands(expected + 1))
        return {};
    QList<FakeDevice::Command> commands = m_fake->received();
    if (commands.takeLast().protocol != 0x0001)
        return {};
    return commands;
}

void TestMonitorLut::switchAndLoadRequests_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("func");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("request");
    QTest::newRow("load 1D post-DIT") << "load" << 0 << 4 << 3 << 0x0302 << 0x0403;
    QTest::newRow("load 1D post-calibration") << "load" << 0 << 3 << 1 << 0x0303 << 0x0401;
    QTest::newRow("load 3D box as DIT") << "load" << 1 << 2 << 5 << 0x0311 << 0x0405;
    QTest::newRow("load 3D calibration") << "load" << 1 << 0 << 0 << 0x0310 << 0x0400;
    QTest::newRow("on 3D DIT") << "on" << 1 << 1 << 2 << 0x0311 << 0x0102;
    QTest::newRow("off 1D calibration") << "off" << 0 << 0 << 6 << 0x0300 << 0x0006;
    QTest::newRow("on 1D box") << "on" << 0 << 2 << 0 << 0x0302 << 0x0100;
}

void TestMonitorLut::switchAndLoadRequests()
{
    QFETCH(QString, operation);
    QFETCH(int, type);
    QFETCH(int, func);
    QFETCH(int, slot);
    QFETCH(int, protocol);
    QFETCH(int, request);
    const auto commands = commandsAfter([&] {
        const auto t = Monitor::LutType(type);
        const auto f = Monitor::LutFunc(func);
        if (operation == QLatin1String("load"))
            m_monitor->loadLut(t, f, slot);
        else
            m_monitor->setLut(t, f, slot, operation == QLatin1String("on"));
    }, 1);
    QCOMPARE(commands.size(), 1);
    QCOMPARE(int(commands.first().protocol), protocol);
    QCOMPARE(int(commands.first().request), request);
    QVERIFY(commands.first().payload.isEmpty());
}

void TestMonitorLut::refusedTypesAndFunctions()
{
    const QString cube = writeCube("refused.cube", 17);
    const auto url = QUrl::fromLocalFile(cube);
    const auto commands = commandsAfter([&] {
        QTest::ignoreMessage(QtDebugMsg, "Unknown lut func:  2");
        m_monitor->setLut(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_BOX, 0, true);
        QTest::ignoreMessage(QtDebugMsg, "Unknown type:  2");
        m_monitor->setLut(Monitor::LutType(2), Monitor::LUT_FUNC_DIT, 0, true);
        QTest::ignoreMessage(QtDebugMsg, "Unknown lut func:  3");
        m_monitor->loadLut(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_POST_CALIBRATION, 1);
        m_monitor->loadLut(Monitor::LUT_TYPE_1D, Monitor::LutFunc(7), 1);
        QTest::ignoreMessage(QtDebugMsg, "Unknown lut func:  5");
        m_monitor->setLut(Monitor::LUT_TYPE_1D, Monitor::LutFunc(5), 1, false);
        QTest::ignoreMessage(QtDebugMsg, "Unknown lut type:  3");
        m_monitor->sendLutFile(Monitor::LutType(3), Monitor::LUT_FUNC_DIT, 0, url);
        QTest::ignoreMessage(QtDebugMsg, "Unknown LUT type: 3");
        m_monitor->sendLutFileDownscale(Monitor::LutType(3), Monitor::LUT_FUNC_DIT, 0, url);
        QTest::ignoreMessage(QtDebugMsg, "Unknown lut func:  4");
        m_monitor->saveLutFile(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_POST_DIT, 0, url);
        QTest::ignoreMessage(QtDebugMsg, "Unknown type:  9");
        m_monitor->saveLutFileRV(Monitor::LutType(9), Monitor::LUT_FUNC_DIT, 0, url);
        QTest::ignoreMessage(QtDebugMsg, "Unknown lut func:  2");
        m_monitor->saveLutFileForceSwap(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_BOX, 0, url);
    }, 0);
    QCOMPARE(commands.size(), 0);
    QCOMPARE(m_fake->received().size(), 1);
}

void TestMonitorLut::sendLutFileDownsamplesOnlyLargeCubes()
{
    const QString cube17 = writeCube("small.cube", 17);
    const QString cube33 = writeCube("large.cube", 33);
    QFile small(cube17);
    QVERIFY(small.open(QIODevice::ReadOnly));
    const QByteArray smallText = small.readAll();

    auto commands = commandsAfter([&] {
        m_monitor->sendLutFile(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 4, QUrl::fromLocalFile(cube17));
    }, 2);
    QCOMPARE(commands.size(), 2);
    QCOMPARE(int(commands.at(0).protocol), 0x0311);
    QCOMPARE(int(commands.at(0).request), 0x0204);
    QCOMPARE(commands.at(0).payload, smallText);
    QCOMPARE(int(commands.at(1).request), 0x0100);
    QVERIFY(commands.at(1).payload.isEmpty());

    // The size test is made whatever the type: a 33-point file goes down even as "1D".
    commands = commandsAfter([&] {
        m_monitor->sendLutFile(Monitor::LUT_TYPE_1D, Monitor::LUT_FUNC_POST_CALIBRATION, 1, QUrl::fromLocalFile(cube33));
    }, 1);
    QCOMPARE(commands.size(), 1);
    QCOMPARE(int(commands.at(0).protocol), 0x0303);
    QCOMPARE(int(commands.at(0).request), 0x0201);
    const QList<QByteArray> lines = commands.at(0).payload.split('\n');
    QCOMPARE(lines.at(0), QByteArray("LUT_3D_SIZE 17"));
    QCOMPARE(lines.size(), 2 + 4913 + 1);
    QCOMPARE(lines.at(2 + 4912), QByteArray("1.000000 1.000000 1.000000"));
}

void TestMonitorLut::downscaleBuildsBinaryImage()
{
    const QString cube33 = writeCube("bin33.cube", 33);
    const auto commands = commandsAfter([&] {
        m_monitor->sendLutFileDownscale(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_CALIBRATION, 2, QUrl::fromLocalFile(cube33));
    }, 2);
    QCOMPARE(commands.size(), 2);
    QCOMPARE(int(commands.at(0).protocol), 0x0310);
    QCOMPARE(int(commands.at(0).request), 0x0202);
    const QByteArray image = commands.at(0).payload;
    QCOMPARE(image.size(), 19780);
    // The identity: entry 1 is red code round(1/16 x 1023) = 64, the last entry all 1023.
    QCOMPARE(imageWord(image, 0), 0u);
    QCOMPARE(imageWord(image, 1), 64u);
    QCOMPARE(imageWord(image, 17), 64u << 10);
    QCOMPARE(imageWord(image, 4912), 0x3FFFFFFFu);
    QCOMPARE(int(commands.at(1).protocol), 0x0310);
    QCOMPARE(int(commands.at(1).request), 0x0100);
}

void TestMonitorLut::downscaleChoosesBySuffix()
{
    QFile dat(m_dir.filePath("table.DAT"));
    QVERIFY(dat.open(QIODevice::WriteOnly));
    dat.write(QByteArray(19780, '\x07'));
    dat.close();
    QFile other(m_dir.filePath("table.3dl"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("0 0 0\n");
    other.close();
    QFile oneD(m_dir.filePath("ramp.lut"));
    QVERIFY(oneD.open(QIODevice::WriteOnly));
    oneD.write("opaque 1D bytes");
    oneD.close();

    const auto commands = commandsAfter([&] {
        m_monitor->sendLutFileDownscale(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 0, QUrl::fromLocalFile(dat.fileName()));
        QTest::ignoreMessage(QtWarningMsg, "Unknown 3D LUT format (not .cube or .dat)");
        m_monitor->sendLutFileDownscale(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 0, QUrl::fromLocalFile(other.fileName()));
        m_monitor->sendLutFileDownscale(Monitor::LUT_TYPE_1D, Monitor::LUT_FUNC_BOX, 3, QUrl::fromLocalFile(oneD.fileName()));
    }, 3);
    QCOMPARE(commands.size(), 3);
    QCOMPARE(commands.at(0).payload, QByteArray(19780, '\x07'));
    QCOMPARE(int(commands.at(1).request), 0x0100);
    QCOMPARE(int(commands.at(2).protocol), 0x0302);
    QCOMPARE(int(commands.at(2).request), 0x0203);
    QCOMPARE(commands.at(2).payload, QByteArray("opaque 1D bytes"));
}

void TestMonitorLut::downscaleWithoutUrlStillSwitchesOn()
{
    const auto commands = commandsAfter([&] {
        m_monitor->sendLutFileDownscale(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 1, QUrl());
    }, 2);
    QCOMPARE(commands.size(), 2);
    QCOMPARE(int(commands.at(0).request), 0x0201);
    QVERIFY(commands.at(0).payload.isEmpty());
    QCOMPARE(int(commands.at(1).request), 0x0100);
}

void TestMonitorLut::storeWithoutUrlSendsEmptyPayload()
{
    const auto commands = commandsAfter([&] {
        m_monitor->saveLutFile(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_CALIBRATION, 1);
        m_monitor->saveLutFileForceSwap(Monitor::LUT_TYPE_1D, Monitor::LUT_FUNC_POST_DIT, 2);
    }, 2);
    QCOMPARE(commands.size(), 2);
    QCOMPARE(int(commands.at(0).protocol), 0x0310);
    QCOMPARE(int(commands.at(0).request), 0x0301);
    QVERIFY(commands.at(0).payload.isEmpty());
    QCOMPARE(int(commands.at(1).protocol), 0x0302);
    QCOMPARE(int(commands.at(1).request), 0x0302);
}

void TestMonitorLut::storeRvQueuesBothSizesAroundThePause()
{
    const QString cube17 = writeCube("rv17.cube", 17, false);
    QFile source(cube17);
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray original = source.readAll();
    m_fake->clearReceived();
    m_monitor->saveLutFileRV(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 5, QUrl::fromLocalFile(cube17));
    QVERIFY(m_fake->waitForCommands(2));
    const auto commands = m_fake->received();
    QCOMPARE(commands.size(), 2);
    QCOMPARE(int(commands.at(0).request), 0x0305);
    QCOMPARE(commands.at(0).payload, original);
    QCOMPARE(int(commands.at(1).request), 0x0305);
    const QList<QByteArray> lines = commands.at(1).payload.split('\n');
    QCOMPARE(lines.at(0), QByteArray("LUT_3D_SIZE 33"));
    QCOMPARE(lines.size(), 2 + 35937 + 1);
    // Even output points reproduce the source: output (2, 0, 0) is source entry (1, 0, 0).
    QCOMPARE(lines.at(2 + 2), QByteArray::number(curve(1, 17, 0), 'f', 6) + " 0.000000 0.000000");

    // 1D: one store, nothing owed.
    const auto oneD = commandsAfter([&] {
        m_monitor->saveLutFileRV(Monitor::LUT_TYPE_1D, Monitor::LUT_FUNC_DIT, 2, QUrl::fromLocalFile(cube17));
    }, 1);
    QCOMPARE(oneD.size(), 1);
    QCOMPARE(m_monitor->pendingRvStores(), 0);
    QCOMPARE(int(oneD.first().protocol), 0x0301);
    QCOMPARE(oneD.first().payload, original);
}

// The monitor needs time between the two stores; the window must keep running meanwhile, and
// a second store never follows the first onto another connection.
void TestMonitorLut::storeRvPausesWithoutBlocking()
{
    m_monitor->setRvPauseMs(Monitor::RvStorePauseMs);
    QElapsedTimer clock;
    QList<qint64> arrivals;
    connect(m_fake, &FakeDevice::commandReceived, this, [&] { arrivals.append(clock.elapsed()); });
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    ticker.start(100);
    clock.start();
    m_monitor->saveLutFileRV(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_CALIBRATION, 1);
    QVERIFY(clock.elapsed() < 500);
    QTRY_COMPARE_WITH_TIMEOUT(arrivals.size(), 2, 6000);
    QVERIFY2(arrivals.at(1) - arrivals.at(0) >= Monitor::RvStorePauseMs,
             qPrintable(QStringLiteral("%1 ms apart").arg(arrivals.at(1) - arrivals.at(0))));
    QVERIFY(ticks >= 10);

    // Disconnected during the pause: the second store is cancelled, not sent on the next connection.
    arrivals.clear();
    m_monitor->saveLutFileRV(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_CALIBRATION, 2);
    QTRY_COMPARE_WITH_TIMEOUT(arrivals.size(), 1, 3000);
    QTest::ignoreMessage(QtWarningMsg, "saveLutFileRV: second store 0x0310 - 0x0302 cancelled, the connection ended");
    m_monitor->deviceDisconnect();
    QTRY_COMPARE_WITH_TIMEOUT(m_monitor->state(), QAbstractSocket::UnconnectedState, 3000);
    QCOMPARE(m_monitor->pendingRvStores(), 0);
    m_fake->clearReceived();
    QVERIFY(connectToFake(*m_monitor, *m_fake));
    QTest::qWait(Monitor::RvStorePauseMs + 300);
    for (const auto &cmd : m_fake->received())
        QCOMPARE(int(cmd.protocol), 0x0100);
}

void TestMonitorLut::forceSwapAlwaysChangesSize()
{
    const QString cube17 = writeCube("swap17.cube", 17);
    const QString cube33 = writeCube("swap33.cube", 33);
    const auto commands = commandsAfter([&] {
        m_monitor->saveLutFileForceSwap(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 1, QUrl::fromLocalFile(cube33));
        m_monitor->saveLutFileForceSwap(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 2, QUrl::fromLocalFile(cube17));
    }, 2);
    QCOMPARE(commands.size(), 2);
    QVERIFY(commands.at(0).payload.startsWith("LUT_3D_SIZE 17\n\n"));
    QVERIFY(commands.at(1).payload.startsWith("LUT_3D_SIZE 33\n\n"));
    QCOMPARE(int(commands.at(1).request), 0x0302);
}

void TestMonitorLut::unreadableOrShortFilesSendNothing()
{
    QFile shortFile(m_dir.filePath("short.cube"));
    QVERIFY(shortFile.open(QIODevice::WriteOnly));
    shortFile.write("LUT_3D_SIZE 17\n0 0 0\n1 1 1\n");
    shortFile.close();
    const QUrl missing = QUrl::fromLocalFile(m_dir.filePath("missing.cube"));
    // Opens, but reading a process's own memory from offset 0 fails.
    const QUrl unreadable = QUrl::fromLocalFile(QStringLiteral("/proc/self/mem"));
    QFile mem(unreadable.toLocalFile());
    QVERIFY(mem.open(QIODevice::ReadOnly) && mem.readAll().isEmpty() && mem.error() == QFileDevice::ReadError);
    const auto commands = commandsAfter([&] {
        m_monitor->sendLutFile(Monitor::LUT_TYPE_1D, Monitor::LUT_FUNC_DIT, 0, unreadable);
        m_monitor->sendLutFileDownscale(Monitor::LUT_TYPE_1D, Monitor::LUT_FUNC_DIT, 0, unreadable);
        m_monitor->saveLutFile(Monitor::LUT_TYPE_1D, Monitor::LUT_FUNC_DIT, 0, unreadable);
        m_monitor->sendCustomMarker(unreadable);
        m_monitor->sendLutFile(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 0, missing);
        m_monitor->sendLutFileDownscale(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 0, missing);
        m_monitor->saveLutFile(Monitor::LUT_TYPE_1D, Monitor::LUT_FUNC_DIT, 0, missing);
        m_monitor->saveLutFileRV(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 0, missing);
        // A 17-point file that does not hold the grid: nothing to upsample or convert.
        m_monitor->saveLutFileRV(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 0, QUrl::fromLocalFile(shortFile.fileName()));
        m_monitor->sendLutFileDownscale(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 0, QUrl::fromLocalFile(shortFile.fileName()));
        // A URL that names no local file has no content to send, not an empty one.
        const QUrl notLocal(QStringLiteral("qrc:/grade.cube"));
        m_monitor->sendLutFile(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 0, notLocal);
        m_monitor->saveLutFile(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 0, notLocal);
        m_monitor->saveLutFileRV(Monitor::LUT_TYPE_1D, Monitor::LUT_FUNC_DIT, 0, notLocal);
    }, 0);
    QCOMPARE(commands.size(), 0);
}

QTEST_MAIN(TestMonitorLut)
#include "tst_monitorlut.moc"
