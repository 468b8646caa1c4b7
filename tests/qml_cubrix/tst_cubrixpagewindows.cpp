// The launch components of the Cubrix controls page: the waveform, vector and capture windows
// are built once per tab, titled with the tab, shown again on a later press, opened by their
// keys only in the modes that allow them, and closed and released when the box disconnects.
// The scope window draws a surface graph: this test runs on a real (Xvfb) display.

#include "cubrixpagefixture.h"

#include "app/qmlregistry.h"

#include <QGuiApplication>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QtTest>

using namespace QmlTest;

class TestCubrixPageWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void buttonsOpenEachWindowOnce();
    void keysOpenTheWindowsOfTheMode();
    void disabledInTheGeneratorMode();
    void disconnectClosesAndReleasesTheWindows();

private:
    QQuickWindow *pageWindow(const char *property) const;
    void focusMainWindow();

    std::unique_ptr<WarningGuard> m_guard;
    std::unique_ptr<CubrixPageFixture> m_box;
};

void TestCubrixPageWindows::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
}

void TestCubrixPageWindows::init()
{
    m_box = std::make_unique<CubrixPageFixture>();
    QVERIFY(m_box->open());
}

void TestCubrixPageWindows::cleanup()
{
    m_box.reset();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

QQuickWindow *TestCubrixPageWindows::pageWindow(const char *property) const
{
    return qobject_cast<QQuickWindow *>(m_box->generalPage()->property(property).value<QObject *>());
}

// The page's keys belong to the main window; a window opened from the page takes the focus.
// (The main window counts as active while one of its transient windows has the focus, so
// wait for the focus itself, after the activations the page asked for have settled.)
void TestCubrixPageWindows::focusMainWindow()
{
    QQuickWindow *main = m_box->main().window();
    QTest::qWait(300);
    main->requestActivate();
    QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::focusWindow(), static_cast<QWindow *>(main), 5000);
    QTest::qWait(100);
    QCOMPARE(QGuiApplication::focusWindow(), static_cast<QWindow *>(main));
}

void TestCubrixPageWindows::buttonsOpenEachWindowOnce()
{
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QVERIFY(m_box->press(QStringLiteral("waveformButton")));
    QQuickWindow *waveform = pageWindow("waveformWindow");
    QVERIFY(waveform);
    QTRY_VERIFY_WITH_TIMEOUT(waveform->isVisible(), 5000);
    QCOMPARE(waveform->objectName(), QStringLiteral("scopeWindow"));
    QCOMPARE(waveform->property("scopeView").toString(), QStringLiteral("waveform"));
    QCOMPARE(waveform->property("loadedHardware").value<QObject *>(), static_cast<QObject *>(m_box->device()));
    QCOMPARE(waveform->title(), m_box->main().tabTitle(0));
    QCOMPARE(waveform->property("mode").toString(), QStringLiteral("dark"));

    QVERIFY(m_box->press(QStringLiteral("vectorButton")));
    QQuickWindow *vector = pageWindow("vectorWindow");
    QVERIFY(vector && vector != waveform);
    QCOMPARE(vector->property("scopeView").toString(), QStringLiteral("vector"));

    QVERIFY(m_box->press(QStringLiteral("captureButton")));
    QQuickWindow *capture = pageWindow("captureWindow");
    QVERIFY(capture);
    QCOMPARE(capture->objectName(), QStringLiteral("cubrixCaptureWindow"));
    QCOMPARE(capture->title(), m_box->main().tabTitle(0));
    QTRY_VERIFY_WITH_TIMEOUT(capture->isVisible(), 5000);

    // A second press shows the same window again.
    waveform->close();
    QTRY_VERIFY_WITH_TIMEOUT(!waveform->isVisible(), 5000);
    QVERIFY(m_box->press(QStringLiteral("waveformButton")));
    QCOMPARE(pageWindow("waveformWindow"), waveform);
    QTRY_VERIFY_WITH_TIMEOUT(waveform->isVisible(), 5000);
    QVERIFY(m_box->press(QStringLiteral("captureButton")));
    QCOMPARE(pageWindow("captureWindow"), capture);

    // The theme reaches the open windows.
    focusMainWindow();
    QTest::keyClick(m_box->main().window(), Qt::Key_L, Qt::ShiftModifier);
    QCOMPARE(m_box->main().mode(), QStringLiteral("dark")); // mode 1: Shift+L chooses the link
    m_box->setBox(QStringLiteral("Cubrix"), 2, 1);
    QTest::keyClick(m_box->main().window(), Qt::Key_L, Qt::ShiftModifier);
    QCOMPARE(m_box->main().mode(), QStringLiteral("light"));
    QCOMPARE(waveform->property("mode").toString(), QStringLiteral("light"));
    QCOMPARE(capture->property("mode").toString(), QStringLiteral("light"));
}

