#include "lutcheck.h"

#include "cubeentryreader.h"
#include "cubetextwriter.h"
#include "cubrixutils.h"

#include <QFile>

#include <QJsonArray>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstring>

using CubrixUtils::CubeEntryReader;
using CubrixUtils::CubeLineScanner;
using CubrixUtils::LutEntry;

namespace {

QStringList words(const CubeLineScanner::Line &line)
{
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    return QString::fromLatin1(line.begin, line.size()).split(whiteSpace, Qt::SkipEmptyParts);
}

constexpr int BinaryHeaderSize = 128;
const uchar BinaryMagic[8] = {0x99, 0x02, 0x34, 0x42, 0x00, 0x00, 0x00, 0x02};

QString skipReasonText(CubeEntryReader::SkipReason reason, const CubeLineScanner::Line &line)
{
    switch (reason) {
    case CubeEntryReader::SkipReason::Blank:
        return QStringLiteral("blank line");
    case CubeEntryReader::SkipReason::Comment:
        return QStringLiteral("comment");
    case CubeEntryReader::SkipReason::Keyword:
        return QStringLiteral("keyword line, not an entry");
    case CubeEntryReader::SkipReason::NotThreePieces: {
        const int pieces = words(line).size();
        return QStringLiteral("%1 pieces, an entry has three").arg(pieces);
    }
    }
    return QString();
}


// A DOMAIN_MIN or DOMAIN_MAX line that does not say what the devices assume (0 or 1 on every
// axis) changes what the table means; the devices ignore it.
void checkDomain(const CubeLineScanner::Line &line, int number, LutCheck::Report &report)
{
    const QStringList pieces = words(line);
    const bool isMin = pieces.value(0) == QLatin1String("DOMAIN_MIN");
    const bool isMax = pieces.value(0) == QLatin1String("DOMAIN_MAX");
    if (!isMin && !isMax)
        return;
    const float expected = isMin ? 0.0f : 1.0f;
    bool usual = pieces.size() == 4;
    for (int i = 1; usual && i < 4; ++i) {
        const QByteArray piece = pieces.at(i).toLatin1();
        float value = 0;
        usual = CubeEntryReader::toFloat(piece.constData(), piece.constData() + piece.size(), value)
                && value == expected;
    }
    if (!usual)
        report.warnings << QStringLiteral("line %1: \"%2\" is ignored: the devices take the domain as 0.0 to 1.0")
                               .arg(number)
                               .arg(LutCheck::printable(line.begin, line.size()));
}

void checkSizeLine(const CubeLineScanner::Line &line, int number, LutCheck::Report &report, int &sizeLines)
{
    if (!line.startsWith("LUT_3D_SIZE"))
        return;
    ++sizeLines;
    if (sizeLines > 1) {
        report.problems << QStringLiteral("line %1: a second LUT_3D_SIZE line (the first is line %2)")
                               .arg(number)
                               .arg(report.declaredLine);
        return;
    }
    report.declaredLine = number;
    const QStringList pieces = words(line);
    bool ok = false;
    const int size = pieces.value(1).toInt(&ok);
    report.declaredSize = pieces.size() == 2 && ok && pieces.at(0) == QLatin1String("LUT_3D_SIZE") ? size : -1;
}

} // namespace

QString LutCheck::printable(const char *begin, int size)
{
    QString text;
    const int shown = qMin(size, 120);
    for (int i = 0; i < shown; ++i) {
        const uchar c = static_cast<uchar>(begin[i]);
        text += (c >= 0x20 && c < 0x7F) || c == '\t' ? QChar(c) : QChar('?');
    }
    if (size > shown)
        text += QStringLiteral("...");
    return text;
}

LutCheck::Report LutCheck::checkCube(const QString &path)
{
    Report report;
    report.path = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        report.problems << QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return report;
    }
    // Read with a bound: a pipe or a device node has no size to refuse beforehand.
    const QByteArray text = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        report.problems << QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return report;
    }
    if (text.size() > MaxFileSize) {
        report.problems << QStringLiteral("cannot read %1: more than %2 bytes is too large for a LUT").arg(path).arg(MaxFileSize);
        return report;
    }
    return checkCubeText(path, text);
}

