// The windows a device page launches, opened from the pages of both kinds with a recording
// device: one waveform, one vector and one capture window per tab, titled with the tab, shown
// again, following the theme, closed with the connection and gone with the tab; the scope
// window's graph, playback, zoom and trace colour; the capture window's controls; and the
// vectorscope graticule mesh. The scope windows draw a surface graph: this runs under Xvfb.
#include "capture/captureframe.h"
#include "deviceconnection.h"
#include "graticulemesh.h"
#include "pagefixture.h"

#include <QtDataVisualization/Q3DTheme>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtTest>
#include <cmath>

using namespace Devices;
using namespace QmlTest;

namespace {
const auto row = &PageFixture::row;
const char *const BOTH = "press waveformButton; press vectorButton; press waveform/startStopButton; press vector/startStopButton";
} // namespace

class TestLaunchedWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_log = warningGuard(); }
    void cleanup() { VERIFY_NO_LOG(*m_log); }
    void windows_data();
    void windows() { PageFixture::checkRow(); }
    void traceColour();
    void scopeContrast_data();
    void scopeContrast();
    void captureSource();
    void capturePackets();
    void meshFiles();
    void meshTargets_data();
    void meshTargets();

private:
    std::unique_ptr<LogCapture> m_log;
};

void TestLaunchedWindows::windows_data()
{
    PageFixture::columns();
    const char *const opened = "waveform.scopeView;vector.scopeView;capture.objectName;waveform.title;capture.title;vector.loadedHardware;device.cCaptureFrame";
    row("monitor windows", KT, "press waveformButton; press vectorButton; press captureButton", opened,
        "waveform|vector|monitorCaptureWindow|Test Tab|Test Tab|device|captureItem");
    row("Cubrix windows", MODE1, "press waveformButton; press vectorButton; press captureButton", opened,
        "waveform|vector|cubrixCaptureWindow|Test Tab|Test Tab|device|captureItem");
    row("monitor windows by key, once each", KT, "key Shift+W; key Shift+V; key Shift+C; press waveformButton; key Shift+W; press captureButton",
        "windows scopeWindow monitorCaptureWindow", "2|1");
    row("Cubrix windows by key, once each", MODE21, "key Shift+W; key Shift+V; key Shift+C; press vectorButton; key Shift+C",
        "windows scopeWindow cubrixCaptureWindow", "2|1");
    row("only captures on channel 2, none in mode 3", MODE22, "key Shift+W; key Shift+V; key Shift+C; device.box_mode=3; capture.close(); key Shift+C",
        "cubrixGeneralPage.waveformOpen;cubrixGeneralPage.vectorOpen;capture.visible", "false|false|false");
    row("shown again with the tab's new title", KT, "press waveformButton; waveform.close(); window/holder.title=Grade 2; press waveformButton",
        "waveform.visible;waveform.title", "true|Grade 2");
    row("Cubrix window shown again", MODE1, "press captureButton; capture.close(); press captureButton", "capture.visible", "true");
    row("restored from the task bar", KT, "press waveformButton; waveform.showMinimized(); press waveformButton", "waveform.visibility", "Windowed");
    row("the theme reaches the windows", MODE1, "press waveformButton; press captureButton; window.mode=light", "waveform.mode;capture.mode", "light|light");
    row("Cubrix disconnect releases", MODE1, "press waveformButton; press captureButton; press disconnectButton; "
        "until windows scopeWindow cubrixCaptureWindow=0|0", "cubrixGeneralPage.waveformOpen;cubrixGeneralPage.captureOpen", "false|false");
    row("monitor windows belong to the main window", KT, "press waveformButton; press captureButton",
        "waveform.transientParent;capture.transientParent", "holderWindow|holderWindow");
    for (const char *device : {KT, MODE1})
        row(device == KT ? "monitor windows close with a lost connection" : "Cubrix windows close with a lost connection", device,
            "press waveformButton; press waveform/startStopButton; press captureButton; disconnect; "
            "until windows scopeWindow monitorCaptureWindow cubrixCaptureWindow=0|0|0", "device.cScopeStream.isPlaying", "0");
    row("monitor windows close with a disconnect", KT, "press waveformButton; press vectorButton; press captureButton; key Ctrl+C",
        "waveform.visible;vector.visible;capture.visible", "false|false|false");
    row("monitor windows go with the tab", KT, "press waveformButton; press vectorButton; press captureButton; close",
        "windows scopeWindow monitorCaptureWindow", "0|0");

    // The scope window: graph, playback of its own view, zoom. Only the vector window resets the
    // gain, which only the vector display uses.
    row("waveform", KT, "device.cScopeStream.vectorGain=4; press waveformButton", "waveform.width;waveform.height;waveform.minimumWidth;"
        "waveform.minimumHeight;waveform.color;waveform.iScopeView;waveform/scopeGraph.polar;waveform/scopeGraph.orthoProjection;"
        "waveform/scopeGraph.axisX.max;waveform/scopeGraph.axisZ.max;waveform.sampleColumns;waveform/startStopButton.text;device.cScopeStream.vectorGain",
        "800|540|320|240|#1d1f21|1|false|true|240|127|240|Start|4");
    row("vector", MODE1, "device.cScopeStream.vectorGain=4; press vectorButton", "vector.iScopeView;vector/scopeGraph.polar;vector/scopeGraph.axisX.max;"
        "vector/scopeGraph.axisZ.max;vector.sampleRows;vector.sampleColumns;vector.graticule.position;vector.graticule.scaling;vector.graticule.meshFile;"
        "vector.graticule.textureFile;device.cScopeStream.vectorGain",
        "2|true|360|90|128|128|316 255 0|3.2 16 3.2|:/models/Vector-large-collapsed-ai-mathed3.obj|:/models/yellow50.png|1");
    row("the scope set's copy", KT, "monitorGeneralPage.scopeWindowUrl=qrc:/scopestream.qml; press vectorButton", "vector.iScopeView;vector.graticule.scaling",
        "2|3.2 16 3.2");
    row("start", KT, "press waveformButton; press waveform/startStopButton", "waveform/startStopButton.text;device.cScopeStream.isPlaying", "Stop|1");
    row("both playing", KT, BOTH, "waveform/startStopButton.text;vector/startStopButton.text;device.cScopeStream.isPlaying", "Stop|Stop|3");
    row("one stopped", MODE1, QByteArray(BOTH).append("; press waveform/startStopButton").constData(),
        "waveform/startStopButton.text;vector/startStopButton.text;device.cScopeStream.isPlaying", "Start|Stop|2");
    row("closing stops its own scope", KT, QByteArray(BOTH).append("; waveform.close()").constData(), "vector/startStopButton.text;device.cScopeStream.isPlaying",
        "Stop|2");
    row("Shift+Q closes and stops", KT, "press vectorButton; press vector/startStopButton; keyin vector Shift+Q", "vector.visible;device.cScopeStream.isPlaying",
        "false|0");
    row("a window that goes stops its scope", KT, "press vectorButton; press vector/startStopButton; vector.deleteLater(); wait 100",
        "device.cScopeStream.isPlaying", "0");
    // A Cubrix named "Cubrix" streams scopes in mode 1 and on channel 1 of mode 2 only.
    row("start allowed by the Cubrix mode", MODE1, "press waveformButton; device.box_mode=2; device.box_ch=1; until waveform/startStopButton.enabled=true; "
        "device.box_ch=2; until waveform/startStopButton.enabled=false; device.box_mode=3; device.box_ch=1; until waveform/startStopButton.enabled=false; "
        "device.model=Cubrix Mono SDI", "waveform/startStopButton.enabled", "true");
    // The graph takes the window below the controls once the window has drawn (it starts at no size).
    row("graph size", KT, "press waveformButton; until waveform/scopeGraph.height=510; waveform.width=900; until waveform/scopeGraph.width=900",
        "waveform/scopeGraph.width;waveform/scopeGraph.height;waveform/scopeGraph.shadowQuality", "900|510|ShadowQualityNone");
    row("gain 4", KT, "press vectorButton; press vector/gain4Button", "device.cScopeStream.vectorGain;vector/scopeGraph.scene.activeCamera.zoomLevel;"
        "vector/scopeGraph.scene.activeCamera.cameraPreset;vector.graticule.scaling", "4|400|CameraPresetDirectlyAbove|0.8 16 0.8");
    row("gain 2, then 1", KT, "press vectorButton; press vector/gain2Button; until vector.graticule.scaling=1.6 16 1.6; press vector/gain1Button",
        "device.cScopeStream.vectorGain;vector/scopeGraph.scene.activeCamera.zoomLevel;vector.graticule.scaling", "1|100|3.2 16 3.2");

    // The capture window's controls.
    row("monitor capture window", KT, "press captureButton", "capture.height;capture.minimumHeight;capture.maximumHeight;capture.width;capture.color;"
        "capture/beforeLutsRadio.checked;capture/suffixOffRadio.checked;capture/formatRadio1.checked;capture/formatRadio2.text;capture/locationButton.text;"
        "capture/fileNameField.text;capture/captureSaveButton.enabled;capture/captureImageButton.enabled",
        "450|450|450|950|#1d1f21|true|true|true|.BMP|Capture and Save Location... |CapturedImage|false|true");
    row("Cubrix capture window, light", MODE1, "window.mode=light; press captureButton; press capture/scanIdButton",
        "calls;capture.height;capture.color;capture/scanIdButton.visible", "setAnci(3)|550|#ececec|true");
    row("location and format", KT, "press captureButton; capture.chooseLocation(@shots); press capture/formatRadio3", "capture/locationButton.text;"
        "capture/locationButton.tooltip;capture/captureItem.quick_save_dir;capture/captureSaveButton.enabled;capture/fileNameField.enabled;"
        "capture/captureItem.quick_save_type;capture/formatRadio3.checked;capture/formatRadio1.checked", "../shots|@shots|@shots|true|true|3|true|false");
    // "Include in File Name" marks the name after (A) or before (B) the LUTs; the field keeps the
    // user's own name.
    row("name marked after the LUTs", KT, "press captureButton; capture.chooseLocation(@f); capture/suffixOnRadio.checked=true; "
        "capture/afterLutsRadio.checked=true; press capture/captureSaveButton; press capture/captureSaveButton", "capture/captureItem.quick_save_name;"
        "capture/fileNameField.text;capture/captureRadio.currentIndex;capture/lutAfterBefore.currentIndex;capture/captureItem.quick_save_count",
        "CapturedImage_A|CapturedImage|1|1|2");
    row("own name marked before the LUTs", MODE1, "press captureButton; capture.chooseLocation(@f); capture/suffixOnRadio.checked=true; "
        "capture/fileNameField.text=Grade; capture/fileNameField.editingFinished(); press capture/captureSaveButton", "capture/captureItem.quick_save_name", "Grade_B");
    row("Cubrix modes without frames", MODE1, "press captureButton; device.box_mode=3; until capture/captureItem.visible=false; device.box_mode=2",
        "capture/captureItem.visible;capture/captureImageButton.enabled;capture/captureSaveButton.visible;capture/scanIdButton.enabled", "true|true|true|true");
    row("Cubrix mode 3", MODE1, "press captureButton; device.box_mode=3", "capture/captureImageButton.enabled;capture/captureSaveButton.visible", "false|false");
    // A name without an extension takes the filter's, or under "All files" the save format's.
    row("saved pictures get an extension", KT, "press captureButton; frame 000200010008000201020304200EB200200EB200; "
        "capture.saveImageAs(@shot,Image files (*.bmp)); capture.saveImageAs(@still,All files (*)); capture.saveImageAs(@own.bmp,All files (*))",
        "files", "own.bmp,shot.bmp,still.jpg");
    row("Shift+Q closes", KT, "press captureButton; log Capture Frame Window closing; keyin capture Shift+Q", "capture.visible", "false");
}

