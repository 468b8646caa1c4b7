// The window, its pages and their windows against the simulator: the main window connects a
// simulated Cubrix and a simulated monitor from their tabs and shows what each reported; the
// pages change the simulated devices and follow their answers; the scope windows play and
// stop; the capture windows save what they capture.
#include "capture/captureframe.h"
#include "pagefixture.h"
#include "scope/scopestream.h"
#include "simprocess.h"

#include <QDir>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QSurfaceDataProxy>
#include <QtTest>

using namespace QmlTest;
using QtDataVisualization::QSurface3DSeries;
using QtDataVisualization::QSurfaceDataProxy;

class TestSimulator : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { VERIFY_NO_LOG(*m_log); }
    void windowConnectsBothTabs();
    void pages_data();
    void pages() { PageFixture::checkRow(&m_cubrixSim, &m_monitorSim); }
    void scopesPlayAndStop_data();
    void scopesPlayAndStop();
    void captureAndSave_data();
    void captureAndSave();

private:
    std::unique_ptr<LogCapture> m_log;
    SimProcess m_cubrixSim;
    SimProcess m_monitorSim;
    SimProcess m_ktSim;
};

void TestSimulator::initTestCase()
{
    m_log = warningGuard();
    QVERIFY(m_cubrixSim.start({"--role", "cubrix", "--model", "Cubrix", "--serial", "CBX0042", "--version", "9.8.7"}, QStringLiteral("127.0.0.1")));
    QVERIFY(m_monitorSim.start({"--role", "monitor", "--family", "rv", "--serial", "RV31X0099", "--version", "4.5.6"}, QStringLiteral("127.0.0.2")));
    QVERIFY(m_ktSim.start({"--role", "monitor", "--family", "kt"}, QStringLiteral("127.0.0.3")));
}

