#include "fuzzsupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {
void dropMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static const bool verbose = qEnvironmentVariableIsSet("FUZZ_VERBOSE");
    if (verbose || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

QTemporaryDir &scratch()
{
    // Destroyed (and removed) at exit, after the last input.
    static QTemporaryDir dir((QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath())
                             + QStringLiteral("/brevanto-fuzz-XXXXXX"));
    return dir;
}
} // namespace

void Fuzz::ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    qInstallMessageHandler(dropMessages);
    if (!scratch().isValid())
        fail("scratch folder", __FILE__, __LINE__);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The saved tabs and other per-user files go to the scratch folder, never to the real home.
    const QByteArray home = QFile::encodeName(scratch().path());
    for (const auto &variable : {std::pair<const char *, const char *>{"XDG_DATA_HOME", "/data"}, {"XDG_CONFIG_HOME", "/config"},
                                 {"XDG_CACHE_HOME", "/cache"}, {"TMPDIR", ""}, {"XDG_RUNTIME_DIR", "/runtime"}})
        qputenv(variable.first, home + variable.second);
    QDir(scratch().path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(scratch().filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    static int argc = 1;
    static char name[] = "brevanto-fuzz";
    static char *argv[] = {name, nullptr};
    new QGuiApplication(argc, argv); // never destroyed: inputs run until the process exits
    QCoreApplication::setOrganizationName(QStringLiteral("Brevanto"));
    QCoreApplication::setApplicationName(QStringLiteral("BrevantoFuzz"));
}

QString Fuzz::scratchDir()
{
    return scratch().path();
}

QString Fuzz::writeScratchFile(const QString &name, const QByteArray &bytes)
{
    QFile file(QDir(scratch().path()).filePath(name)); // an absolute name stays as it is
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("writing a scratch file", __FILE__, __LINE__);
    return file.fileName();
}

void Fuzz::processEventsOnce()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Fuzz::fail(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s (%s:%d)\n", condition, file, line);
    std::abort();
}
