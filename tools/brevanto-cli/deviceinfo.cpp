#include "deviceinfo.h"

#include "devicesession.h"

#include "cubrix/cubrix.h"
#include "device/channellist.h"
#include "monitor/monitor.h"

#include <QJsonArray>
#include <QMetaProperty>

namespace {

QJsonArray channelsOf(const ChannelList &list)
{
    QJsonArray channels;
    for (int i = 0; i < list.size(); ++i) {
        const ChannelInfo *channel = list.at(i);
        channels.append(QJsonObject{{QStringLiteral("index"), channel->id()},
                                    {QStringLiteral("name"), channel->name()},
                                    {QStringLiteral("mode"), channel->mode()},
                                    {QStringLiteral("port"), channel->port()}});
    }
    return channels;
}

// Every box-state property of the Cubrix, under its property name.
QJsonObject boxStateOf(const Cubrix &cubrix)
{
    QJsonObject box;
    const QMetaObject *meta = cubrix.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        const QString name = QString::fromLatin1(property.name());
        if (property.type() != QVariant::Int)
            continue;
        if (name.startsWith(QLatin1String("box")) || name == QLatin1String("cube_bit_def"))
            box.insert(name, property.read(&cubrix).toInt());
    }
    return box;
}

QString modeName(int mode)
{
    switch (mode) {
    case 1: return QStringLiteral("Single Channel");
    case 2: return QStringLiteral("Dual Channel");
    case 3: return QStringLiteral("Test Pattern Generator");
    default: return QStringLiteral("not reported");
    }
}

} // namespace

QJsonObject DeviceInfo::collect(DeviceSession &session)
{
    QJsonObject info;
    info.insert(QStringLiteral("type"), session.kindName());
    if (const Monitor *monitor = session.monitor()) {
        info.insert(QStringLiteral("model"), monitor->model());
        info.insert(QStringLiteral("version"), monitor->version());
        info.insert(QStringLiteral("serial"), monitor->serial());
        info.insert(QStringLiteral("ports"), monitor->portNum());
        info.insert(QStringLiteral("channelCount"), monitor->channelNum());
        info.insert(QStringLiteral("channels"), channelsOf(monitor->channelList()));
    } else if (const Cubrix *cubrix = session.cubrix()) {
        info.insert(QStringLiteral("model"), cubrix->model());
        info.insert(QStringLiteral("version"), cubrix->version());
        info.insert(QStringLiteral("serial"), cubrix->serial());
        info.insert(QStringLiteral("ports"), cubrix->portNum());
        info.insert(QStringLiteral("channelCount"), cubrix->channelNum());
        info.insert(QStringLiteral("channels"), channelsOf(cubrix->channelList()));
        info.insert(QStringLiteral("box"), boxStateOf(*cubrix));
    }
    return info;
}

QStringList DeviceInfo::toText(const QJsonObject &info)
{
    QStringList lines;
    lines << QStringLiteral("  type: %1").arg(info.value(QStringLiteral("type")).toString());
    lines << QStringLiteral("  model: %1").arg(info.value(QStringLiteral("model")).toString());
    lines << QStringLiteral("  version: %1").arg(info.value(QStringLiteral("version")).toString());
    lines << QStringLiteral("  serial: %1").arg(info.value(QStringLiteral("serial")).toString());
    lines << QStringLiteral("  ports: %1").arg(info.value(QStringLiteral("ports")).toInt());
    lines << QStringLiteral("  channels: %1").arg(info.value(QStringLiteral("channelCount")).toInt());
    for (const QJsonValue &value : info.value(QStringLiteral("channels")).toArray()) {
        const QJsonObject channel = value.toObject();
        lines << QStringLiteral("    %1: %2 (%3)")
                     .arg(channel.value(QStringLiteral("index")).toInt() + 1)
                     .arg(channel.value(QStringLiteral("name")).toString(), channel.value(QStringLiteral("mode")).toString());
    }
    if (info.contains(QStringLiteral("box"))) {
        const QJsonObject box = info.value(QStringLiteral("box")).toObject();
        lines << QStringLiteral("  box state:");
        const int mode = box.value(QStringLiteral("box_mode")).toInt();
        lines << QStringLiteral("    box_mode: %1 (%2)").arg(mode).arg(modeName(mode));
        for (auto it = box.begin(); it != box.end(); ++it) {
            if (it.key() != QLatin1String("box_mode"))
                lines << QStringLiteral("    %1: %2").arg(it.key()).arg(it.value().toInt());
        }
    }
    return lines;
}
