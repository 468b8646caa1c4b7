#include "bytes.h"
#include "cubefiles.h"
#include "deviceharness.h"
#include "logcapture.h"
#include "monitor/monitor.h"
#include "signallog.h"

#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

// What only a monitor does: LUT transfers, custom markers, analyzer pictures, the LUT format
// words, and the replies it forwards to its capture item and scope stream.
using MonitorCall = std::function<void(Monitor &)>;
Q_DECLARE_METATYPE(MonitorCall)
#define CALL(body) MonitorCall([=](Monitor &m) { using M = Monitor; body; })

class TestMonitor : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    DeviceHarness<Monitor> *m_box = nullptr;
    QUrl url(const QString &name) const { return QUrl::fromLocalFile(m_dir.filePath(name)); }
    QByteArray contents(const QString &name) const
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QByteArray png(QSize size, QColor colour)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }
private slots:
    void initTestCase()
    {
        using namespace CubeFiles;
        useCNumericLocale();
        QVERIFY(m_dir.isValid());
        writeFile(m_dir, "small.cube", cubeFile(17, identity(17), 6));
        writeFile(m_dir, "large.cube", cubeFile(33, identity(33), 6));
        writeFile(m_dir, "short.cube", sizeLine(17) + "0 0 0\n1 1 1\n");
        writeFile(m_dir, "table.DAT", QByteArray(19780, '\x07'));
        writeFile(m_dir, "table.3dl", "0 0 0\n");
        writeFile(m_dir, "ramp.lut", "opaque 1D");
        writeFile(m_dir, "marker.png", "PNGDATA");
        m_box = new DeviceHarness<Monitor>;
        m_box->device.setRvPauseMs(0);
        QVERIFY(m_box->connectAndSettle(5));
    }
    void cleanupTestCase() { delete m_box; }
    void commands_data();
    void commands();
    void lutPayloads_data();
    void lutPayloads();
    void binaryImageOfADownscaledCube();
    void storeRvPausesWithoutBlocking();
    void markerList_data();
    void markerList();
    void formatWordsAndShortReplies_data();
    void formatWordsAndShortReplies();
    void analyzerPictureKeptPerMonitor();
    void analyzerPictureSavedAsPngAndPdf();
    void captureAndScopeForwarding();
};

