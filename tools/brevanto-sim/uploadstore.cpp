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

void UploadStore::keep(const QString &key, const QString &label, const QByteArray &data, const QString &fallbackSuffix)
{
    m_items.insert(key, data);
    ++m_sequence;
    if (m_dumpDir.isEmpty())
        return;
    const QString path = QStringLiteral("%1/%2_%3.%4")
                             .arg(m_dumpDir)
                             .arg(m_sequence, 4, 10, QLatin1Char('0'))
                             .arg(safeName(label), suffixFor(data, fallbackSuffix));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size()) {
        SimLogger::log(QStringLiteral("dump failed: %1: %2").arg(path, file.errorString()));
        return;
    }
    SimLogger::log(QStringLiteral("dumped %1 bytes to %2").arg(data.size()).arg(path));
}
