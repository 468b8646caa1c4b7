#include "pagefixture.h"

#include "bytes.h"
#include "recordingcubrix.h"
#include "recordingmonitor.h"
#include "simprocess.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QJSValue>
#include <QQmlComponent>
#include <QRegularExpression>
#include <QVector3D>

using namespace QmlTest;

namespace {
// The window around the tab, with what the tab reads of the main window (its theme) and of its
// own tab in the tab view (the title).
const char *const Holder = R"QML(
import QtQuick 2.15
import QtQuick.Window 2.15
Window {
    objectName: "holderWindow"
    property string mode: "dark"
    width: 1280; height: 1400
    Item { objectName: "holder"; property string title: "Test Tab"; anchors.fill: parent }
}
)QML";

QString shown(const QVariant &value)
{
    if ((QMetaType::typeFlags(value.userType()) & QMetaType::PointerToQObject) || value.userType() == QMetaType::Nullptr || !value.isValid())
        return value.value<QObject *>() ? value.value<QObject *>()->objectName() : QStringLiteral("null");
    const QVector3D v = value.value<QVector3D>();
    return value.userType() == qMetaTypeId<QJSValue>() ? shown(value.value<QJSValue>().toVariant())
           : value.userType() == QMetaType::UChar      ? QString::number(value.toUInt())
           : value.userType() == QMetaType::QVector3D  ? QStringLiteral("%1 %2 %3").arg(v.x()).arg(v.y()).arg(v.z())
           : value.canConvert<QVariantList>() && value.userType() != QMetaType::QString ? value.toStringList().join(QLatin1Char(','))
                                                                                       : value.toString();
}
} // namespace

PageFixture::PageFixture(const QString &device, SimProcess *sim) : m_spec(device), m_sim(sim)
{
    auto *cubrix = !sim && isCubrix() ? new RecordingCubrix : nullptr;
    auto *monitor = !sim && !isCubrix() ? new RecordingMonitor : nullptr;
    m_calls = cubrix ? &cubrix->log : monitor ? &monitor->log : &m_noCalls;
    m_device.reset(cubrix ? static_cast<DeviceBase *>(cubrix) : monitor ? static_cast<DeviceBase *>(monitor)
                   : isCubrix() ? static_cast<DeviceBase *>(new Cubrix) : new Monitor);
    m_device->setObjectName(QStringLiteral("device"));
}

