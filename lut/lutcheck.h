#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include "lutentry.h"

#include <functional>

// What the program's own .cube reader and size probes make of a 3D LUT file, and whether the
// devices' LUT operations would take it whole: the grid they recognise, the entries they
// read, the decimals they would write when resampling, the values, and every line the reader
// passes over, with its number and why.
class LutCheck
{
public:
    struct SkippedLine {
        int number = 0;
        QString reason;
        QString text;
    };

    struct Report {
        QString path;
        bool readable = false;
        int declaredSize = 0;   // from the first "LUT_3D_SIZE" line, however it is spaced; 0 if none
        int declaredLine = 0;
        int recognisedSize = 0; // 17 or 33 when the devices' size test recognises the file, else 0
        int entries = 0;        // lines of three pieces
        int unreadableEntries = 0;
        int decimals = 0;       // digits the resamplers would write
        bool haveValues = false;
        float minimum[3] = {0, 0, 0};
        float maximum[3] = {0, 0, 0};
        int outOfRange = 0;     // values outside 0.0 to 1.0
        QList<SkippedLine> skipped;
        QStringList problems;   // the devices would refuse the file or send it incomplete
        QStringList warnings;   // it would go out, but not quite as the file says

        bool ok() const { return readable && problems.isEmpty(); }
        int expectedEntries() const { return recognisedSize * recognisedSize * recognisedSize; }
        QJsonObject toJson() const;
        QStringList toText() const;
    };

    // A LUT file is a few megabytes at most; a file (or a stream) far larger is refused unread.
    static constexpr qint64 MaxFileSize = qint64(256) * 1024 * 1024;

    static Report checkCube(const QString &path);
    // Told each readable entry, in file order (those of a file that passes the check are
    // exactly the entries the resamplers read from it).
    using EntrySink = std::function<void(const CubrixUtils::LutEntry &entry)>;
    // The same for the contents of the file at `path`, already read.
    static Report checkCubeText(const QString &path, const QByteArray &text, const EntrySink &entrySink = EntrySink());

    // A binary 3D LUT image: a 128-byte header and 17 x 17 x 17 packed words.
    static constexpr int BinaryImageSize = 19780;
    // Problems of a binary 3D LUT image (.dat): its length, fixed header bytes and checksums.
    static QStringList checkBinaryImage(const QByteArray &image);

    // A skipped line as a user can read it: printable characters only, at most 120 of them.
    static QString printable(const char *begin, int size);
};
