// The scope window (waveform and vectorscope) with a monitor and a Cubrix: loads without any
// QML warning, sets up its graph, drives the device's scope stream (checked on the wire against
// the fake device), follows the Cubrix modes, zooms the vector view and stops its scope when it
// closes. Runs on a GL scene graph (Xvfb).
#include "cubrix/cubrix.h"
#include "deviceconnection.h"
#include "fakedevice.h"
#include "monitor/monitor.h"
#include "scope/scopestream.h"
#include "scopewindowsupport.h"

#include <QQmlListReference>
#include <QtDataVisualization/Q3DCamera>
#include <QtDataVisualization/Q3DScene>
#include <QtDataVisualization/QCustom3DItem>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QValue3DAxis>
#include <QtTest>

using namespace QmlTest;
using namespace ScopeWindowTest;
using QtDataVisualization::Q3DCamera;
using QtDataVisualization::Q3DScene;
using QtDataVisualization::QCustom3DItem;
using QtDataVisualization::QSurface3DSeries;
using QtDataVisualization::QValue3DAxis;

namespace {
constexpr quint16 ScopeProtocol = 0x0403;

QList<QPair<int, int>> scopeRequests(const FakeDevice &fake)
{
    QList<QPair<int, int>> ids;
    for (const auto &id : commandIds(fake)) {
        if (id.first == ScopeProtocol)
            ids << id;
    }
    return ids;
}
} // namespace

class TestScopeWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void loadsWithoutWarnings_data();
    void loadsWithoutWarnings();
    void startAndStopSendScopeRequests();
    void shiftQClosesAndStopsItsScope();
    void closingStopsOnlyItsOwnScope();
    void framesReachTheSeries();
    void cubrixModesEnableTheStartButton();
    void gainButtonsZoomTheVectorView();
    void traceColourToggles();

private:
    QQuickWindow *open(QObject *device, const QString &view, const QString &url = QStringLiteral("qrc:/common/scopestream.qml"));
    bool connectMonitor();

    std::unique_ptr<WarningGuard> m_guard;
    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<Monitor> m_monitor;
    std::unique_ptr<FakeDevice> m_fake;
    QList<QPointer<QQuickWindow>> m_windows;
};

void TestScopeWindow::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
}

void TestScopeWindow::init()
{
    m_engine = std::make_unique<QQmlEngine>();
    m_monitor = std::make_unique<Monitor>();
    m_fake = std::make_unique<FakeDevice>();
    QVERIFY(m_fake->listen());
}

void TestScopeWindow::cleanup()
{
    for (const QPointer<QQuickWindow> &window : qAsConst(m_windows))
        delete window.data();
    m_windows.clear();
    m_monitor.reset();
    m_fake.reset();
    m_engine.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

QQuickWindow *TestScopeWindow::open(QObject *device, const QString &view, const QString &url)
{
    QString error;
    QQuickWindow *window = createWindow(*m_engine, url, withDevice(device, {{QStringLiteral("scopeView"), view}}), &error);
    if (!window) {
        qWarning("%s", qPrintable(error));
        return nullptr;
    }
    m_windows << window;
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return nullptr;
    return window;
}

bool TestScopeWindow::connectMonitor()
{
    if (!connectToFake(*m_monitor, *m_fake))
        return false;
    // The identity queries of the connection are not what these tests look at.
    m_fake->waitForCommands(5);
    QTest::qWait(50);
    m_fake->clearReceived();
    return true;
}

void TestScopeWindow::loadsWithoutWarnings_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("url");
    for (const char *device : {"monitor", "cubrix"}) {
        for (const char *view : {"waveform", "vector"}) {
            QTest::addRow("%s %s", device, view) << device << view << "qrc:/common/scopestream.qml";
            QTest::addRow("%s %s, scope set", device, view) << device << view << "qrc:/scopestream.qml";
        }
    }
}

