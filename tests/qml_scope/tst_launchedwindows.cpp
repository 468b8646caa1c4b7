// The windows a device page launches, opened from the pages of both kinds with a recording
// device: one waveform, one vector and one capture window per tab, titled with the tab, shown
// again, following the theme, closed with the connection and gone with the tab; the scope
// window's graph, playback, zoom and trace colour; the capture window's controls; and the
// vectorscope graticule mesh. The scope windows draw a surface graph: this runs under Xvfb.
#include "capture/captureframe.h"
#include "deviceconnection.h"
#include "graticulemesh.h"
#include "pagefixture.h"

#include <QtDataVisualization/QSurface3DSeries>
#include <QtTest>
#include <array>
#include <cmath>

using namespace Devices;
using namespace QmlTest;

namespace {
const auto row = &PageFixture::row;
const char *const BOTH = "press waveformButton; press vectorButton; press waveform/startStopButton; press vector/startStopButton";

struct Mesh {
    QVector<QVector3D> vertices;
    QVector<std::array<int, 3>> faces;
};

// Plane units of the vector frames per mesh unit: the window draws radius 0 to 90 over the
// graph's polar radius of 2 scene units and scales the mesh by 3.2 at gain 1.
constexpr double PlaneUnitsPerMeshUnit = 90.0 * 3.2 / 2.0;

bool covers(const Mesh &mesh, QPointF p)
{
    for (const auto &face : mesh.faces) {
        QPointF c[3];
        for (int i = 0; i < 3; ++i)
            c[i] = QPointF(mesh.vertices.at(face[i]).x(), mesh.vertices.at(face[i]).z()) * PlaneUnitsPerMeshUnit;
        const auto side = [p](QPointF a, QPointF b) { return (b.x() - a.x()) * (p.y() - a.y()) - (b.y() - a.y()) * (p.x() - a.x()); };
        const double d0 = side(c[0], c[1]), d1 = side(c[1], c[2]), d2 = side(c[2], c[0]);
        if ((d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0))
            return true;
    }
    return false;
}
} // namespace

class TestLaunchedWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { VERIFY_NO_LOG(*m_log); }
    void pageWindows_data();
    void pageWindows() { PageFixture::checkRow(); }
    void scopeWindow_data();
    void scopeWindow() { PageFixture::checkRow(); }
    void traceColour();
    void captureWindow_data();
    void captureWindow() { PageFixture::checkRow(); }
    void captureSource();
    void capturePackets();
    void meshFiles();
    void meshFacesTheCamera();
    void meshTargets_data();
    void meshTargets();

private:
    std::unique_ptr<LogCapture> m_log;
    Mesh m_mesh;
};

void TestLaunchedWindows::initTestCase()
{
    m_log = warningGuard();
    // Vertices and faces; every face uses the one texture coordinate and normal.
    for (const QByteArray &line : readFile(QStringLiteral(BREVANTO_MODELS_DIR "/Vector-large-collapsed-ai-mathed3.obj")).split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.at(0) == "v" && fields.size() == 4)
            m_mesh.vertices << QVector3D(fields.at(1).toFloat(), fields.at(2).toFloat(), fields.at(3).toFloat());
        else if (fields.at(0) == "f" && fields.size() == 4)
            m_mesh.faces.append({fields.at(1).split('/').at(0).toInt() - 1, fields.at(2).split('/').at(0).toInt() - 1, fields.at(3).split('/').at(0).toInt() - 1});
        else
            QVERIFY2(QList<QByteArray>({"", "#", "o", "vt", "vn"}).contains(fields.at(0)), line.constData());
    }
}

