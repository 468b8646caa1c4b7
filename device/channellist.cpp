#include "channellist.h"

#include "devicebase.h"

#include <QtDebug>

QList<int> ChannelList::create(DeviceBase *device, int count)
{
    QList<int> created;
    if (count > MaxChannels) {
        qWarning() << "channel count" << count << "limited to" << MaxChannels;
        count = MaxChannels;
    }
    for (int i = 0; i < count; ++i) {
        auto *channel = new ChannelInfo(device);
        channel->setId(i);
        m_channels.append(channel);
        device->appendCmd(MNCP_PROTOCOL_CHANNEL_INFO, mncp_channel_request(i, MNCP_CHANNEL_NAME));
        device->appendCmd(MNCP_PROTOCOL_CHANNEL_INFO, mncp_channel_request(i, MNCP_CHANNEL_MODE));
        created.append(i);
    }
    return created;
}

void ChannelList::applyReply(quint16 request, const QByteArray &payload)
{
    const int channel = request >> 8;
    const int item = request & 0xFF;
    if (channel >= m_channels.size() || item > MNCP_CHANNEL_NAME)
        return;
    m_channels.at(channel)->applyItem(item, payload);
}

QQmlListProperty<ChannelInfo> ChannelList::listProperty(QObject *owner)
{
    return QQmlListProperty<ChannelInfo>(owner, this, &ChannelList::appendEntry, &ChannelList::countEntries,
                                         &ChannelList::entryAt, &ChannelList::clearEntries);
}

void ChannelList::appendEntry(QQmlListProperty<ChannelInfo> *property, ChannelInfo *channel)
{
    if (channel)
        static_cast<ChannelList *>(property->data)->m_channels.append(channel);
}

int ChannelList::countEntries(QQmlListProperty<ChannelInfo> *property)
{
    return static_cast<ChannelList *>(property->data)->m_channels.size();
}

ChannelInfo *ChannelList::entryAt(QQmlListProperty<ChannelInfo> *property, int index)
{
    return static_cast<ChannelList *>(property->data)->at(index);
}

void ChannelList::clearEntries(QQmlListProperty<ChannelInfo> *property)
{
    static_cast<ChannelList *>(property->data)->m_channels.clear();
}
