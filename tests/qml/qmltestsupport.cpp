#include "qmltestsupport.h"

#include "app/qmlregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMutex>
#include <QQmlIncubationController>
#include <QQuickStyle>
#include <QtQuickTest/quicktest.h>
#include <QTemporaryDir>

namespace QmlTest {
namespace {
QTemporaryDir *temporaryRoot()
{
    static QTemporaryDir root(QDir::tempPath() + QStringLiteral("/brevanto-qmltest-XXXXXX"));
    return &root;
}

struct GuardState {
    QMutex mutex;
    QStringList collected;
    QStringList allowed;
    QtMessageHandler previous = nullptr;
    bool installed = false;
};

GuardState &guardState()
{
    static GuardState state;
    return state;
}

void collectMatching(QObject *object, const QString &name, QList<QObject *> *found, QSet<QObject *> *seen)
{
    if (!object || seen->contains(object))
        return;
    seen->insert(object);
    if (object->objectName() == name)
        found->append(object);
    for (QObject *child : object->children())
        collectMatching(child, name, found, seen);
    if (auto *item = qobject_cast<QQuickItem *>(object)) {
        for (QQuickItem *child : item->childItems())
            collectMatching(child, name, found, seen);
    }
    if (auto *window = qobject_cast<QQuickWindow *>(object))
        collectMatching(window->contentItem(), name, found, seen);
}
} // namespace

QString prepareEnvironment()
{
    const QString root = temporaryRoot()->path();
    const QStringList folders{QStringLiteral("home"), QStringLiteral("data"), QStringLiteral("config"),
                              QStringLiteral("cache"), QStringLiteral("runtime")};
    for (const QString &folder : folders)
        QDir(root).mkpath(folder);
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", (root + QStringLiteral("/home")).toUtf8());
    qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_CACHE_HOME", (root + QStringLiteral("/cache")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", (root + QStringLiteral("/runtime")).toUtf8());
    return root;
}

QString dataRoot()
{
    return temporaryRoot()->path();
}

QString savedTabsPath()
{
    return dataRoot() + QStringLiteral("/data/Tarnwick/BrevantosavedTabs.conf");
}

QString settingsPath()
{
    return dataRoot() + QStringLiteral("/config/Tarnwick/Brevanto.conf");
}

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

WarningGuard::WarningGuard()
{
    GuardState &state = guardState();
    QMutexLocker lock(&state.mutex);
    state.collected.clear();
    state.allowed.clear();
    if (!state.installed) {
        state.previous = qInstallMessageHandler(&WarningGuard::handler);
        state.installed = true;
    }
}

WarningGuard::~WarningGuard()
{
    GuardState &state = guardState();
    QMutexLocker lock(&state.mutex);
    if (state.installed) {
        qInstallMessageHandler(state.previous);
        state.installed = false;
    }
}

QStringList WarningGuard::take()
{
    GuardState &state = guardState();
    QMutexLocker lock(&state.mutex);
    QStringList taken;
    taken.swap(state.collected);
    return taken;
}

void WarningGuard::allow(const QString &text)
{
    GuardState &state = guardState();
    QMutexLocker lock(&state.mutex);
    state.allowed << text;
}

void WarningGuard::handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    GuardState &state = guardState();
    QtMessageHandler previous = nullptr;
    {
        QMutexLocker lock(&state.mutex);
        previous = state.previous;
        if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) {
            bool expected = false;
            for (const QString &text : qAsConst(state.allowed))
                expected = expected || message.contains(text);
            if (!expected) {
                const QString where = context.file ? QStringLiteral(" (%1:%2)").arg(QString::fromUtf8(context.file)).arg(context.line)
                                                   : QString();
                state.collected << QStringLiteral("[%1] %2%3")
                                       .arg(QString::fromUtf8(context.category ? context.category : "default"), message, where);
            }
        }
    }
    if (previous)
        previous(type, context, message);
}

QObject *find(QObject *root, const QString &objectName)
{
    const QList<QObject *> all = findAll(root, objectName);
    return all.isEmpty() ? nullptr : all.first();
}

QList<QObject *> findAll(QObject *root, const QString &objectName)
{
    QList<QObject *> found;
    QSet<QObject *> seen;
    collectMatching(root, objectName, &found, &seen);
    return found;
}

QVariant call(QObject *object, const char *function, const QVariantList &arguments)
{
    QVariant result;
    if (!object)
        return result;
    QGenericArgument args[4];
    for (int i = 0; i < arguments.size() && i < 4; ++i)
        args[i] = Q_ARG(QVariant, arguments.at(i));
    QMetaObject::invokeMethod(object, function, Q_RETURN_ARG(QVariant, result), args[0], args[1], args[2], args[3]);
    return result;
}

