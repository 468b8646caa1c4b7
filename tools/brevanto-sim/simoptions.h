#pragma once

#include "faultinjector.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <optional>

class QCommandLineParser;

// Everything the command line chooses: role, address, identity, frames, output and faults.
class SimOptions
{
public:
    enum class Role { Monitor, Cubrix };

    static void addOptions(QCommandLineParser &parser);
    // Validates every option; on failure returns nothing and says why in `error`.
    static std::optional<SimOptions> fromParser(const QCommandLineParser &parser, QString *error);

    QString roleName() const { return role == Role::Monitor ? QStringLiteral("monitor") : QStringLiteral("cubrix"); }

    Role role = Role::Monitor;
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 18181;
    QString model;
    QString version;
    QString serial;
    int channels = 0;
    int ports = 0;
    QStringList channelNames;
    QStringList channelModes;
    int frameFormat = 1;
    int frameWidth = 1920;
    int frameHeight = 1080;
    // Scope frames per second at most (0: as fast as they are asked for).
    int scopeRate = 25;
    QString dumpDir;
    QString logFile;
    bool verbose = false;
    FaultInjector faults;
};