void TestMonitor::commands_data()
{
    QTest::addColumn<MonitorCall>("call");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("log"); // a line the call must log
    const QUrl small = url("small.cube"), large = url("large.cube"), shortCube = url("short.cube"), missing = url("gone.cube");
    const QUrl mem = QUrl::fromLocalFile("/proc/self/mem"), notLocal(QStringLiteral("qrc:/grade.cube")), marker = url("marker.png");
    const QString smallSize = QString::number(contents("small.cube").size()) + " bytes";
    // 17 points of 6 decimals: 4913 lines of 26 bytes; 33 points: 35937 lines.
    QTest::newRow("send 17: as is, then on") << CALL(m.sendLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 4, small))
                                             << "0311/0204:" + smallSize + " 0311/0100" << "";
    QTest::newRow("send 33, even as 1D: down to 17") << CALL(m.sendLutFile(M::LUT_TYPE_1D, M::LUT_FUNC_POST_CALIBRATION, 1, large))
                                                     << "0303/0201:" + smallSize << "Downsampling 33x33x33 LUT to 17x17x17...";
    QTest::newRow("downscale 33: image, then on") << CALL(m.sendLutFileDownscale(M::LUT_TYPE_3D, M::LUT_FUNC_CALIBRATION, 2, large))
                                                  << "0310/0202:19780 bytes 0310/0100" << "";
    QTest::newRow("downscale .DAT as is") << CALL(m.sendLutFileDownscale(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, url("table.DAT")))
                                          << "0311/0200:19780 bytes 0311/0100" << "";
    QTest::newRow("downscale .3dl refused") << CALL(m.sendLutFileDownscale(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, url("table.3dl")))
                                            << "" << "Unknown 3D LUT format (not .cube or .dat)";
    QTest::newRow("downscale 1D as is") << CALL(m.sendLutFileDownscale(M::LUT_TYPE_1D, M::LUT_FUNC_BOX, 3, url("ramp.lut")))
                                        << "0302/0203:6f7061717565203144" << "";
    QTest::newRow("downscale, no URL") << CALL(m.sendLutFileDownscale(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 1, QUrl()))
                                       << "0311/0201 0311/0100" << "";
    QTest::newRow("store, no URL") << CALL(m.saveLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_CALIBRATION, 1)) << "0310/0301" << "";
    QTest::newRow("force swap, no URL") << CALL(m.saveLutFileForceSwap(M::LUT_TYPE_1D, M::LUT_FUNC_POST_DIT, 2)) << "0302/0302" << "";
    QTest::newRow("RV 1D: one store") << CALL(m.saveLutFileRV(M::LUT_TYPE_1D, M::LUT_FUNC_DIT, 2, small))
                                      << "0301/0302:" + smallSize << "";
    QTest::newRow("RV, no URL: two stores") << CALL(m.saveLutFileRV(M::LUT_TYPE_3D, M::LUT_FUNC_CALIBRATION, 3))
                                            << "0310/0303 0310/0303" << "";
    QTest::newRow("3D box switch refused") << CALL(m.setLut(M::LUT_TYPE_3D, M::LUT_FUNC_BOX, 0, true)) << "" << "Unknown lut func:  2";
    QTest::newRow("type 2 switch refused") << CALL(m.setLut(M::LutType(2), M::LUT_FUNC_DIT, 0, true)) << "" << "Unknown type:  2";
    QTest::newRow("3D post-cal load refused") << CALL(m.loadLut(M::LUT_TYPE_3D, M::LUT_FUNC_POST_CALIBRATION, 1)) << "" << "Unknown lut func:  3";
    QTest::newRow("1D function 7 load refused") << CALL(m.loadLut(M::LUT_TYPE_1D, M::LutFunc(7), 1)) << "" << "";
    QTest::newRow("1D function 5 switch refused") << CALL(m.setLut(M::LUT_TYPE_1D, M::LutFunc(5), 1, false)) << "" << "Unknown lut func:  5";
    QTest::newRow("send type 3 refused") << CALL(m.sendLutFile(M::LutType(3), M::LUT_FUNC_DIT, 0, small)) << "" << "Unknown lut type:  3";
    QTest::newRow("downscale type 3 refused") << CALL(m.sendLutFileDownscale(M::LutType(3), M::LUT_FUNC_DIT, 0, small)) << "" << "Unknown LUT type: 3";
    QTest::newRow("store 3D post-DIT refused") << CALL(m.saveLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_POST_DIT, 0, small)) << "" << "Unknown lut func:  4";
    QTest::newRow("RV type 9 refused") << CALL(m.saveLutFileRV(M::LutType(9), M::LUT_FUNC_DIT, 0, small)) << "" << "Unknown type:  9";
    QTest::newRow("swap 3D box refused") << CALL(m.saveLutFileForceSwap(M::LUT_TYPE_3D, M::LUT_FUNC_BOX, 0, small)) << "" << "Unknown lut func:  2";
    // A file that opens but cannot be read (a process's own memory from offset 0) is no empty table.
    QTest::newRow("send, read fails") << CALL(m.sendLutFile(M::LUT_TYPE_1D, M::LUT_FUNC_DIT, 0, mem)) << "" << "Failed to read LUT file:";
    QTest::newRow("downscale, read fails") << CALL(m.sendLutFileDownscale(M::LUT_TYPE_1D, M::LUT_FUNC_DIT, 0, mem)) << "" << "Failed to read LUT file:";
    QTest::newRow("store, read fails") << CALL(m.saveLutFile(M::LUT_TYPE_1D, M::LUT_FUNC_DIT, 0, mem)) << "" << "Failed to read LUT file:";
    QTest::newRow("send, missing") << CALL(m.sendLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, missing)) << "" << "Failed to open LUT file:";
    QTest::newRow("downscale, missing") << CALL(m.sendLutFileDownscale(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, missing)) << "" << "Failed to open";
    QTest::newRow("store, missing") << CALL(m.saveLutFile(M::LUT_TYPE_1D, M::LUT_FUNC_DIT, 0, missing)) << "" << "Failed to open";
    QTest::newRow("RV, missing") << CALL(m.saveLutFileRV(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, missing)) << "" << "Failed to open";
    // A 17-point file without its grid has nothing to convert.
    QTest::newRow("RV, short grid") << CALL(m.saveLutFileRV(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, shortCube)) << "" << "gave no table";
    QTest::newRow("downscale, short grid") << CALL(m.sendLutFileDownscale(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, shortCube)) << "" << "gave no table";
    QTest::newRow("send, not local") << CALL(m.sendLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, notLocal)) << "" << "Not a local LUT file";
    QTest::newRow("store, not local") << CALL(m.saveLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, notLocal)) << "" << "Not a local LUT file";
    QTest::newRow("RV, not local") << CALL(m.saveLutFileRV(M::LUT_TYPE_1D, M::LUT_FUNC_DIT, 0, notLocal)) << "" << "Not a local LUT file";
    QTest::newRow("temporary marker off, on") << CALL(m.setOffTempCustomMarker(); m.setOnTempCustomMarker()) << "0404/0000 0404/0001" << "";
    QTest::newRow("marker") << CALL(m.sendCustomMarker(marker)) << "0404/0002:504e4744415441" << "";
    // The name field: 32 bytes, cut without a terminator or padded with zeros.
    QTest::newRow("named marker, 40 characters") << CALL(m.sendCustomMarker("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd", marker))
        << QString("0404/0003:" + QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345PNGDATA").toHex()) << "";
    QTest::newRow("named marker, 3 characters") << CALL(m.sendCustomMarker("abc", marker))
        << QString("0404/0003:" + (Bytes::field("abc", 32) + "PNGDATA").toHex()) << "";
    QTest::newRow("marker list, delete") << CALL(m.queryCustomMarker(); m.deleteCustomMarker("abc"))
        << QString("0404/0005 0404/0006:01000000" + Bytes::field("abc", 32).toHex()) << "";
    QTest::newRow("marker, missing") << CALL(m.sendCustomMarker(url("gone.png"))) << "" << "Failed to open marker file:";
    QTest::newRow("named marker, missing") << CALL(m.sendCustomMarker("n", url("gone.png"))) << "" << "Failed to open marker file:";
    QTest::newRow("marker, read fails") << CALL(m.sendCustomMarker(mem)) << "" << "Failed to read marker file:";
    QTest::newRow("marker, no URL") << CALL(m.sendCustomMarker(QUrl())) << "" << "Not a local marker file";
    QTest::newRow("named marker, not local") << CALL(m.sendCustomMarker("n", QUrl("qrc:/m.png"))) << "" << "Not a local marker file";
    QTest::newRow("analyzer current") << CALL(m.requestAnalyzerPng(0); m.requestAnalyzerPng(0, false)) << "0405/0010 0405/0010" << "";
    QTest::newRow("analyzer last") << CALL(m.requestAnalyzerPng(1)) << "0405/0011" << "";
    QTest::newRow("analyzer white, last and other") << CALL(m.requestAnalyzerPng(1, true); m.requestAnalyzerPng(7, true))
                                                    << "0405/0001 0405/0000" << "";
}

