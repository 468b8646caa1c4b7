#include "bytes.h"
#include "cubefiles.h"
#include "deviceharness.h"
#include "logcapture.h"
#include "processrun.h"
#include "monitor/monitor.h"
#include "signallog.h"

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
    DebugLines m_debugLines; // the texts of some debug lines are behaviour
    QTemporaryDir m_dir;
    DeviceHarness<Monitor> *m_box = nullptr;
    QUrl url(const QString &name) const { return QUrl::fromLocalFile(m_dir.filePath(name)); }
    QByteArray contents(const QString &name) const { return readFile(m_dir.filePath(name)); }
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
    void commands_data()
    {
        QTest::addColumn<MonitorCall>("call"); QTest::addColumn<QString>("sent"); QTest::addColumn<QStringList>("logs"); // lines the call must log
        const QUrl small = url("small.cube"), large = url("large.cube"), shortCube = url("short.cube"), missing = url("gone.cube");
        const QUrl mem = QUrl::fromLocalFile("/proc/self/mem"), notLocal("qrc:/grade.cube"), marker = url("marker.png");
        const QString smallSize = QString::number(contents("small.cube").size()) + " bytes";
        const auto row = [](const char *name, const MonitorCall &call, const QString &sent, const QStringList &logs = {}) { QTest::newRow(name) << call << sent << logs; };
        row("send 17: as is, then on", CALL(m.sendLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 4, small)), "0311/0204:" + smallSize + " 0311/0100");
        row("send 33, even as 1D: down to 17", CALL(m.sendLutFile(M::LUT_TYPE_1D, M::LUT_FUNC_POST_CALIBRATION, 1, large)), "0303/0201:" + smallSize,
            {"Downsampling 33x33x33 LUT to 17x17x17..."});
        row("downscale 33: image, then on", CALL(m.sendLutFileDownscale(M::LUT_TYPE_3D, M::LUT_FUNC_CALIBRATION, 2, large)), "0310/0202:19780 bytes 0310/0100");
        row("downscale .DAT as is", CALL(m.sendLutFileDownscale(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, url("table.DAT"))), "0311/0200:19780 bytes 0311/0100");
        row("downscale .3dl refused", CALL(m.sendLutFileDownscale(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, url("table.3dl"))), "", {"Unknown 3D LUT format (not .cube or .dat)"});
        row("downscale 1D as is", CALL(m.sendLutFileDownscale(M::LUT_TYPE_1D, M::LUT_FUNC_BOX, 3, url("ramp.lut"))), "0302/0203:6f7061717565203144");
        row("no URL: empty tables", CALL(m.sendLutFileDownscale(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 1, QUrl()); m.saveLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_CALIBRATION, 1);
                                         m.saveLutFileForceSwap(M::LUT_TYPE_1D, M::LUT_FUNC_POST_DIT, 2); m.saveLutFileRV(M::LUT_TYPE_3D, M::LUT_FUNC_CALIBRATION, 3)),
            "0311/0201 0311/0100 0310/0301 0302/0302 0310/0303 0310/0303");
        row("RV 1D: one store", CALL(m.saveLutFileRV(M::LUT_TYPE_1D, M::LUT_FUNC_DIT, 2, small)), "0301/0302:" + smallSize);
        row("refusals", CALL(m.setLut(M::LUT_TYPE_3D, M::LUT_FUNC_BOX, 0, true); m.setLut(M::LutType(2), M::LUT_FUNC_DIT, 0, true);
                             m.loadLut(M::LUT_TYPE_3D, M::LUT_FUNC_POST_CALIBRATION, 1); m.loadLut(M::LUT_TYPE_1D, M::LutFunc(7), 1);
                             m.setLut(M::LUT_TYPE_1D, M::LutFunc(5), 1, false); m.sendLutFile(M::LutType(3), M::LUT_FUNC_DIT, 0, small);
                             m.sendLutFileDownscale(M::LutType(3), M::LUT_FUNC_DIT, 0, small); m.saveLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_POST_DIT, 0, small);
                             m.saveLutFileRV(M::LutType(9), M::LUT_FUNC_DIT, 0, small); m.saveLutFileForceSwap(M::LUT_TYPE_3D, M::LUT_FUNC_BOX, 0, small)),
            "", {"Unknown lut func:  2", "Unknown type:  2", "Unknown lut func:  3", "Unknown lut func:  5", "Unknown lut type:  3", "Unknown LUT type: 3",
                 "Unknown lut func:  4", "Unknown type:  9"});
        // A file that cannot be used is refused before anything is sent, with the reason: one
        // without a size (a process's own memory), a missing one, a grid too short, no local file.
        row("unreadable", CALL(m.sendLutFile(M::LUT_TYPE_1D, M::LUT_FUNC_DIT, 0, mem); m.sendLutFileDownscale(M::LUT_TYPE_1D, M::LUT_FUNC_DIT, 0, mem);
                               m.saveLutFile(M::LUT_TYPE_1D, M::LUT_FUNC_DIT, 0, mem)), "", {"LUT not sent: ", "is empty"});
        row("missing", CALL(m.sendLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, missing); m.sendLutFileDownscale(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, missing);
                            m.saveLutFile(M::LUT_TYPE_1D, M::LUT_FUNC_DIT, 0, missing); m.saveLutFileRV(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, missing)),
            "", {"LUT not sent: ", "does not exist"});
        row("short grid", CALL(m.saveLutFileRV(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, shortCube); m.sendLutFileDownscale(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, shortCube)),
            "", {"LUT not sent: ", "the devices would refuse it or send it incomplete"});
        row("not local", CALL(m.sendLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, notLocal); m.saveLutFile(M::LUT_TYPE_3D, M::LUT_FUNC_DIT, 0, notLocal);
                              m.saveLutFileRV(M::LUT_TYPE_1D, M::LUT_FUNC_DIT, 0, notLocal)), "", {"Not a local LUT file"});
        row("temporary marker off, on", CALL(m.setOffTempCustomMarker(); m.setOnTempCustomMarker()), "0404/0000 0404/0001");
        // The name field: 32 bytes, cut without a terminator or padded with zeros.
        row("markers", CALL(m.sendCustomMarker(marker); m.sendCustomMarker("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd", marker); m.sendCustomMarker("abc", marker)),
            "0404/0002:504e4744415441 0404/0003:" + QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345PNGDATA").toHex() + " 0404/0003:" + (Bytes::field("abc", 32) + "PNGDATA").toHex());
        row("marker list, delete", CALL(m.queryCustomMarker(); m.deleteCustomMarker("abc")), "0404/0005 0404/0006:01000000" + Bytes::field("abc", 32).toHex());
        row("markers refused", CALL(m.sendCustomMarker(url("gone.png")); m.sendCustomMarker("n", url("gone.png")); m.sendCustomMarker(mem); m.sendCustomMarker(QUrl());
                                    m.sendCustomMarker("n", QUrl("qrc:/m.png"))), "", {"Failed to open marker file:", "Failed to read marker file:", "Not a local marker file"});
        row("analyzer", CALL(m.requestAnalyzerPng(0); m.requestAnalyzerPng(0, false); m.requestAnalyzerPng(1); m.requestAnalyzerPng(1, true); m.requestAnalyzerPng(7, true)),
            "0405/0010 0405/0010 0405/0011 0405/0001 0405/0000");
    }
    void commands()
    {
        QFETCH(MonitorCall, call); QFETCH(QString, sent); QFETCH(QStringList, logs);
        LogCapture capture(QtDebugMsg);
        m_box->fake.clearReceived();
        call(m_box->device);
        // An RV-family second store follows the first one's answer.
        QTRY_VERIFY_WITH_TIMEOUT(m_box->device.pendingRvStores() == 0 && m_box->idle(), 5000);
        QCOMPARE(wireText(m_box->fake), sent);
        for (const QString &log : logs)
            QVERIFY2(capture.contains(log), qPrintable(log));
    }

    void lutPayloads_data()
    {
        QTest::addColumn<MonitorCall>("call"); QTest::addColumn<QByteArrayList>("payloads");
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
    void lutPayloads()
    {
        QFETCH(MonitorCall, call); QFETCH(QByteArrayList, payloads);
        m_box->fake.clearReceived();
        call(m_box->device);
        QTRY_VERIFY_WITH_TIMEOUT(m_box->device.pendingRvStores() == 0 && m_box->idle(), 5000);
        QCOMPARE(m_box->fake.received().size(), payloads.size());
        for (int i = 0; i < payloads.size(); ++i)
            QVERIFY2(m_box->fake.received().at(i).payload == payloads.at(i), qPrintable(QString::number(i)));
    }
    void binaryImageOfADownscaledCube()
    {
        QVERIFY(m_box->wireTextOf([&] { m_box->device.sendLutFileDownscale(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 0, url("large.cube")); }) != "busy");
        const QByteArray image = m_box->fake.received().first().payload;
        const auto word = [&](int entry) { return qFromBigEndian<quint32>(image.constData() + 128 + 4 * entry); };
        // The identity: entry 1 is red code round(1/16 x 1023) = 64, entry 17 the same in green.
        QCOMPARE(image.size(), 19780);
        QCOMPARE((QList<quint32>{word(0), word(1), word(17), word(4912)}), (QList<quint32>{0, 64, 64u << 10, 0x3FFFFFFF}));
    }
    // The monitor needs time between the two stores; the window must keep running meanwhile, and
    // a second store never follows the first onto another connection.
    void storeRvPausesWithoutBlocking()
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
    void markerList_data()
    {
        QTest::addColumn<QByteArray>("payload"); QTest::addColumn<QStringList>("names"); QTest::addColumn<int>("changes");
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
    void markerList()
    {
        QFETCH(QByteArray, payload); QFETCH(QStringList, names); QFETCH(int, changes);
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
    void formatWordsAndShortReplies_data()
    {
        QTest::addColumn<int>("protocol"); QTest::addColumn<int>("request"); QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QVariantMap>("values"); QTest::addColumn<int>("notifications"); // for two equal replies
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
    void formatWordsAndShortReplies()
    {
        QFETCH(int, protocol); QFETCH(int, request); QFETCH(QByteArray, payload); QFETCH(QVariantMap, values); QFETCH(int, notifications);
        Monitor monitor;
        SignalLog log(&monitor);
        deliver(monitor, quint16(protocol), quint16(request), payload);
        deliver(monitor, quint16(protocol), quint16(request), payload);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            QCOMPARE(monitor.property(it.key().toLatin1()).toString(), it.value().toString());
        QCOMPARE(log.names.size(), notifications);
    }
    void analyzerPictures()
    {
        // Someone plants a link at the old well-known name: it must be neither followed nor used.
        const QString temp = QStandardPaths::writableLocation(QStandardPaths::TempLocation), planted = temp + "/analyzer_capture.png";
        const QString victim = CubeFiles::writeFile(m_dir, "victim.txt", "keep me");
        const bool plant = !QFile::exists(planted) && QFile::link(victim, planted);
        Monitor first, second;
        QTest::ignoreMessage(QtDebugMsg, "Analyzer PDF: no image to convert");
        first.saveAnalyzerPdf(url("none.pdf"));
        QTest::ignoreMessage(QtDebugMsg, "Analyzer PNG: no image to save");
        first.saveAnalyzerPng(url("none.png"));
        QVERIFY(!QFile::exists(m_dir.filePath("none.pdf")) && !QFile::exists(m_dir.filePath("none.png")));
        QSignalSpy received(&first, &Monitor::analyzerPngReceived);
        deliver(first, 0x0405, 0x0010, png(QSize(8, 4), Qt::red));
        deliver(second, 0x0405, 0x0011, png(QSize(8, 4), Qt::blue));
        const QString path = first.analyzerPngLocalPath();
        QVERIFY(path != second.analyzerPngLocalPath() && path != planted && path.startsWith(temp) && contents("victim.txt") == "keep me");
        if (plant)
            QFile::remove(planted);
        QVERIFY(QImage(path).pixel(0, 0) == qRgb(255, 0, 0) && QImage(second.analyzerPngLocalPath()).pixel(0, 0) == qRgb(0, 0, 255));
        QCOMPARE(first.analyzerPngUrl(), QUrl::fromLocalFile(path).toString());
        // A newer picture replaces the old one at the same path; an empty one changes nothing.
        const QByteArray picture = png(QSize(1920, 1080), Qt::darkGray);
        deliver(first, 0x0405, 0x0010, picture);
        QTest::ignoreMessage(QtDebugMsg, "Analyzer PNG: empty response");
        deliver(first, 0x0405, 0x0010, QByteArray());
        QVERIFY(first.analyzerPngLocalPath() == path && QImage(path).size() == QSize(1920, 1080) && received.size() == 2);
        // Saved over an old file, and as a new file as readable as any the user creates, not
        // private like the cache; and as a one-page PDF of the picture's size in points.
        CubeFiles::writeFile(m_dir, "copy.png", "old contents");
        first.saveAnalyzerPng(url("copy.png"));
        first.saveAnalyzerPng(url("fresh.png"));
        QVERIFY(contents("copy.png") == picture);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        struct stat fresh {};
        QCOMPARE(::stat(QFile::encodeName(m_dir.filePath("fresh.png")).constData(), &fresh), 0);
        QCOMPARE(fresh.st_mode & 0777, 0666u & ~mask);
        first.saveAnalyzerPdf(url("report.pdf"));
        QProcess pdfinfo;
        pdfinfo.start(QStringLiteral("pdfinfo"), {m_dir.filePath("report.pdf")});
        QVERIFY2(pdfinfo.waitForFinished(20000), "pdfinfo (poppler-utils) must be installed");
        const QString info = QString::fromUtf8(pdfinfo.readAllStandardOutput());
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")) && info.contains(QRegularExpression("Page size:\\s+1920 x 1080 pts")), qPrintable(info));
    }

    void captureAndScopeForwarding()
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

        // A waveform frame pulls the next one while playing, none after a stop; request 0 is
        // dropped after its log line.
        m_box->fake.setSilent(true);
        const SocketHandler &handler = *monitor.socketHandler();
        monitor.cScopeStream()->startStopPlayback(1, true); // goes out and waits unanswered
        deliver(monitor, 0x0403, 0x0001, QByteArray(32768, '\x10'));
        deliver(monitor, 0x0403, 0x0000, QByteArray(32768, '\x10'));
        QVERIFY(handler.inFlight().protocol == 0x0403 && handler.queuedCount() == 1);
        monitor.cScopeStream()->stopPlayback(1);
        deliver(monitor, 0x0403, 0x0001, QByteArray(32768, '\x10'));
        QCOMPARE(handler.queuedCount(), 1);
    }
};

QTEST_MAIN(TestMonitor)
#include "tst_monitor.moc"
