#include "wholefile.h"

#include <QFile>

WholeFile readWholeFile(const QString &path)
{
    WholeFile result;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.status = WholeFile::NotRead;
        return result;
    }
    result.status = WholeFile::Read;
    result.data = data;
    return result;
}
