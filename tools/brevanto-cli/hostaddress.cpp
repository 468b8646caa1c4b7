#include "hostaddress.h"

#include "mncp/mncpprotocol.h"

#include <QHostAddress>
#include <QRegularExpression>

std::optional<HostAddress> HostAddress::parse(const QString &text, QString *error)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3})(?::(\\d{1,5}))?$"));
    const QRegularExpressionMatch match = pattern.match(text);
    QHostAddress parsed;
    if (!match.hasMatch() || !parsed.setAddress(match.captured(1))
        || parsed.protocol() != QAbstractSocket::IPv4Protocol) {
        *error = QStringLiteral("'%1' is not a device address (an IPv4 address, optionally followed by :port)").arg(text);
        return std::nullopt;
    }
    if (parsed.toIPv4Address() == 0 || parsed == QHostAddress(QHostAddress::Broadcast)) {
        *error = QStringLiteral("'%1' cannot be a device's address").arg(text);
        return std::nullopt;
    }
    HostAddress host;
    host.m_address = parsed.toString();
    host.m_port = MNCP_DEFAULT_PORT;
    if (match.capturedLength(2) > 0) {
        bool ok = false;
        const int port = match.captured(2).toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            *error = QStringLiteral("'%1': the port must be 1 to 65535").arg(text);
            return std::nullopt;
        }
        host.m_port = static_cast<quint16>(port);
    }
    return host;
}

QString HostAddress::displayName() const
{
    return m_port == MNCP_DEFAULT_PORT ? m_address : QStringLiteral("%1:%2").arg(m_address).arg(m_port);
}

QString HostAddress::fileTag() const
{
    return m_port == MNCP_DEFAULT_PORT ? m_address : QStringLiteral("%1_%2").arg(m_address).arg(m_port);
}
