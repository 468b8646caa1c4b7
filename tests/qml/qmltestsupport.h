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

// Where the window keeps its saved tabs and its settings store, inside the test's data folder.
QString savedTabsPath();
QString settingsPath();
void clearStoredState();
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// The warning guard of a test: create it in initTestCase (after QtTest took the messages), check
// it with VERIFY_NO_LOG in cleanup. Messages go on to QtTest, so QTest::ignoreMessage works.
std::unique_ptr<LogCapture> warningGuard();

// An object by its objectName, or by a path of objectNames separated by '/', each searched
// inside the one before (QObject children, child items, window contents).
QObject *find(QObject *root, const QString &path);
QList<QObject *> findAll(QObject *root, const QString &objectName);
QList<QObject *> findIf(QObject *root, const std::function<bool(QObject *)> &test);
inline QQuickItem *item(QObject *object) { return qobject_cast<QQuickItem *>(object); }
// Calls a QML function with up to four arguments and returns its result.
QVariant call(QObject *object, const char *function, const QVariantList &arguments = {});
// Clicks the middle of an item with the left button, once the window has placed it.
void click(QQuickItem *item);
bool focusItem(QQuickItem *item);
// Lets the objects an engine creates asynchronously (views, dialogs) finish, within bounds.
bool finishIncubation(QQmlEngine *engine);
// Activates `window` and waits until it has kept the focus a little while: a window shown just
// before may take the focus late, and the window-wide keys go to the focus window only.
bool activate(QWindow *window);

// The main window loaded from "qrc:/main.qml".
class MainWindow
{
public:
    ~MainWindow() { unload(); }
    bool load(const QByteArray &savedTabs = QByteArray());
    void unload();
    QQuickWindow *window() const { return m_window; }
    QQmlApplicationEngine *engine() const { return m_engine.get(); }
    QObject *tabView() const { return find(m_window, QStringLiteral("tabView")); }
    QObject *sideBar() const { return find(m_window, QStringLiteral("leftTabBar")); }
    int tabCount() const { return tabView() ? tabView()->property("count").toInt() : -1; }
    int currentIndex() const { return tabView() ? tabView()->property("currentIndex").toInt() : -1; }
    // The content item of tab i (a "maintab_*.qml" instance).
    QObject *tab(int index) const { return call(m_window, "tabItem", {index}).value<QObject *>(); }
    QString tabTitle(int index) const;
    // Type and side-bar entry of every tab, as "TYPE name ip" lines joined by ';'.
    QString tabs() const;
    QString statusText() const { return m_window->property("statusText").toString(); }
    QString mode() const { return m_window->property("mode").toString(); }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(m_window, Qt::Key(key), modifiers); }

private:
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QPointer<QQuickWindow> m_window;
};

// Prepares the environment, creates the application as the program does (attributes, Material
// style, QML types, organisation and application names) and runs the tests; `gl` keeps the
// platform's OpenGL scene graph for the surface graphs of the scope windows.
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