void TestLaunchedWindows::pageWindows_data()
{
    PageFixture::columns();
    row("monitor windows", KT, "press waveformButton; press vectorButton; press captureButton", "waveform.scopeView;vector.scopeView;"
        "capture.objectName;waveform.title;capture.title;vector.loadedHardware;device.cCaptureFrame;waveform.visible",
        "waveform|vector|monitorCaptureWindow|Test Tab|Test Tab|device|captureItem|true");
    row("Cubrix windows", MODE1, "press waveformButton; press vectorButton; press captureButton", "waveform.scopeView;vector.scopeView;"
        "capture.objectName;waveform.title;capture.title;vector.loadedHardware;device.cCaptureFrame;capture.visible",
        "waveform|vector|cubrixCaptureWindow|Test Tab|Test Tab|device|captureItem|true");
    row("monitor windows by key, once each", KT, "key Shift+W; key Shift+V; key Shift+C; press waveformButton; key Shift+W; press captureButton",
        "windows scopeWindow monitorCaptureWindow", "2|1");
    row("Cubrix windows by key, once each", MODE21, "key Shift+W; key Shift+V; key Shift+C; press vectorButton; key Shift+C",
        "windows scopeWindow cubrixCaptureWindow", "2|1");
    row("no scopes on channel 2", MODE22, "key Shift+W; key Shift+V; key Shift+C", "cubrixGeneralPage.waveformOpen;"
        "cubrixGeneralPage.vectorOpen;cubrixGeneralPage.captureOpen", "false|false|true");
    row("none in the generator mode", MODE3, "click waveformButton; click captureButton; key Shift+W; key Shift+C",
        "cubrixGeneralPage.waveformOpen;cubrixGeneralPage.captureOpen", "false|false");
    row("shown again with the tab's new title", KT, "press waveformButton; waveform.close(); window/holder.title=Grade 2; press waveformButton",
        "waveform.visible;waveform.title", "true|Grade 2");
    row("Cubrix window shown again", MODE1, "press captureButton; capture.close(); press captureButton", "capture.visible", "true");
    row("restored from the task bar", KT, "press waveformButton; waveform.showMinimized(); press waveformButton", "waveform.visibility", "Windowed");
    row("the theme reaches the windows", MODE1, "press waveformButton; press captureButton; window.mode=light", "waveform.mode;capture.mode", "light|light");
    row("monitor disconnect closes", KT, "press waveformButton; press vectorButton; press captureButton; press disconnectButton",
        "waveform.visible;vector.visible;capture.visible", "false|false|false");
    row("Cubrix disconnect releases", MODE1, "press waveformButton; press captureButton; press disconnectButton; "
        "until windows scopeWindow cubrixCaptureWindow=0|0", "cubrixGeneralPage.waveformOpen;cubrixGeneralPage.captureOpen", "false|false");
    row("monitor windows go with the tab", KT, "press waveformButton; press vectorButton; press captureButton; close",
        "windows scopeWindow monitorCaptureWindow", "0|0");
}