// "Trace Color" swaps the series' gradient between green and white (both from black).
void TestLaunchedWindows::traceColour()
{
    PageFixture fixture(KT);
    QVERIFY(fixture.open());
    QStringList ends;
    for (const char *script : {"press waveformButton", "press waveform/traceColorButton", "press waveform/traceColorButton"}) {
        QCOMPARE(fixture.run(script), QString());
        const QGradientStops stops = qobject_cast<QtDataVisualization::QSurface3DSeries *>(fixture.object("waveform.series"))->baseGradient().stops();
        ends << stops.first().second.name() + '-' + stops.last().second.name() + ':' + fixture.query("waveform.scopeColor");
    }
    QCOMPARE(ends.join(' '), QStringLiteral("#000000-#00ff00:green #000000-#ffffff:white #000000-#00ff00:green"));
}

void TestLaunchedWindows::scopeContrast_data()
{
    QTest::addColumn<QString>("script");
    for (const char *mode : {"dark", "light"})
        for (const char *view : {"waveform", "vector"})
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(mode, view))) << QStringLiteral("window.mode=%1; press %2Button").arg(mode, view);
}

// The axis labels stand out from the window colour they lie on, and the grid from the black
// screen of the trace, by the WCAG contrast ratio: 4.5 for text, 3 for lines.
void TestLaunchedWindows::scopeContrast()
{
    QFETCH(QString, script);
    PageFixture fixture(KT);
    QVERIFY(fixture.open());
    QCOMPARE(fixture.run(script), QString());
    const QString view = script.section(QLatin1Char(' '), -1).remove(QLatin1String("Button"));
    auto *theme = qobject_cast<QtDataVisualization::Q3DTheme *>(fixture.object(view + QStringLiteral("/scopeGraph.theme")));
    auto *series = qobject_cast<QtDataVisualization::QSurface3DSeries *>(fixture.object(view + QStringLiteral(".series")));
    QVERIFY(theme && series);
    // The graph fills the window below its buttons: no dark plot in a light window.
    QCOMPARE(theme->windowColor(), QColor(fixture.query(view + QStringLiteral(".color"))));
    const auto luminance = [](const QColor &c) {
        const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const auto contrast = [&](const QColor &a, const QColor &b) {
        const double x = luminance(a) + 0.05, y = luminance(b) + 0.05;
        return std::max(x, y) / std::min(x, y);
    };
    const QColor screen = series->baseGradient().stops().first().second, grid = theme->gridLineColor();
    const double a = grid.alphaF();
    const QColor gridOnScreen = QColor::fromRgbF(grid.redF() * a + screen.redF() * (1 - a), grid.greenF() * a + screen.greenF() * (1 - a),
                                                 grid.blueF() * a + screen.blueF() * (1 - a));
    QVERIFY2(contrast(theme->labelTextColor(), theme->windowColor()) >= 4.5, qPrintable(theme->labelTextColor().name()));
    QVERIFY(!theme->isLabelBackgroundEnabled() && (!theme->isGridEnabled() || contrast(gridOnScreen, screen) >= 3.0));
}

// "Capture Image" asks for the chosen picture: the same request as the item's own call for it.
void TestLaunchedWindows::captureSource()
{
    PageFixture fixture(KT);
    QVERIFY(fixture.open());
    QCOMPARE(fixture.run("press captureButton; capture/afterLutsRadio.checked=true"), QString());
    auto *item = qobject_cast<CaptureFrame *>(fixture.object("capture/captureItem"));
    const auto sent = [&fixture](const std::function<void()> &action) {
        fixture.fake().clearReceived();
        action();
        return fixture.fake().waitForCommands(1) ? commandIds(fixture.fake()) : QList<QPair<int, int>>();
    };
    const auto after = sent([item] { item->captureFrame(1); });
    QVERIFY(after != sent([item] { item->captureFrame(0); }));
    QCOMPARE(sent([&fixture] { fixture.run("press capture/captureImageButton"); }), after);
}

// The packet list of the Cubrix window and what its capture buttons ask for; another box mode
// clears the picture.
void TestLaunchedWindows::capturePackets()
{
    PageFixture fixture(MODE1);
    QVERIFY(fixture.open());
    QCOMPARE(fixture.run("press captureButton"), QString());
    auto *item = qobject_cast<CaptureFrame *>(fixture.object("capture/captureItem"));
    // Nothing selected: nothing asked. The third entry is the second occurrence of 0x4105.
    item->receiveAnci(QByteArray(4, '\0'), 3);
    QCOMPARE(fixture.run("press capture/captureSelectButton; press capture/captureDataButton"), QString());
    item->receiveAnci(QByteArray::fromHex("00000000410560604105"), 3);
    QCOMPARE(fixture.query("capture/packetCombo.currentIndex;capture.ancimodel.count"), QStringLiteral("2|3"));
    QCOMPARE(fixture.run("press capture/captureSelectButton; capture/packetCombo.currentIndex=1; press capture/captureDataButton"), QString());
    QCOMPARE(fixture.query(QString()), QStringLiteral("captureAnci(0x4105,1) captureAnci(0x6060)"));
    // A 2 x 1 frame (format 2).
    item->receiveFrame(QByteArray::fromHex("000200010008000201020304200EB200200EB200"), 1);
    QVERIFY(!item->image().isNull());
    QCOMPARE(fixture.run("device.box_mode=2"), QString());
    QVERIFY(item->image().isNull());
}

void TestLaunchedWindows::meshFiles()
{
    QVERIFY2(readFile(QStringLiteral(BREVANTO_MODELS_DIR "/Vector-large-collapsed-ai-mathed3.obj")) == GraticuleMesh().toObj(),
             "qml/models is stale: run brevanto-mesh qml/models");
    const QImage texture(QStringLiteral(BREVANTO_MODELS_DIR "/yellow50.png"));
    QCOMPARE(texture.convertToFormat(QImage::Format_ARGB32), GraticuleMesh::texture().convertToFormat(QImage::Format_ARGB32));
    // Yellow, and translucent so that the trace under a line still shows.
    const QColor centre = texture.pixelColor(texture.width() / 2, texture.height() / 2);
    QVERIFY(centre.red() > 200 && centre.green() > 180 && centre.blue() < 60 && centre.alpha() > 0 && centre.alpha() < 255);
}

void TestLaunchedWindows::meshTargets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector3D>("rgb");
    const QList<QPair<QString, QVector3D>> bars{{"R", {1, 0, 0}}, {"MG", {1, 0, 1}}, {"B", {0, 0, 1}}, {"CY", {0, 1, 1}}, {"G", {0, 1, 0}}, {"YL", {1, 1, 0}}};
    for (const auto &bar : bars)
        QTest::newRow(qPrintable(bar.first)) << bar.first << bar.second;
}

// The 75 % and 100 % targets sit where BT.709 puts the bars: Cb = (B' - Y') / 1.8556 and
// Cr = (R' - Y') / 1.5748, at 896 codes per unit and 8 codes per plane unit.
void TestLaunchedWindows::meshTargets()
{
    QFETCH(QString, name);
    QFETCH(QVector3D, rgb);
    const double y = 0.2126 * rgb.x() + 0.7152 * rgb.y() + 0.0722 * rgb.z();
    for (double level : {0.75, 1.0}) {
        const QPointF spot = QPointF((rgb.z() - y) / 1.8556, (rgb.x() - y) / 1.5748) * level * 896.0 / 8.0;
        const auto targets = GraticuleMesh::targets(level);
        const auto target = std::find_if(targets.begin(), targets.end(), [&](const auto &t) { return t.name == name; });
        QVERIFY(target != targets.end() && std::hypot(target->centre.x() - spot.x(), target->centre.y() - spot.y()) < 0.01);
    }
}

BREVANTO_GL_QML_TEST_MAIN(TestLaunchedWindows)
#include "tst_launchedwindows.moc"
