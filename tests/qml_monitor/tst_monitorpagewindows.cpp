// The windows a KT monitor page launches, in the real window under a display: one waveform,
// one vector and one capture window per page, titled with the tab, shown again when hidden,
// following the theme, closed by the page's "Disconnect" button and gone with the tab.
#include "app/qmlregistry.h"
#include "monitorpagefixture.h"

#include <QGuiApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QtTest>
#include <memory>

using namespace QmlTest;

class TestMonitorPageWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void oneWindowOfEachKind();
    void hiddenWindowShownAgain();
    void disconnectClosesTheWindows();
    void windowsGoWithTheTab();
    void tabClosedWithoutWindows();

private:
    QQuickWindow *pageWindow(const char *property) const;
    bool activateMain();
    bool openByKey(int key, const char *property);
    bool openAll();
    int windowsNamed(const QString &objectName) const;

    std::unique_ptr<WarningGuard> m_guard;
    std::unique_ptr<MonitorPageFixture> m_page;
};

void TestMonitorPageWindows::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
}

void TestMonitorPageWindows::init()
{
    m_page = std::make_unique<MonitorPageFixture>();
    QVERIFY(m_page->open(MonitorPageFixture::kt()));
}

void TestMonitorPageWindows::cleanup()
{
    m_page.reset();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

QQuickWindow *TestMonitorPageWindows::pageWindow(const char *property) const
{
    return qobject_cast<QQuickWindow *>(m_page->page()->property(property).value<QObject *>());
}

// The page's shortcuts belong to the main window, which a new window takes the focus from.
// Activations reach the windows asynchronously: a window shown just before may still take the
// focus after the main window got it back, so the main window must keep it for a while.
bool TestMonitorPageWindows::activateMain()
{
    QQuickWindow *main = m_page->main().window();
    QElapsedTimer clock;
    clock.start();
    int steady = 0;
    while (clock.elapsed() < 5000) {
        if (QGuiApplication::focusWindow() == main) {
            if (++steady == 4)
                return true;
        } else {
            steady = 0;
            main->requestActivate();
        }
        QTest::qWait(50);
    }
    return false;
}

// Each window takes the focus when it opens. The activation reaches the window asynchronously,
// so the main window is activated again only once the new one holds the focus: otherwise the
// late activation steals it back and the next shortcut goes nowhere.
bool TestMonitorPageWindows::openByKey(int key, const char *property)
{
    if (!activateMain())
        return false;
    m_page->key(key, Qt::ShiftModifier);
    QQuickWindow *window = pageWindow(property);
    if (!window) {
        qInfo("%s was not opened", property);
        return false;
    }
    return QTest::qWaitForWindowActive(window);
}

bool TestMonitorPageWindows::openAll()
{
    return openByKey(Qt::Key_W, "waveformWindow") && openByKey(Qt::Key_V, "vectorWindow")
        && openByKey(Qt::Key_C, "captureWindow");
}

int TestMonitorPageWindows::windowsNamed(const QString &objectName) const
{
    int count = 0;
    for (QWindow *window : QGuiApplication::topLevelWindows())
        count += window->objectName() == objectName ? 1 : 0;
    return count;
}

void TestMonitorPageWindows::oneWindowOfEachKind()
{
    QVERIFY(!pageWindow("waveformWindow"));
    QVERIFY(openAll());
    QQuickWindow *waveform = pageWindow("waveformWindow");
    QQuickWindow *vector = pageWindow("vectorWindow");
    QQuickWindow *capture = pageWindow("captureWindow");
    QCOMPARE(waveform->property("scopeView").toString(), QStringLiteral("waveform"));
    QCOMPARE(vector->property("scopeView").toString(), QStringLiteral("vector"));
    QCOMPARE(capture->objectName(), QStringLiteral("monitorCaptureWindow"));
    for (QQuickWindow *window : {waveform, vector, capture}) {
        QCOMPARE(window->title(), QStringLiteral("Hero Monitor"));
        QCOMPARE(window->property("loadedHardware").value<QObject *>(), static_cast<QObject *>(m_page->monitor()));
        QCOMPARE(window->property("mode").toString(), QStringLiteral("dark"));
    }
    // The capture window's item registered itself with the monitor.
    QVERIFY(m_page->monitor()->cCaptureFrame());
    QCOMPARE(static_cast<QObject *>(m_page->monitor()->cCaptureFrame()), capture->property("captureItem").value<QObject *>());

    // The buttons and keys again: the same windows, no new ones.
    QVERIFY(m_page->press(QStringLiteral("waveformButton")));
    QVERIFY(m_page->press(QStringLiteral("vectorButton")));
    QVERIFY(m_page->press(QStringLiteral("captureButton")));
    QVERIFY(activateMain());
    m_page->key(Qt::Key_W, Qt::ShiftModifier);
    QCOMPARE(pageWindow("waveformWindow"), waveform);
    QCOMPARE(pageWindow("vectorWindow"), vector);
    QCOMPARE(pageWindow("captureWindow"), capture);
    QCOMPARE(windowsNamed(QStringLiteral("scopeWindow")), 2);
    QCOMPARE(windowsNamed(QStringLiteral("monitorCaptureWindow")), 1);

    // The windows follow the window's theme.
    QVERIFY(activateMain());
    m_page->key(Qt::Key_L, Qt::ShiftModifier);
    for (QQuickWindow *window : {waveform, vector, capture})
        QCOMPARE(window->property("mode").toString(), QStringLiteral("light"));
}

void TestMonitorPageWindows::hiddenWindowShownAgain()
{
    QVERIFY(openAll());
    QQuickWindow *waveform = pageWindow("waveformWindow");
    QQuickWindow *capture = pageWindow("captureWindow");
    waveform->close();
    QTest::ignoreMessage(QtDebugMsg, "Capture Frame Window closing");
    capture->close();
    QTRY_VERIFY_WITH_TIMEOUT(!waveform->isVisible() && !capture->isVisible(), 5000);

    // A renamed tab titles the window it shows next.
    call(m_page->main().tabView(), "setDeviceName", {QStringLiteral("Grade 2")});
    QVERIFY(m_page->press(QStringLiteral("waveformButton")));
    QVERIFY(m_page->press(QStringLiteral("captureButton")));
    QTRY_VERIFY_WITH_TIMEOUT(waveform->isVisible() && capture->isVisible(), 5000);
    QCOMPARE(pageWindow("waveformWindow"), waveform);
    QCOMPARE(pageWindow("captureWindow"), capture);
    QCOMPARE(waveform->title(), QStringLiteral("Grade 2"));
    QCOMPARE(capture->title(), QStringLiteral("Grade 2"));

    // A minimised window comes back to the screen.
    waveform->showMinimized();
    QVERIFY(m_page->press(QStringLiteral("waveformButton")));
    QTRY_VERIFY_WITH_TIMEOUT(waveform->windowState() != Qt::WindowMinimized, 5000);
    QVERIFY(waveform->isVisible());
}

void TestMonitorPageWindows::disconnectClosesTheWindows()
{
    QVERIFY(openAll());
    QQuickWindow *waveform = pageWindow("waveformWindow");
    QQuickWindow *vector = pageWindow("vectorWindow");
    QQuickWindow *capture = pageWindow("captureWindow");

    QTest::ignoreMessage(QtDebugMsg, "Capture Frame Window closing");
    QVERIFY(m_page->press(QStringLiteral("disconnectButton")));
    for (QQuickWindow *window : {waveform, vector, capture})
        QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
    QVERIFY(m_page->fake().waitForDisconnect(5000));
    QTRY_COMPARE_WITH_TIMEOUT(int(m_page->monitor()->state()), int(QAbstractSocket::UnconnectedState), 5000);
    QCOMPARE(find(m_page->tab(), QStringLiteral("pageList"))->property("currentIndex").toInt(), 0);

    // Connected again, the launchers show the same windows.
    QVERIFY(m_page->connectAs(MonitorPageFixture::kt()));
    QVERIFY(m_page->press(QStringLiteral("vectorButton")));
    QTRY_VERIFY_WITH_TIMEOUT(vector->isVisible(), 5000);
    QCOMPARE(pageWindow("vectorWindow"), vector);
    QVERIFY(!waveform->isVisible());
}

void TestMonitorPageWindows::windowsGoWithTheTab()
{
    QVERIFY(openAll());
    QPointer<QQuickWindow> waveform = pageWindow("waveformWindow");
    QPointer<QQuickWindow> vector = pageWindow("vectorWindow");
    QPointer<QQuickWindow> capture = pageWindow("captureWindow");

    // Closing the only tab: a new Cubrix tab takes its place and the monitor's windows go.
    QTest::ignoreMessage(QtDebugMsg, "Capture Frame Window closing");
    call(m_page->main().sideBar(), "closeEntry", {0});
    QTRY_VERIFY_WITH_TIMEOUT(waveform.isNull() && vector.isNull() && capture.isNull(), 5000);
    QCOMPARE(m_page->main().tabCount(), 1);
    QCOMPARE(windowsNamed(QStringLiteral("scopeWindow")), 0);
    QCOMPARE(windowsNamed(QStringLiteral("monitorCaptureWindow")), 0);
}

void TestMonitorPageWindows::tabClosedWithoutWindows()
{
    QPointer<QObject> page = m_page->page();
    call(m_page->main().sideBar(), "closeEntry", {0});
    QTRY_VERIFY_WITH_TIMEOUT(page.isNull(), 5000);
    QCOMPARE(m_page->main().tabCount(), 1);
    QCOMPARE(m_page->main().tabType(0), QStringLiteral("CUBRIX"));
}

// As QmlTest::runTests, but on the platform's OpenGL scene graph: the scope windows' surface
// graphs need a GL context (Xvfb with Mesa's software GL).
int main(int argc, char *argv[])
{
    QmlTest::prepareEnvironment();
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache, true);
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Material"));
    registerQmlTypes();
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Brevanto"));
    TestMonitorPageWindows test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_monitorpagewindows.moc"