PageFixture::~PageFixture()
{
    // The QML goes first, so that no binding runs while its objects are torn down.
    finishIncubation(m_engine.get());
    m_engine.reset();
    delete m_window;
    m_device->DeviceBase::deviceDisconnect();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool PageFixture::open()
{
    m_engine = std::make_unique<QQmlEngine>();
    QQmlComponent holder(m_engine.get());
    holder.setData(Holder, QUrl(QStringLiteral("qrc:/pagefixture.qml")));
    m_window = qobject_cast<QQuickWindow *>(holder.create());
    QQmlComponent tab(m_engine.get(), QUrl(isCubrix() ? QStringLiteral("qrc:/maintab_cubrix.qml") : QStringLiteral("qrc:/maintab_monitor.qml")));
    m_tab = item(tab.createWithInitialProperties({{QStringLiteral("device"), QVariant::fromValue<QObject *>(m_device.get())},
                                                  {QStringLiteral("appWindow"), QVariant::fromValue<QObject *>(m_window)}}));
    if (!m_window || !m_tab || (!m_sim && !m_fake.listen()))
        return false;
    m_tab->setParent(m_window);
    m_tab->setParentItem(item(find(m_window, QStringLiteral("holder"))));
    m_tab->setSize(m_window->size());
    m_window->show();
    m_device->setPort(m_sim ? m_sim->port() : m_fake.port());
    m_device->setAddress(m_sim ? m_sim->address() : m_fake.address());
    m_device->deviceConnect();
    // Connected, with the connection's own queries answered.
    SocketHandler *handler = m_device->socketHandler();
    if (!QTest::qWaitFor([&] { return m_device->state() == QAbstractSocket::ConnectedState && handler->queuedCount() == 0
                                      && handler->inFlight().protocol == 0 && (m_sim || m_fake.hasClient()); }, 10000)
        || !QTest::qWaitForWindowExposed(m_window) || !activate(m_window))
        return false;
    if (m_sim)
        return QTest::qWaitFor([this] { return !m_device->property("model").toString().isEmpty(); }, 10000);
    const QStringList identity = m_spec.mid(2).split(QLatin1Char('/'));
    const QList<const char *> names = isCubrix() ? QList<const char *>{"model", "box_mode", "box_ch"} : QList<const char *>{"model", "serial"};
    for (int i = 0; i < names.size(); ++i)
        m_device->setProperty(names.at(i), isCubrix() && i > 0 ? QVariant(identity.value(i).toInt()) : QVariant(identity.value(i)));
    m_device->setProperty("version", QStringLiteral("1.2.3"));
    m_calls->take();
    return true;
}

QObject *PageFixture::object(const QString &path) const
{
    const QStringList hops = path.split(QLatin1Char('.'));
    const QString first = hops.first().section(QLatin1Char('/'), 0, 0);
    QString rest = hops.first().section(QLatin1Char('/'), 1);
    QObject *found = first == QLatin1String("device") ? static_cast<QObject *>(m_device.get())
                     : first == QLatin1String("window")   ? static_cast<QObject *>(m_window.data()) : m_tab.data();
    if (QStringList{"waveform", "vector", "capture"}.contains(first)) {
        QObject *page = find(m_tab, isCubrix() ? QStringLiteral("cubrixGeneralPage") : QStringLiteral("monitorGeneralPage"));
        found = page ? page->property(qPrintable(first + QStringLiteral("Window"))).value<QObject *>() : nullptr;
    } else if (found == m_tab) {
        rest = hops.first();
    }
    if (found && !rest.isEmpty())
        found = find(found, rest);
    for (int i = 1; i < hops.size() && found; ++i)
        found = found->property(qPrintable(hops.at(i))).value<QObject *>();
    return found;
}

QVariant PageFixture::value(const QString &text) const
{
    bool number = false;
    const int integer = text.toInt(&number, 0);
    if (number || text == QLatin1String("true") || text == QLatin1String("false"))
        return number ? QVariant(integer) : QVariant(text == QLatin1String("true"));
    return text.startsWith(QLatin1Char('@')) ? QVariant(fileUrl(text.mid(1))) : QVariant(text);
}

QString PageFixture::run(const QString &script)
{
    QStringList problems;
    for (const QString &one : script.split(QLatin1String("; "), Qt::SkipEmptyParts)) {
        const QString problem = step(one.section(QLatin1Char(' '), 0, 0), one.section(QLatin1Char(' '), 1));
        if (!problem.isEmpty())
            problems << one + QStringLiteral(": ") + problem;
    }
    return problems.join(QLatin1String("; "));
}

QString PageFixture::step(const QString &verb, const QString &rest)
{
    const QString head = rest.section(QLatin1Char(' '), 0, 0), tail = rest.section(QLatin1Char(' '), 1);
    if (verb == QLatin1String("press")) {
        QQuickItem *control = item(object(rest));
        return control && control->isVisible() && control->isEnabled() && QMetaObject::invokeMethod(control, "clicked") ? QString() : QStringLiteral("not pressed");
    }
    if (verb == QLatin1String("key") || verb == QLatin1String("keyin")) {
        // The window-wide keys go to the focus window, which a window opened last may hold.
        auto *target = verb == QLatin1String("key") ? m_window.data() : qobject_cast<QQuickWindow *>(object(head));
        if (!target || !activate(target))
            return QStringLiteral("no focus");
        QTest::keySequence(target, QKeySequence(verb == QLatin1String("key") ? rest : tail));
    } else if (verb == QLatin1String("file") || verb == QLatin1String("answer")) {
        for (QObject *dialogs : findAll(m_tab, verb == QLatin1String("file") ? QStringLiteral("pageDialogs") : head)) {
            QObject *dialog = verb == QLatin1String("file") ? dialogs->property("fileDialog").value<QObject *>() : dialogs;
            if (dialog && dialog->property("visible").toBool() && QMetaObject::invokeMethod(dialog, "close"))
                return (verb == QLatin1String("file") ? QMetaObject::invokeMethod(dialogs, "fileChosen", Q_ARG(QVariant, value(rest)))
                                                      : QMetaObject::invokeMethod(dialog, qPrintable(tail))) ? QString() : QStringLiteral("not answered");
        }
        return QStringLiteral("no dialog on show");
    } else if (verb == QLatin1String("until")) {
        const QString asked = rest.section(QLatin1Char('='), 0, 0);
        if (!QTest::qWaitFor([&] { return query(asked) == rest.section(QLatin1Char('='), 1); }, 10000))
            return query(asked);
    } else if (verb == QLatin1String("frame")) {
        deliver(*static_cast<Monitor *>(m_device.get()), MNCP_PROTOCOL_FRAME_CAPTURE, 0, QByteArray::fromHex(rest.toLatin1()));
    } else if (verb == QLatin1String("markers") || verb == QLatin1String("analyzer")) {
        QByteArray payload = Bytes::le32({qint32(rest.split(QLatin1Char(',')).size())});
        for (const QString &name : rest.split(QLatin1Char(',')))
            payload += Bytes::field(name.toUtf8(), 32);
        if (verb == QLatin1String("analyzer")) {
            QImage image(rest.section(QLatin1Char('x'), 0, 0).toInt(), rest.section(QLatin1Char('x'), 1).toInt(), QImage::Format_RGB32);
            image.fill(Qt::darkCyan);
            QBuffer png(&payload);
            png.open(QIODevice::WriteOnly | QIODevice::Truncate);
            image.save(&png, "PNG");
        }
        deliver(*static_cast<Monitor *>(m_device.get()), verb == QLatin1String("markers") ? MNCP_PROTOCOL_CUSTOM_MARKER : MNCP_PROTOCOL_ANALYZER,
                verb == QLatin1String("markers") ? MNCP_MARKER_LIST : 0, payload);
    } else if (verb == QLatin1String("disconnect")) {
        m_device->DeviceBase::deviceDisconnect();
        return QTest::qWaitFor([this] { return m_device->state() == QAbstractSocket::UnconnectedState; }, 5000) ? QString() : QStringLiteral("still connected");
    } else if (verb == QLatin1String("close")) {
        m_tab->deleteLater();
        QTest::qWait(10);
    } else if (verb == QLatin1String("dialogs")) {
        // Every dialog of the pages built, as opening each once would build it.
        for (QObject *loader : findIf(m_tab, [](QObject *o) { return o->metaObject()->indexOfMethod("build()") >= 0 && o->inherits("QQuickLoader"); })) {
            QVariant dialog;
            QMetaObject::invokeMethod(loader, "build", Q_RETURN_ARG(QVariant, dialog));
        }
    } else if (verb == QLatin1String("wait")) {
        QTest::qWait(rest.toInt());
    } else if (verb == QLatin1String("log")) {
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QRegularExpression::escape(rest)));
    } else if (verb == QLatin1String("simlog")) {
        return m_sim && m_sim->waitForLog(rest, 10000) ? QString() : QStringLiteral("not logged");
    } else {
        const QString whole = verb + (rest.isEmpty() ? QString() : QLatin1Char(' ') + rest);
        const QString target = whole.section(QLatin1Char('='), 0, 0).section(QLatin1Char('('), 0, 0);
        QObject *owner = object(target.section(QLatin1Char('.'), 0, -2));
        const QByteArray name = target.section(QLatin1Char('.'), -1).toLatin1();
        if (!owner)
            return QStringLiteral("no such object");
        if (whole.contains(QLatin1Char('=')))
            return owner->setProperty(name, value(whole.section(QLatin1Char('='), 1))) ? QString() : QStringLiteral("not set");
        QVariantList arguments;
        for (const QString &argument : whole.section(QLatin1Char('('), 1).chopped(1).split(QLatin1Char(','), Qt::SkipEmptyParts))
            arguments << value(argument);
        QGenericArgument args[4];
        for (int i = 0; i < arguments.size() && i < 4; ++i)
            args[i] = Q_ARG(QVariant, arguments.at(i));
        // QML functions give a value back; signals and slots without arguments need not.
        QVariant result;
        if (!QMetaObject::invokeMethod(owner, name, Q_RETURN_ARG(QVariant, result), args[0], args[1], args[2], args[3])
            && !(arguments.isEmpty() && QMetaObject::invokeMethod(owner, name)))
            return QStringLiteral("not called");
    }
    return QString();
}

