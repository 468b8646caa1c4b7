#include "pagefixture.h"

#include "bytes.h"
#include "recordingcubrix.h"
#include "recordingmonitor.h"
#include "simprocess.h"

#include <QBuffer>
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
    property string mode: "dark"
    width: 1280; height: 1400
    Item { objectName: "holder"; property string title: "Test Tab"; anchors.fill: parent }
}
)QML";

QString shown(const QVariant &value)
{
    if (QMetaType::typeFlags(value.userType()) & QMetaType::PointerToQObject)
        return value.value<QObject *>() ? value.value<QObject *>()->objectName() : QStringLiteral("null");
    switch (value.userType()) {
    case QMetaType::QObjectStar:
    case QMetaType::Nullptr:
    case QMetaType::UnknownType: return value.value<QObject *>() ? value.value<QObject *>()->objectName() : QStringLiteral("null");
    case QMetaType::Bool: return QLatin1String(value.toBool() ? "true" : "false");
    case QMetaType::UChar: return QString::number(value.toUInt());
    case QMetaType::QVector3D: return QStringLiteral("%1 %2 %3").arg(value.value<QVector3D>().x()).arg(value.value<QVector3D>().y()).arg(value.value<QVector3D>().z());
    default: break;
    }
    if (value.userType() == qMetaTypeId<QJSValue>())
        return shown(value.value<QJSValue>().toVariant());
    if (value.canConvert<QVariantList>() && value.userType() != QMetaType::QString)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}
} // namespace

PageFixture::PageFixture(const QString &device, SimProcess *sim) : m_spec(device), m_sim(sim)
{
    if (sim)
        m_device.reset(isCubrix() ? static_cast<DeviceBase *>(new Cubrix) : new Monitor);
    else
        m_device.reset(isCubrix() ? static_cast<DeviceBase *>(new RecordingCubrix) : new RecordingMonitor);
}