void TestMonitor::commands()
{
    QFETCH(MonitorCall, call);
    QFETCH(QString, sent);
    QFETCH(QString, log);
    LogCapture capture(QtDebugMsg);
    m_box->fake.clearReceived();
    call(m_box->device);
    // An RV-family second store follows the first one's answer.
    QTRY_VERIFY_WITH_TIMEOUT(m_box->device.pendingRvStores() == 0 && m_box->idle(), 5000);
    QCOMPARE(wireText(m_box->fake), sent);
    QVERIFY2(log.isEmpty() || capture.contains(log), qPrintable(capture.lines().join('\n')));
}

void TestMonitor::lutPayloads_data()
{
    QTest::addColumn<MonitorCall>("call");
    QTest::addColumn<QByteArrayList>("payloads");
    using namespace CubeFiles;
    const QByteArray identity17 = cubeFile(17, identity(17), 6), identity33 = cubeFile(33, identity(33), 6);
    QTest::newRow("send 33: the 17-point table")
        << CALL(m.sendLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, url("large.cube"))) << QByteArrayList{identity17, {}};
    QTest::newRow("store 33: the 17-point table")
        << CALL(m.saveLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, url("large.cube"))) << QByteArrayList{identity17};
    QTest::newRow("swap 33 down") << CALL(m.saveLutFileForceSwap(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 1, url("large.cube")))
                                  << QByteArrayList{identity17};
    QTest::newRow("swap 17 up") << CALL(m.saveLutFileForceSwap(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 2, url("small.cube")))
                                << QByteArrayList{identity33};
    QTest::newRow("RV 17: as stored, then 33") << CALL(m.saveLutFileRV(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 5, url("small.cube")))
                                               << QByteArrayList{contents("small.cube"), identity33};
    QTest::newRow("RV 33: 17, then as stored") << CALL(m.saveLutFileRV(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 5, url("large.cube")))
                                               << QByteArrayList{identity17, contents("large.cube")};
    QTest::newRow("downscale .DAT") << CALL(m.sendLutFileDownscale(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, url("table.DAT")))
                                    << QByteArrayList{contents("table.DAT"), {}};
}

