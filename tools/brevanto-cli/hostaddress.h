#pragma once

#include <QString>
#include <optional>

// One device on the command line: an IPv4 address, as the window's tabs take it, with an
// optional port for devices (or simulators) that do not listen on the MNCP port.
class HostAddress
{
public:
    // "a.b.c.d" or "a.b.c.d:port"; nullopt with the reason in `error`.
    static std::optional<HostAddress> parse(const QString &text, QString *error);

    QString address() const { return m_address; }
    quint16 port() const { return m_port; }
    // The address, followed by ":port" when it is not the MNCP port.
    QString displayName() const;
    // The same with characters a file name can hold ("127.0.0.1_40000").
    QString fileTag() const;

    bool operator==(const HostAddress &other) const
    {
        return m_address == other.m_address && m_port == other.m_port;
    }

private:
    QString m_address;
    quint16 m_port = 0;
};
