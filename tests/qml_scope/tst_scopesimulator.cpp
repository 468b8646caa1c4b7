// The scope windows against the simulator, opened from a stand-in for a device page the way
// the pages open them: the waveform and the vectorscope play and stop for a monitor and a
// Cubrix, the colour-bar spots of the vector trace land inside the graticule's 75 % boxes,
// and opening the windows many times from one page makes one window of each kind.
// With BREVANTO_SCOPE_GRAB_DIR set, the rendered vector windows are kept there as PNG files.
#include "cubrix/cubrix.h"
#include "monitor/monitor.h"
#include "scope/scopestream.h"
#include "scopewindowsupport.h"
#include "simprocess.h"

#include <QDir>
#include <QImage>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QSurfaceDataProxy>
#include <QtTest>
#include <cmath>

using namespace QmlTest;
using namespace ScopeWindowTest;
using QtDataVisualization::QSurface3DSeries;
using QtDataVisualization::QSurfaceDataProxy;

namespace {
bool isTrace(QRgb pixel)
{
    return qGreen(pixel) > 110 && qRed(pixel) < 90 && qBlue(pixel) < 90;
}

bool isGraticule(QRgb pixel)
{
    // Yellow, dimmed where a thin line covers only part of a pixel; never green-dominant.
    return qRed(pixel) > 60 && qGreen(pixel) > 40 && qBlue(pixel) < 60 && qRed(pixel) >= qGreen(pixel);
}

// Connected groups of trace pixels (4-neighbourhood), as centroid and size.
struct Blob {
    QPointF centre;
    int pixels = 0;
};

QVector<Blob> traceBlobs(const QImage &image, int minimumPixels)
{
    QVector<Blob> blobs;
    QVector<char> seen(image.width() * image.height(), 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (seen[y * image.width() + x] || !isTrace(image.pixel(x, y)))
                continue;
            Blob blob;
            double sx = 0, sy = 0;
            QVector<QPoint> stack{{x, y}};
            seen[y * image.width() + x] = 1;
            while (!stack.isEmpty()) {
                const QPoint p = stack.takeLast();
                ++blob.pixels;
                sx += p.x();
                sy += p.y();
                for (const QPoint &d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                    const QPoint n = p + d;
                    if (n.x() < 0 || n.y() < 0 || n.x() >= image.width() || n.y() >= image.height())
                        continue;
                    char &mark = seen[n.y() * image.width() + n.x()];
                    if (!mark && isTrace(image.pixel(n))) {
                        mark = 1;
                        stack << n;
                    }
                }
            }
            blob.centre = QPointF(sx / blob.pixels, sy / blob.pixels);
            if (blob.pixels >= minimumPixels)
                blobs << blob;
        }
    }
    return blobs;
}

// Distance from `from` to the first graticule pixel in direction (dx, dy), or -1 within `limit`.
int distanceToGraticule(const QImage &image, QPoint from, int dx, int dy, int limit)
{
    for (int step = 1; step <= limit; ++step) {
        const QPoint p = from + QPoint(dx * step, dy * step);
        if (!image.rect().contains(p))
            return -1;
        if (isGraticule(image.pixel(p)))
            return step;
    }
    return -1;
}
} // namespace

class TestScopeSimulator : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void scopesPlayAndStop_data();
    void scopesPlayAndStop();
    void vectorSpotsLandInTheTargets();
    void windowsOpenOncePerKind_data();
    void windowsOpenOncePerKind();

private:
    QObject *createHarness(DeviceBase *device, const QString &captureUrl = QStringLiteral("qrc:/monitor/FrameCapture.qml"));
    QQuickWindow *openScope(QObject *harness, const QString &view);
    static QList<QWindow *> windowsNamed(const QString &objectName);

    std::unique_ptr<WarningGuard> m_guard;
    std::unique_ptr<QQmlEngine> m_engine;
    SimProcess m_monitorSim;
    SimProcess m_cubrixSim;
    QList<QPointer<QObject>> m_harnesses;
};

void TestScopeSimulator::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
    QVERIFY(m_monitorSim.start({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"),
                                QStringLiteral("kt")}));
    QVERIFY(m_cubrixSim.start({QStringLiteral("--role"), QStringLiteral("cubrix")}, QStringLiteral("127.0.0.2")));
}

void TestScopeSimulator::init()
{
    m_engine = std::make_unique<QQmlEngine>();
}

