#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

// Writes a result file, whole or piece by piece, or says why it could not. The file is written
// aside and renamed into place once complete: a failed write never leaves half a file, and a
// file that is replaced keeps its permissions. It is not synced to disk before the rename (as
// QSaveFile would): it is made from its source again at will, and the sync took longer than the
// conversion that made it.
class OutputFile
{
public:
    explicit OutputFile(const QString &path);

    // Each gives an empty text on success, else the reason. Nothing reaches `path` unless
    // commit succeeds; a file that is not committed is removed.
    QString open();
    // Each piece reaches the system before write returns: another reader of the file aside
    // sees it at once.
    QString write(const QByteArray &piece);
    QString commit();
    // The file aside, once open.
    QString pathAside() const { return m_file.fileName(); }

    // The whole contents at once.
    static QString write(const QString &path, const QByteArray &contents);

private:
    QString failure(const QString &reason) const;

    QString m_path;
    QString m_finalPath; // the target of a symbolic link at `path`
    QTemporaryFile m_file;
};
