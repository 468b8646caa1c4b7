#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>

// Faults a test can ask for. Commands are counted per connection, from 1.
class FaultInjector
{
public:
    struct Rule {
        quint16 protocol = 0;
        int request = -1; // -1: any request of the protocol
        quint16 status = 0;
    };

    // "PROTO:REQ" or, with a status allowed, "PROTO:REQ:STATUS"; numbers decimal or 0x-hex,
    // REQ may be "*" for every request.
    static std::optional<Rule> parseRule(const QString &text, bool withStatus, QString *error);

    void addErrorRule(const Rule &rule) { m_errorRules.append(rule); }
    void addBadCrcRule(const Rule &rule) { m_badCrcRules.append(rule); }
    void setBadCrcAfter(int commands) { m_badCrcAfter = commands; }
    void setCloseAfter(int commands) { m_closeAfter = commands; }
    void setSilentAfter(int commands) { m_silentAfter = commands; }
    void setChunkSize(int bytes) { m_chunkSize = bytes; }
    void setReadRate(int bytesPerSecond) { m_readRate = bytesPerSecond; }

    std::optional<quint16> errorStatus(quint16 protocol, quint16 request) const;
    bool badCrc(quint16 protocol, quint16 request, int commandNumber) const;
    bool silent(int commandNumber) const { return m_silentAfter >= 0 && commandNumber > m_silentAfter; }
    bool closeAfterReply(int commandNumber) const { return m_closeAfter > 0 && commandNumber >= m_closeAfter; }
    int chunkSize() const { return m_chunkSize; }
    // Bytes per second a connection reads from its client at most; 0: as fast as they come.
    int readRate() const { return m_readRate; }

    // One line per active fault, for the start-up log.
    QStringList describe() const;

private:
    static bool matches(const Rule &rule, quint16 protocol, quint16 request);

    QList<Rule> m_errorRules;
    QList<Rule> m_badCrcRules;
    int m_badCrcAfter = -1;
    int m_closeAfter = 0;
    int m_silentAfter = -1;
    int m_chunkSize = 0;
    int m_readRate = 0;
};
