#pragma once

// One brevanto-sim for the tool to talk to, with its uploads dumped and its log in files of
// the test's own.

#include "simprocess.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

class CliSimulator
{
public:
    bool start(const QStringList &arguments, const QString &address)
    {
        if (!m_folder.isValid())
            return false;
        QDir(m_folder.path()).mkpath(QStringLiteral("dump"));
        return m_process.start(arguments + QStringList{QStringLiteral("--dump-dir"), dumpDir(), QStringLiteral("--log-file"),
                                                       m_folder.filePath(QStringLiteral("sim.log"))},
                               address);
    }

    // address:port as the tool takes it.
    QString host() const { return QStringLiteral("%1:%2").arg(m_process.address()).arg(m_process.port()); }
    QString dumpDir() const { return m_folder.filePath(QStringLiteral("dump")); }
    QString log() { return m_process.log(); }
    bool isRunning() const { return m_process.isRunning(); }

    // Dump files in upload order.
    QStringList dumps() const
    {
        return QDir(dumpDir()).entryList(QDir::Files, QDir::Name);
    }
    QStringList dumpsSince(int count) const { return dumps().mid(count); }
    QString dumpPath(const QString &name) const { return QDir(dumpDir()).filePath(name); }

    // How often the simulator logged a command with this protocol and request.
    int commandCount(quint16 protocol, quint16 request)
    {
        return log().count(QStringLiteral("command protocol=0x%1 request=0x%2 ")
                               .arg(protocol, 4, 16, QLatin1Char('0'))
                               .arg(request, 4, 16, QLatin1Char('0')));
    }
    int connections() { return log().count(QRegularExpression(QStringLiteral("#\\d+ connected from"))); }

private:
    QTemporaryDir m_folder;
    SimProcess m_process;
};
