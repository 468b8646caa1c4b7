#include "rawframefile.h"

#include "atomicfile.h"
#include "formulas.h"

#include <QIODevice>
#include <QtDebug>
#include <QtEndian>

QByteArray RawFrameFile::fileBytes(const QByteArray &frame, const FrameHeader &header)
{
    QByteArray bytes = frame;
    if (header.format != CubrixUtils::Formulas::FormatYCbCr444Le
        && header.format != CubrixUtils::Formulas::FormatRgb444Le)
        return bytes;
    if (!header.problemWith(frame.size()).isEmpty())
        return bytes;
    auto *data = reinterpret_cast<uchar *>(bytes.data());
    for (int y = 0; y < header.height; ++y) {
        uchar *line = data + header.lineOffset(y);
        for (int x = 0; x < header.width; ++x) {
            uchar *word = line + 4 * x;
            qToLittleEndian(exchangeOuterFields(qFromLittleEndian<quint32>(word)), word);
        }
    }
    return bytes;
}

bool RawFrameFile::write(const QString &path, const QByteArray &frame, const FrameHeader &header)
{
    const QByteArray bytes = fileBytes(frame, header);
    const bool written = AtomicFile::write(path, [&bytes](QIODevice &file) { return file.write(bytes) == bytes.size(); });
    // A frame that did not reach the disk must not pass for a saved one.
    if (!written)
        qWarning().nospace().noquote() << "failed to write " << path;
    return written;
}
