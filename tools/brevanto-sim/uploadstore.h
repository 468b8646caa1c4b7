#pragma once

#include <QByteArray>
#include <QDir>
#include <QHash>
#include <QString>
#include <QTemporaryFile>
#include <memory>

class UploadStream;

// Everything the program uploads (LUTs, frames, markers) kept in memory by key, and, with a
// dump folder, also written there as one numbered file per upload. Firmware images are not
// kept: they go to their dump file as they arrive (see UploadStream), or are only counted.
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

    std::unique_ptr<UploadStream> openStream();

private:
    friend class UploadStream;
    static QString suffixFor(const QByteArray &data, const QString &fallback);
    static QString safeName(const QString &label);
    // The next numbered dump path for `label`, its extension chosen from the content's `head`.
    QString nextDumpPath(const QString &label, const QByteArray &head, const QString &fallbackSuffix);

    QHash<QString, QByteArray> m_items;
    QString m_dumpDir;
    int m_sequence = 0;
};

// One upload written to a file in the dump folder while it arrives, so that even the largest
// costs the simulator no memory; without a dump folder it is only counted. It becomes the
// numbered dump file (named as UploadStore::keep names it) only when committed: an upload cut
// off or refused leaves nothing behind.
class UploadStream
{
public:
    explicit UploadStream(UploadStore &store);

    void write(const char *data, qint64 size);
    qint64 size() const { return m_size; }
    void commit(const QString &label, const QString &fallbackSuffix);

private:
    // What the extension is chosen from (UploadStore::suffixFor looks no further).
    static constexpr int HeadBytes = 4096;

    UploadStore &m_store;
    std::unique_ptr<QTemporaryFile> m_file;
    QByteArray m_head;
    qint64 m_size = 0;
    bool m_failed = false;
};
