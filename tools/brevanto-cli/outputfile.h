#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

// Writes a result file, whole or piece by piece, or says why it could not. The file is written
// aside and renamed into place once complete: a failed write never leaves half a file, and a
// file that is replaced keeps its permissions. It is not synced to disk before the rename (as
// QSaveFile would): it is made from its source again at will, and the sync took longer than the
// conversion that made it.
//
// Only a regular file (or nothing) is replaced, directly or through a symbolic link: renaming a
// result over a device, a FIFO or a socket would put a plain file in its place.
class OutputFile
{
public:
    explicit OutputFile(const QString &path);

    // The file the result goes to: `path`, or the target of a symbolic link there.
    QString finalPath() const { return m_finalPath; }
    // Why the result cannot go there (a folder, or anything else that is not a regular file),
    // or an empty text.
    QString refusal() const;

    // Each gives an empty text on success, else the reason. Nothing reaches `path` unless
    // commit succeeds; a file that is not committed is removed.
    QString open();
    // Each piece reaches the system before write returns: another reader of the file aside
    // sees it at once.
    QString write(const QByteArray &piece);
    QString commit();
    // Puts a complete file that another writer made in the folder of finalPath() in place, as
    // commit does; that file is removed when this fails.
    QString commitFileAside(const QString &fileAside);
    // The file aside, once open.
    QString pathAside() const { return m_file.fileName(); }
    // The file aside as a device, for writers that take one (pictures); what they write reaches
    // `path` only through commit.
    QIODevice &device() { return m_file; }

    // The whole contents at once.
    static QString write(const QString &path, const QByteArray &contents);

private:
    QString failure(const QString &reason) const;
    // The permissions the result gets: those of the file it replaces, or a new file's.
    QFileDevice::Permissions resultPermissions() const;
    QString renameIntoPlace(const QString &fileAside) const;

    QString m_path;
    QString m_finalPath; // the target of a symbolic link at `path`
    QTemporaryFile m_file;
};
