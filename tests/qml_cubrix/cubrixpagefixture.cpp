#include "cubrixpagefixture.h"

#include <QFile>
#include <QMetaObject>
#include <QtTest>

using namespace QmlTest;

namespace {
struct RecorderState {
    QMutex mutex;
    QStringList lines;
    QtMessageHandler previous = nullptr;
};

RecorderState &recorderState()
{
    static RecorderState state;
    return state;
}
} // namespace

LogRecorder::LogRecorder()
{
    RecorderState &state = recorderState();
    QMutexLocker lock(&state.mutex);
    state.lines.clear();
    state.previous = qInstallMessageHandler(&LogRecorder::handler);
}

LogRecorder::~LogRecorder()
{
    RecorderState &state = recorderState();
    QMutexLocker lock(&state.mutex);
    qInstallMessageHandler(state.previous);
    state.previous = nullptr;
}

QStringList LogRecorder::lines() const
{
    RecorderState &state = recorderState();
    QMutexLocker lock(&state.mutex);
    return state.lines;
}

void LogRecorder::clear()
{
    RecorderState &state = recorderState();
    QMutexLocker lock(&state.mutex);
    state.lines.clear();
}

int LogRecorder::indexOf(const QString &text, int from) const
{
    const QStringList all = lines();
    for (int i = qMax(0, from); i < all.size(); ++i) {
        if (all.at(i).contains(text))
            return i;
    }
    return -1;
}

void LogRecorder::handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    RecorderState &state = recorderState();
    QtMessageHandler previous = nullptr;
    {
        QMutexLocker lock(&state.mutex);
        state.lines << message;
        previous = state.previous;
    }
    if (previous)
        previous(type, context, message);
}

CubrixPageFixture::CubrixPageFixture()
{
    m_fake.listen();
}

CubrixPageFixture::~CubrixPageFixture()
{
    close();
}

bool CubrixPageFixture::open()
{
    // One saved tab, the Cubrix one, and a monitor tab behind it for the tab-switch checks.
    clearStoredState();
    if (!QmlTest::writeFile(savedTabsPath(), "0,CUBRIX," + m_fake.address().toLatin1() + ",Test Box,dark\n"
                                    "1,MONITOR,127.0.0.1,Test Monitor,dark\n")
        || !m_main.load() || m_main.tabCount() < 1 || m_main.tabType(0) != QLatin1String("CUBRIX"))
        return false;
    m_device = qobject_cast<Cubrix *>(find(tab(), QStringLiteral("cubrixDevice")));
    if (!m_device)
        return false;
    m_device->setPort(m_fake.port());
    QMetaObject::invokeMethod(find(tab(), QStringLiteral("connectButton")), "clicked");
    if (!m_fake.waitForClient(5000))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (m_device->state() != QAbstractSocket::ConnectedState && timer.elapsed() < 5000)
        QTest::qWait(5);
    if (m_device->state() != QAbstractSocket::ConnectedState)
        return false;
    // The identity queries and the state sweep: 3 + 19 commands.
    if (!m_fake.waitForCommands(22, 5000))
        return false;
    QTest::qWait(20);
    m_fake.clearReceived();
    return true;
}

void CubrixPageFixture::close()
{
    m_main.unload();
    m_device = nullptr;
}

QObject *CubrixPageFixture::generalPage() const
{
    return find(tab(), QStringLiteral("cubrixGeneralPage"));
}

QObject *CubrixPageFixture::infoPage() const
{
    return find(tab(), QStringLiteral("cubrixInfoPage"));
}

void CubrixPageFixture::setBox(const QString &model, int mode, int channel)
{
    m_device->setModel(model);
    m_device->setBoxMode(mode);
    m_device->setBoxCh(channel);
    QCoreApplication::processEvents();
}

QObject *CubrixPageFixture::object(const QString &name, QObject *root) const
{
    return find(root ? root : generalPage(), name);
}

QQuickItem *CubrixPageFixture::item(const QString &name, QObject *root) const
{
    return qobject_cast<QQuickItem *>(object(name, root));
}

bool CubrixPageFixture::shown(const QString &name, QObject *root) const
{
    QQuickItem *found = item(name, root);
    return found && found->isVisible();
}

bool CubrixPageFixture::enabled(const QString &name, QObject *root) const
{
    QQuickItem *found = item(name, root);
    return found && found->isEnabled();
}

bool CubrixPageFixture::highlighted(const QString &name, QObject *root) const
{
    QObject *found = object(name, root);
    return found && found->property("highlighted").toBool();
}

QObject *CubrixPageFixture::box(const QString &row, const QString &name) const
{
    QObject *rowObject = object(row);
    return rowObject ? find(rowObject, name) : nullptr;
}

bool CubrixPageFixture::press(QObject *control)
{
    return control && QMetaObject::invokeMethod(control, "clicked");
}

QObject *CubrixPageFixture::dialogs(QObject *page) const
{
    return find(page ? page : generalPage(), QStringLiteral("pageDialogs"));
}

QObject *CubrixPageFixture::fileDialog(QObject *page) const
{
    QObject *shared = dialogs(page);
    return shared ? shared->property("fileDialog").value<QObject *>() : nullptr;
}

bool CubrixPageFixture::chooseFile(const QString &path, QObject *page)
{
    QObject *dialog = fileDialog(page);
    if (!dialog || !dialog->property("visible").toBool())
        return false;
    // What the dialog's accept does: close it and hand the file on.
    QMetaObject::invokeMethod(dialog, "close");
    call(dialogs(page), "fileChosen", {QUrl::fromLocalFile(path)});
    return true;
}

QList<QPair<int, int>> CubrixPageFixture::commands() const
{
    QList<QPair<int, int>> ids;
    for (const auto &cmd : m_fake.received())
        ids.append({cmd.protocol, cmd.request});
    return ids;
}

bool CubrixPageFixture::quietFor(int ms)
{
    const int before = m_fake.received().size();
    QTest::qWait(ms);
    return m_fake.received().size() == before;
}

QString CubrixPageFixture::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = m_files.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(bytes);
    return path;
}
