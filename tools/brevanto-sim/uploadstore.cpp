#include "uploadstore.h"

#include "simlogger.h"

#include <QFile>
#include <QRegularExpression>

bool UploadStore::setDumpDir(const QString &path, QString *error)
{
    if (path.isEmpty()) {
        m_dumpDir.clear();
        return true;
    }
    QDir dir(path);
    if (!dir.mkpath(QStringLiteral("."))) {
        *error = QStringLiteral("cannot create dump folder %1").arg(path);
        return false;
    }
    m_dumpDir = dir.absolutePath();
    return true;
}

QString UploadStore::suffixFor(const QByteArray &data, const QString &fallback)
{
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        return QStringLiteral("png");
    const QByteArray head = data.left(4096);
    if (head.contains("LUT_3D_SIZE"))
        return QStringLiteral("cube");
    if (head.contains("LUT_1D_SIZE"))
        return QStringLiteral("lut");
    return fallback;
}

QString UploadStore::safeName(const QString &label)
{
    QString name = label;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    return name.left(96);
}

QString UploadStore::nextDumpPath(const QString &label, const QByteArray &head, const QString &fallbackSuffix)
{
    ++m_sequence;
    if (m_dumpDir.isEmpty())
        return QString();
    return QStringLiteral("%1/%2_%3.%4")
        .arg(m_dumpDir)
        .arg(m_sequence, 4, 10, QLatin1Char('0'))
        .arg(safeName(label), suffixFor(head, fallbackSuffix));
}

void UploadStore::keep(const QString &key, const QString &label, const QByteArray &data, const QString &fallbackSuffix)
{
    m_items.insert(key, data);
    const QString path = nextDumpPath(label, data, fallbackSuffix);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size()) {
        SimLogger::log(QStringLiteral("dump failed: %1: %2").arg(path, file.errorString()));
        return;
    }
    SimLogger::log(QStringLiteral("dumped %1 bytes to %2").arg(data.size()).arg(path));
}

std::unique_ptr<UploadStream> UploadStore::openStream()
{
    return std::make_unique<UploadStream>(*this);
}

UploadStream::UploadStream(UploadStore &store) : m_store(store)
{
    if (store.m_dumpDir.isEmpty())
        return;
    // Beside its final name, so that committing is a rename on the same file system.
    m_file = std::make_unique<QTemporaryFile>(store.m_dumpDir + QStringLiteral("/.upload-XXXXXX"));
    if (!m_file->open()) {
        SimLogger::log(QStringLiteral("dump failed: %1: %2").arg(m_file->fileTemplate(), m_file->errorString()));
        m_failed = true;
    }
}

void UploadStream::write(const char *data, qint64 size)
{
    if (size <= 0)
        return;
    if (m_head.size() < HeadBytes)
        m_head.append(data, static_cast<int>(qMin<qint64>(size, HeadBytes - m_head.size())));
    m_size += size;
    // Flushed at once: what has arrived is on disk, not in a buffer.
    if (m_file && !m_failed && (m_file->write(data, size) != size || !m_file->flush())) {
        SimLogger::log(QStringLiteral("dump failed: %1: %2").arg(m_file->fileName(), m_file->errorString()));
        m_failed = true;
    }
}

void UploadStream::commit(const QString &label, const QString &fallbackSuffix)
{
    const QString path = m_store.nextDumpPath(label, m_head, fallbackSuffix);
    if (path.isEmpty() || !m_file || m_failed)
        return;
    QFile::remove(path);
    if (!m_file->flush() || !m_file->rename(path)) {
        SimLogger::log(QStringLiteral("dump failed: %1: %2").arg(path, m_file->errorString()));
        return;
    }
    m_file->setAutoRemove(false);
    // A temporary file is private to its owner; a dump is read like any other file.
    m_file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    SimLogger::log(QStringLiteral("dumped %1 bytes to %2").arg(m_size).arg(path));
}
