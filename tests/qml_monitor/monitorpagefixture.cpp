#include "monitorpagefixture.h"

#include <QBuffer>
#include <QImage>
#include <QQmlContext>
#include <QQmlExpression>
#include <QtEndian>

using namespace QmlTest;

namespace {
QByteArray bigEndian32(qint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// A device string: the text and a terminating zero, as monitors send them.
QByteArray deviceString(const QString &text)
{
    return text.toLatin1() + QByteArray(1, '\0');
}

constexpr int ChannelCount = 2;
constexpr int IdentityCommands = 5 + 2 * ChannelCount;
} // namespace

MonitorIdentity MonitorPageFixture::byName(const QString &family)
{
    if (family == QLatin1String("kt"))
        return kt();
    if (family == QLatin1String("rv"))
        return rv();
    if (family == QLatin1String("rvq"))
        return rvq();
    if (family == QLatin1String("listed"))
        return listed();
    return unlisted();
}

MonitorPageFixture::MonitorPageFixture()
{
    m_fake.listen();
    m_fake.setResponder([this](const FakeDevice::Command &command) { return reply(command); });
}

MonitorPageFixture::~MonitorPageFixture()
{
    unload();
}

QByteArray MonitorPageFixture::reply(const FakeDevice::Command &command) const
{
    const quint16 protocol = command.protocol;
    const quint16 request = command.request;
    if (protocol == 0x0100) {
        switch (request) {
        case 0: return FakeDevice::message(protocol, request, deviceString(m_identity.model));
        case 1: return FakeDevice::message(protocol, request, deviceString(m_identity.version));
        case 2: return FakeDevice::message(protocol, request, deviceString(m_identity.serial));
        case 3: return FakeDevice::message(protocol, request, bigEndian32(ChannelCount));
        case 4: return FakeDevice::message(protocol, request, bigEndian32(ChannelCount));
        default: break;
        }
    }
    if (protocol == 0x0101) {
        const int channel = request >> 8;
        if ((request & 0xFF) == 0x10)
            return FakeDevice::message(protocol, request, deviceString(QStringLiteral("SDI %1").arg(channel + 1)));
        if ((request & 0xFF) == 0x01)
            return FakeDevice::message(protocol, request, deviceString(QStringLiteral("1080p25")));
    }
    if (protocol == 0x0404 && request == 0x0005) {
        QByteArray list(4, '\0');
        qToLittleEndian(quint32(m_markerNames.size()), list.data());
        for (const QString &name : m_markerNames) {
            QByteArray field = name.toUtf8().left(32);
            field.append(QByteArray(32 - field.size(), '\0'));
            list.append(field);
        }
        return FakeDevice::message(protocol, request, list);
    }
    if (protocol == 0x0405 && !m_analyzerPicture.isEmpty())
        return FakeDevice::message(protocol, request, m_analyzerPicture);
    return FakeDevice::message(protocol, request);
}

bool MonitorPageFixture::load()
{
    unload();
    clearStoredState();
    if (!writeFile(savedTabsPath(), "0,MONITOR,127.0.0.1,Hero Monitor,dark\n"))
        return false;
    if (!m_main.load() || m_main.tabCount() != 1)
        return false;
    m_monitor = qobject_cast<Monitor *>(find(tab(), QStringLiteral("monitorDevice")));
    return m_monitor && page();
}

bool MonitorPageFixture::connectAs(const MonitorIdentity &identity)
{
    if (!m_monitor)
        return false;
    m_identity = identity;
    m_fake.clearReceived();
    m_monitor->setPort(m_fake.port());
    call(tab(), "toggleConnection");
    if (!m_fake.waitForCommands(IdentityCommands, 10000))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (m_monitor->serial() != identity.serial || m_monitor->model() != identity.model
           || m_monitor->version() != identity.version || !page()->property("connected").toBool()) {
        if (timer.elapsed() > 10000)
            return false;
        QTest::qWait(5);
    }
    // The last channel reply is on its way; nothing else is sent until a control is used.
    m_fake.clearReceived();
    m_taken = 0;
    return true;
}

void MonitorPageFixture::unload()
{
    m_monitor = nullptr;
    m_main.unload();
}

QObject *MonitorPageFixture::tab() const
{
    return m_main.tab(0);
}

QObject *MonitorPageFixture::page() const
{
    return find(tab(), QStringLiteral("monitorGeneralPage"));
}

QObject *MonitorPageFixture::object(const QString &name) const
{
    return find(page(), name);
}

QQuickItem *MonitorPageFixture::item(const QString &name) const
{
    return qobject_cast<QQuickItem *>(object(name));
}

QQuickItem *MonitorPageFixture::visibleItem(const QString &name) const
{
    for (QObject *candidate : findAll(page(), name)) {
        auto *quickItem = qobject_cast<QQuickItem *>(candidate);
        if (quickItem && quickItem->isVisible())
            return quickItem;
    }
    return nullptr;
}

QObject *MonitorPageFixture::within(const QString &parentName, const QString &name) const
{
    QObject *parent = object(parentName);
    return parent ? find(parent, name) : nullptr;
}

bool MonitorPageFixture::isShown(const QString &name) const
{
    QQuickItem *found = item(name);
    return found && found->isVisible();
}

static bool pressItem(QQuickItem *button)
{
    if (!button || !button->isVisible() || !button->isEnabled())
        return false;
    return QMetaObject::invokeMethod(button, "clicked");
}

bool MonitorPageFixture::press(const QString &name)
{
    return pressItem(visibleItem(name));
}

bool MonitorPageFixture::pressWithin(const QString &parentName, const QString &name)
{
    return pressItem(qobject_cast<QQuickItem *>(within(parentName, name)));
}

void MonitorPageFixture::key(int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(m_main.window(), Qt::Key(key), modifiers);
}

QVariant MonitorPageFixture::evaluate(QObject *scope, const QString &expression)
{
    QQmlExpression script(qmlContext(scope), scope, expression);
    const QVariant result = script.evaluate();
    if (script.hasError())
        qWarning("%s", qPrintable(script.error().toString()));
    return result;
}

QList<FakeDevice::Command> MonitorPageFixture::take(int count, int timeoutMs)
{
    m_fake.waitForCommands(m_taken + count, timeoutMs);
    const QList<FakeDevice::Command> all = m_fake.received();
    const QList<FakeDevice::Command> taken = all.mid(m_taken);
    m_taken = all.size();
    return taken;
}

bool MonitorPageFixture::nothingSentBefore(QString *seen)
{
    m_monitor->sendKey(DeviceBase::MNCP_KEY_POWER_ON);
    const QList<FakeDevice::Command> commands = take(1);
    if (seen)
        *seen = describe(commands);
    return commands.size() == 1 && commands.first().protocol == 0x0001
           && commands.first().request == DeviceBase::MNCP_KEY_POWER_ON;
}

QByteArray MonitorPageFixture::pngOfSize(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString MonitorPageFixture::describe(const QList<FakeDevice::Command> &commands)
{
    QStringList parts;
    for (const auto &command : commands)
        parts << QStringLiteral("0x%1/0x%2[%3]")
                     .arg(command.protocol, 4, 16, QLatin1Char('0'))
                     .arg(command.request, 4, 16, QLatin1Char('0'))
                     .arg(command.payload.size());
    return parts.join(QLatin1Char(' '));
}
