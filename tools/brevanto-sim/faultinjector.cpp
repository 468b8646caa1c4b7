#include "faultinjector.h"

#include "simmessage.h"

#include <QStringList>

namespace {
std::optional<quint32> parseNumber(const QString &text, quint32 maximum)
{
    bool ok = false;
    const QString trimmed = text.trimmed();
    const quint32 value = trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
        ? trimmed.mid(2).toUInt(&ok, 16)
        : trimmed.toUInt(&ok, 10);
    if (!ok || value > maximum)
        return std::nullopt;
    return value;
}

QString hex4(int value)
{
    return QStringLiteral("0x%1").arg(value, 4, 16, QLatin1Char('0'));
}
} // namespace

std::optional<FaultInjector::Rule> FaultInjector::parseRule(const QString &text, bool withStatus, QString *error)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > (withStatus ? 3 : 2)) {
        *error = QStringLiteral("'%1' is not %2").arg(text, withStatus ? QStringLiteral("PROTO:REQ[:STATUS]") : QStringLiteral("PROTO:REQ"));
        return std::nullopt;
    }
    Rule rule;
    const auto protocol = parseNumber(parts.at(0), 0xFFFF);
    if (!protocol) {
        *error = QStringLiteral("bad protocol in '%1'").arg(text);
        return std::nullopt;
    }
    rule.protocol = static_cast<quint16>(*protocol);
    if (parts.at(1).trimmed() != QLatin1String("*")) {
        const auto request = parseNumber(parts.at(1), 0xFFFF);
        if (!request) {
            *error = QStringLiteral("bad request in '%1'").arg(text);
            return std::nullopt;
        }
        rule.request = static_cast<int>(*request);
    }
    rule.status = SimStatus::Injected;
    if (parts.size() == 3) {
        const auto status = parseNumber(parts.at(2), 0xFFFF);
        if (!status) {
            *error = QStringLiteral("bad status in '%1'").arg(text);
            return std::nullopt;
        }
        rule.status = static_cast<quint16>(*status);
    }
    return rule;
}

bool FaultInjector::matches(const Rule &rule, quint16 protocol, quint16 request)
{
    return rule.protocol == protocol && (rule.request < 0 || rule.request == request);
}

std::optional<quint16> FaultInjector::errorStatus(quint16 protocol, quint16 request) const
{
    for (const Rule &rule : m_errorRules) {
        if (matches(rule, protocol, request))
            return rule.status;
    }
    return std::nullopt;
}

bool FaultInjector::badCrc(quint16 protocol, quint16 request, int commandNumber) const
{
    if (m_badCrcAfter >= 0 && commandNumber > m_badCrcAfter)
        return true;
    for (const Rule &rule : m_badCrcRules) {
        if (matches(rule, protocol, request))
            return true;
    }
    return false;
}

QStringList FaultInjector::describe() const
{
    QStringList lines;
    if (m_chunkSize > 0)
        lines << QStringLiteral("replies in chunks of %1 bytes").arg(m_chunkSize);
    if (m_readRate > 0)
        lines << QStringLiteral("client data read at %1 bytes per second at most").arg(m_readRate);
    for (const Rule &rule : m_errorRules)
        lines << QStringLiteral("error reply status %1 for protocol %2 request %3")
                     .arg(rule.status)
                     .arg(hex4(rule.protocol), rule.request < 0 ? QStringLiteral("*") : hex4(rule.request));
    for (const Rule &rule : m_badCrcRules)
        lines << QStringLiteral("bad CRC for protocol %1 request %2")
                     .arg(hex4(rule.protocol), rule.request < 0 ? QStringLiteral("*") : hex4(rule.request));
    if (m_badCrcAfter >= 0)
        lines << QStringLiteral("bad CRC after %1 commands").arg(m_badCrcAfter);
    if (m_closeAfter > 0)
        lines << QStringLiteral("connection closed after %1 commands").arg(m_closeAfter);
    if (m_silentAfter >= 0)
        lines << QStringLiteral("silent after %1 commands").arg(m_silentAfter);
    return lines;
}
