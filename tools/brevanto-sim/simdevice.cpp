#include "simdevice.h"

#include "simlogger.h"
#include "timecodeclock.h"

#include <QHostAddress>
#include <QtEndian>
#include <algorithm>

namespace {
}

SimDevice::SimDevice(const SimOptions &options, UploadStore &uploads) : m_uploads(uploads), m_options(options)
{
    m_frames = FrameGenerator(options.frameWidth, options.frameHeight);
    m_uptime.start();
    for (int i = 0; i < options.channels; ++i) {
        Channel channel;
        channel.name = i < options.channelNames.size() && !options.channelNames.at(i).isEmpty()
            ? options.channelNames.at(i)
            : QStringLiteral("Input %1").arg(i + 1);
        channel.mode = i < options.channelModes.size() && !options.channelModes.at(i).isEmpty()
            ? options.channelModes.at(i)
            : QStringLiteral("1920x1080p 25");
        channel.port = options.ports > 0 ? i % options.ports + 1 : 0;
        m_channels.append(channel);
    }
}

void SimDevice::log(const QString &line) const
{
    SimLogger::log(QStringLiteral("%1: %2").arg(m_options.roleName(), line));
}

QString SimDevice::hex(int value)
{
    return QStringLiteral("0x%1").arg(value, 4, 16, QLatin1Char('0'));
}

QByteArray SimDevice::text(const QString &value)
{
    // Device strings end with a zero byte.
    return value.toLatin1() + '\0';
}

QByteArray SimDevice::be32Payload(qint32 value)
{
    QByteArray out(4, '\0');
    qToBigEndian(value, reinterpret_cast<uchar *>(out.data()));
    return out;
}

SimReply SimDevice::refuse(const SimCommand &command, quint16 status, const QString &why) const
{
    log(QStringLiteral("error reply status %1 to protocol %2 request %3: %4")
            .arg(status)
            .arg(hex(command.protocol), hex(command.request), why));
    return SimReply::error(command, status);
}

SimReply SimDevice::handle(const SimCommand &command)
{
    if (auto reply = handleRole(command))
        return *reply;
    switch (command.protocol) {
    case MNCP_PROTOCOL_KEY: return key(command);
    case MNCP_PROTOCOL_TALLY: return tally(command);
    case MNCP_PROTOCOL_UMD: return umd(command);
    case MNCP_PROTOCOL_FIRMWARE: return firmware(command);
    case MNCP_PROTOCOL_BASIC_INFO: return basicInfo(command);
    case MNCP_PROTOCOL_CHANNEL_INFO: return channelInfo(command);
    case MNCP_PROTOCOL_FRAME_CAPTURE: return frameCapture(command);
    case MNCP_PROTOCOL_SCOPE_STREAM: return scope(command);
    case MNCP_PROTOCOL_NETWORK: return network(command);
    default: return refuse(command, SimStatus::UnknownProtocol, QStringLiteral("unknown protocol"));
    }
}

SimReply SimDevice::basicInfo(const SimCommand &command)
{
    switch (command.request) {
    case MNCP_INFO_MODEL: return SimReply::data(command, text(m_options.model));
    case MNCP_INFO_VERSION: return SimReply::data(command, text(m_options.version));
    case MNCP_INFO_SERIAL: return SimReply::data(command, text(m_options.serial));
    case MNCP_INFO_CHANNEL_COUNT: return SimReply::data(command, be32Payload(m_channels.size()));
    case MNCP_INFO_PORT_COUNT: return SimReply::data(command, be32Payload(m_options.ports));
    default: return basicInfoExtra(command);
    }
}

SimReply SimDevice::channelInfo(const SimCommand &command)
{
    const int index = command.request >> 8;
    const int item = command.request & 0xFF;
    if (index >= m_channels.size())
        return refuse(command, SimStatus::NotFound, QStringLiteral("no channel %1").arg(index));
    const Channel &channel = m_channels.at(index);
    switch (item) {
    case MNCP_CHANNEL_PORT: return SimReply::data(command, be32Payload(channel.port));
    case MNCP_CHANNEL_MODE: return SimReply::data(command, text(channel.mode));
    case MNCP_CHANNEL_BRIGHT: return SimReply::data(command, be32Payload(channel.bright));
    case MNCP_CHANNEL_CONTRAST: return SimReply::data(command, be32Payload(channel.contrast));
    case MNCP_CHANNEL_CHROMA: return SimReply::data(command, be32Payload(channel.chroma));
    case MNCP_CHANNEL_HUE: return SimReply::data(command, be32Payload(channel.hue));
    case MNCP_CHANNEL_VOLUME: return SimReply::data(command, be32Payload(channel.volume));
    case MNCP_CHANNEL_NAME: return SimReply::data(command, text(channel.name));
    default: return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown channel item %1").arg(item));
    }
}

SimReply SimDevice::key(const SimCommand &command)
{
    keyPressed(command.request);
    return SimReply::data(command);
}

