#include "outputfile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

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

QString OutputFile::write(const QString &path, const QByteArray &contents)
{
    // Written aside and renamed into place: a failed write never leaves half a file, and a file
    // that is replaced keeps its permissions. Not synced to disk before the rename (as QSaveFile
    // would): the file is made from its source again at will, and the sync took longer than the
    // conversion that made it.
    const QFileInfo existing(path);
    const QString finalPath = existing.isSymLink() ? existing.symLinkTarget() : path;
    const auto failure = [&path](const QString &reason) {
        return QStringLiteral("cannot write %1: %2").arg(path, reason);
    };
    if (QFileInfo(finalPath).isDir())
        return failure(QStringLiteral("it is a folder"));

    QTemporaryFile file(finalPath + QStringLiteral(".XXXXXX"));
    if (!file.open())
        return failure(file.errorString());
    if (file.write(contents) != contents.size() || !file.flush())
        return failure(file.errorString());
    const QFileInfo target(finalPath);
    if (!file.setPermissions(target.exists() ? target.permissions() : newFilePermissions()))
        return failure(file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        return failure(file.errorString());
    if (std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(finalPath).constData()) != 0)
        return failure(QString::fromLocal8Bit(std::strerror(errno)));
    file.setAutoRemove(false); // it is the output now
    return QString();
}
