#include "simprocess.h"

#include "capture/captureframe.h"
#include "cubrix/cubrix.h"
#include "monitor/monitor.h"
#include "scope/scopestream.h"

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The program's own Monitor and Cubrix classes against the simulator: every reply layout
// the simulator sends must decode into the properties its state says. The device classes
// always dial port 18181, so each simulator listens there on a spare loopback address.
class TestSimDevices : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void cubrixSweepDecodes();
    void cubrixStateChangesShowInProperties();
    void cubrixCaptureDecodesToColourBars();
    void cubrixAncillaryListReachesCaptureItem();
    void cubrixScopeStreamIsPaced();
    void monitorIdentityAndChannels();
    void monitorLutFormatMarkersAndAnalyzer();

private:
    bool startCubrix(SimProcess &sim, Cubrix &cubrix);
    static bool idle(DeviceBase &device);

    QTemporaryDir m_temp;
};

namespace {
int prop(const QObject &object, const char *name)
{
    return object.property(name).toInt();
}
} // namespace

void TestSimDevices::initTestCase()
{
    QVERIFY(m_temp.isValid());
    // The analyzer picture goes to the temporary folder; keep it away from other runs.
    qputenv("TMPDIR", m_temp.path().toUtf8());
}

bool TestSimDevices::idle(DeviceBase &device)
{
    SocketHandler *handler = device.socketHandler();
    return handler->inFlight().protocol == 0 && handler->queuedCount() == 0;
}

bool TestSimDevices::startCubrix(SimProcess &sim, Cubrix &cubrix)
{
    const QString address = SimProcess::loopbackAddressWithFreePort(MNCP_DEFAULT_PORT);
    if (address.isEmpty()
        || !sim.startOnPort({QStringLiteral("--role"), QStringLiteral("cubrix"), QStringLiteral("--model"),
                             QStringLiteral("Cubrix Mono SDI"), QStringLiteral("--serial"), QStringLiteral("CBX-E2E")},
                            address, MNCP_DEFAULT_PORT))
        return false;
    cubrix.setAddress(address);
    cubrix.deviceConnect();
    return true;
}

void TestSimDevices::cubrixSweepDecodes()
{
    SimProcess sim;
    Cubrix cubrix;
    QSignalSpy errors(&cubrix, &Cubrix::protocolError);
    QVERIFY(startCubrix(sim, cubrix));
    QTRY_COMPARE_WITH_TIMEOUT(cubrix.property("serial").toString(), QStringLiteral("CBX-E2E"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(idle(cubrix), 5000);
    QCOMPARE(errors.size(), 0);
    QCOMPARE(cubrix.property("model").toString(), QStringLiteral("Cubrix Mono SDI"));
    QCOMPARE(prop(cubrix, "port_num"), 2);
    QCOMPARE(prop(cubrix, "box_mode"), 1);
    QCOMPARE(prop(cubrix, "box_ch"), 1);
    // 33-point cubes in single-channel mode, 17-point ones in dual-channel mode.
    QCOMPARE(prop(cubrix, "boxmode1_3dlut_size"), 33);
    QCOMPARE(prop(cubrix, "boxmode2_3dlut_size"), 17);
    QCOMPARE(prop(cubrix, "boxmode1_1dlut_outbit"), 12);
    QCOMPARE(prop(cubrix, "boxmode1_ch1_input"), 1);
    QCOMPARE(prop(cubrix, "boxmode2_ch2_input"), 2);
    QCOMPARE(prop(cubrix, "boxmode1_ch1_range"), 1);
    QCOMPARE(prop(cubrix, "boxmode3_output_type"), 1);
    QCOMPARE(prop(cubrix, "box_lut_interpolation"), 1);
}

void TestSimDevices::cubrixStateChangesShowInProperties()
{
    SimProcess sim;
    Cubrix cubrix;
    QSignalSpy errors(&cubrix, &Cubrix::protocolError);
    QVERIFY(startCubrix(sim, cubrix));
    QTRY_VERIFY_WITH_TIMEOUT(prop(cubrix, "box_mode") == 1 && idle(cubrix), 5000);

    // Mode keys are learnt from the re-query half a second later.
    cubrix.sendKey(DeviceBase::MNCP_KEY_MODE_2);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "box_mode"), 2, 5000);
    cubrix.sendKey(DeviceBase::MNCP_KEY_CH_2);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "box_ch"), 2, 5000);
    cubrix.setLut(Cubrix::LUT_TYPE_1D, Cubrix::LUT_FUNC_BOX, 0, true);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "boxmode2_ch2_1dlut2_state"), 1, 5000);
    cubrix.loadLut(Cubrix::LUT_TYPE_3D, Cubrix::LUT_FUNC_DIT, 4);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "boxmode2_ch2_3dlut_load"), 5, 5000);
    QCOMPARE(prop(cubrix, "boxmode2_ch2_3dlut_state"), 1);
    cubrix.setRange(3);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "boxmode2_ch2_range"), 3, 5000);
    QCOMPARE(prop(cubrix, "boxmode2_ch1_range"), 1);

    cubrix.sendKey(DeviceBase::MNCP_KEY_MODE_1);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "box_mode"), 1, 5000);
    cubrix.setInputSignal(0x0205);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "boxmode1_ch1_signal"), 0x0205, 5000);
    cubrix.setInputSignal(0xFFFF);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "boxmode1_ch1_signal"), -1, 5000);
    cubrix.loadFrame(6);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "boxmode1_ch1_frm_load"), 7, 5000);
    QCOMPARE(prop(cubrix, "boxmode1_ch1_frm_state"), 1);
    cubrix.setSignalRGB(1023, 0, 512);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "boxmode3_input_type"), 2, 5000);
    cubrix.setSignalOut(17);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "boxmode3_output_type"), 17, 5000);
    cubrix.setSignalForm(4);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "boxmode3_output_form"), 4, 5000);
    cubrix.setAnci(1);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "box_anci"), 1, 5000);
    cubrix.sendKey(DeviceBase::MNCP_KEY_LUT_INTERPOLATION_2);
    QTRY_COMPARE_WITH_TIMEOUT(prop(cubrix, "box_lut_interpolation"), 2, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(idle(cubrix), 5000);
    QCOMPARE(errors.size(), 0);
}