void TestLaunchedWindows::scopeWindow_data()
{
    PageFixture::columns();
    row("waveform", KT, "device.cScopeStream.vectorGain=4; press waveformButton", "waveform.width;waveform.height;waveform.minimumWidth;"
        "waveform.minimumHeight;waveform.color;waveform.iScopeView;waveform/scopeGraph.polar;waveform/scopeGraph.orthoProjection;"
        "waveform/scopeGraph.axisX.max;waveform/scopeGraph.axisZ.max;waveform.sampleColumns;waveform/startStopButton.text;"
        "device.cScopeStream.vectorGain", "800|540|320|240|#1d1f21|1|false|true|240|127|240|Start|4");
    // Only the vector window resets the gain, which only the vector display uses.
    row("vector", MODE1, "device.cScopeStream.vectorGain=4; press vectorButton", "vector.iScopeView;vector/scopeGraph.polar;"
        "vector/scopeGraph.axisX.max;vector/scopeGraph.axisZ.max;vector.sampleRows;vector.sampleColumns;"
        "vector.graticule.position;vector.graticule.scaling;vector.graticule.meshFile;vector.graticule.textureFile;device.cScopeStream.vectorGain",
        "2|true|360|90|128|128|316 255 0|3.2 16 3.2|:/models/Vector-large-collapsed-ai-mathed3.obj|:/models/yellow50.png|1");
    row("the scope set's copy", KT, "monitorGeneralPage.scopeWindowUrl=qrc:/scopestream.qml; press vectorButton",
        "vector.iScopeView;vector.graticule.scaling", "2|3.2 16 3.2");
    row("start", KT, "press waveformButton; press waveform/startStopButton", "waveform/startStopButton.text;device.cScopeStream.isPlaying", "Stop|1");
    row("both playing", KT, BOTH, "waveform/startStopButton.text;vector/startStopButton.text;device.cScopeStream.isPlaying", "Stop|Stop|3");
    row("one stopped", MODE1, QByteArray(BOTH).append("; press waveform/startStopButton").constData(),
        "waveform/startStopButton.text;vector/startStopButton.text;device.cScopeStream.isPlaying", "Start|Stop|2");
    row("closing stops its own scope", KT, QByteArray(BOTH).append("; waveform.close()").constData(),
        "vector/startStopButton.text;device.cScopeStream.isPlaying", "Stop|2");
    row("Shift+Q closes and stops", KT, "press vectorButton; press vector/startStopButton; keyin vector Shift+Q",
        "vector.visible;device.cScopeStream.isPlaying", "false|0");
    row("a window that goes stops its scope", KT, "press vectorButton; press vector/startStopButton; vector.deleteLater(); wait 100",
        "device.cScopeStream.isPlaying", "0");
    // A Cubrix named "Cubrix" streams scopes in mode 1 and on channel 1 of mode 2 only.
    row("start allowed by the Cubrix mode", MODE1, "press waveformButton; device.box_mode=2; device.box_ch=1; "
        "until waveform/startStopButton.enabled=true; device.box_ch=2; until waveform/startStopButton.enabled=false; device.box_mode=3; "
        "device.box_ch=1; until waveform/startStopButton.enabled=false; device.model=Cubrix Mono SDI", "waveform/startStopButton.enabled", "true");
    row("gain 4", KT, "press vectorButton; press vector/gain4Button", "device.cScopeStream.vectorGain;vector/scopeGraph.scene.activeCamera.zoomLevel;"
        "vector/scopeGraph.scene.activeCamera.cameraPreset;vector.graticule.scaling", "4|400|CameraPresetDirectlyAbove|0.8 16 0.8");
    row("gain 2, then 1", KT, "press vectorButton; press vector/gain2Button; until vector.graticule.scaling=1.6 16 1.6; press vector/gain1Button",
        "device.cScopeStream.vectorGain;vector/scopeGraph.scene.activeCamera.zoomLevel;vector.graticule.scaling", "1|100|3.2 16 3.2");
}

// "Trace Color" swaps the series' gradient between green and white (both from black).
void TestLaunchedWindows::traceColour()
{
    PageFixture fixture(KT);
    QVERIFY(fixture.open());
    QCOMPARE(fixture.run("press waveformButton"), QString());
    auto *series = qobject_cast<QtDataVisualization::QSurface3DSeries *>(fixture.object("waveform.series"));
    const auto ends = [series] { return QPair<QColor, QColor>(series->baseGradient().stops().first().second, series->baseGradient().stops().last().second); };
    QCOMPARE(ends(), qMakePair(QColor(Qt::black), QColor(Qt::green)));
    QCOMPARE(fixture.run("press waveform/traceColorButton"), QString());
    QCOMPARE(ends(), qMakePair(QColor(Qt::black), QColor(Qt::white)));
    QCOMPARE(fixture.query("waveform.scopeColor"), QStringLiteral("white"));
    QCOMPARE(fixture.run("press waveform/traceColorButton"), QString());
    QCOMPARE(ends(), qMakePair(QColor(Qt::black), QColor(Qt::green)));
}