// The Cubrix tab connects with its button, the monitor tab with Ctrl+2 and Ctrl+C; each page
// shows its device's identity, and Ctrl+C again disconnects the visible tab only.
void TestSimulator::windowConnectsBothTabs()
{
    clearStoredState();
    MainWindow main;
    QVERIFY(main.load("0,CUBRIX,127.0.0.1,Grading Box,dark\n1,MONITOR,127.0.0.2,Hero Monitor,dark\n"));
    auto *cubrix = qobject_cast<DeviceBase *>(find(main.tab(0), QStringLiteral("cubrixDevice")));
    auto *monitor = qobject_cast<DeviceBase *>(find(main.tab(1), QStringLiteral("monitorDevice")));
    cubrix->setPort(m_cubrixSim.port());
    monitor->setPort(m_monitorSim.port());
    const auto identity = [&main](int tab) {
        QStringList labels;
        for (const char *name : {"addressLabel", "modelLabel", "serialLabel", "versionLabel"})
            labels << find(main.tab(tab), QLatin1String(name))->property("text").toString();
        return labels.join(QLatin1Char('|'));
    };
    click(item(find(main.tab(0), QStringLiteral("connectButton"))));
    QTRY_COMPARE_WITH_TIMEOUT(identity(0), QStringLiteral("Address: 127.0.0.1|Model: Cubrix|Serial: CBX0042|Firmware Version: 9.8.7"), 10000);
    main.key(Qt::Key_2, Qt::ControlModifier);
    main.key(Qt::Key_C, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(identity(1), QStringLiteral("Address: 127.0.0.2|Model: RV-3100|Serial Number: RV31X0099|Firmware Version: 4.5.6"), 10000);
    QCOMPARE(main.statusText(), QStringLiteral("Hero Monitor"));
    main.key(Qt::Key_C, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(int(monitor->state()), int(QAbstractSocket::UnconnectedState), 10000);
    QCOMPARE(int(cubrix->state()), int(QAbstractSocket::ConnectedState));
}

void TestSimulator::pages_data()
{
    PageFixture::columns();
    // The highlights move once the box has answered the re-queries that follow a key.
    PageFixture::row("Cubrix modes and channels", "c:", "press dualChannelButton; until dualChannelButton.highlighted=true; "
        "press channel2Button; until channel2Button.highlighted=true; key 3; until generatorButton.highlighted=true; "
        "press singleChannelButton; until singleChannelButton.highlighted=true", "shown lutRowMode1 lutRowMode2Ch2 generatorSection signalFormatSelect",
        "lutRowMode1,signalFormatSelect");
    PageFixture::row("Cubrix input, range and LUT", "c:", "press sdi2Button; until sdi2Button.highlighted=true; press smpteRangeButton; "
        "until smpteRangeButton.highlighted=true; lutRowMode1/cubeLut/lutSwitch.checked=true; press lutRowMode1/cubeLut/lutSwitch; "
        "until lutRowMode1/cubeLut/lutSwitch.checked=true", "sdi1Button.highlighted;device.boxmode1_ch1_3dlut_state", "false|1");
    // The address leaves before the tab disconnects, even behind a command in flight; the
    // connection ends once the box has answered it.
    PageFixture::row("Cubrix settings", "c:", "press flipButton; cubrixInfoPage/ipField3.text=9; press osdMenuButton; "
        "press cubrixInfoPage/setIpButton; simlog network address 127.0.0.9 mask 255.255.255.0 gateway 192.168.1.1; "
        "until device.state=UnconnectedState", "pageList.currentIndex;noticeDialog.text", "0|The device now uses the address 127.0.0.9. Connect to it there.");
    PageFixture::row("monitor markers and analyzer", "m:", "press listMarkersButton; until markerList.count=2; press markerDeleteButton_1; "
        "simlog marker \"Safe Area 93\" deleted; press currentAnalyzerButton; until analyzerImage.status=Ready",
        "markerNameButton_0.text;markerList.count;saveAnalyzerPngButton.visible", "Crosshair.png|1|true");
}

void TestSimulator::scopesPlayAndStop_data()
{
    QTest::addColumn<QString>("device");
    QTest::newRow("monitor") << "m:";
    QTest::newRow("Cubrix") << "c:";
}

void TestSimulator::scopesPlayAndStop()
{
    QFETCH(QString, device);
    PageFixture fixture(device, device == QLatin1String("c:") ? &m_cubrixSim : &m_ktSim);
    QVERIFY(fixture.open());
    QCOMPARE(fixture.run("press waveformButton; press vectorButton"), QString());
    auto *waveform = qobject_cast<QSurface3DSeries *>(fixture.object("waveform.series"));
    QSignalSpy waveFrames(waveform->dataProxy(), &QSurfaceDataProxy::arrayReset);
    QSignalSpy vectorFrames(qobject_cast<QSurface3DSeries *>(fixture.object("vector.series"))->dataProxy(), &QSurfaceDataProxy::arrayReset);
    QCOMPARE(fixture.run("press waveform/startStopButton"), QString());
    QTRY_VERIFY_WITH_TIMEOUT(waveFrames.count() >= 3, 10000);
    QCOMPARE(vectorFrames.count(), 0);
    // The black of the bars sits on level row 8: the trace is lit there.
    float black = 0;
    for (int column = 0; column < 240; ++column)
        black = std::max(black, waveform->dataProxy()->itemAt(8, column)->y());
    QVERIFY(black > 100);
    // Both scopes come in one stream: the waveform keeps moving too.
    QCOMPARE(fixture.run("press vector/startStopButton"), QString());
    QTRY_VERIFY_WITH_TIMEOUT(vectorFrames.count() >= 3, 10000);
    const int before = waveFrames.count();
    QTRY_VERIFY_WITH_TIMEOUT(waveFrames.count() >= before + 2, 10000);
    // Stopped: the frame in flight lands, then nothing more.
    QCOMPARE(fixture.run("press waveform/startStopButton; press vector/startStopButton; wait 400"), QString());
    const int stopped = waveFrames.count() + vectorFrames.count();
    QTest::qWait(600);
    QCOMPARE(waveFrames.count() + vectorFrames.count(), stopped);
    QCOMPARE(fixture.query("vector/startStopButton.text;device.cScopeStream.isPlaying"), QStringLiteral("Start|0"));
}

void TestSimulator::captureAndSave_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("monitor, JPEG") << "m:" << 1 << QByteArray::fromHex("FFD8FF");
    // Raw: the frame as it came, header first: width 1920 (0x0780), height 1080 (0x0438).
    QTest::newRow("Cubrix, raw") << "c:" << 3 << QByteArray::fromHex("07800438");
}

// Three quick clicks save the next three frames, each under a name of its own.
void TestSimulator::captureAndSave()
{
    QFETCH(QString, device);
    QFETCH(int, format);
    QFETCH(QByteArray, magic);
    PageFixture fixture(device, device == QLatin1String("c:") ? &m_cubrixSim : &m_ktSim);
    QVERIFY(fixture.open());
    QTemporaryDir folder;
    QCOMPARE(fixture.run(QStringLiteral("press captureButton; capture/formatRadio%1.checked=true; press capture/formatRadio%1").arg(format)), QString());
    call(fixture.object("capture"), "chooseLocation", {QUrl::fromLocalFile(folder.path()).toString()});
    QCOMPARE(fixture.run("press capture/captureSaveButton; press capture/captureSaveButton; press capture/captureSaveButton"), QString());
    auto *item = qobject_cast<CaptureFrame *>(fixture.object("capture/captureItem"));
    QCOMPARE(item->quickSaveCount(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(QDir(folder.path()).entryList(QDir::Files).size(), 3, 30000);
    for (const QString &name : QDir(folder.path()).entryList(QDir::Files)) {
        QVERIFY2(name.contains(QLatin1String("CapturedImage")) && name.endsWith(QStringList{".jpg", ".bmp", ".raw"}.at(format - 1)), qPrintable(name));
        QVERIFY2(readFile(QDir(folder.path()).filePath(name)).startsWith(magic), qPrintable(name));
    }
    // The picture of the last frame is shown too.
    QCOMPARE(item->image().size(), QSize(1920, 1080));
}

BREVANTO_GL_QML_TEST_MAIN(TestSimulator)
#include "tst_simulator.moc"