LutCheck::Report LutCheck::checkCubeText(const QString &path, const QByteArray &text, const EntrySink &entrySink)
{
    Report report;
    report.path = path;
    report.readable = true;
    if (text.isEmpty()) {
        report.problems << QStringLiteral("the file is empty");
        return report;
    }

    // The size probes and the decimal count of the program itself, on the file as stored.
    if (CubrixUtils::isCubeTextSize33(text))
        report.recognisedSize = 33;
    else if (CubrixUtils::isCubeTextSize17(text))
        report.recognisedSize = 17;
    report.decimals = CubrixUtils::cubeTextDecimals(text);

    int sizeLines = 0;
    bool has1dSize = false;
    CubeEntryReader reader(text);
    reader.setSkipObserver([&](int number, CubeEntryReader::SkipReason reason, const CubeLineScanner::Line &line) {
        report.skipped << SkippedLine{number, skipReasonText(reason, line), printable(line.begin, line.size())};
        if (reason != CubeEntryReader::SkipReason::Keyword)
            return;
        checkSizeLine(line, number, report, sizeLines);
        checkDomain(line, number, report);
        if (line.startsWith("LUT_1D_SIZE"))
            has1dSize = true;
    });

    bool nonIntegerValue = false;
    while (reader.nextCandidate()) {
        ++report.entries;
        LutEntry entry;
        if (!reader.convert(entry)) {
            ++report.unreadableEntries;
            QStringList bad;
            for (int i = 0; i < 3; ++i) {
                const CubeLineScanner::Line &piece = reader.piece(i);
                float value = 0;
                if (!CubeEntryReader::toFloat(piece.begin, piece.end, value))
                    bad << QLatin1Char('\'') + printable(piece.begin, piece.size()) + QLatin1Char('\'');
            }
            const CubeLineScanner::Line &first = reader.piece(0);
            const CubeLineScanner::Line &last = reader.piece(2);
            report.skipped << SkippedLine{reader.lineNumber(),
                                          QStringLiteral("%1 not a number: the binary conversion drops the line, "
                                                         "resampling reads it as 0.0")
                                              .arg(bad.join(QStringLiteral(", "))),
                                          printable(first.begin, int(last.end - first.begin))};
            continue;
        }
        if (entrySink)
            entrySink(entry);
        const float values[3] = {entry.red, entry.green, entry.blue};
        for (int i = 0; i < 3; ++i) {
            if (!report.haveValues || values[i] < report.minimum[i])
                report.minimum[i] = values[i];
            if (!report.haveValues || values[i] > report.maximum[i])
                report.maximum[i] = values[i];
            if (values[i] < 0.0f || values[i] > 1.0f)
                ++report.outOfRange;
            if (values[i] != std::floor(values[i]))
                nonIntegerValue = true;
        }
        report.haveValues = true;
    }

    if (report.declaredSize == 0) {
        report.problems << (has1dSize ? QStringLiteral("a 1D LUT (LUT_1D_SIZE): the devices' 3D LUT operations "
                                                       "do not recognise it")
                                      : QStringLiteral("no LUT_3D_SIZE line: the devices cannot tell its grid size"));
    } else if (report.recognisedSize == 0) {
        if (report.declaredSize == 17 || report.declaredSize == 33)
            report.problems << QStringLiteral("line %1: the size line is not recognised by the devices' size test, "
                                              "which needs exactly \"LUT_3D_SIZE %2\" (one space)")
                                   .arg(report.declaredLine)
                                   .arg(report.declaredSize);
        else
            report.problems << QStringLiteral("line %1: the devices take 17- and 33-point LUTs only")
                                   .arg(report.declaredLine);
    }
    if (report.recognisedSize > 0 && report.entries != report.expectedEntries()) {
        report.problems << QStringLiteral("%1 entries, a %2-point LUT has %3: the devices would %4")
                               .arg(report.entries)
                               .arg(report.recognisedSize)
                               .arg(report.expectedEntries())
                               .arg(report.entries < report.expectedEntries()
                                        ? QStringLiteral("refuse it or send it incomplete")
                                        : QStringLiteral("drop the entries beyond the grid or refuse the file"));
    }
    if (report.unreadableEntries > 0)
        report.problems << QStringLiteral("%1 entry line(s) hold pieces that are not numbers").arg(report.unreadableEntries);

    if (report.outOfRange > 0)
        report.warnings << QStringLiteral("%1 value(s) outside 0.0 to 1.0: a binary image clamps them").arg(report.outOfRange);
    if (report.decimals > CubrixUtils::CubeTextWriter::MaxDecimals)
        report.warnings << QStringLiteral("values with %1 decimals: resampled text keeps %2")
                               .arg(report.decimals)
                               .arg(CubrixUtils::CubeTextWriter::MaxDecimals);
    else if (report.decimals == 0 && nonIntegerValue)
        report.warnings << QStringLiteral("no decimals are counted after the size line: resampled text would "
                                          "round every value to a whole number");
    if (!path.endsWith(QLatin1String(".cube"), Qt::CaseInsensitive))
        report.warnings << QStringLiteral("the name does not end in .cube: the monitors' preview refuses it");
    return report;
}