void TestScopeWindow::loadsWithoutWarnings()
{
    QFETCH(QString, device);
    QFETCH(QString, view);
    QFETCH(QString, url);
    Cubrix cubrix;
    DeviceBase *owner = device == QLatin1String("monitor") ? static_cast<DeviceBase *>(m_monitor.get()) : &cubrix;
    auto *stream = owner->property("cScopeStream").value<ScopeStream *>();
    QVERIFY(stream);
    stream->setVectorGain(4);

    QQuickWindow *window = open(owner, view, url);
    QVERIFY(window);
    QTest::qWait(300); // a few frames of the graph
    QML_VERIFY_NO_WARNINGS(*m_guard);

    const bool vector = view == QLatin1String("vector");
    QCOMPARE(window->width(), 800);
    QCOMPARE(window->height(), 540);
    QCOMPARE(window->minimumWidth(), 320);
    QCOMPARE(window->minimumHeight(), 240);
    QCOMPARE(window->color(), QColor(QStringLiteral("#1d1f21")));
    QCOMPARE(window->property("iScopeView").toInt(), vector ? 2 : 1);
    // Only the vector window resets the gain, which only the vector display uses.
    QCOMPARE(int(stream->vectorGain()), vector ? 1 : 4);

    QObject *graph = find(window, QStringLiteral("scopeGraph"));
    QVERIFY(graph);
    QCOMPARE(graph->property("polar").toBool(), vector);
    QCOMPARE(graph->property("orthoProjection").toBool(), true);
    QQmlListReference customItems(graph, "customItemList");
    QCOMPARE(customItems.count(), vector ? 1 : 0);
    auto *axisX = graph->property("axisX").value<QValue3DAxis *>();
    auto *axisZ = graph->property("axisZ").value<QValue3DAxis *>();
    QVERIFY(axisX && axisZ);
    QCOMPARE(axisX->max(), vector ? 360.0f : 240.0f);
    QCOMPARE(axisZ->max(), vector ? 90.0f : 127.0f);
    if (vector) {
        auto *item = qobject_cast<QCustom3DItem *>(customItems.at(0));
        QVERIFY(item);
        QCOMPARE(item->position(), QVector3D(316, 255, 0));
        QCOMPARE(item->scaling(), QVector3D(3.2f, 16, 3.2f));
        QCOMPARE(item->meshFile(), QStringLiteral(":/models/Vector-large-collapsed-ai-mathed3.obj"));
        QVERIFY(QFile::exists(item->meshFile()));
        QVERIFY2(QFile::exists(QStringLiteral(":/models/yellow50.png")), qPrintable(item->textureFile()));
        QCOMPARE(stream->vectorArray().size(), 128);
        QCOMPARE(stream->vectorArray().at(0)->size(), 128);
    } else {
        QCOMPARE(axisZ->labels().size(), 13);
        QCOMPARE(axisZ->labels().at(1), QStringLiteral("0"));
        QCOMPARE(axisZ->labels().at(11), QStringLiteral("100"));
        QCOMPARE(stream->waveformArray().size(), 128);
        QCOMPARE(stream->waveformArray().at(0)->size(), 240);
    }
    QCOMPARE(controlText(window, QStringLiteral("startStopButton")), QStringLiteral("Start"));
    QCOMPARE(find(window, QStringLiteral("gain4Button")) != nullptr, vector);

    window->close();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

void TestScopeWindow::startAndStopSendScopeRequests()
{
    QVERIFY(connectMonitor());
    QQuickWindow *waveform = open(m_monitor.get(), QStringLiteral("waveform"));
    QVERIFY(waveform);
    ScopeStream *stream = m_monitor->cScopeStream();

    // Start from idle: exactly one request for a waveform frame.
    QVERIFY(clickControl(waveform, QStringLiteral("startStopButton")));
    QVERIFY(m_fake->waitForCommands(1));
    QTest::qWait(100);
    QCOMPARE(scopeRequests(*m_fake), (QList<QPair<int, int>>{{ScopeProtocol, 1}}));
    QCOMPARE(int(stream->isPlaying()), 1);
    QCOMPARE(controlText(waveform, QStringLiteral("startStopButton")), QStringLiteral("Stop"));

    // The vector window joins: both scopes are requested together and both buttons read Stop.
    QQuickWindow *vector = open(m_monitor.get(), QStringLiteral("vector"));
    QVERIFY(vector);
    m_fake->clearReceived();
    QVERIFY(clickControl(vector, QStringLiteral("startStopButton")));
    QVERIFY(m_fake->waitForCommands(1));
    QTest::qWait(100);
    QCOMPARE(scopeRequests(*m_fake), (QList<QPair<int, int>>{{ScopeProtocol, 3}}));
    QCOMPARE(controlText(waveform, QStringLiteral("startStopButton")), QStringLiteral("Stop"));
    QCOMPARE(controlText(vector, QStringLiteral("startStopButton")), QStringLiteral("Stop"));

    // Stopping the waveform leaves the vector running: its frames are asked for alone.
    m_fake->clearReceived();
    QVERIFY(clickControl(waveform, QStringLiteral("startStopButton")));
    QVERIFY(m_fake->waitForCommands(1));
    QTest::qWait(100);
    QCOMPARE(scopeRequests(*m_fake), (QList<QPair<int, int>>{{ScopeProtocol, 2}}));
    QCOMPARE(controlText(waveform, QStringLiteral("startStopButton")), QStringLiteral("Start"));
    QCOMPARE(controlText(vector, QStringLiteral("startStopButton")), QStringLiteral("Stop"));

    // Stopping the last scope sends nothing.
    m_fake->clearReceived();
    QVERIFY(clickControl(vector, QStringLiteral("startStopButton")));
    QTest::qWait(200);
    QCOMPARE(scopeRequests(*m_fake), (QList<QPair<int, int>>{}));
    QCOMPARE(int(stream->isPlaying()), 0);
    QCOMPARE(controlText(vector, QStringLiteral("startStopButton")), QStringLiteral("Start"));
}

void TestScopeWindow::shiftQClosesAndStopsItsScope()
{
    QVERIFY(connectMonitor());
    QQuickWindow *vector = open(m_monitor.get(), QStringLiteral("vector"));
    QVERIFY(vector);
    QVERIFY(clickControl(vector, QStringLiteral("startStopButton")));
    QCOMPARE(int(m_monitor->cScopeStream()->isPlaying()), 2);
    QVERIFY(m_fake->waitForCommands(1));
    QTest::qWait(100);

    vector->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(vector));
    m_fake->clearReceived();
    QTest::keyClick(vector, Qt::Key_Q, Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(!vector->isVisible(), 5000);
    QCOMPARE(int(m_monitor->cScopeStream()->isPlaying()), 0);
    QTest::qWait(100);
    QCOMPARE(scopeRequests(*m_fake), (QList<QPair<int, int>>{}));
}

void TestScopeWindow::closingStopsOnlyItsOwnScope()
{
    QVERIFY(connectMonitor());
    QQuickWindow *waveform = open(m_monitor.get(), QStringLiteral("waveform"));
    QQuickWindow *vector = open(m_monitor.get(), QStringLiteral("vector"));
    QVERIFY(waveform && vector);
    QVERIFY(clickControl(waveform, QStringLiteral("startStopButton")));
    QVERIFY(clickControl(vector, QStringLiteral("startStopButton")));
    QCOMPARE(int(m_monitor->cScopeStream()->isPlaying()), 3);

    QVERIFY(QMetaObject::invokeMethod(waveform, "close"));
    QTRY_VERIFY_WITH_TIMEOUT(!waveform->isVisible(), 5000);
    QCOMPARE(int(m_monitor->cScopeStream()->isPlaying()), 2);
    QCOMPARE(controlText(vector, QStringLiteral("startStopButton")), QStringLiteral("Stop"));

    // A visible window that is destroyed (its tab went away) stops its scope too.
    delete vector;
    QCOMPARE(int(m_monitor->cScopeStream()->isPlaying()), 0);
}

void TestScopeWindow::framesReachTheSeries()
{
    // The fake answers every scope request with a frame of the requested type, so the stream's
    // pull loop keeps going until the window stops it.
    int served = 0;
    m_fake->setResponder([&served](const FakeDevice::Command &command) {
        if (command.protocol != ScopeProtocol)
            return FakeDevice::message(command.protocol, command.request);
        ++served;
        QByteArray frame;
        if (command.request & 1)
            frame += QByteArray(32768, char(0x40));
        if (command.request & 2)
            frame += QByteArray(16384, char(0x80));
        return FakeDevice::message(command.protocol, command.request, frame);
    });
    QVERIFY(connectMonitor());
    QQuickWindow *waveform = open(m_monitor.get(), QStringLiteral("waveform"));
    QQuickWindow *vector = open(m_monitor.get(), QStringLiteral("vector"));
    QVERIFY(waveform && vector);
    auto *waveSeries = waveform->property("series").value<QSurface3DSeries *>();
    auto *vectorSeries = vector->property("series").value<QSurface3DSeries *>();
    QVERIFY(waveSeries && vectorSeries);

    QVERIFY(clickControl(waveform, QStringLiteral("startStopButton")));
    QVERIFY(clickControl(vector, QStringLiteral("startStopButton")));
    QTRY_VERIFY_WITH_TIMEOUT(served >= 4, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(waveSeries->dataProxy()->rowCount(), 128, 5000);
    QCOMPARE(waveSeries->dataProxy()->columnCount(), 240);
    QCOMPARE(waveSeries->dataProxy()->itemAt(5, 7)->y(), float(0x40));
    QTRY_COMPARE_WITH_TIMEOUT(vectorSeries->dataProxy()->rowCount(), 128, 5000);
    QCOMPARE(vectorSeries->dataProxy()->columnCount(), 128);
    QCOMPARE(vectorSeries->dataProxy()->itemAt(64, 70)->y(), float(0x80));

    // Both stopped: the loop ends once the requests already queued are answered.
    QVERIFY(clickControl(waveform, QStringLiteral("startStopButton")));
    QVERIFY(clickControl(vector, QStringLiteral("startStopButton")));
    int settled = -1;
    for (int wait = 0; wait < 20 && settled != served; ++wait) {
        settled = served;
        QTest::qWait(500);
    }
    QCOMPARE(served, settled);
    QTest::qWait(500);
    QCOMPARE(served, settled);
}

void TestScopeWindow::cubrixModesEnableTheStartButton()
{
    Cubrix cubrix;
    cubrix.setModel(QStringLiteral("Cubrix"));
    QQuickWindow *window = open(&cubrix, QStringLiteral("waveform"));
    QVERIFY(window);
    const QString button = QStringLiteral("startStopButton");

    cubrix.setBoxMode(1);
    QVERIFY(controlEnabled(window, button));
    cubrix.setBoxMode(2);
    cubrix.setBoxCh(1);
    QVERIFY(controlEnabled(window, button));
    cubrix.setBoxCh(2);
    QVERIFY(!controlEnabled(window, button));
    cubrix.setBoxMode(3);
    cubrix.setBoxCh(1);
    QVERIFY(!controlEnabled(window, button));

    // Only the model named "Cubrix" is restricted.
    cubrix.setModel(QStringLiteral("Cubrix Mono SDI"));
    QVERIFY(controlEnabled(window, button));
    // A monitor is never restricted.
    QQuickWindow *monitorWindow = open(m_monitor.get(), QStringLiteral("vector"));
    QVERIFY(monitorWindow);
    QVERIFY(controlEnabled(monitorWindow, button));
}

void TestScopeWindow::gainButtonsZoomTheVectorView()
{
    QQuickWindow *vector = open(m_monitor.get(), QStringLiteral("vector"));
    QVERIFY(vector);
    QObject *graph = find(vector, QStringLiteral("scopeGraph"));
    auto *scene = graph->property("scene").value<Q3DScene *>();
    QVERIFY(scene && scene->activeCamera());
    auto *graticule = vector->property("graticule").value<QCustom3DItem *>();
    QVERIFY(graticule);

    struct Step {
        const char *button;
        int gain;
        float scale;
    };
    for (const Step &step : {Step{"gain4Button", 4, 0.8f}, Step{"gain2Button", 2, 1.6f}, Step{"gain1Button", 1, 3.2f}}) {
        QVERIFY(clickControl(vector, QString::fromLatin1(step.button)));
        QCOMPARE(int(m_monitor->cScopeStream()->vectorGain()), step.gain);
        QCOMPARE(scene->activeCamera()->zoomLevel(), 100.0f * step.gain);
        QCOMPARE(scene->activeCamera()->cameraPreset(), Q3DCamera::CameraPresetDirectlyAbove);
        QCOMPARE(graticule->scaling(), QVector3D(step.scale, 16, step.scale));
    }
}

void TestScopeWindow::traceColourToggles()
{
    QQuickWindow *waveform = open(m_monitor.get(), QStringLiteral("waveform"));
    QVERIFY(waveform);
    auto *series = waveform->property("series").value<QSurface3DSeries *>();
    QVERIFY(series);
    QCOMPARE(waveform->property("scopeColor").toString(), QStringLiteral("green"));
    QCOMPARE(series->baseGradient().stops().last().second, QColor(0, 255, 0));
    QCOMPARE(series->baseGradient().stops().first().second, QColor(0, 0, 0));

    QVERIFY(clickControl(waveform, QStringLiteral("traceColorButton")));
    QCOMPARE(waveform->property("scopeColor").toString(), QStringLiteral("white"));
    QCOMPARE(series->baseGradient().stops().last().second, QColor(255, 255, 255));

    QVERIFY(clickControl(waveform, QStringLiteral("traceColorButton")));
    QCOMPARE(series->baseGradient().stops().last().second, QColor(0, 255, 0));
}

BREVANTO_GL_QML_TEST_MAIN(TestScopeWindow)
#include "tst_scopewindow.moc"
