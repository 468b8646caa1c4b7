#include "fuzzsupport.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {
void dropMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static const bool verbose = qEnvironmentVariableIsSet("FUZZ_VERBOSE");
    if (verbose || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        std::fflush(stderr);
    }
}

QTemporaryDir &scratch()
{
    // Destroyed (and removed) at exit, after the last input.
    static QTemporaryDir dir((QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath())
                             + QStringLiteral("/brevanto-fuzz-XXXXXX"));
    return dir;
}

QHash<QString, Fuzz::Target> &targets()
{
    static QHash<QString, Fuzz::Target> registered;
    return registered;
}
} // namespace

bool Fuzz::registerTarget(const char *name, Target target)
{
    targets().insert(QString::fromLatin1(name), target);
    return true;
}

Fuzz::Target Fuzz::target(const QString &name)
{
    return targets().value(name);
}

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
    const QString path = scratch().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("writing a scratch file", __FILE__, __LINE__);
    return path;
}

void Fuzz::processEventsOnce()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Fuzz::fail(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s (%s:%d)\n", condition, file, line);
    std::fflush(stderr);
    std::abort();
}

QByteArray Fuzz::InputReader::bytes(size_t count)
{
    const size_t take = qMin(count, remaining());
    QByteArray out(reinterpret_cast<const char *>(m_data + m_pos), static_cast<int>(take));
    m_pos += take;
    return out;
}

quint16 Fuzz::headerCrc(const uchar *header12)
{
    quint16 crc = 0xFFFF;
    for (int i = 0; i < 12; ++i) {
        crc ^= (i == 2 || i == 3) ? 0 : header12[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0x8408) : static_cast<quint16>(crc >> 1);
    }
    return static_cast<quint16>(~crc);
}
