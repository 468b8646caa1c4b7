#include "atomicfile.h"

#include <QSaveFile>

bool AtomicFile::write(const QString &path, const std::function<bool(QIODevice &)> &fill)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Bytes still in the buffer fail only at flush, and QSaveFile would commit them regardless.
    if (!fill(file) || !file.flush()) {
        file.cancelWriting();
        return false; // the temporary file goes with `file`
    }
    return file.commit();
}
