#include "outputfile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace {

// What a newly created file gets: read and write for all, less the process's umask.
QFileDevice::Permissions newFilePermissions()
{
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                                           | QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::WriteGroup
                                           | QFileDevice::ReadOther | QFileDevice::WriteOther;
#if defined(Q_OS_UNIX)
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (mask & S_IRUSR)
        permissions &= ~(QFileDevice::ReadOwner | QFileDevice::ReadUser);
    if (mask & S_IWUSR)
        permissions &= ~(QFileDevice::WriteOwner | QFileDevice::WriteUser);
    if (mask & S_IRGRP)
        permissions &= ~QFileDevice::ReadGroup;
    if (mask & S_IWGRP)
        permissions &= ~QFileDevice::WriteGroup;
    if (mask & S_IROTH)
        permissions &= ~QFileDevice::ReadOther;
    if (mask & S_IWOTH)
        permissions &= ~QFileDevice::WriteOther;
#endif
    return permissions;
}

} // namespace

OutputFile::OutputFile(const QString &path) : m_path(path)
{
    const QFileInfo existing(path);
    m_finalPath = existing.isSymLink() ? existing.symLinkTarget() : path;
}

QString OutputFile::failure(const QString &reason) const
{
    return QStringLiteral("cannot write %1: %2").arg(m_path, reason);
}

QString OutputFile::refusal() const
{
    const QFileInfo target(m_finalPath);
    if (target.isDir())
        return failure(QStringLiteral("it is a folder"));
    if (target.exists() && !target.isFile())
        return failure(QStringLiteral("it is not a regular file"));
    return QString();
}

QFileDevice::Permissions OutputFile::resultPermissions() const
{
    const QFileInfo target(m_finalPath);
    return target.exists() ? target.permissions() : newFilePermissions();
}

QString OutputFile::renameIntoPlace(const QString &fileAside) const
{
    // Asked again: the target may have changed while the result was made.
    const QString refused = refusal();
    if (!refused.isEmpty())
        return refused;
    if (std::rename(QFile::encodeName(fileAside).constData(), QFile::encodeName(m_finalPath).constData()) != 0)
        return failure(QString::fromLocal8Bit(std::strerror(errno)));
    return QString();
}

QString OutputFile::open()
{
    const QString refused = refusal();
    if (!refused.isEmpty())
        return refused;
    m_file.setFileTemplate(m_finalPath + QStringLiteral(".XXXXXX"));
    if (!m_file.open())
        return failure(m_file.errorString());
    return QString();
}

QString OutputFile::write(const QByteArray &piece)
{
    if (m_file.write(piece) != piece.size() || !m_file.flush())
        return failure(m_file.errorString());
    return QString();
}

QString OutputFile::commit()
{
    if (!m_file.flush())
        return failure(m_file.errorString());
    if (!m_file.setPermissions(resultPermissions()))
        return failure(m_file.errorString());
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        return failure(m_file.errorString());
    const QString error = renameIntoPlace(m_file.fileName());
    if (!error.isEmpty())
        return error;
    m_file.setAutoRemove(false); // it is the result now
    return QString();
}

QString OutputFile::commitFileAside(const QString &fileAside)
{
    QString error;
    if (!QFile::setPermissions(fileAside, resultPermissions()))
        error = failure(QStringLiteral("cannot set the permissions of %1").arg(fileAside));
    if (error.isEmpty())
        error = renameIntoPlace(fileAside);
    if (!error.isEmpty())
        QFile::remove(fileAside);
    return error;
}

QString OutputFile::write(const QString &path, const QByteArray &contents)
{
    OutputFile file(path);
    QString error = file.open();
    if (error.isEmpty())
        error = file.write(contents);
    if (error.isEmpty())
        error = file.commit();
    return error;
}
