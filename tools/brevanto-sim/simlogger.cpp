#include "simlogger.h"

#include <QTime>
#include <cstdio>

namespace {
bool verboseMessages = false;

void messageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg && !verboseMessages)
        return;
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
        return true;
    }
    out.setFileName(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        *error = QStringLiteral("cannot open log file %1: %2").arg(path, out.errorString());
        return false;
    }
    return true;
}

void SimLogger::log(const QString &line)
{
    QFile &out = file();
    const QByteArray text = QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")).toUtf8() + ' '
        + line.toUtf8() + '\n';
    if (!out.isOpen()) {
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
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