void TestCubrixPageWindows::keysOpenTheWindowsOfTheMode()
{
    m_box->setBox(QStringLiteral("Cubrix"), 2, 2);
    focusMainWindow();
    // Channel 2: no scopes, but captures.
    QTest::keyClick(m_box->main().window(), Qt::Key_W, Qt::ShiftModifier);
    QTest::keyClick(m_box->main().window(), Qt::Key_V, Qt::ShiftModifier);
    QVERIFY(!pageWindow("waveformWindow"));
    QVERIFY(!pageWindow("vectorWindow"));
    QTest::keyClick(m_box->main().window(), Qt::Key_C, Qt::ShiftModifier);
    QVERIFY(pageWindow("captureWindow"));

    m_box->setBox(QStringLiteral("Cubrix"), 2, 1);
    focusMainWindow();
    QTest::keyClick(m_box->main().window(), Qt::Key_W, Qt::ShiftModifier);
    QVERIFY(pageWindow("waveformWindow"));
    focusMainWindow();
    QTest::keyClick(m_box->main().window(), Qt::Key_V, Qt::ShiftModifier);
    QVERIFY(pageWindow("vectorWindow"));
    QCOMPARE(pageWindow("vectorWindow")->property("scopeView").toString(), QStringLiteral("vector"));
}

void TestCubrixPageWindows::disabledInTheGeneratorMode()
{
    m_box->setBox(QStringLiteral("Cubrix"), 3);
    QVERIFY(!m_box->enabled(QStringLiteral("waveformButton")));
    QVERIFY(!m_box->enabled(QStringLiteral("captureButton")));
    click(m_box->item(QStringLiteral("waveformButton")));
    click(m_box->item(QStringLiteral("captureButton")));
    focusMainWindow();
    QTest::keyClick(m_box->main().window(), Qt::Key_W, Qt::ShiftModifier);
    QTest::keyClick(m_box->main().window(), Qt::Key_C, Qt::ShiftModifier);
    QVERIFY(!pageWindow("waveformWindow"));
    QVERIFY(!pageWindow("captureWindow"));
}

void TestCubrixPageWindows::disconnectClosesAndReleasesTheWindows()
{
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QVERIFY(m_box->press(QStringLiteral("waveformButton")));
    QVERIFY(m_box->press(QStringLiteral("captureButton")));
    QPointer<QQuickWindow> waveform = pageWindow("waveformWindow");
    QPointer<QQuickWindow> capture = pageWindow("captureWindow");
    QVERIFY(waveform && capture);
    QVERIFY(m_box->generalPage()->property("waveformOpen").toBool());

    QVERIFY(m_box->press(QStringLiteral("disconnectButton")));
    QVERIFY(!m_box->generalPage()->property("waveformOpen").toBool());
    QVERIFY(!m_box->generalPage()->property("captureOpen").toBool());
    QTRY_VERIFY_WITH_TIMEOUT(waveform.isNull() && capture.isNull(), 5000);
    QVERIFY(m_box->fake().waitForDisconnect(5000));
    QTRY_COMPARE_WITH_TIMEOUT(int(m_box->device()->state()), int(QAbstractSocket::UnconnectedState), 5000);
}

// As QmlTest::runTests, but on the platform's OpenGL scene graph: the scope window's surface
// graph needs a GL context (Xvfb with Mesa's software GL).
int main(int argc, char *argv[])
{
    QmlTest::prepareEnvironment();
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache, true);
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Material"));
    registerQmlTypes();
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Brevanto"));
    TestCubrixPageWindows test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_cubrixpagewindows.moc"
