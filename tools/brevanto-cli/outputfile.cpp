#include "outputfile.h"

#include <QSaveFile>

QString OutputFile::write(const QString &path, const QByteArray &contents)
{
    // Written aside and renamed into place: a failed write never leaves half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    if (file.write(contents) != contents.size() || !file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return QString();
}