void TestSimDevices::cubrixCaptureDecodesToColourBars()
{
    SimProcess sim;
    Cubrix cubrix;
    QVERIFY(startCubrix(sim, cubrix));
    QTRY_VERIFY_WITH_TIMEOUT(prop(cubrix, "box_mode") == 1 && idle(cubrix), 5000);
    CaptureFrame capture;
    cubrix.registerFeature(&capture, 2);
    capture.captureFrame(0);
    QTRY_VERIFY_WITH_TIMEOUT(!capture.image().isNull(), 10000);
    const QImage &image = capture.image();
    QCOMPARE(image.size(), QSize(1920, 1080));
    // 75% bars in 8 bits: a lit component is 0.75 x 255 = 191, an unlit one 0.
    const int lit = 191;
    const QRgb expected[8] = {qRgb(lit, lit, lit), qRgb(lit, lit, 0), qRgb(0, lit, lit), qRgb(0, lit, 0),
                              qRgb(lit, 0, lit), qRgb(lit, 0, 0), qRgb(0, 0, lit), qRgb(0, 0, 0)};
    for (int bar = 0; bar < 8; ++bar) {
        const QRgb pixel = image.pixel(bar * 240 + 120, 540);
        QVERIFY2(qAbs(qRed(pixel) - qRed(expected[bar])) <= 3 && qAbs(qGreen(pixel) - qGreen(expected[bar])) <= 3
                     && qAbs(qBlue(pixel) - qBlue(expected[bar])) <= 3,
                 qPrintable(QStringLiteral("bar %1: %2 %3 %4").arg(bar).arg(qRed(pixel)).arg(qGreen(pixel)).arg(qBlue(pixel))));
    }
}

void TestSimDevices::cubrixAncillaryListReachesCaptureItem()
{
    SimProcess sim;
    Cubrix cubrix;
    QVERIFY(startCubrix(sim, cubrix));
    QTRY_VERIFY_WITH_TIMEOUT(prop(cubrix, "box_mode") == 1 && idle(cubrix), 5000);
    CaptureFrame capture;
    connect(&cubrix, &Cubrix::anciCaptured, &capture, &CaptureFrame::receiveAnci);
    cubrix.setAnci(3);
    QTRY_COMPARE_WITH_TIMEOUT(capture.property("anci_count").toInt(), 5, 5000);
    QCOMPARE(capture.getListItem(0), QStringLiteral("0x4105"));
    QCOMPARE(capture.getListItem(1), QStringLiteral("0x4501"));
    QCOMPARE(capture.getListItem(2), QStringLiteral("0x4501"));
    QCOMPARE(capture.getListItem(3), QStringLiteral("0x6060"));
}

