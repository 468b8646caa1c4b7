#include "simlogger.h"

#include <QList>
#include <QTime>
#include <cstdio>

namespace {
bool verboseMessages = false;
// Lines logged before the log is opened (Qt's own start-up warnings) wait for it.
QList<QByteArray> pendingLines;

void messageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg && !verboseMessages)
        return;
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "brevanto-sim: %s\n", qPrintable(message));
        return;
    }
    const char *level = "debug";
    switch (type) {
    case QtInfoMsg: level = "info"; break;
    case QtWarningMsg: level = "warning"; break;
    case QtCriticalMsg: level = "critical"; break;
    case QtFatalMsg: level = "fatal"; break;
    case QtDebugMsg: break;
    }
    SimLogger::log(QStringLiteral("qt %1: %2").arg(QLatin1String(level), message.trimmed()));
}
} // namespace

QFile &SimLogger::file()
{
    static QFile logFile;
    return logFile;
}

bool SimLogger::open(const QString &path, QString *error)
{
    QFile &out = file();
    if (out.isOpen())
        out.close();
    if (path.isEmpty()) {
        if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            *error = out.errorString();
            return false;
        }
        writePending();
        return true;
    }
    out.setFileName(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        *error = QStringLiteral("cannot open log file %1: %2").arg(path, out.errorString());
        return false;
    }
    writePending();
    return true;
}

void SimLogger::writePending()
{
    for (const QByteArray &line : pendingLines)
        file().write(line);
    pendingLines.clear();
    file().flush();
}

void SimLogger::log(const QString &line)
{
    QFile &out = file();
    const QByteArray text = QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")).toUtf8() + ' '
        + line.toUtf8() + '\n';
    if (!out.isOpen()) {
        if (pendingLines.size() < 100)
            pendingLines.append(text);
        return;
    }
    out.write(text);
    out.flush();
}

void SimLogger::logCommand(int connection, quint16 protocol, quint16 request, quint32 length)
{
    log(QStringLiteral("#%1 command protocol=0x%2 request=0x%3 length=%4")
            .arg(connection)
            .arg(protocol, 4, 16, QLatin1Char('0'))
            .arg(request, 4, 16, QLatin1Char('0'))
            .arg(length));
}

void SimLogger::installMessageHandler(bool verbose)
{
    verboseMessages = verbose;
    qInstallMessageHandler(messageHandler);
}
