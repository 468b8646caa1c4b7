#pragma once

// Loading the real main window headless in a test: an isolated data folder, the program's
// QML types and resources, and a message handler that turns every QML warning into a failure.
//
// Use: link brevanto_qmltest, add the app's .qrc files to the test's sources, and end the test
// file with BREVANTO_QML_TEST_MAIN(TestClass) instead of QTEST_MAIN.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>
#include <QStringList>
#include <QtTest>
#include <functional>
#include <memory>

namespace QmlTest {

// Before the application object exists: points HOME and the XDG folders into a temporary
// directory (kept for the whole run) so that "savedTabs.conf" and the settings store of the
// test never touch the user's. Returns that directory.
QString prepareEnvironment();
// The folder prepareEnvironment() chose.
QString dataRoot();
// Where the window keeps its saved tabs and its settings store.
QString savedTabsPath();
QString settingsPath();
// Removes the saved tabs and the settings store.
void clearStoredState();
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// Collects warnings and errors while installed (debug and info lines pass through).
class WarningGuard
{
public:
    WarningGuard();
    ~WarningGuard();
    QStringList take();
    // Messages containing `text` are expected and not collected (for deliberate failures).
    void allow(const QString &text);

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);
};

// QVERIFY-style check: no warnings since the last take().
#define QML_VERIFY_NO_WARNINGS(guard)                                                                              \
    do {                                                                                                           \
        const QStringList warnings_ = (guard).take();                                                              \
        QVERIFY2(warnings_.isEmpty(), qPrintable(warnings_.join(QLatin1Char('\n'))));                              \
    } while (false)

// Finds an object of the window (or any item of it) by objectName.
QObject *find(QObject *root, const QString &objectName);
QList<QObject *> findAll(QObject *root, const QString &objectName);
// Calls a QML function with up to four arguments and returns its result.
QVariant call(QObject *object, const char *function, const QVariantList &arguments = {});
// Clicks the middle of an item with the left button.
void click(QQuickItem *item);
// Gives keyboard focus to an item (a text field) the way a click would.
bool focusItem(QQuickItem *item);

// The main window loaded from "qrc:/main.qml" by a QQmlApplicationEngine.
class MainWindow
{
public:
    MainWindow() = default;
    ~MainWindow();

    bool load();
    void unload();
    QQuickWindow *window() const { return m_window; }
    QQmlApplicationEngine *engine() const { return m_engine.get(); }

    QObject *tabView() const;
    QObject *sideBar() const;
    int tabCount() const;
    int currentIndex() const;
    // The content item of tab i (a "maintab_*.qml" instance).
    QObject *tab(int index) const;
    QString tabTitle(int index) const;
    QString tabType(int index) const;
    QString sideBarName(int index) const;
    QString sideBarIp(int index) const;
    QString statusText() const;
    QString mode() const;
    // A window created later by the program itself (after a profile import), visible.
    static QQuickWindow *latestMainWindow(QQuickWindow *besides);

private:
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QPointer<QQuickWindow> m_window;
};

// Prepares the environment, creates the application as the program does (attributes, Material
// style, QML types, organisation and application names) and runs the tests.
int runTests(int argc, char *argv[], const std::function<int(int, char **)> &run);
} // namespace QmlTest

#define BREVANTO_QML_TEST_MAIN(TestClass)                                                                          \
    int main(int argc, char *argv[])                                                                               \
    {                                                                                                              \
        return QmlTest::runTests(argc, argv, [](int count, char **values) {                                        \
            TestClass test;                                                                                        \
            return QTest::qExec(&test, count, values);                                                             \
        });                                                                                                        \
    }