SimReply SimDevice::tally(const SimCommand &command)
{
    const int lamps = MNCP_TALLY_RED | MNCP_TALLY_GREEN;
    if ((command.request & ~lamps) != MNCP_TALLY_SET)
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown tally request"));
    log(QStringLiteral("tally red %1 green %2")
            .arg((command.request & MNCP_TALLY_RED) ? QStringLiteral("on") : QStringLiteral("off"),
                 (command.request & MNCP_TALLY_GREEN) ? QStringLiteral("on") : QStringLiteral("off")));
    return SimReply::data(command);
}

SimReply SimDevice::umd(const SimCommand &command)
{
    if (command.request == MNCP_UMD_OFF) {
        log(QStringLiteral("UMD off"));
        return SimReply::data(command);
    }
    if (command.request == MNCP_UMD_TEXT) {
        log(QStringLiteral("UMD text \"%1\"").arg(QString::fromLatin1(command.payload.left(64))));
        return SimReply::data(command);
    }
    return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown UMD request"));
}

SimReply SimDevice::firmware(const SimCommand &command)
{
    if (command.request != MNCP_FIRMWARE_IMAGE && command.request != MNCP_FIRMWARE_BREC)
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown firmware request"));
    if (command.length() == 0)
        return refuse(command, SimStatus::BadPayload, QStringLiteral("empty firmware image"));
    const bool brec = command.request == MNCP_FIRMWARE_BREC;
    const QString label = QStringLiteral("%1_firmware_%2").arg(m_options.roleName(), brec ? QStringLiteral("brec") : QStringLiteral("image"));
    const QString suffix = brec ? QStringLiteral("brec") : QStringLiteral("img");
    // The connection passes every image on as a stream (streamsPayload): nothing reads it back.
    if (command.stream)
        command.stream->commit(label, suffix);
    log(QStringLiteral("firmware image of %1 bytes received").arg(command.length()));
    return SimReply::data(command);
}

bool SimDevice::streamsPayload(quint16 protocol, quint16 request)
{
    return protocol == MNCP_PROTOCOL_FIRMWARE && (request == MNCP_FIRMWARE_IMAGE || request == MNCP_FIRMWARE_BREC);
}

SimReply SimDevice::network(const SimCommand &command)
{
    switch (command.request) {
    case MNCP_NETWORK_ADDRESS: {
        if (command.payload.size() != 12)
            return refuse(command, SimStatus::BadPayload, QStringLiteral("address payload of %1 bytes").arg(command.payload.size()));
        const auto *p = reinterpret_cast<const uchar *>(command.payload.constData());
        log(QStringLiteral("network address %1 mask %2 gateway %3")
                .arg(QHostAddress(qFromBigEndian<quint32>(p)).toString(),
                     QHostAddress(qFromBigEndian<quint32>(p + 4)).toString(),
                     QHostAddress(qFromBigEndian<quint32>(p + 8)).toString()));
        return SimReply::data(command);
    }
    case MNCP_NETWORK_WIFI_ON:
        log(QStringLiteral("Wi-Fi on"));
        return SimReply::data(command);
    case MNCP_NETWORK_WIFI_OFF:
        log(QStringLiteral("Wi-Fi off"));
        return SimReply::data(command);
    case MNCP_NETWORK_WIFI_CREDENTIALS: {
        const int colon = command.payload.indexOf(':');
        if (colon < 0)
            return refuse(command, SimStatus::BadPayload, QStringLiteral("Wi-Fi credentials without ':'"));
        log(QStringLiteral("Wi-Fi network \"%1\"").arg(QString::fromUtf8(command.payload.left(colon))));
        return SimReply::data(command);
    }
    default:
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown network request"));
    }
}

SimReply SimDevice::frameCapture(const SimCommand &command)
{
    // 0 grabs the picture before the LUTs, 1 after them; the bars look the same either way.
    if (command.request > 1)
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown capture source"));
    const QString unavailable = frameUnavailableReason();
    if (!unavailable.isEmpty())
        return refuse(command, SimStatus::NotAvailable, unavailable);
    return SimReply::data(command, m_frames.frame(m_options.frameFormat, frameTimecode()));
}

SimReply SimDevice::scope(const SimCommand &command)
{
    if (command.request == 0)
        return SimReply::data(command);
    if (ScopeGenerator::frameSize(command.request) == 0)
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown scope type"));
    const QString unavailable = scopeUnavailableReason();
    if (!unavailable.isEmpty())
        return refuse(command, SimStatus::NotAvailable, unavailable);
    // One scope frame per video frame, however fast the program asks (unless the rate is 0).
    const qint64 now = m_uptime.elapsed();
    const qint64 interval = m_options.scopeRate > 0 ? 1000 / m_options.scopeRate : 0;
    const qint64 due = m_lastScopeFrameAt + interval;
    const qint64 sendAt = std::max(now, due);
    m_lastScopeFrameAt = sendAt;
    SimReply reply = SimReply::data(command, m_scopes.frame(command.request, sendAt / 1000.0));
    reply.delayMs = static_cast<int>(sendAt - now);
    return reply;
}
