#pragma once

#include <QByteArray>
#include <QDir>
#include <QHash>
#include <QString>

// Everything the program uploads (LUTs, frames, markers, firmware) kept in memory by key,
// and, with a dump folder, also written there as one numbered file per upload.
class UploadStore
{
public:
    bool setDumpDir(const QString &path, QString *error);
    QString dumpDir() const { return m_dumpDir; }

    // `label` names the dump file; the extension follows the content where it is recognisable.
    void keep(const QString &key, const QString &label, const QByteArray &data, const QString &fallbackSuffix);
    bool contains(const QString &key) const { return m_items.contains(key); }
    QByteArray value(const QString &key) const { return m_items.value(key); }
    void remove(const QString &key) { m_items.remove(key); }

private:
    static QString suffixFor(const QByteArray &data, const QString &fallback);
    static QString safeName(const QString &label);

    QHash<QString, QByteArray> m_items;
    QString m_dumpDir;
    int m_sequence = 0;
};
