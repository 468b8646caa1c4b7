#include "fuzzsupport.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {
bool verbose()
{
    static const bool on = qEnvironmentVariableIsSet("FUZZ_VERBOSE");
    return on;
}

void dropMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (verbose() || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        std::fflush(stderr);
    }
}

QTemporaryDir &scratch()
{
    // Destroyed (and removed) at exit, after the last input.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/brevanto-fuzz-XXXXXX")
                                                                       : QDir::tempPath() + QStringLiteral("/brevanto-fuzz-XXXXXX"));
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
    qputenv("XDG_DATA_HOME", home + "/data");
    qputenv("XDG_CONFIG_HOME", home + "/config");
    qputenv("XDG_CACHE_HOME", home + "/cache");
    qputenv("TMPDIR", home);
    QDir(scratch().path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(scratch().filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", home + "/runtime");
    static int argc = 1;
    static char name[] = "brevanto-fuzz";
    static char *argv[] = {name, nullptr};
    // Never destroyed: inputs run until the process exits.
    new QGuiApplication(argc, argv);
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

quint8 Fuzz::InputReader::u8()
{
    return m_pos < m_size ? m_data[m_pos++] : 0;
}

quint16 Fuzz::InputReader::u16()
{
    const quint16 high = u8();
    return static_cast<quint16>((high << 8) | u8());
}

quint32 Fuzz::InputReader::u32()
{
    const quint32 high = u16();
    return (high << 16) | u16();
}

QByteArray Fuzz::InputReader::bytes(size_t count)
{
    const size_t take = qMin(count, remaining());
    QByteArray out(reinterpret_cast<const char *>(m_data + m_pos), static_cast<int>(take));
    m_pos += take;
    return out;
}

QByteArray Fuzz::InputReader::rest()
{
    return bytes(remaining());
}

quint16 Fuzz::headerCrc(const uchar *header12)
{
    quint16 crc = 0xFFFF;
    for (int i = 0; i < 12; ++i) {
        const uchar byte = (i == 2 || i == 3) ? 0 : header12[i];
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0x8408) : static_cast<quint16>(crc >> 1);
    }
    return static_cast<quint16>(~crc);
}
