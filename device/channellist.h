#pragma once

#include "channelinfo.h"

#include <QList>
#include <QQmlListProperty>

class DeviceBase;

// The channel records of one device and the decoding shared by both device kinds.
// Records are QObject children of the device; the list holds plain pointers.
class ChannelList
{
public:
    // A channel index is one byte in every request, so more records could never be addressed.
    static constexpr int MaxChannels = 256;

    // Appends `count` records (bounded, none for a negative count) parented to `device`,
    // queueing a name query and then a mode query for each. Returns the indexes created.
    QList<int> create(DeviceBase *device, int count);
    // Channel-info reply: request high byte = channel, low byte = item.
    void applyReply(quint16 request, const QByteArray &payload);
    // Empties the list without deleting the records (they stay children of the device).
    void clear() { m_channels.clear(); }

    int size() const { return m_channels.size(); }
    ChannelInfo *at(int index) const { return m_channels.value(index, nullptr); }

    // Backing for a device's `channels` property: count, at, append (ignores null), clear.
    QQmlListProperty<ChannelInfo> listProperty(QObject *owner);

private:
    static void appendEntry(QQmlListProperty<ChannelInfo> *property, ChannelInfo *channel);
    static int countEntries(QQmlListProperty<ChannelInfo> *property);
    static ChannelInfo *entryAt(QQmlListProperty<ChannelInfo> *property, int index);
    static void clearEntries(QQmlListProperty<ChannelInfo> *property);

    QList<ChannelInfo *> m_channels;
};