void TestLaunchedWindows::captureWindow_data()
{
    PageFixture::columns();
    row("monitor capture window", KT, "press captureButton", "capture.height;capture.minimumHeight;capture.maximumHeight;capture.width;"
        "capture.color;capture/beforeLutsRadio.checked;capture/suffixOffRadio.checked;capture/formatRadio1.checked;capture/formatRadio2.text;"
        "capture/locationButton.text;capture/fileNameField.text;capture/captureSaveButton.enabled;capture/captureImageButton.enabled",
        "450|450|450|950|#1d1f21|true|true|true|.BMP|Capture and Save Location... |CapturedImage|false|true");
    row("Cubrix capture window, light", MODE1, "window.mode=light; press captureButton", "capture.height;capture.color;capture/scanIdButton.visible",
        "550|#ececec|true");
    row("location", KT, "press captureButton; capture.chooseLocation(@shots)", "capture/locationButton.text;capture/locationButton.tooltip;"
        "capture/captureItem.quick_save_dir;capture/captureSaveButton.enabled;capture/fileNameField.enabled", "../shots|@shots|@shots|true|true");
    row("format", KT, "press captureButton; press capture/formatRadio3", "capture/captureItem.quick_save_type;capture/formatRadio3.checked;"
        "capture/formatRadio1.checked", "3|true|false");
    row("name marked after the LUTs", KT, "press captureButton; capture.chooseLocation(@f); capture/suffixOnRadio.checked=true; "
        "capture/afterLutsRadio.checked=true; press capture/captureSaveButton; press capture/captureSaveButton",
        "capture/captureItem.quick_save_name;capture/fileNameField.text;capture/captureRadio.currentIndex;capture/lutAfterBefore.currentIndex",
        "CapturedImage_A|CapturedImage|1|1");
    row("own name marked before the LUTs", MODE1, "press captureButton; capture.chooseLocation(@f); capture/suffixOnRadio.checked=true; "
        "capture/fileNameField.text=Grade; capture/fileNameField.editingFinished(); press capture/captureSaveButton",
        "capture/captureItem.quick_save_name", "Grade_B");
    row("name unmarked", KT, "press captureButton; capture.chooseLocation(@f); press capture/captureSaveButton; press capture/captureSaveButton; "
        "press capture/captureSaveButton", "capture/captureItem.quick_save_name;capture/captureItem.quick_save_count", "CapturedImage|3");
    row("Cubrix box modes without frames", MODE1, "press captureButton; device.box_mode=3", "capture/captureItem.visible;"
        "capture/captureImageButton.enabled;capture/captureSaveButton.visible;capture/scanIdButton.enabled", "false|false|false|true");
    row("Cubrix frames again in mode 2", MODE1, "press captureButton; device.box_mode=3; device.box_mode=2", "capture/captureItem.visible;"
        "capture/captureImageButton.enabled", "true|true");
    row("scan", MODE1, "press captureButton; press capture/scanIdButton", "", "setAnci(3)");
    row("Shift+Q closes", KT, "press captureButton; log Capture Frame Window closing; keyin capture Shift+Q", "capture.visible", "false");
}

// "Capture Image" asks for the chosen picture: the same request as the item's own call.
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

// The packet list of the Cubrix window and what its capture buttons ask for; a box mode change
// clears the picture.
void TestLaunchedWindows::capturePackets()
{
    PageFixture fixture(MODE1);
    QVERIFY(fixture.open());
    QCOMPARE(fixture.run("press captureButton"), QString());
    auto *item = qobject_cast<CaptureFrame *>(fixture.object("capture/captureItem"));
    // Nothing selected: nothing asked.
    item->receiveAnci(QByteArray(4, '\0'), 3);
    QCOMPARE(fixture.run("press capture/captureSelectButton; press capture/captureDataButton"), QString());
    QCOMPARE(fixture.query(QString()), QString());
    // The third entry is the second occurrence of 0x4105.
    item->receiveAnci(QByteArray::fromHex("00000000410560604105"), 3);
    QCOMPARE(fixture.query("capture/packetCombo.currentIndex;capture.ancimodel.count"), QStringLiteral("2|3"));
    QCOMPARE(fixture.run("press capture/captureSelectButton; capture/packetCombo.currentIndex=1; press capture/captureDataButton"), QString());
    QCOMPARE(fixture.query(QString()), QStringLiteral("captureAnci(0x4105,1) captureAnci(0x6060)"));
    // A 2 x 1 frame (format 2), then another mode.
    item->receiveFrame(QByteArray::fromHex("000200010008000201020304200EB200200EB200"), 1);
    QVERIFY(!item->image().isNull());
    QCOMPARE(fixture.run("device.box_mode=2"), QString());
    QVERIFY(item->image().isNull());
}