void TestSimDevices::cubrixScopeStreamIsPaced()
{
    SimProcess sim;
    Cubrix cubrix;
    QVERIFY(startCubrix(sim, cubrix));
    QTRY_VERIFY_WITH_TIMEOUT(prop(cubrix, "box_mode") == 1 && idle(cubrix), 5000);
    auto *stream = cubrix.property("cScopeStream").value<ScopeStream *>();
    QVERIFY(stream);
    const QString request = QStringLiteral("protocol=0x0403 request=0x0001");
    stream->startStopPlayback(1, true);
    QTest::qWait(1000);
    stream->stopPlayback(1);
    QTest::qWait(200);
    const int frames = sim.countInLog(request);
    // The pull loop keeps going, at the video rate of 25 frames per second.
    QVERIFY2(frames >= 10 && frames <= 32, qPrintable(QString::number(frames)));
    QTest::qWait(300);
    QCOMPARE(sim.countInLog(request), frames);
}

void TestSimDevices::monitorIdentityAndChannels()
{
    const QString address = SimProcess::loopbackAddressWithFreePort(MNCP_DEFAULT_PORT);
    QVERIFY(!address.isEmpty());
    SimProcess sim;
    QVERIFY(sim.startOnPort({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"), QStringLiteral("rvq")},
                            address, MNCP_DEFAULT_PORT));
    Monitor monitor;
    monitor.setAddress(address);
    monitor.deviceConnect();
    QTRY_COMPARE_WITH_TIMEOUT(prop(monitor, "channel_num"), 3, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(idle(monitor), 5000);
    QCOMPARE(monitor.property("serial").toString().left(1), QStringLiteral("Q"));
    QCOMPARE(prop(monitor, "port_num"), 3);
    const ChannelList &channels = monitor.channelList();
    QCOMPARE(channels.size(), 3);
    QCOMPARE(channels.at(0)->name(), QStringLiteral("SDI 1"));
    QCOMPARE(channels.at(2)->name(), QStringLiteral("HDMI"));
    QCOMPARE(channels.at(1)->mode(), QStringLiteral("1920x1080p 25"));
}

void TestSimDevices::monitorLutFormatMarkersAndAnalyzer()
{
    const QString address = SimProcess::loopbackAddressWithFreePort(MNCP_DEFAULT_PORT);
    QVERIFY(!address.isEmpty());
    SimProcess sim;
    QVERIFY(sim.startOnPort({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"), QStringLiteral("kt")},
                            address, MNCP_DEFAULT_PORT));
    Monitor monitor;
    QSignalSpy errors(&monitor, &Monitor::protocolError);
    monitor.setAddress(address);
    monitor.deviceConnect();
    QTRY_VERIFY_WITH_TIMEOUT(prop(monitor, "channel_num") == 4 && idle(monitor), 5000);

    QFile table(m_temp.filePath(QStringLiteral("curve.lut")));
    QVERIFY(table.open(QIODevice::WriteOnly));
    table.write("LUT_1D_SIZE 4096\nLUT_1D_BITS 16\n0 0 0\n");
    table.close();
    monitor.saveLutFile(Monitor::LUT_TYPE_1D, Monitor::LUT_FUNC_DIT, 2, QUrl::fromLocalFile(table.fileName()));
    monitor.loadLut(Monitor::LUT_TYPE_1D, Monitor::LUT_FUNC_DIT, 2);
    QTRY_COMPARE_WITH_TIMEOUT(prop(monitor, "dit1dlut_outbit"), 16, 5000);
    QCOMPARE(prop(monitor, "dit1dlut_inbit"), 12);

    monitor.queryCustomMarker();
    QTRY_COMPARE_WITH_TIMEOUT(monitor.property("markerNameList").toStringList().size(), 2, 5000);
    QFile picture(m_temp.filePath(QStringLiteral("grid.png")));
    QVERIFY(picture.open(QIODevice::WriteOnly));
    QImage(64, 36, QImage::Format_RGB32).save(&picture, "PNG");
    picture.close();
    monitor.sendCustomMarker(QStringLiteral("Grid"), QUrl::fromLocalFile(picture.fileName()));
    monitor.queryCustomMarker();
    QTRY_COMPARE_WITH_TIMEOUT(monitor.property("markerNameList").toStringList().size(), 3, 5000);
    QCOMPARE(monitor.property("markerNameList").toStringList().last(), QStringLiteral("Grid"));

    QSignalSpy analyzer(&monitor, &Monitor::analyzerPngReceived);
    monitor.requestAnalyzerPng(0, true);
    QTRY_COMPARE_WITH_TIMEOUT(analyzer.size(), 1, 10000);
    const QString path = QUrl(monitor.property("analyzerPngPath").toString()).toLocalFile();
    QImage image;
    QVERIFY2(image.load(path, "PNG"), qPrintable(path));
    QCOMPARE(qGray(image.pixel(2, 2)), 255);
    QCOMPARE(errors.size(), 0);
}

QTEST_MAIN(TestSimDevices)
#include "tst_sim_devices.moc"