void TestMonitor::lutPayloads()
{
    QFETCH(MonitorCall, call);
    QFETCH(QByteArrayList, payloads);
    m_box->fake.clearReceived();
    call(m_box->device);
    QTRY_VERIFY_WITH_TIMEOUT(m_box->device.pendingRvStores() == 0 && m_box->idle(), 5000);
    QCOMPARE(m_box->fake.received().size(), payloads.size());
    for (int i = 0; i < payloads.size(); ++i)
        QVERIFY2(m_box->fake.received().at(i).payload == payloads.at(i), qPrintable(QString::number(i)));
}

void TestMonitor::binaryImageOfADownscaledCube()
{
    m_box->sentBy([&] { m_box->device.sendLutFileDownscale(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 0, url("large.cube")); });
    const QByteArray image = m_box->fake.received().first().payload;
    const auto word = [&](int entry) { return qFromBigEndian<quint32>(image.constData() + 128 + 4 * entry); };
    // The identity: entry 1 is red code round(1/16 x 1023) = 64, entry 17 the same in green.
    QCOMPARE(image.size(), 19780);
    QCOMPARE((QList<quint32>{word(0), word(1), word(17), word(4912)}), (QList<quint32>{0, 64, 64u << 10, 0x3FFFFFFF}));
}

// The monitor needs time between the two stores; the window must keep running meanwhile, and
// a second store never follows the first onto another connection.
void TestMonitor::storeRvPausesWithoutBlocking()
{
    DeviceHarness<Monitor> box;
    QVERIFY(box.connectAndSettle(5));
    QElapsedTimer clock;
    QList<qint64> arrivals;
    connect(&box.fake, &FakeDevice::commandReceived, this, [&] { arrivals.append(clock.elapsed()); });
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    ticker.start(100);
    clock.start();
    box.device.saveLutFileRV(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_CALIBRATION, 1);
    QVERIFY(clock.elapsed() < 500);
    QTRY_COMPARE_WITH_TIMEOUT(arrivals.size(), 2, 6000);
    QVERIFY2(arrivals.at(1) - arrivals.at(0) >= Monitor::RvStorePauseMs, qPrintable(QString::number(arrivals.at(1) - arrivals.at(0))));
    QVERIFY(ticks >= 10);

    arrivals.clear();
    box.device.saveLutFileRV(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_CALIBRATION, 2);
    QTRY_COMPARE_WITH_TIMEOUT(arrivals.size(), 1, 3000);
    QTest::ignoreMessage(QtWarningMsg, "saveLutFileRV: second store 0x0310 - 0x0302 cancelled, the connection ended");
    box.device.deviceDisconnect();
    QTRY_COMPARE_WITH_TIMEOUT(box.device.state(), QAbstractSocket::UnconnectedState, 3000);
    QCOMPARE(box.device.pendingRvStores(), 0);
    box.fake.clearReceived();
    QVERIFY(connectToFake(box.device, box.fake));
    QTest::qWait(Monitor::RvStorePauseMs + 300);
    QCOMPARE(wireText(box.fake), QStringLiteral("0100/0000 0100/0001 0100/0002 0100/0003 0100/0004"));
}