void TestLaunchedWindows::meshFiles()
{
    const QByteArray committed = readFile(QStringLiteral(BREVANTO_MODELS_DIR "/Vector-large-collapsed-ai-mathed3.obj"));
    QVERIFY2(committed == GraticuleMesh().toObj(), "qml/models is stale: run brevanto-mesh qml/models");
    QVERIFY(committed.size() < 1024 * 1024);
    const QImage texture(QStringLiteral(BREVANTO_MODELS_DIR "/yellow50.png"));
    QCOMPARE(texture.convertToFormat(QImage::Format_ARGB32), GraticuleMesh::texture().convertToFormat(QImage::Format_ARGB32));
    // Yellow, and translucent so that the trace under a line still shows.
    const QColor centre = texture.pixelColor(texture.width() / 2, texture.height() / 2);
    QVERIFY(centre.red() > 200 && centre.green() > 180 && centre.blue() < 60 && centre.alpha() > 0 && centre.alpha() < 255);
}

void TestLaunchedWindows::meshFacesTheCamera()
{
    QVERIFY(m_mesh.faces.size() > 1000);
    for (const QVector3D &v : qAsConst(m_mesh.vertices))
        QVERIFY(v.y() == 0.0f && std::hypot(v.x(), v.z()) * PlaneUnitsPerMeshUnit < 90.0);
    for (const auto &face : qAsConst(m_mesh.faces)) {
        for (int index : face)
            QVERIFY(index >= 0 && index < m_mesh.vertices.size());
        const QVector3D a = m_mesh.vertices.at(face[0]);
        // Counter-clockwise seen from above: the camera looks down the y axis.
        QVERIFY(QVector3D::crossProduct(m_mesh.vertices.at(face[1]) - a, m_mesh.vertices.at(face[2]) - a).y() > 0);
    }
}

void TestLaunchedWindows::meshTargets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector3D>("rgb");
    QTest::addColumn<double>("level");
    const QList<QPair<QString, QVector3D>> bars{{"R", {1, 0, 0}}, {"MG", {1, 0, 1}}, {"B", {0, 0, 1}},
                                                {"CY", {0, 1, 1}}, {"G", {0, 1, 0}}, {"YL", {1, 1, 0}}};
    for (double level : {0.75, 1.0}) {
        for (const auto &bar : bars)
            QTest::addRow("%s %d %%", qPrintable(bar.first), int(level * 100)) << bar.first << bar.second << level;
    }
}

// Each target sits where BT.709 puts the bar: Cb = (B' - Y') / 1.8556 and Cr = (R' - Y') / 1.5748
// at 896 codes per unit and 8 codes per plane unit. The spot stays clear of lines, and a line
// closes the box on every side close by.
void TestLaunchedWindows::meshTargets()
{
    QFETCH(QString, name);
    QFETCH(QVector3D, rgb);
    QFETCH(double, level);
    const double y = 0.2126 * rgb.x() + 0.7152 * rgb.y() + 0.0722 * rgb.z();
    const QPointF spot = QPointF((rgb.z() - y) / 1.8556, (rgb.x() - y) / 1.5748) * level * 896.0 / 8.0;
    const auto targets = GraticuleMesh::targets(level);
    const auto target = std::find_if(targets.begin(), targets.end(), [&](const auto &t) { return t.name == name; });
    QVERIFY(target != targets.end());
    QVERIFY(std::abs(target->centre.x() - spot.x()) < 0.01 && std::abs(target->centre.y() - spot.y()) < 0.01);
    // The 75 % spots may move a few degrees of hue and percent of gain.
    const double radius = std::hypot(spot.x(), spot.y()), hues = level < 1 ? 3.0 : 0.0, gains = level < 1 ? 0.015 : 0.0;
    for (double hue : {-hues, 0.0, hues}) {
        for (double gain : {1 - gains, 1.0, 1 + gains}) {
            const double angle = std::atan2(spot.y(), spot.x()) + hue * M_PI / 180.0;
            QVERIFY(!covers(m_mesh, QPointF(std::cos(angle), std::sin(angle)) * radius * gain));
        }
    }
    const QPointF radial = spot / radius;
    for (const QPointF &direction : {radial, -radial, QPointF(-radial.y(), radial.x()), QPointF(radial.y(), -radial.x())}) {
        bool closed = false;
        for (double step = 1.5; step <= 6.0 && !closed; step += 0.05)
            closed = covers(m_mesh, spot + direction * step);
        QVERIFY(closed);
    }
}

BREVANTO_GL_QML_TEST_MAIN(TestLaunchedWindows)
#include "tst_launchedwindows.moc"
