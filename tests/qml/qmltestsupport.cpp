#include "qmltestsupport.h"
#include "polishwait.h"

#include "app/applicationsetup.h"

#include <QDir>
#include <QGuiApplication>
#include <QQmlIncubationController>
#include <QTranslator>
#include <QTemporaryDir>

namespace QmlTest {
namespace {
QString dataRoot()
{
    static QTemporaryDir root(QDir::tempPath() + QStringLiteral("/brevanto-qmltest-XXXXXX"));
    return root.path();
}

void collect(QObject *object, const std::function<bool(QObject *)> &test, QList<QObject *> *found, QSet<QObject *> *seen, bool first)
{
    if (!object || seen->contains(object) || (first && !found->isEmpty()))
        return;
    seen->insert(object);
    if (test(object))
        found->append(object);
    QObjectList children = object->children();
    if (auto *quickItem = qobject_cast<QQuickItem *>(object))
        std::copy(quickItem->childItems().cbegin(), quickItem->childItems().cend(), std::back_inserter(children));
    if (auto *window = qobject_cast<QQuickWindow *>(object))
        children << window->contentItem();
    for (QObject *child : qAsConst(children))
        collect(child, test, found, seen, first);
}
} // namespace

QString savedTabsPath() { return dataRoot() + QStringLiteral("/data/Tarnwick/BrevantosavedTabs.conf"); }
QString settingsPath() { return dataRoot() + QStringLiteral("/config/Tarnwick/Brevanto.conf"); }

void clearStoredState()
{
    QFile::remove(savedTabsPath());
    QFile::remove(settingsPath());
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::unique_ptr<LogCapture> warningGuard()
{
    auto guard = std::make_unique<LogCapture>(QtWarningMsg, true);
    // The offscreen platform cannot pass a dialog window's size limits on (a display can).
    guard->allow(QStringLiteral("This plugin does not support propagateSizeHints()"));
    return guard;
}

QObject *find(QObject *root, const QString &path)
{
    for (const QString &name : path.split(QLatin1Char('/'))) {
        QList<QObject *> found;
        QSet<QObject *> seen;
        collect(root, [&name](QObject *o) { return o->objectName() == name; }, &found, &seen, true);
        root = found.value(0);
    }
    return root;
}

QList<QObject *> findIf(QObject *root, const std::function<bool(QObject *)> &test)
{
    QList<QObject *> found;
    QSet<QObject *> seen;
    collect(root, test, &found, &seen, false);
    return found;
}

QList<QObject *> findAll(QObject *root, const QString &objectName)
{
    return findIf(root, [&objectName](QObject *o) { return o->objectName() == objectName; });
}

QVariant call(QObject *object, const char *function, const QVariantList &arguments)
{
    QVariant result;
    QGenericArgument args[4];
    for (int i = 0; i < arguments.size() && i < 4; ++i)
        args[i] = Q_ARG(QVariant, arguments.at(i));
    if (object)
        QMetaObject::invokeMethod(object, function, Q_RETURN_ARG(QVariant, result), args[0], args[1], args[2], args[3]);
    return result;
}

void click(QQuickItem *item)
{
    // Positioners and layouts place their children when the window polishes, before the next
    // frame. Until then an item's scene position is stale, and a click there lands on whatever
    // lay under the old place (on a loaded machine, the scope button beneath the mode buttons).
    if (waitForPlacement(item)) {
        QTest::mouseClick(item->window(), Qt::LeftButton, Qt::NoModifier, item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
        return;
    }
    qWarning() << "click: not clicked, the window never placed" << item;
}

bool finishIncubation(QQmlEngine *engine)
{
    QQmlIncubationController *incubation = engine ? engine->incubationController() : nullptr;
    QElapsedTimer clock;
    clock.start();
    while (incubation && incubation->incubatingObjectCount() > 0 && clock.elapsed() < 5000) {
        incubation->incubateFor(20);
        QCoreApplication::processEvents();
    }
    return !incubation || incubation->incubatingObjectCount() == 0;
}

bool activate(QWindow *window)
{
    window->requestActivate();
    // Without a window system nothing activates a window behind the program's back.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return QTest::qWaitForWindowActive(window);
    QElapsedTimer clock;
    clock.start();
    for (int steady = 0; clock.elapsed() < 5000; QTest::qWait(50)) {
        steady = QGuiApplication::focusWindow() == window ? steady + 1 : 0;
        if (steady == 4)
            return true;
        if (steady == 0)
            window->requestActivate();
    }
    return false;
}

bool MainWindow::load(const QByteArray &savedTabs)
{
    unload();
    if (!savedTabs.isNull() && !writeFile(savedTabsPath(), savedTabs))
        return false;
    m_engine = std::make_unique<QQmlApplicationEngine>(QUrl(QStringLiteral("qrc:/main.qml")));
    m_window = m_engine->rootObjects().isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(m_engine->rootObjects().first());
    return m_window && QTest::qWaitForWindowExposed(m_window) && activate(m_window);
}

void MainWindow::unload()
{
    // An engine destroyed while views still create delegates asynchronously warns.
    finishIncubation(m_engine.get());
    m_engine.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QObject *MainWindow::tab(int index) const
{
    if (QObject *tabObject = call(find(m_window, QStringLiteral("tabView")), "getTab", {index}).value<QObject *>())
        tabObject->setProperty("active", true);
    return call(m_window, "tabItem", {index}).value<QObject *>();
}

QString MainWindow::tabTitle(int index) const
{
    QObject *tabObject = call(find(m_window, QStringLiteral("tabView")), "getTab", {index}).value<QObject *>();
    return tabObject ? tabObject->property("title").toString() : QString();
}

QString MainWindow::tabs() const
{
    QStringList lines;
    for (int i = 0; i < tabCount(); ++i)
        lines << QStringList{tab(i)->property("deviceType").toString(), tabTitle(i), call(sideBar(), "entryName", {i}).toString(),
                             call(sideBar(), "entryIp", {i}).toString()}.join(QLatin1Char(','));
    return lines.join(QLatin1Char(';'));
}

int runTests(int argc, char *argv[], bool gl, const std::function<int(int, char **)> &run)
{
    // HOME and the XDG folders in the data folder: the saved tabs and settings of a test never
    // touch the user's. The working folder is an empty one: the file dialogs list it, and a
    // folder whose listing changes while a dialog builds its rows makes Qt's dialog warn.
    const char *const folders[][2] = {{"HOME", "/home"}, {"XDG_DATA_HOME", "/data"}, {"XDG_CONFIG_HOME", "/config"},
                                      {"XDG_CACHE_HOME", "/cache"}, {"XDG_RUNTIME_DIR", "/runtime"}, {"PWD", "/work"}};
    for (const auto &folder : folders)
        QDir().mkpath(dataRoot() + QLatin1String(folder[1]));
    for (const auto &folder : folders)
        qputenv(folder[0], (dataRoot() + QLatin1String(folder[1])).toUtf8());
    QFile::setPermissions(dataRoot() + QStringLiteral("/runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir::setCurrent(dataRoot() + QStringLiteral("/work"));
    // As the program's entry point.
    ApplicationSetup::beforeApplication();
    QGuiApplication app(argc, argv);
    // The offscreen platform has no OpenGL: its windows are drawn by the software scene graph.
    if (!gl && qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    QTranslator translator;
    ApplicationSetup::application(app, translator);
    return run(argc, argv);
}

} // namespace QmlTest