void TestMonitor::markerList_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("changes");
    const QByteArray grid = QByteArray("grid") + QByteArray(28, '\0');
    QTest::newRow("two entries") << Bytes::le32({2}) + grid + Bytes::field("safe", 5) + QByteArray(27, '\x01') << QStringList{"grid", "safe"} << 1;
    QTest::newRow("count beyond entries") << Bytes::le32({2}) + grid << QStringList{"grid", ""} << 1;
    QTest::newRow("zero count") << Bytes::le32({0}) << QStringList{} << 1;
    QTest::newRow("name fills field") << Bytes::le32({1}) + QByteArray(32, 'X') << QStringList{QString(32, 'X')} << 1;
    QTest::newRow("utf-8 name") << Bytes::le32({1}) + Bytes::field("caf\xc3\xa9", 32) << QStringList{QStringLiteral("caf\u00e9")} << 1;
    QTest::newRow("truncated entry") << Bytes::le32({1}) + "ab" << QStringList{"ab"} << 1;
    QTest::newRow("bounded count") << Bytes::le32({-1}) << QStringList(QVector<QString>(Monitor::MaxMarkerNames).toList()) << 1;
    // Too short to hold its count: ignored whole, the user's list stays.
    QTest::newRow("short count") << QByteArray::fromHex("0100") << QStringList{"old", "old"} << 0;
}

void TestMonitor::markerList()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, names);
    QFETCH(int, changes);
    Monitor monitor;
    deliver(monitor, 0x0404, 5, Bytes::le32({2}) + Bytes::field("old", 32) + Bytes::field("old", 32));
    QSignalSpy changed(&monitor, &Monitor::markerNameListChanged);
    deliver(monitor, 0x0404, 5, payload);
    deliver(monitor, 0x0404, 3, Bytes::le32({1})); // not a list
    QCOMPARE(monitor.markerNameList(), names);
    QCOMPARE(changed.size(), changes);
    monitor.deleteCustomMarker(names.value(0));
    names.removeAll(names.value(0));
    QCOMPARE(monitor.markerNameList(), names);
    QCOMPARE(changed.size(), changes); // the view removes its own row
}

void TestMonitor::formatWordsAndShortReplies_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("request");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QVariantMap>("values");
    QTest::addColumn<int>("notifications"); // for two equal replies
    const QVariantMap defaults{{"dit1dlut_inbit", 10}, {"dit1dlut_outbit", 10}, {"dit3dlut_outbit", 10}, {"dit3dlut_size", 17}};
    // Little-endian words, unlike the rest of the protocol; announced every time.
    QTest::newRow("1D DIT") << 0x0301 << 0x0400 << Bytes::le32({10, 12}) << QVariantMap{{"dit1dlut_inbit", 10}, {"dit1dlut_outbit", 12}} << 4;
    QTest::newRow("1D box") << 0x0302 << 0x0403 << Bytes::le32({12, 10}) << QVariantMap{{"dit1dlut_inbit", 12}, {"dit1dlut_outbit", 10}} << 4;
    QTest::newRow("3D DIT") << 0x0311 << 0x0400 << Bytes::le32({10, 12, 33}) << QVariantMap{{"dit3dlut_outbit", 12}, {"dit3dlut_size", 33}} << 6;
    QTest::newRow("3D calibration") << 0x0310 << 0x0400 << Bytes::le32({1, 1, 255}) << defaults << 0;
    QTest::newRow("1D calibration") << 0x0300 << 0x0400 << Bytes::le32({1, 1}) << defaults << 0;
    QTest::newRow("1D short") << 0x0301 << 0x0400 << Bytes::le32({12}) << defaults << 0;
    QTest::newRow("3D short") << 0x0311 << 0x0400 << Bytes::le32({12, 12}) << defaults << 0;
    QTest::newRow("ports") << 0x0100 << 4 << Bytes::be32(7) << QVariantMap{{"port_num", 7}} << 1;
    QTest::newRow("ports short") << 0x0100 << 4 << Bytes::be16({9}) << QVariantMap{{"port_num", 0}} << 0;
    QTest::newRow("channel count short") << 0x0100 << 3 << QByteArray::fromHex("000002") << QVariantMap{{"channel_num", 0}} << 0;
    QTest::newRow("model") << 0x0100 << 0 << QByteArray("X") << QVariantMap{{"model", "X"}} << 1;
    QTest::newRow("basic-info request 9") << 0x0100 << 9 << QByteArray("ignored") << QVariantMap{{"model", ""}} << 0;
    QTest::newRow("unknown protocol") << 0x7777 << 0 << QByteArray("ignored") << QVariantMap{{"model", ""}} << 0;
}