void TestScopeSimulator::cleanup()
{
    for (const QPointer<QObject> &harness : qAsConst(m_harnesses)) {
        if (harness) {
            QMetaObject::invokeMethod(harness, "closeAll");
            delete harness.data();
        }
    }
    m_harnesses.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    m_engine.reset();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

QObject *TestScopeSimulator::createHarness(DeviceBase *device, const QString &captureUrl)
{
    QQmlComponent component(m_engine.get(), QUrl(QStringLiteral("qrc:/scopetest/LaunchHarness.qml")));
    QObject *harness = component.createWithInitialProperties(
        withDevice(device, {{QStringLiteral("captureUrl"), captureUrl}}));
    if (!harness)
        qWarning("%s", qPrintable(component.errorString()));
    m_harnesses << harness;
    return harness;
}

QQuickWindow *TestScopeSimulator::openScope(QObject *harness, const QString &view)
{
    if (!QMetaObject::invokeMethod(harness, "openScope", Q_ARG(QVariant, view)))
        return nullptr;
    auto *window = harness->property(view == QLatin1String("vector") ? "vectorWindow" : "waveformWindow").value<QQuickWindow *>();
    if (!window || !QTest::qWaitForWindowExposed(window))
        return nullptr;
    return window;
}

QList<QWindow *> TestScopeSimulator::windowsNamed(const QString &objectName)
{
    QList<QWindow *> found;
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (window->objectName() == objectName)
            found << window;
    }
    return found;
}

void TestScopeSimulator::scopesPlayAndStop_data()
{
    QTest::addColumn<QString>("device");
    QTest::newRow("monitor") << "monitor";
    QTest::newRow("cubrix") << "cubrix";
}

void TestScopeSimulator::scopesPlayAndStop()
{
    QFETCH(QString, device);
    Monitor monitor;
    Cubrix cubrix;
    const bool isMonitor = device == QLatin1String("monitor");
    DeviceBase *owner = isMonitor ? static_cast<DeviceBase *>(&monitor) : &cubrix;
    const SimProcess &sim = isMonitor ? m_monitorSim : m_cubrixSim;
    QVERIFY(connectToSim(*owner, sim.address(), sim.port()));
    if (!isMonitor)
        QTRY_COMPARE_WITH_TIMEOUT(cubrix.boxMode(), 1, 10000);

    QObject *harness = createHarness(owner);
    QVERIFY(harness);
    QQuickWindow *waveform = openScope(harness, QStringLiteral("waveform"));
    QQuickWindow *vector = openScope(harness, QStringLiteral("vector"));
    QVERIFY(waveform && vector);
    QCOMPARE(waveform->title(), QStringLiteral("Harness Tab"));
    auto *waveSeries = waveform->property("series").value<QSurface3DSeries *>();
    auto *vectorSeries = vector->property("series").value<QSurface3DSeries *>();
    QVERIFY(waveSeries && vectorSeries);
    QSignalSpy waveFrames(waveSeries->dataProxy(), &QSurfaceDataProxy::arrayReset);
    QSignalSpy vectorFrames(vectorSeries->dataProxy(), &QSurfaceDataProxy::arrayReset);

    QVERIFY(clickControl(waveform, QStringLiteral("startStopButton")));
    QTRY_VERIFY_WITH_TIMEOUT(waveFrames.count() >= 3, 10000);
    QCOMPARE(vectorFrames.count(), 0);
    // Black of the bars sits on level row 8: the trace is lit there.
    float blackRow = 0;
    for (int column = 0; column < 240; ++column)
        blackRow = std::max(blackRow, waveSeries->dataProxy()->itemAt(8, column)->y());
    QVERIFY(blackRow > 100);

    QVERIFY(clickControl(vector, QStringLiteral("startStopButton")));
    QTRY_VERIFY_WITH_TIMEOUT(vectorFrames.count() >= 3, 10000);
    QCOMPARE(controlText(waveform, QStringLiteral("startStopButton")), QStringLiteral("Stop"));
    QCOMPARE(controlText(vector, QStringLiteral("startStopButton")), QStringLiteral("Stop"));
    // Both scopes come in one stream: the waveform keeps moving too.
    const int waveBefore = waveFrames.count();
    QTRY_VERIFY_WITH_TIMEOUT(waveFrames.count() >= waveBefore + 2, 10000);

    QVERIFY(clickControl(waveform, QStringLiteral("startStopButton")));
    QVERIFY(clickControl(vector, QStringLiteral("startStopButton")));
    QCOMPARE(int(owner->property("cScopeStream").value<ScopeStream *>()->isPlaying()), 0);
    QTest::qWait(400); // the frame in flight lands
    const int waveStopped = waveFrames.count();
    const int vectorStopped = vectorFrames.count();
    QTest::qWait(600);
    QCOMPARE(waveFrames.count(), waveStopped);
    QCOMPARE(vectorFrames.count(), vectorStopped);
    QCOMPARE(controlText(vector, QStringLiteral("startStopButton")), QStringLiteral("Start"));
}

