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
    case 0x0001: return key(command);
    case 0x0002: return tally(command);
    case 0x0004: return umd(command);
    case 0x0005: return firmware(command);
    case 0x0100: return basicInfo(command);
    case 0x0101: return channelInfo(command);
    case 0x0400: return frameCapture(command);
    case 0x0403: return scope(command);
    case 0x0500: return network(command);
    default: return refuse(command, SimStatus::UnknownProtocol, QStringLiteral("unknown protocol"));
    }
}

SimReply SimDevice::basicInfo(const SimCommand &command)
{
    switch (command.request) {
    case 0: return SimReply::data(command, text(m_options.model));
    case 1: return SimReply::data(command, text(m_options.version));
    case 2: return SimReply::data(command, text(m_options.serial));
    case 3: return SimReply::data(command, be32Payload(m_channels.size()));
    case 4: return SimReply::data(command, be32Payload(m_options.ports));
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
    case 0x00: return SimReply::data(command, be32Payload(channel.port));
    case 0x01: return SimReply::data(command, text(channel.mode));
    case 0x02: return SimReply::data(command, be32Payload(channel.bright));
    case 0x03: return SimReply::data(command, be32Payload(channel.contrast));
    case 0x04: return SimReply::data(command, be32Payload(channel.chroma));
    case 0x05: return SimReply::data(command, be32Payload(channel.hue));
    case 0x06: return SimReply::data(command, be32Payload(channel.volume));
    case 0x10: return SimReply::data(command, text(channel.name));
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
    if ((command.request & 0xFF00) != 0x0100 || (command.request & 0x00FC) != 0)
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown tally request"));
    log(QStringLiteral("tally red %1 green %2")
            .arg((command.request & 0x01) ? QStringLiteral("on") : QStringLiteral("off"),
                 (command.request & 0x02) ? QStringLiteral("on") : QStringLiteral("off")));
    return SimReply::data(command);
}

SimReply SimDevice::umd(const SimCommand &command)
{
    if (command.request == 0x0100) {
        log(QStringLiteral("UMD off"));
        return SimReply::data(command);
    }
    if (command.request == 0x0101) {
        log(QStringLiteral("UMD text \"%1\"").arg(QString::fromLatin1(command.payload.left(64))));
        return SimReply::data(command);
    }
    return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown UMD request"));
}

SimReply SimDevice::firmware(const SimCommand &command)
{
    if (command.request != 0x0001 && command.request != 0x0002)
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown firmware request"));
    if (command.payload.isEmpty())
        return refuse(command, SimStatus::BadPayload, QStringLiteral("empty firmware image"));
    const bool brec = command.request == 0x0002;
    m_uploads.keep(QStringLiteral("firmware"), QStringLiteral("%1_firmware_%2").arg(m_options.roleName(), brec ? QStringLiteral("brec") : QStringLiteral("image")),
                   command.payload, brec ? QStringLiteral("brec") : QStringLiteral("img"));
    log(QStringLiteral("firmware image of %1 bytes received").arg(command.payload.size()));
    return SimReply::data(command);
}

SimReply SimDevice::network(const SimCommand &command)
{
    switch (command.request) {
    case 0x0001: {
        if (command.payload.size() != 12)
            return refuse(command, SimStatus::BadPayload, QStringLiteral("address payload of %1 bytes").arg(command.payload.size()));
        const auto *p = reinterpret_cast<const uchar *>(command.payload.constData());
        log(QStringLiteral("network address %1 mask %2 gateway %3")
                .arg(QHostAddress(qFromBigEndian<quint32>(p)).toString(),
                     QHostAddress(qFromBigEndian<quint32>(p + 4)).toString(),
                     QHostAddress(qFromBigEndian<quint32>(p + 8)).toString()));
        return SimReply::data(command);
    }
    case 0x0002:
        log(QStringLiteral("Wi-Fi on"));
        return SimReply::data(command);
    case 0x0003:
        log(QStringLiteral("Wi-Fi off"));
        return SimReply::data(command);
    case 0x0004: {
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
