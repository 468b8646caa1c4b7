#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

// The simulator's own log: one time-stamped line per event, to standard output or to a
// file, flushed at once so that a watching test or user sees every line immediately.
class SimLogger
{
public:
    // An empty path logs to standard output; a file is appended to.
    static bool open(const QString &path, QString *error);
    static void log(const QString &line);
    static void logCommand(int connection, quint16 protocol, quint16 request, quint32 length);
    // Routes Qt's warnings into this log (those before `open` wait for it); debug output of
    // the shared codec is dropped unless verbose, because it prints five lines for every
    // header it encodes.
    static void installMessageHandler(bool verbose);

private:
    static QFile &file();
    static void writePending();
};