QStringList LutCheck::checkBinaryImage(const QByteArray &image)
{
    QStringList problems;
    if (image.size() != BinaryImageSize) {
        problems << QStringLiteral("%1 bytes, a binary 3D LUT image has %2").arg(image.size()).arg(BinaryImageSize);
        return problems;
    }
    const auto *bytes = reinterpret_cast<const uchar *>(image.constData());
    if (std::memcmp(bytes, BinaryMagic, sizeof BinaryMagic) != 0)
        problems << QStringLiteral("the first eight bytes are not those of a binary 3D LUT image");
    quint32 dataSum = 0;
    for (int i = BinaryHeaderSize; i < BinaryImageSize; ++i)
        dataSum += bytes[i];
    const quint32 storedSum = quint32(bytes[40]) | quint32(bytes[41]) << 8 | quint32(bytes[42]) << 16
                              | quint32(bytes[43]) << 24;
    const quint32 storedLength = quint32(bytes[44]) | quint32(bytes[45]) << 8 | quint32(bytes[46]) << 16
                                 | quint32(bytes[47]) << 24;
    if (storedSum != dataSum)
        problems << QStringLiteral("data checksum 0x%1 does not match the entries (0x%2)")
                        .arg(storedSum, 8, 16, QLatin1Char('0'))
                        .arg(dataSum, 8, 16, QLatin1Char('0'));
    if (storedLength != quint32(BinaryImageSize - BinaryHeaderSize))
        problems << QStringLiteral("data length field %1, not %2").arg(storedLength).arg(BinaryImageSize - BinaryHeaderSize);
    uchar headerSum = 0;
    for (int i = 0; i < BinaryHeaderSize - 1; ++i)
        headerSum = uchar(headerSum + bytes[i]);
    if (headerSum != bytes[BinaryHeaderSize - 1])
        problems << QStringLiteral("header checksum 0x%1 does not match (0x%2)")
                        .arg(bytes[BinaryHeaderSize - 1], 2, 16, QLatin1Char('0'))
                        .arg(headerSum, 2, 16, QLatin1Char('0'));
    for (int i = 0; i < (BinaryImageSize - BinaryHeaderSize) / 4; ++i) {
        if (bytes[BinaryHeaderSize + 4 * i] & 0xC0) {
            problems << QStringLiteral("entry %1 has bits 30-31 set").arg(i);
            break;
        }
    }
    return problems;
}

QJsonObject LutCheck::Report::toJson() const
{
    QJsonObject object;
    object.insert(QStringLiteral("file"), path);
    object.insert(QStringLiteral("ok"), ok());
    object.insert(QStringLiteral("declaredSize"), declaredSize);
    object.insert(QStringLiteral("size"), recognisedSize);
    object.insert(QStringLiteral("entries"), entries);
    object.insert(QStringLiteral("expectedEntries"), expectedEntries());
    object.insert(QStringLiteral("decimals"), decimals);
    if (haveValues) {
        static const char *const names[] = {"red", "green", "blue"};
        QJsonObject range;
        for (int i = 0; i < 3; ++i)
            range.insert(QLatin1String(names[i]), QJsonArray{double(minimum[i]), double(maximum[i])});
        object.insert(QStringLiteral("range"), range);
    }
    object.insert(QStringLiteral("outOfRange"), outOfRange);
    QJsonArray lines;
    for (const SkippedLine &line : skipped)
        lines.append(QJsonObject{{QStringLiteral("line"), line.number},
                                 {QStringLiteral("reason"), line.reason},
                                 {QStringLiteral("text"), line.text}});
    object.insert(QStringLiteral("skipped"), lines);
    object.insert(QStringLiteral("problems"), QJsonArray::fromStringList(problems));
    object.insert(QStringLiteral("warnings"), QJsonArray::fromStringList(warnings));
    return object;
}

QStringList LutCheck::Report::toText() const
{
    QStringList lines;
    lines << QStringLiteral("file: %1").arg(path);
    if (!readable) {
        lines << problems;
        return lines;
    }
    lines << QStringLiteral("size: %1").arg(recognisedSize > 0 ? QStringLiteral("%1 points").arg(recognisedSize)
                                                               : declaredSize > 0 ? QStringLiteral("%1 points, not recognised").arg(declaredSize)
                                                                                  : QStringLiteral("unknown"));
    lines << QStringLiteral("entries: %1%2").arg(entries).arg(recognisedSize > 0 ? QStringLiteral(" of %1").arg(expectedEntries()) : QString());
    lines << QStringLiteral("decimals: %1").arg(decimals);
    if (haveValues) {
        lines << QStringLiteral("value range: red %1 to %2, green %3 to %4, blue %5 to %6")
                     .arg(double(minimum[0])).arg(double(maximum[0]))
                     .arg(double(minimum[1])).arg(double(maximum[1]))
                     .arg(double(minimum[2])).arg(double(maximum[2]));
    } else {
        lines << QStringLiteral("value range: no readable entries");
    }
    lines << QStringLiteral("skipped lines: %1").arg(skipped.size());
    QList<SkippedLine> ordered = skipped;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const SkippedLine &a, const SkippedLine &b) { return a.number < b.number; });
    for (const SkippedLine &line : ordered)
        lines << (line.text.isEmpty() ? QStringLiteral("  line %1: %2").arg(line.number).arg(line.reason)
                                      : QStringLiteral("  line %1: %2: %3").arg(line.number).arg(line.reason, line.text));
    for (const QString &warning : warnings)
        lines << QStringLiteral("warning: %1").arg(warning);
    for (const QString &problem : problems)
        lines << QStringLiteral("problem: %1").arg(problem);
    lines << (ok() ? QStringLiteral("result: OK") : QStringLiteral("result: FAILED"));
    return lines;
}
