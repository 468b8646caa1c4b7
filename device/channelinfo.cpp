#include "channelinfo.h"

#include "assignnotify.h"
#include "mncp/mncpids.h"
#include "mncp/mncpprotocol.h"

#include <QtDebug>

ChannelInfo::ChannelInfo(QObject *parent) : QObject(parent) {}

void ChannelInfo::setId(int value) { assignNotify(this, m_id, value, &ChannelInfo::idChanged); }
void ChannelInfo::setName(const QString &value) { assignNotify(this, m_name, value, &ChannelInfo::nameChanged); }
void ChannelInfo::setPort(int value) { assignNotify(this, m_port, value, &ChannelInfo::portChanged); }
void ChannelInfo::setMode(const QString &value) { assignNotify(this, m_mode, value, &ChannelInfo::modeChanged); }
void ChannelInfo::setBright(int value) { assignNotify(this, m_bright, value, &ChannelInfo::brightChanged); }
void ChannelInfo::setContrast(int value) { assignNotify(this, m_contrast, value, &ChannelInfo::contrastChanged); }
void ChannelInfo::setChroma(int value) { assignNotify(this, m_chroma, value, &ChannelInfo::chromaChanged); }
void ChannelInfo::setHue(int value) { assignNotify(this, m_hue, value, &ChannelInfo::hueChanged); }
void ChannelInfo::setVolume(int value) { assignNotify(this, m_volume, value, &ChannelInfo::volumeChanged); }

void ChannelInfo::applyItem(int item, const QByteArray &payload)
{
    using Setter = void (ChannelInfo::*)(int);
    Setter numeric = nullptr;
    switch (item) {
    case MNCP_CHANNEL_MODE: setMode(mncp_string(payload)); return;
    case MNCP_CHANNEL_NAME: setName(mncp_string(payload)); return;
    case MNCP_CHANNEL_PORT: numeric = &ChannelInfo::setPort; break;
    case MNCP_CHANNEL_BRIGHT: numeric = &ChannelInfo::setBright; break;
    case MNCP_CHANNEL_CONTRAST: numeric = &ChannelInfo::setContrast; break;
    case MNCP_CHANNEL_CHROMA: numeric = &ChannelInfo::setChroma; break;
    case MNCP_CHANNEL_HUE: numeric = &ChannelInfo::setHue; break;
    case MNCP_CHANNEL_VOLUME: numeric = &ChannelInfo::setVolume; break;
    default: return;
    }
    const auto value = be32(payload, 0);
    if (!value) {
        qDebug() << "channel info: reply item" << item << "shorter than 4 bytes ignored";
        return;
    }
    (this->*numeric)(*value);
}