void TestScopeSimulator::vectorSpotsLandInTheTargets()
{
    Monitor monitor;
    QVERIFY(connectToSim(monitor, m_monitorSim.address(), m_monitorSim.port()));
    QObject *harness = createHarness(&monitor);
    QVERIFY(harness);
    QQuickWindow *vector = openScope(harness, QStringLiteral("vector"));
    QVERIFY(vector);
    auto *series = vector->property("series").value<QSurface3DSeries *>();
    QSignalSpy frames(series->dataProxy(), &QSurfaceDataProxy::arrayReset);

    // The spots move a little from frame to frame, and a slow machine (a sanitizer build) may
    // grab a picture whose spots sit on a box's edge: up to three stopped pictures are tried.
    // A graticule of the wrong scale misses the spots in every one.
    int enclosed = 0;
    int spots = 0;
    for (int attempt = 0; attempt < 3 && enclosed < 6; ++attempt) {
        const int before = frames.count();
        QVERIFY(clickControl(vector, QStringLiteral("startStopButton")));
        QTRY_VERIFY_WITH_TIMEOUT(frames.count() >= before + 2, 10000);
        QVERIFY(clickControl(vector, QStringLiteral("startStopButton")));
        QTest::qWait(500);

        const QImage image = vector->grabWindow();
        QVERIFY(!image.isNull());
        const QString keep = qEnvironmentVariable("BREVANTO_SCOPE_GRAB_DIR");
        if (!keep.isEmpty())
            image.save(QDir(keep).filePath(QStringLiteral("vector.png")));

        // Six saturated spots (the black and white bars make a seventh at the centre); each must
        // be enclosed by the graticule close by on all four sides: its target box.
        const QVector<Blob> blobs = traceBlobs(image, 6);
        QVERIFY2(blobs.size() >= 6, qPrintable(QStringLiteral("%1 trace spots").arg(blobs.size())));
        spots = blobs.size();
        enclosed = 0;
        for (const Blob &blob : blobs) {
            const QPoint centre = blob.centre.toPoint();
            const int limit = 20; // the 75 % boxes are about 22 pixels wide here, the spots move a little
            const bool boxed = distanceToGraticule(image, centre, 1, 0, limit) > 0 && distanceToGraticule(image, centre, -1, 0, limit) > 0
                               && distanceToGraticule(image, centre, 0, 1, limit) > 0
                               && distanceToGraticule(image, centre, 0, -1, limit) > 0;
            if (boxed)
                ++enclosed;
            else
                qInfo("trace spot of %d pixels at %d, %d: graticule at %d, %d, %d, %d", blob.pixels, centre.x(), centre.y(),
                      distanceToGraticule(image, centre, 1, 0, limit), distanceToGraticule(image, centre, -1, 0, limit),
                      distanceToGraticule(image, centre, 0, 1, limit), distanceToGraticule(image, centre, 0, -1, limit));
        }
    }
    QVERIFY2(enclosed >= 6, qPrintable(QStringLiteral("%1 of %2 spots in a box").arg(enclosed).arg(spots)));
}

void TestScopeSimulator::windowsOpenOncePerKind_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("captureUrl");
    QTest::addColumn<QString>("captureName");
    QTest::newRow("monitor") << "monitor" << "qrc:/monitor/FrameCapture.qml" << "monitorCaptureWindow";
    QTest::newRow("cubrix") << "cubrix" << "qrc:/cubrix/FrameCapture.qml" << "cubrixCaptureWindow";
}

void TestScopeSimulator::windowsOpenOncePerKind()
{
    QFETCH(QString, device);
    QFETCH(QString, captureUrl);
    QFETCH(QString, captureName);
    Monitor monitor;
    Cubrix cubrix;
    DeviceBase *owner = device == QLatin1String("monitor") ? static_cast<DeviceBase *>(&monitor) : &cubrix;
    QObject *harness = createHarness(owner, captureUrl);
    QVERIFY(harness);

    for (int round = 0; round < 5; ++round) {
        QVERIFY(QMetaObject::invokeMethod(harness, "openScope", Q_ARG(QVariant, QStringLiteral("waveform"))));
        QVERIFY(QMetaObject::invokeMethod(harness, "openScope", Q_ARG(QVariant, QStringLiteral("vector"))));
        QVERIFY(QMetaObject::invokeMethod(harness, "openCapture"));
        QCoreApplication::processEvents();
        if (round == 2) {
            // Closed by the user in between: the same windows come back.
            for (QWindow *window : windowsNamed(QStringLiteral("scopeWindow")) + windowsNamed(captureName))
                window->close();
        }
    }
    const QList<QWindow *> scopes = windowsNamed(QStringLiteral("scopeWindow"));
    QCOMPARE(scopes.size(), 2);
    QStringList views;
    for (QWindow *window : scopes) {
        QVERIFY(window->isVisible());
        views << window->property("scopeView").toString();
    }
    views.sort();
    QCOMPARE(views, (QStringList{QStringLiteral("vector"), QStringLiteral("waveform")}));
    const QList<QWindow *> captures = windowsNamed(captureName);
    QCOMPARE(captures.size(), 1);
    QVERIFY(captures.first()->isVisible());
    QCOMPARE(captures.first()->title(), QStringLiteral("Harness Tab"));
    // The one capture item is the one the device holds.
    auto *item = captures.first()->property("captureItem").value<QObject *>();
    QVERIFY(item);
    QCOMPARE(owner->property("cCaptureFrame").value<QObject *>(), item);

    QVERIFY(QMetaObject::invokeMethod(harness, "closeAll"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTRY_COMPARE_WITH_TIMEOUT(windowsNamed(QStringLiteral("scopeWindow")).size(), 0, 5000);
    QCOMPARE(windowsNamed(captureName).size(), 0);
}

BREVANTO_GL_QML_TEST_MAIN(TestScopeSimulator)
#include "tst_scopesimulator.moc"
