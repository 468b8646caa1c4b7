#pragma once

// The real QML headless in a test: an isolated data folder, the program's QML types and
// resources, and the one log capture of the suite as the warning guard (any QML warning fails).
// End a test file with BREVANTO_QML_TEST_MAIN(TestClass); tests whose windows draw a surface
// graph use BREVANTO_GL_QML_TEST_MAIN and are marked GL in CMake (they run under Xvfb).

#include "logcapture.h"

#include <QPointer>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtTest>
#include <functional>
#include <memory>

namespace QmlTest {

// The window's saved tabs and settings store, in the test's own data folder.
QString savedTabsPath();
QString settingsPath();
void clearStoredState();
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// Create it in initTestCase (after QtTest took the messages) and check it with VERIFY_NO_LOG in
// cleanup; messages go on to QtTest, so QTest::ignoreMessage works.
std::unique_ptr<LogCapture> warningGuard();

// An object by a path of objectNames separated by '/', each searched inside the one before
// (QObject children, child items, window contents).
QObject *find(QObject *root, const QString &path);
QList<QObject *> findIf(QObject *root, const std::function<bool(QObject *)> &test);
QList<QObject *> findAll(QObject *root, const QString &objectName);
inline QQuickItem *item(QObject *object) { return qobject_cast<QQuickItem *>(object); }
// Calls a QML function with up to four arguments and returns its result.
QVariant call(QObject *object, const char *function, const QVariantList &arguments = {});
// Clicks the middle of an item with the left button, once the window has placed it.
void click(QQuickItem *item);
// Lets the objects an engine creates asynchronously (views, dialogs) finish, within bounds.
bool finishIncubation(QQmlEngine *engine);
// Activates the window and waits until it has kept the focus a while: a window shown just
// before may take the focus late, and the window-wide keys reach the focus window only.
bool activate(QWindow *window);

// The main window from "qrc:/main.qml", started from these saved tabs (if given).
class MainWindow
{
public:
    ~MainWindow() { unload(); }
    bool load(const QByteArray &savedTabs = QByteArray());
    void unload();
    QQuickWindow *window() const { return m_window; }
    QQmlApplicationEngine *engine() const { return m_engine.get(); }
    QObject *sideBar() const { return find(m_window, QStringLiteral("leftTabBar")); }
    int tabCount() const { return find(m_window, QStringLiteral("tabView"))->property("count").toInt(); }
    int currentIndex() const { return find(m_window, QStringLiteral("tabView"))->property("currentIndex").toInt(); }
    // The content of tab i (a "maintab_*.qml" instance), built as showing the tab would build it;
    // and its title.
    QObject *tab(int index) const;
    QString tabTitle(int index) const;
    // Every tab as "TYPE,title,side-bar name,side-bar address", joined by ';'.
    QString tabs() const;
    QString statusText() const { return m_window->property("statusText").toString(); }
    QString mode() const { return m_window->property("mode").toString(); }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(m_window, Qt::Key(key), modifiers); }

private:
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QPointer<QQuickWindow> m_window;
};

// Creates the application as the program does (attributes, Material style, QML types,
// organisation and application names) and runs the tests; `gl` keeps the platform's OpenGL
// scene graph for the surface graphs of the scope windows.
int runTests(int argc, char *argv[], bool gl, const std::function<int(int, char **)> &run);
} // namespace QmlTest

#define BREVANTO_QML_TEST_MAIN_WITH(TestClass, gl)                                                                 \
    int main(int argc, char *argv[])                                                                               \
    {                                                                                                              \
        return QmlTest::runTests(argc, argv, gl, [](int count, char **values) {                                    \
            TestClass test;                                                                                        \
            return QTest::qExec(&test, count, values);                                                             \
        });                                                                                                        \
    }
#define BREVANTO_QML_TEST_MAIN(TestClass) BREVANTO_QML_TEST_MAIN_WITH(TestClass, false)
#define BREVANTO_GL_QML_TEST_MAIN(TestClass) BREVANTO_QML_TEST_MAIN_WITH(TestClass, true)
