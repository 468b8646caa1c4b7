#pragma once

#include "devicesession.h"
#include "hostaddress.h"

#include <QList>
#include <QString>

class CliArguments;

// "device HOST... ACTION": reads the hosts and the action, checks every input file before any
// device is contacted, runs one DeviceSession per host at once and reports per host.
class DeviceCommands
{
public:
    // The words after "device"; returns the exit status.
    static int run(CliArguments &arguments);

    // An output file for one host: the path itself for a single host, else the path with
    // "{host}" replaced or "_<host>" put before the suffix.
    static QString pathForHost(const QString &path, const HostAddress &host, bool severalHosts);

private:
    using StepsFor = std::function<QList<DeviceSession::Step>(const HostAddress &host)>;

    static int runSessions(const QList<HostAddress> &hosts, DeviceSession::Kind kind, const DeviceSession::Timeouts &timeouts, bool json,
                           const QString &action, const StepsFor &stepsFor);
};