void TestMonitor::formatWordsAndShortReplies()
{
    QFETCH(int, protocol);
    QFETCH(int, request);
    QFETCH(QByteArray, payload);
    QFETCH(QVariantMap, values);
    QFETCH(int, notifications);
    Monitor monitor;
    SignalLog log(&monitor);
    deliver(monitor, quint16(protocol), quint16(request), payload);
    deliver(monitor, quint16(protocol), quint16(request), payload);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        QCOMPARE(monitor.property(it.key().toLatin1()).toString(), it.value().toString());
    QCOMPARE(log.names.size(), notifications);
}

void TestMonitor::analyzerPictureKeptPerMonitor()
{
    // Someone plants a link at the old well-known name: it must be neither followed nor used.
    const QString temp = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    const QString planted = temp + "/analyzer_capture.png";
    const bool plant = !QFile::exists(planted);
    const QString victim = CubeFiles::writeFile(m_dir, "victim.txt", "keep me");
    if (plant)
        QVERIFY(QFile::link(victim, planted));
    Monitor first, second;
    QSignalSpy received(&first, &Monitor::analyzerPngReceived);
    deliver(first, 0x0405, 0x0010, png(QSize(8, 4), Qt::red));
    deliver(second, 0x0405, 0x0011, png(QSize(8, 4), Qt::blue));
    const QString path = first.analyzerPngLocalPath();
    QVERIFY(path != second.analyzerPngLocalPath() && path != planted && path.startsWith(temp));
    QCOMPARE(contents("victim.txt"), QByteArray("keep me"));
    if (plant)
        QFile::remove(planted);
    QCOMPARE(QImage(path).pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(QImage(second.analyzerPngLocalPath()).pixel(0, 0), qRgb(0, 0, 255));
    QCOMPARE(first.analyzerPngUrl(), QUrl::fromLocalFile(path).toString());
    // A newer picture replaces the old one at the same path; an empty one changes nothing.
    deliver(first, 0x0405, 0x0010, png(QSize(8, 4), Qt::blue));
    QTest::ignoreMessage(QtDebugMsg, "Analyzer PNG: empty response");
    deliver(first, 0x0405, 0x0010, QByteArray());
    QCOMPARE(first.analyzerPngLocalPath(), path);
    QCOMPARE(QImage(path).pixel(0, 0), qRgb(0, 0, 255));
    QCOMPARE(received.size(), 2);
}

void TestMonitor::analyzerPictureSavedAsPngAndPdf()
{
    Monitor monitor;
    QTest::ignoreMessage(QtDebugMsg, "Analyzer PDF: no image to convert");
    monitor.saveAnalyzerPdf(url("none.pdf"));
    QTest::ignoreMessage(QtDebugMsg, "Analyzer PNG: no image to save");
    monitor.saveAnalyzerPng(url("none.png"));
    QVERIFY(!QFile::exists(m_dir.filePath("none.pdf")) && !QFile::exists(m_dir.filePath("none.png")));

    QImage picture(1920, 1080, QImage::Format_RGB32);
    picture.fill(Qt::darkGray);
    QPainter(&picture).fillRect(100, 100, 400, 300, Qt::yellow);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    deliver(monitor, 0x0405, 0x0010, bytes);
    CubeFiles::writeFile(m_dir, "copy.png", "old contents");
    monitor.saveAnalyzerPng(url("copy.png"));
    QVERIFY(contents("copy.png") == bytes);
    // A new picture is as readable as any file the user creates, not private like the cache.
    monitor.saveAnalyzerPng(url("fresh.png"));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat fresh {};
    QCOMPARE(::stat(QFile::encodeName(m_dir.filePath("fresh.png")).constData(), &fresh), 0);
    QCOMPARE(fresh.st_mode & 0777, 0666u & ~mask);

    monitor.saveAnalyzerPdf(url("report.pdf"));
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {m_dir.filePath("report.pdf")});
    QVERIFY2(pdfinfo.waitForFinished(20000), "pdfinfo (poppler-utils) must be installed");
    const QString info = QString::fromUtf8(pdfinfo.readAllStandardOutput());
    QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")) && info.contains(QRegularExpression("Page size:\\s+1920 x 1080 pts")),
             qPrintable(info));
}