PageFixture::~PageFixture()
{
    // The QML goes first, so that no binding runs while its objects are torn down.
    finishIncubation(m_engine.get());
    m_engine.reset();
    delete m_window;
    if (m_device->state() != QAbstractSocket::UnconnectedState)
        m_device->DeviceBase::deviceDisconnect();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

CallLog &PageFixture::log()
{
    if (auto *cubrix = dynamic_cast<RecordingCubrix *>(m_device.get()))
        return cubrix->log;
    auto *monitor = dynamic_cast<RecordingMonitor *>(m_device.get());
    return monitor ? monitor->log : m_noCalls;
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
    if (!m_window || !m_tab) {
        qWarning("%s", qPrintable(holder.errorString() + tab.errorString()));
        return false;
    }
    m_tab->setParent(m_window);
    m_tab->setParentItem(item(find(m_window, QStringLiteral("holder"))));
    m_tab->setSize(m_window->size());
    m_window->show();
    if (!m_sim && !m_fake.listen())
        return false;
    m_device->setObjectName(QStringLiteral("device"));
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
    m_device->setProperty("model", identity.value(0));
    if (isCubrix()) {
        m_device->setProperty("box_mode", identity.value(1).toInt());
        m_device->setProperty("box_ch", identity.value(2).toInt());
    } else {
        m_device->setProperty("serial", identity.value(1));
        m_device->setProperty("version", QStringLiteral("1.2.3"));
    }
    log().take();
    return true;
}

void PageFixture::closeTab()
{
    if (m_tab)
        m_tab->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QObject *PageFixture::object(const QString &path) const
{
    const QStringList hops = path.split(QLatin1Char('.'));
    const QString first = hops.first().section(QLatin1Char('/'), 0, 0);
    QString rest = hops.first().section(QLatin1Char('/'), 1);
    QObject *found = m_tab;
    if (first == QLatin1String("device")) {
        found = m_device.get();
    } else if (first == QLatin1String("window")) {
        found = m_window;
    } else if (first == QLatin1String("waveform") || first == QLatin1String("vector") || first == QLatin1String("capture")) {
        QObject *page = find(m_tab, isCubrix() ? QStringLiteral("cubrixGeneralPage") : QStringLiteral("monitorGeneralPage"));
        found = page ? page->property(qPrintable(first + QStringLiteral("Window"))).value<QObject *>() : nullptr;
    } else {
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
    if (number)
        return integer;
    if (text == QLatin1String("true") || text == QLatin1String("false"))
        return text == QLatin1String("true");
    return text.startsWith(QLatin1Char('@')) ? QVariant(fileUrl(text.mid(1))) : QVariant(text);
}

QString PageFixture::run(const QString &script)
{
    QStringList problems;
    for (const QString &one : script.split(QLatin1String("; "), Qt::SkipEmptyParts)) {
        const QString problem = step(one.trimmed());
        if (!problem.isEmpty())
            problems << problem;
    }
    return problems.join(QLatin1String("; "));
}

QString PageFixture::step(const QString &step)
{
    const QString verb = step.section(QLatin1Char(' '), 0, 0);
    const QString rest = step.section(QLatin1Char(' '), 1);
    if (verb == QLatin1String("press")) {
        QQuickItem *control = item(object(rest));
        if (!control || !control->isVisible() || !control->isEnabled() || !QMetaObject::invokeMethod(control, "clicked"))
            return QStringLiteral("cannot press ") + rest;
    } else if (verb == QLatin1String("click")) {
        click(item(object(rest)));
    } else if (verb == QLatin1String("key") || verb == QLatin1String("keyin")) {
        // The window-wide keys go to the focus window, which a window opened last may hold.
        auto *target = verb == QLatin1String("key") ? m_window.data() : qobject_cast<QQuickWindow *>(object(rest.section(QLatin1Char(' '), 0, 0)));
        if (!target || !activate(target))
            return QStringLiteral("no focus for ") + step;
        QTest::keySequence(target, QKeySequence(verb == QLatin1String("key") ? rest : rest.section(QLatin1Char(' '), 1)));
    } else if (verb == QLatin1String("file")) {
        for (QObject *dialogs : findAll(m_tab, QStringLiteral("pageDialogs"))) {
            QObject *dialog = dialogs->property("fileDialog").value<QObject *>();
            if (dialog && dialog->property("visible").toBool() && QMetaObject::invokeMethod(dialog, "close"))
                return QMetaObject::invokeMethod(dialogs, "fileChosen", Q_ARG(QVariant, value(rest))) ? QString() : step;
        }
        return QStringLiteral("no file chooser on show for ") + rest;
    } else if (verb == QLatin1String("answer")) {
        for (QObject *dialog : findAll(m_tab, rest.section(QLatin1Char(' '), 0, 0))) {
            if (dialog->property("visible").toBool() && QMetaObject::invokeMethod(dialog, "close"))
                return QMetaObject::invokeMethod(dialog, qPrintable(rest.section(QLatin1Char(' '), 1))) ? QString() : step;
        }
        return QStringLiteral("no dialog on show for ") + rest;
    } else if (verb == QLatin1String("until")) {
        const QString asked = rest.section(QLatin1Char('='), 0, 0);
        if (!QTest::qWaitFor([&] { return query(asked) == rest.section(QLatin1Char('='), 1); }, 10000))
            return step + QStringLiteral(": ") + query(asked);
    } else if (verb == QLatin1String("markers")) {
        QByteArray list = Bytes::le32({qint32(rest.split(QLatin1Char(',')).size())});
        for (const QString &name : rest.split(QLatin1Char(',')))
            list += Bytes::field(name.toUtf8(), 32);
        deliver(*static_cast<Monitor *>(m_device.get()), MNCP_PROTOCOL_CUSTOM_MARKER, MNCP_MARKER_LIST, list);
    } else if (verb == QLatin1String("analyzer")) {
        QImage image(rest.section(QLatin1Char('x'), 0, 0).toInt(), rest.section(QLatin1Char('x'), 1).toInt(), QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        image.save(&png, "PNG");
        deliver(*static_cast<Monitor *>(m_device.get()), MNCP_PROTOCOL_ANALYZER, 0, png.data());
    } else if (verb == QLatin1String("disconnect")) {
        m_device->DeviceBase::deviceDisconnect();
        if (!QTest::qWaitFor([this] { return m_device->state() == QAbstractSocket::UnconnectedState; }, 5000))
            return step;
    } else if (verb == QLatin1String("close")) {
        closeTab();
    } else if (verb == QLatin1String("wait")) {
        QTest::qWait(rest.toInt());
    } else if (verb == QLatin1String("log")) {
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QRegularExpression::escape(rest)));
    } else if (verb == QLatin1String("simlog")) {
        if (!m_sim || !m_sim->waitForLog(rest, 10000))
            return QStringLiteral("the simulator did not log ") + rest;
    } else if (step.contains(QLatin1Char('='))) {
        const QString target = step.section(QLatin1Char('='), 0, 0);
        QObject *owner = object(target.section(QLatin1Char('.'), 0, -2));
        if (!owner || !owner->setProperty(qPrintable(target.section(QLatin1Char('.'), -1)), value(step.section(QLatin1Char('='), 1))))
            return QStringLiteral("cannot set ") + target;
    } else if (step.endsWith(QLatin1Char(')'))) {
        const QString function = step.section(QLatin1Char('('), 0, 0);
        QVariantList arguments;
        for (const QString &argument : step.section(QLatin1Char('('), 1).chopped(1).split(QLatin1Char(','), Qt::SkipEmptyParts))
            arguments << value(argument);
        QObject *owner = object(function.section(QLatin1Char('.'), 0, -2));
        const QByteArray name = function.section(QLatin1Char('.'), -1).toLatin1();
        QGenericArgument args[4];
        for (int i = 0; i < arguments.size() && i < 4; ++i)
            args[i] = Q_ARG(QVariant, arguments.at(i));
        // QML functions give a value back; signals and slots without arguments need not.
        QVariant result;
        if (!owner || !(QMetaObject::invokeMethod(owner, name, Q_RETURN_ARG(QVariant, result), args[0], args[1], args[2], args[3])
                        || (arguments.isEmpty() && QMetaObject::invokeMethod(owner, name))))
            return QStringLiteral("cannot call ") + function;
    } else {
        return QStringLiteral("unknown step ") + step;
    }
    return QString();
}

QString PageFixture::query(const QString &query)
{
    QStringList values;
    if (query.isEmpty())
        return log().take();
    if (query.startsWith(QLatin1String("windows "))) {
        const QWindowList all = QGuiApplication::topLevelWindows();
        for (const QString &name : query.mid(8).split(QLatin1Char(' ')))
            values << QString::number(std::count_if(all.cbegin(), all.cend(), [&](QWindow *w) { return w->objectName() == name && w->isVisible(); }));
        return values.join(QLatin1Char('|'));
    }
    if (query.startsWith(QLatin1String("shown "))) {
        for (const QString &name : query.mid(6).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!name.endsWith(QLatin1Char('*'))) {
                QQuickItem *found = item(object(name));
                if (found && found->isVisible())
                    values << name;
                continue;
            }
            const QString prefix = name.chopped(1).section(QLatin1Char('/'), -1);
            QObject *root = name.contains(QLatin1Char('/')) ? object(name.section(QLatin1Char('/'), 0, -2)) : m_tab.data();
            for (QObject *found : findIf(root, [&](QObject *o) { return o->objectName().startsWith(prefix) && item(o) && item(o)->isVisible(); }))
                values << found->objectName().mid(prefix.size());
        }
        return values.join(QLatin1Char(','));
    }
    for (const QString &one : query.split(QLatin1Char(';'))) {
        QObject *owner = object(one.section(QLatin1Char('.'), 0, -2));
        const QByteArray name = one.section(QLatin1Char('.'), -1).toLatin1();
        // Enumerators by name.
        const QMetaProperty property = owner ? owner->metaObject()->property(owner->metaObject()->indexOfProperty(name)) : QMetaProperty();
        if (!owner)
            values << QStringLiteral("<no ") + one + '>';
        else if (property.isEnumType())
            values << QString::fromLatin1(property.enumerator().valueToKey(property.read(owner).toInt()));
        else
            values << shown(owner->property(name));
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