// Positioners and layouts place their children when the window polishes, before the next frame.
// Until then an item's scene position is stale, and a click there lands on whatever lay under the
// old place (on a loaded machine, the scope button beneath the mode buttons).
static bool waitForPlacement(QQuickItem *item)
{
    QElapsedTimer timer;
    timer.start();
    // Placing an ancestor may move the item again: the chain is looked at until none is pending.
    for (;;) {
        QQuickItem *pending = nullptr;
        for (QQuickItem *p = item; p && !pending; p = p->parentItem())
            pending = QQuickTest::qIsPolishScheduled(p) ? p : nullptr;
        if (!pending)
            return true;
        if (timer.elapsed() > 5000 || !QQuickTest::qWaitForItemPolished(pending, 1000))
            return false;
    }
}

void click(QQuickItem *item)
{
    if (!waitForPlacement(item)) {
        qWarning() << "click: not clicked, the window never placed" << item;
        return;
    }
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(item->window(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

bool focusItem(QQuickItem *item)
{
    click(item);
    return item->hasActiveFocus();
}

MainWindow::~MainWindow()
{
    unload();
}

bool MainWindow::load()
{
    unload();
    m_engine = std::make_unique<QQmlApplicationEngine>();
    m_engine->load(QUrl(QStringLiteral("qrc:/main.qml")));
    const QList<QObject *> roots = m_engine->rootObjects();
    m_window = roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(roots.first());
    if (!m_window)
        return false;
    if (!QTest::qWaitForWindowExposed(m_window))
        return false;
    m_window->requestActivate();
    return QTest::qWaitForWindowActive(m_window);
}

void MainWindow::unload()
{
    if (!m_engine)
        return;
    // Views (a file dialog's folder list, say) create some delegates asynchronously; an engine
    // destroyed while they are still being created warns. Finish them first, within bounds.
    if (QQmlIncubationController *incubation = m_engine->incubationController()) {
        QElapsedTimer clock;
        clock.start();
        while (incubation->incubatingObjectCount() > 0 && clock.elapsed() < 5000) {
            incubation->incubateFor(20);
            QCoreApplication::processEvents();
        }
    }
    m_engine.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QObject *MainWindow::tabView() const
{
    return find(m_window, QStringLiteral("tabView"));
}

QObject *MainWindow::sideBar() const
{
    return find(m_window, QStringLiteral("leftTabBar"));
}

int MainWindow::tabCount() const
{
    return tabView() ? tabView()->property("count").toInt() : -1;
}

int MainWindow::currentIndex() const
{
    return tabView() ? tabView()->property("currentIndex").toInt() : -1;
}

QObject *MainWindow::tab(int index) const
{
    return call(m_window, "tabItem", {index}).value<QObject *>();
}

QString MainWindow::tabTitle(int index) const
{
    QObject *tabObject = call(tabView(), "getTab", {index}).value<QObject *>();
    return tabObject ? tabObject->property("title").toString() : QString();
}

QString MainWindow::tabType(int index) const
{
    QObject *item = tab(index);
    return item ? item->property("deviceType").toString() : QString();
}

QString MainWindow::sideBarName(int index) const
{
    return call(sideBar(), "entryName", {index}).toString();
}

QString MainWindow::sideBarIp(int index) const
{
    return call(sideBar(), "entryIp", {index}).toString();
}

QString MainWindow::statusText() const
{
    return m_window ? m_window->property("statusText").toString() : QString();
}

QString MainWindow::mode() const
{
    return m_window ? m_window->property("mode").toString() : QString();
}

QQuickWindow *MainWindow::latestMainWindow(QQuickWindow *besides)
{
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        auto *quickWindow = qobject_cast<QQuickWindow *>(window);
        if (quickWindow && quickWindow != besides && quickWindow->isVisible()
            && quickWindow->objectName() == QLatin1String("mainWindow"))
            return quickWindow;
    }
    return nullptr;
}

int runTests(int argc, char *argv[], const std::function<int(int, char **)> &run)
{
    prepareEnvironment();
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache, true);
    QGuiApplication app(argc, argv);
    // The offscreen platform has no OpenGL: windows are drawn by the software scene graph.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    QQuickStyle::setStyle(QStringLiteral("Material"));
    registerQmlTypes();
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Brevanto"));
    return run(argc, argv);
}

} // namespace QmlTest
