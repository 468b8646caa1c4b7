#include "console.h"

#include <QByteArray>
#include <cstdio>

namespace {
bool s_verbose = false;
Console::Capture *s_capture = nullptr;

void write(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}
} // namespace

void Console::installMessageHandler()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        for (Capture *capture = s_capture; capture; capture = capture->m_outer) {
            capture->m_lines << message;
            if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
                capture->m_warnings << message;
        }
        if (s_verbose || type == QtFatalMsg) {
            static const char *const levels[] = {"debug", "warning", "critical", "fatal", "info"};
            write(stderr, QStringLiteral("[%1] %2").arg(QLatin1String(levels[type]), message));
        }
    });
}

void Console::setVerbose(bool verbose)
{
    s_verbose = verbose;
}

bool Console::isVerbose()
{
    return s_verbose;
}

void Console::out(const QString &text)
{
    write(stdout, text);
}

void Console::err(const QString &text)
{
    write(stderr, text);
}

Console::Capture::Capture() : m_outer(s_capture)
{
    s_capture = this;
}

Console::Capture::~Capture()
{
    // Captures end in the reverse order of their start.
    s_capture = m_outer;
}

QString Console::Capture::reason() const
{
    QStringList lines = m_warnings;
    if (lines.isEmpty()) {
        for (const QString &line : m_lines) {
            if (line.startsWith(QLatin1String("Unknown")))
                lines << line;
        }
    }
    for (QString &line : lines)
        line = line.simplified();
    return lines.join(QStringLiteral("; "));
}
