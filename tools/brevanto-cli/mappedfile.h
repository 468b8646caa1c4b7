#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A whole input file as bytes, mapped into memory where the system allows and read otherwise.
// Mapping hands over the pages the system already holds for the file; reading would copy them
// into fresh memory, and touching a fresh page costs more than the conversions spend on it.
// What cannot be mapped (a pipe, a device, a file the system gives no size for) is read only
// up to the largest size allowed, since such a source may never end.
// The bytes stay valid while the object lives.
class MappedFile
{
public:
    // Opens and maps (or reads) the file; false, with errorString() saying why, when it cannot
    // be read or is larger than `maximumSize` bytes.
    bool open(const QString &path, qint64 maximumSize);

    const QByteArray &bytes() const { return m_bytes; }
    // The file's size, also when open refused it as too large; -1 for a source that cannot be
    // mapped and went on past `maximumSize` bytes.
    qint64 size() const { return m_size; }
    bool tooLarge() const { return m_tooLarge; }
    QString errorString() const { return m_error; }

private:
    bool readBounded(qint64 maximumSize);

    QFile m_file;
    QByteArray m_bytes;
    qint64 m_size = 0;
    bool m_tooLarge = false;
    QString m_error;
};