QString PageFixture::query(const QString &query)
{
    QStringList values;
    const QString names = query.section(QLatin1Char(' '), 1);
    if (query.isEmpty())
        return m_calls->take();
    if (query == QLatin1String("files"))
        return QDir(m_files.path()).entryList(QDir::Files).join(QLatin1Char(','));
    if (query.startsWith(QLatin1String("windows "))) {
        const QWindowList all = QGuiApplication::topLevelWindows();
        for (const QString &name : names.split(QLatin1Char(' ')))
            values << QString::number(std::count_if(all.cbegin(), all.cend(), [&](QWindow *w) { return w->objectName() == name && w->isVisible(); }));
        return values.join(QLatin1Char('|'));
    }
    if (query.startsWith(QLatin1String("shown "))) {
        for (const QString &name : names.split(QLatin1Char(' '))) {
            const QString prefix = name.chopped(1).section(QLatin1Char('/'), -1);
            QObject *root = name.contains(QLatin1Char('/')) ? object(name.section(QLatin1Char('/'), 0, -2)) : m_tab.data();
            if (!name.endsWith(QLatin1Char('*')) && item(object(name)) && item(object(name))->isVisible())
                values << name;
            for (QObject *found : name.endsWith(QLatin1Char('*')) ? findIf(root, [&](QObject *o) { return o->objectName().startsWith(prefix); }) : QObjectList())
                values << (item(found) && item(found)->isVisible() ? found->objectName().mid(prefix.size()) : QString());
        }
        values.removeAll(QString());
        return values.join(QLatin1Char(','));
    }
    for (const QString &one : query.split(QLatin1Char(';'))) {
        if (one == QLatin1String("calls")) {
            values << m_calls->take();
            continue;
        }
        QObject *owner = object(one.section(QLatin1Char('.'), 0, -2));
        const QMetaObject *meta = owner ? owner->metaObject() : nullptr;
        const QMetaProperty property = meta ? meta->property(meta->indexOfProperty(qPrintable(one.section(QLatin1Char('.'), -1)))) : QMetaProperty();
        // Enumerators by name.
        values << (!owner ? QStringLiteral("<no ") + one + '>'
                   : property.isEnumType() ? QString::fromLatin1(property.enumerator().valueToKey(property.read(owner).toInt()))
                                           : shown(owner->property(qPrintable(one.section(QLatin1Char('.'), -1)))));
    }
    return values.join(QLatin1Char('|'));
}

void PageFixture::columns()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("expected");
}

void PageFixture::row(const char *name, const char *device, const char *script, const char *query, const char *expected)
{
    QTest::newRow(name) << QString::fromLatin1(device) << QString::fromUtf8(script) << QString::fromUtf8(query) << QString::fromUtf8(expected);
}

void PageFixture::checkRow(SimProcess *cubrixSim, SimProcess *monitorSim)
{
    QFETCH(QString, device);
    QFETCH(QString, script);
    QFETCH(QString, query);
    QFETCH(QString, expected);
    PageFixture fixture(device, device.startsWith(QLatin1String("c:")) ? cubrixSim : monitorSim);
    QVERIFY(fixture.open());
    QCOMPARE(fixture.run(script), QString());
    const QRegularExpression file(QStringLiteral("@([\\w.]+)"));
    for (auto match = file.match(expected); match.hasMatch(); match = file.match(expected))
        expected.replace(match.capturedStart(), match.capturedLength(), fixture.fileUrl(match.captured(1)).toString());
    QCOMPARE(fixture.query(query), expected);
}