void TestMonitor::captureAndScopeForwarding()
{
    Monitor &monitor = m_box->device;
    deliver(monitor, 0x0100, 0, QByteArray("RV-310"));
    auto *capture = new CaptureFrame;
    monitor.registerFeature(capture, 1);
    QVERIFY(monitor.cCaptureFrame() == nullptr);
    monitor.registerFeature(capture, 2);
    QCOMPARE(monitor.cCaptureFrame(), capture);
    QCOMPARE(capture->socketHandler(), monitor.socketHandler());
    QCOMPARE(capture->deviceModel(), QStringLiteral("RV-310"));
    // A 2x1 RGB frame (format 259): header, time code, then two little-endian words.
    const QByteArray frame = Bytes::be16({2, 1, 8, 259}) + QByteArray::fromHex("01020304") + Bytes::le32({0x3FF, 0x3FF00000});
    deliver(monitor, 0x0400, 0x0001, frame);
    QCOMPARE(capture->image().size(), QSize(2, 1));
    QCOMPARE(capture->image().pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(capture->image().pixel(1, 0), qRgb(0, 0, 255));
    delete capture; // the item may go before the device; later frames are dropped
    QVERIFY(monitor.cCaptureFrame() == nullptr);
    deliver(monitor, 0x0400, 0x0001, frame);

    // Each waveform frame pulls the next one, until playback stops.
    m_box->fake.setResponder([](const FakeDevice::Command &cmd) {
        return FakeDevice::message(cmd.protocol, cmd.request, cmd.protocol == 0x0403 ? QByteArray(32768, '\x10') : QByteArray());
    });
    m_box->fake.clearReceived();
    monitor.cScopeStream()->startStopPlayback(1, true);
    QVERIFY(m_box->fake.waitForCommands(4));
    monitor.cScopeStream()->stopPlayback(1);
    QVERIFY(m_box->waitIdle());
    QTest::qWait(100);
    const int settled = m_box->fake.received().size();
    QVERIFY(wireText(m_box->fake).remove(QRegularExpression("0403/\\w{4} ?")).isEmpty());
    // Request 0 is dropped after its log line: even while playing it pulls nothing.
    m_box->fake.setSilent(true);
    monitor.cScopeStream()->startStopPlayback(1, true);
    QVERIFY(m_box->fake.waitForCommands(settled + 1));
    deliver(monitor, 0x0403, 0x0000, QByteArray(32768, '\x10'));
    QTest::qWait(50);
    QCOMPARE(m_box->fake.received().size(), settled + 1);
}

QTEST_MAIN(TestMonitor)
#include "tst_monitor.moc"
