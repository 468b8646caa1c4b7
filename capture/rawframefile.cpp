#include "rawframefile.h"

#include "atomicfile.h"
#include "formulas.h"

#include <QIODevice>
#include <QtDebug>
#include <QtEndian>
#include <algorithm>

QByteArray RawFrameFile::fileBytes(const QByteArray &frame, const FrameHeader &header)
{
    QByteArray bytes = frame;
    if (header.format != CubrixUtils::Formulas::FormatYCbCr444Le
        && header.format != CubrixUtils::Formulas::FormatRgb444Le)
        return bytes;
    auto *data = reinterpret_cast<uchar *>(bytes.data());
    const qint64 wordsPerLine = std::min<qint64>(header.width, header.pitch / 4);
    for (int y = 0; y < header.height; ++y) {
        const qint64 line = header.lineOffset(y);
        const qint64 words = std::min(wordsPerLine, (bytes.size() - line) / 4);
        if (words <= 0)
            break; // this line and every later one start past the received bytes
        for (qint64 x = 0; x < words; ++x) {
            uchar *word = data + line + 4 * x;
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
