// LUT files (the .cube reader, the probes, the binary 3D image, the text writer, resampling, the
// identity tables) against their rules written out plainly below, on random files that reach the
// fast paths too, and against published or hand-worked values.

#include "lut/cubedecimalscanner.h"
#include "lut/cubeentryreader.h"
#include "lut/cubrixutils.h"
#include "lut/identitylut.h"
#include "bytes.h"
#include "cubefiles.h"
#include "logcapture.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>

using namespace CubeFiles;
using CubrixUtils::CubeEntryReader;
using Rule = CubeEntryReader::UnreadablePiece;

namespace {

using Values = std::array<float, 3>;

QList<QByteArray> trimmedLines(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    std::transform(lines.begin(), lines.end(), lines.begin(), [](const QByteArray &line) { return line.trimmed(); });
    return lines;
}

// The first line mentioning 17 or 33 starts the scan of the others' "[0-9]*\.[0-9]+" fractions.
int decimalsByRule(const QByteArray &text)
{
    static const QRegularExpression fraction(QStringLiteral("[0-9]*\\.([0-9]+)"));
    int result = 0;
    bool scanning = false;
    for (const QByteArray &line : trimmedLines(text)) {
        const bool mentionsSize = line.contains("17") || line.contains("33");
        scanning = scanning || mentionsSize;
        if (!scanning || mentionsSize)
            continue;
        for (auto it = fraction.globalMatch(QString::fromLatin1(line)); it.hasNext();)
            result = std::max(result, it.next().capturedLength(1));
    }
    return result;
}

// "LUT_3D_SIZE", split at every single space with empty pieces kept: two pieces, the second the size.
bool declaresSizeByRule(const QByteArray &text, const QByteArray &size)
{
    for (const QByteArray &line : trimmedLines(text)) {
        const QList<QByteArray> pieces = line.split(' ');
        if (line.startsWith("LUT_3D_SIZE") && pieces.size() == 2 && pieces[1] == size)
            return true;
    }
    return false;
}

// strtof (C locale) taking the whole piece, finite; the generators write only numbers and words.
bool convertsByRule(const QByteArray &piece, float &value)
{
    errno = 0;
    char *end = nullptr;
    value = std::strtof(piece.constData(), &end);
    return !piece.isEmpty() && end == piece.constData() + piece.size() && errno == 0 && std::isfinite(value);
}

// Keyword, comment, empty lines passed over; three pieces; one unreadable drops the line or reads 0.
std::vector<Values> entriesByRule(const QByteArray &text, bool skipUnreadable, int limit = -1)
{
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    std::vector<Values> entries;
    for (const QByteArray &line : trimmedLines(text)) {
        const QStringList pieces = QString::fromLatin1(line).split(whiteSpace, Qt::SkipEmptyParts);
        if ((limit >= 0 && int(entries.size()) >= limit) || line.startsWith('#') || line.startsWith("TITLE")
            || line.startsWith("DOMAIN_") || line.startsWith("LUT_") || pieces.size() != 3)
            continue;
        Values values{};
        bool all = true;
        for (std::size_t i = 0; i < 3; ++i)
            all = convertsByRule(pieces[int(i)].toLatin1(), values[i]) ? all : (values[i] = 0.0f, false);
        if (all || !skipUnreadable)
            entries.push_back(values);
    }
    return entries;
}

// Truncation of v x 1023 + 0.5, each step in single precision, clamped to 10 bits.
quint32 codeByRule(float v)
{
    volatile float product = v * 1023.0f;
    const float sum = product + 0.5f;
    return !(sum >= 0.0f) ? 0 : sum >= 1023.0f ? 1023 : quint32(sum);
}

QByteArray binaryImageByRule(const std::vector<Values> &entries)
{
    QByteArray header(128, '\0');
    QByteArray data;
    for (const Values &v : entries)
        data += Bytes::be32(codeByRule(v[0]) | codeByRule(v[1]) << 10 | codeByRule(v[2]) << 20);
    quint32 dataSum = 0;
    for (char byte : data)
        dataSum += uchar(byte);
    header.replace(0, 8, QByteArray::fromHex("9902344200000002"));
    header.replace(40, 8, Bytes::le32({qint32(dataSum), qint32(data.size())}));
    uint headerSum = 0;
    for (int i = 0; i < 127; ++i)
        headerSum += uchar(header[i]);
    header[127] = char(headerSum);
    return header + data;
}

QByteArray textByRule(int points, const std::vector<Values> &entries, int decimals)
{
    QByteArray text = sizeLine(points) + "\n";
    for (const Values &v : entries)
        text += written(v[0], decimals) + ' ' + written(v[1], decimals) + ' ' + written(v[2], decimals) + '\n';
    return text;
}

// The first row of the table whose order of fractions holds, left to right in single precision.
float tetrahedralByRule(const float c[2][2][2], float fr, float fg, float fb)
{
    const float c000 = c[0][0][0], c100 = c[1][0][0], c010 = c[0][1][0], c001 = c[0][0][1];
    const float c110 = c[1][1][0], c101 = c[1][0][1], c011 = c[0][1][1], c111 = c[1][1][1];
    if (fr >= fg && fg >= fb)
        return c000 + (c100 - c000) * fr + (c110 - c100) * fg + (c111 - c110) * fb;
    if (fr >= fb && fb >= fg)
        return c000 + (c100 - c000) * fr + (c101 - c100) * fb + (c111 - c101) * fg;
    if (fb >= fr && fr >= fg)
        return c000 + (c001 - c000) * fb + (c101 - c001) * fr + (c111 - c101) * fg;
    if (fb >= fg && fg >= fr)
        return c000 + (c001 - c000) * fb + (c011 - c001) * fg + (c111 - c011) * fr;
    if (fg >= fb && fb >= fr)
        return c000 + (c010 - c000) * fg + (c011 - c010) * fb + (c111 - c011) * fr;
    return c000 + (c010 - c000) * fg + (c110 - c010) * fr + (c111 - c110) * fb;
}

// Down: input (2r, 2g, 2b); up: interpolated at p = i x 0.03125 x 16, base floor(p) up to 15.
QByteArray resampledByRule(const QByteArray &source, bool down)
{
    const int in = down ? 33 : 17, out = down ? 17 : 33;
    const std::vector<Values> input = entriesByRule(source, false, in * in * in);
    if (int(input.size()) < in * in * in)
        return QByteArray();
    std::vector<Values> output;
    for (int i = 0; i < out * out * out; ++i) {
        const int index[3] = {i % out, i / out % out, i / out / out};
        int k[3];
        float f[3];
        for (int axis = 0; axis < 3; ++axis) {
            const float p = float(index[axis]) * 0.03125f * 16.0f;
            k[axis] = std::min(int(std::floor(p)), 15);
            f[axis] = p - float(k[axis]);
        }
        Values value = down ? input[std::size_t(2 * index[0] + 66 * index[1] + 2178 * index[2])] : Values{};
        for (std::size_t component = 0; !down && component < 3; ++component) {
            float c[2][2][2];
            for (int corner = 0; corner < 8; ++corner) {
                const int x = corner & 1, y = corner >> 1 & 1, z = corner >> 2;
                c[x][y][z] = input[std::size_t(k[0] + x + 17 * (k[1] + y) + 289 * (k[2] + z))][component];
            }
            value[component] = tetrahedralByRule(c, f[0], f[1], f[2]);
        }
        output.push_back(value);
    }
    return textByRule(out, output, std::min(decimalsByRule(source), 20));
}

class RandomCube
{
public:
    explicit RandomCube(quint32 seed) : m_random(seed) {}
    int bounded(int high) { return int(m_random.bounded(high)); }
    bool chance(int percent) { return bounded(100) < percent; }
    QByteArray digits(int count) { return count > 0 ? char('0' + bounded(10)) + digits(count - 1) : QByteArray(); }
    QByteArray separator() { return chance(90) ? " " : chance(50) ? "\t" : "  "; }
    QByteArray lineEnd() const { return m_crlf ? "\r\n" : "\n"; }
    QByteArray withoutLastLineEnd(const QByteArray &text) { return chance(30) ? text.left(text.size() - lineEnd().size()) : text; }
    // A number the way LUT files write them, now and then in a rarer form.
    QByteArray number(int decimals)
    {
        const int form = bounded(100);
        const double value = m_random.generateDouble();
        return form < 80   ? fixed(value * (chance(10) ? 2.5 : 1.0) - (chance(5) ? 1.0 : 0.0), decimals)
               : form < 85 ? "+" + fixed(value, decimals)
               : form < 90 ? "." + digits(1 + bounded(8))
               : form < 93 ? digits(1 + bounded(3)) + "."
               : form < 97 ? fixed(value, bounded(7)) + "e-" + QByteArray::number(1 + bounded(9))
                           : QByteArray::number(bounded(5));
    }
    QByteArray decoration()
    {
        const QByteArray kinds[] = {"TITLE \"grade v" + digits(1) + "." + digits(bounded(12)) + "\"", "", "   ", "0.5 0.25",
                                    "# made by a test " + digits(2) + "." + digits(bounded(30)), "DOMAIN_MIN 0.0 0.0 0.0",
                                    "LUT_1D_INPUT_RANGE 0.0 1.0", "0.5 0.25 0.125 1"};
        return kinds[bounded(int(std::size(kinds)))];
    }
    // An entry-shaped line; now and then a piece is a word.
    QByteArray entryLine(int decimals, bool allowWords)
    {
        QByteArray line = chance(5) ? "  " : "";
        for (int i = 0; i < 3; ++i)
            line += (i ? separator() : "") + (allowWords && chance(1) ? QByteArray("n/a") : number(decimals));
        return line + (chance(5) ? " " : "");
    }
    QByteArray cubeFile(int points, int entries, bool allowWords)
    {
        m_crlf = chance(20);
        const int decimals = chance(70) ? 6 : bounded(12);
        QByteArray text;
        for (int i = bounded(4); i > 0; --i)
            text += decoration() + lineEnd();
        text += "LUT_3D_SIZE " + QByteArray::number(points) + lineEnd();
        for (int i = 0; i < entries; ++i)
            text += (chance(1) ? decoration() + lineEnd() : "") + entryLine(chance(2) ? bounded(14) : decimals, allowWords) + lineEnd();
        return withoutLastLineEnd(text);
    }
    // Text that probes the decimal count: lines mentioning 17 or 33, points in odd places, long
    // fractions and long lines across the 64-byte steps of the fast scan, and the usual entries.
    QByteArray decimalText()
    {
        m_crlf = chance(20);
        const int usual = bounded(12);
        QByteArray text;
        for (int lines = bounded(400); lines > 0; --lines) {
            const int kind = bounded(100);
            QByteArray line = kind < 3   ? QByteArray(chance(50) ? "LUT_3D_SIZE 33" : "LUT_3D_SIZE 17")
                              : kind < 6 ? "0.117647 " + digits(1) + "." + digits(bounded(40)) + " 0.5"
                              : kind < 8 ? digits(bounded(3)) + "." + digits(bounded(3)) + "." + digits(bounded(50)) + "..5 5."
                              : kind < 12 ? decoration() : QByteArray();
            for (int i = kind < 12 ? 0 : kind < 16 ? 1 + bounded(20) : 3; i > 0; --i)
                line += separator() + digits(bounded(3)) + "."
                        + digits(kind < 16 ? bounded(70) : chance(3) ? usual + 1 + bounded(30) : usual - (chance(20) ? bounded(usual + 1) : 0));
            text += line + lineEnd();
        }
        return withoutLastLineEnd(text);
    }

private:
    QRandomGenerator m_random;
    bool m_crlf = false;
};

QByteArray withLine(QByteArray text, int index, const QByteArray &replacement)
{
    QList<QByteArray> lines = splitLines(text);
    lines[index] = replacement;
    return lines.join('\n') + '\n';
}

} // namespace

class TestLutFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        useCNumericLocale();
        QVERIFY(m_dir.isValid());
    }

    void probesFollowTheRules()
    {
        RandomCube random(4711);
        for (int round = 0; round < 1500; ++round) {
            const QByteArray text = random.decimalText();
            const int expected = decimalsByRule(text);
            if (CubrixUtils::cubeTextDecimals(text) != expected || CubrixUtils::CubeDecimalScanner::decimalsBytewise(text) != expected)
                QFAIL(qPrintable(QStringLiteral("round %1: the rule gives %2 for:\n%3").arg(round).arg(expected).arg(QString::fromLatin1(text))));
            if (round % 100 == 0)
                QCOMPARE(CubrixUtils::cubeDecimals(write(text)), expected);
        }
        const QByteArray sizeLines[] = {"LUT_3D_SIZE 33", "LUT_3D_SIZE 17", "LUT_3D_SIZE  33", "LUT_3D_SIZE\t17",
                                        "  LUT_3D_SIZE 33  ", "LUT_3D_SIZE 333", "LUT_3D_SIZE33", "LUT_3D_SIZE 17 ",
                                        "LUT_3D_SIZE_X 33", "LUT_3D_SIZE 3", "# LUT_3D_SIZE 33", "lut_3d_size 33",
                                        "LUT_3D_SIZE 33 33", "LUT_3D_SIZE 17\r", "LUT_3D_SIZE 033", "LUT_1D_SIZE 17"};
        for (int round = 0; round < 400; ++round) {
            QByteArray text;
            for (int lines = random.bounded(6); lines > 0; --lines)
                text += (random.chance(50) ? sizeLines[random.bounded(int(std::size(sizeLines)))] : random.entryLine(6, true))
                        + (random.chance(20) ? "\r\n" : "\n");
            const QString path = round % 40 ? QString() : write(text);
            QCOMPARE(path.isEmpty() ? CubrixUtils::isCubeTextSize33(text) : CubrixUtils::isCubeSize33(path), declaresSizeByRule(text, "33"));
            QCOMPARE(path.isEmpty() ? CubrixUtils::isCubeTextSize17(text) : CubrixUtils::isCubeSize17(path), declaresSizeByRule(text, "17"));
        }
        // A file that cannot be read declares nothing and has no decimals; nor has a directory.
        const QString missing = m_dir.filePath(QStringLiteral("missing.cube"));
        QVERIFY(!CubrixUtils::isCubeSize33(missing) && !CubrixUtils::isCubeSize17(missing));
        QCOMPARE(CubrixUtils::cubeDecimals(missing) + CubrixUtils::cubeDecimals(m_dir.path()), -2);
        const char *const nothing = ""; // an empty piece, which no line gives, is no number either
        float value = 1.0f;
        QVERIFY(!CubeEntryReader::toFloat(nothing, nothing, value) && value == 1.0f);
    }

    void lineRules_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("skipLine");   // the entries when an unreadable piece drops its line
        QTest::addColumn<QString>("countAsZero"); // ... and when it reads as 0
        QTest::newRow("vertical tab and form feed split") << QByteArray("1\v2\f3\n") << "1 2 3" << "1 2 3";
        QTest::newRow("carriage return alone is blank") << QByteArray("1 2\r3\n") << "1 2 3" << "1 2 3";
        QTest::newRow("keywords are case-sensitive") << QByteArray("title a b\n") << "" << "0 0 0";
        QTest::newRow("keywords after blanks") << QByteArray("   LUT_X 1 2\n\tTITLE 1 2\n4 5 6") << "4 5 6" << "4 5 6";
        QTest::newRow("bad pieces") << QByteArray("0.5 abc 0.25\n0,1 0.3 nan\n") << "" << "0.5 0 0.25|0 0.3 0";
        QTest::newRow("non-ASCII byte is not blank") << QByteArray("1\xa0" "2 3\n") << "" << "";
        QTest::newRow("byte-order mark at the start only")
            << QByteArray("\xEF\xBB\xBF" "1 2 3\n\xEF\xBB\xBF" "4 5 6\n") << "1 2 3" << "1 2 3|0 5 6";
        // A number is an optional sign, digits with an optional point and an optional exponent, in
        // the float range (accepted ones meet strtof in the random files of the other tests).
        QTest::newRow("not numbers") << QByteArray("3.5e38 1e-50 0,5\n0x10 inf -infinity\nnan 0.5x 1e\n1e+ . -\n+-1 1.2.3 +")
                                     << "" << "0 0 0|0 0 0|0 0 0|0 0 0|0 0 0";
        QTest::newRow("float limits") << QByteArray("3.4028234e38 1e-45 -0") << "3.40282e+38 1.4013e-45 0" << "3.40282e+38 1.4013e-45 0";
    }

    void lineRules()
    {
        QFETCH(QByteArray, text);
        for (const Rule rule : {Rule::SkipLine, Rule::CountAsZero}) {
            QStringList entries;
            for (const CubrixUtils::LutEntry &e : CubeEntryReader::read(text, rule))
                entries << QStringLiteral("%1 %2 %3").arg(e.red).arg(e.green).arg(e.blue);
            QTEST(entries.join('|'), rule == Rule::SkipLine ? "skipLine" : "countAsZero");
        }
    }

    void binaryImageFollowsTheRule()
    {
        // The published words of the 17-point identity: 0, code 64 for red 0.0625, all ones last.
        const QByteArray image = CubrixUtils::cubeToBinaryLut(cubeFile(17, identity(17), 6));
        QVERIFY(image.size() == 19780 && image.mid(128, 8).toHex() == "0000000000000040" && image.right(4).toHex() == "3fffffff");
        QCOMPARE(image, binaryImageByRule(entriesByRule(cubeFile(17, identity(17), 6), true)));

        RandomCube random(2024);
        for (int round = 0; round < 16; ++round) {
            // Most rounds give exactly 4,913 readable entries; with words some lines drop out.
            const QByteArray text = random.cubeFile(17, 4913, round % 4 == 3);
            const std::vector<Values> entries = entriesByRule(text, true);
            LogCapture capture;
            QVERIFY2(CubrixUtils::cubeToBinaryLut(text) == (entries.size() == 4913 ? binaryImageByRule(entries) : QByteArray()),
                     qPrintable(QStringLiteral("round %1").arg(round)));
            QCOMPARE(capture.lines().size(), entries.size() == 4913 ? 0 : 1);
        }
    }

    void tenBitCodes_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<uint>("code");
        // Hand-worked; 0.358260 x 1023 + 0.5 is 366.99998 exactly and in double precision, but the
        // single-precision product rounds up to 366.5: code 367. Likewise 0.530303.
        const std::pair<const char *, uint> rows[] = {
            {"0", 0},        {"-0.0", 0},     {"1.0", 1023},     {"0.5", 512},        {"0.4999", 511},   {"0.0625", 64},
            {"0.000488", 0}, {"0.000490", 1}, {"1e-3", 1},       {"0.9990", 1022},    {"-0.25", 0},      {"1.0005", 1023},
            {"3.0e38", 1023}, {"-3.0e38", 0}, {"0.358260", 367}, {"0.530303", 543}};
        for (const auto &row : rows)
            QTest::newRow(row.first) << QByteArray(row.first) << row.second;
    }

    void tenBitCodes()
    {
        QFETCH(QByteArray, value);
        QFETCH(uint, code);
        const QByteArray text = withLine(entryLines(17, identity(17), 6), 1, "0.0625 " + value + " 1");
        QCOMPARE(CubrixUtils::cubeToBinaryLut(text).mid(132, 4), Bytes::be32(64u | code << 10 | 1023u << 20));
    }

    void wrongEntryCountRefused_data()
    {
        // What reads a full grid refuses any other number of entries (a file that cannot be read has none).
        QTest::addColumn<QByteArray>("reader"); // the binary image, or the down- or upsampler
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("found");
        const QByteArray identity17 = entryLines(17, identity(17), 6);
        QTest::newRow("word in the middle") << QByteArray("image") << withLine(identity17, 100, "0.5 green 0.5") << 4912;
        QTest::newRow("one entry too many") << QByteArray("image") << identity17 + "0 0 0\n" << 4914;
        QTest::newRow("33-point text") << QByteArray("image") << cubeFile(33, identity(33), 6) << 35937;
        QTest::newRow("empty") << QByteArray("image") << QByteArray() << 0;
        QTest::newRow("down, 17-point file") << QByteArray("down") << cubeFile(17, identity(17), 6) << 4913;
        QTest::newRow("down, cannot be read") << QByteArray("down") << QByteArray() << 0;
        QTest::newRow("up, header only") << QByteArray("up") << QByteArray("TITLE \"x\"\nLUT_3D_SIZE 17\n") << 0;
        QTest::newRow("up, 1D table") << QByteArray("up") << "LUT_1D_SIZE 4096\n" + entryLines(16, identity(16), 0) << 4096;
    }

    void wrongEntryCountRefused()
    {
        QFETCH(QByteArray, reader);
        QFETCH(QByteArray, contents);
        QFETCH(int, found);
        const QString path = contents.isEmpty() ? m_dir.filePath(QStringLiteral("missing.cube")) : write(contents);
        LogCapture capture;
        QVERIFY((reader == "image" ? CubrixUtils::cubeToBinaryLut(contents)
                 : reader == "down" ? CubrixUtils::downsampleCube33to17(path) : CubrixUtils::upsampleCube17to33(path)).isEmpty());
        QCOMPARE(capture.lines(), QStringList(QStringLiteral("ERROR: Expected %1 entries, found %2")
                                                  .arg(reader == "down" ? 35937 : 4913).arg(found)));
    }

    void fixedNotationLikePrintf()
    {
        // printf's fixed notation in the C locale, but zero without a minus sign whatever its sign bit.
        const auto formatted = [](float value, int decimals) {
            char buffer[CubrixUtils::CubeTextWriter::MaxFixedLength];
            return QByteArray(buffer, CubrixUtils::CubeTextWriter::formatFixed(buffer, value, decimals));
        };
        QCOMPARE(formatted(-0.0f, 3), QByteArray("0.000"));
        QCOMPARE(formatted(0.1f, 20), QByteArray("0.10000000149011611938"));
        QCOMPARE(formatted(0.5f, -3), QByteArray("0"));
        QRandomGenerator random(20240611);
        for (int i = 0; i < 12000; ++i) { // half any finite bit pattern, half 0 to 1, now and then -0
            float value = float(random.generateDouble());
            for (quint32 bits = random.generate(); i % 2 == 0 && (std::memcpy(&value, &bits, 4), !std::isfinite(value));)
                bits = random.generate();
            value = i % 1000 == 2 ? -0.0f : value;
            for (int decimals = 0; decimals <= CubrixUtils::CubeTextWriter::MaxDecimals; ++decimals)
                QVERIFY2(formatted(value, decimals) == written(double(value), decimals), qPrintable(QString::number(value, 'g', 9)));
        }
        QCOMPARE(CubrixUtils::CubeTextWriter::write(33, {{-0.25f, 0.125f, 2.0f}}, 0), QByteArray("LUT_3D_SIZE 33\n\n-0 0 2\n"));
    }

    void resamplingFollowsTheRule()
    {
        RandomCube random(1089);
        for (int round = 0; round < 10; ++round) {
            // Odd rounds upsample (extra entries are ignored); rounds 8 and 9 are a grid short.
            const bool down = round % 2 == 0;
            const int points = down ? 33 : 17;
            const int entries = points * points * points + (round >= 8 ? -1 : down ? 0 : random.bounded(3));
            const QByteArray text = random.cubeFile(points, entries, true);
            const QByteArray expected = resampledByRule(text, down);
            QCOMPARE(expected.isEmpty(), round >= 8);
            LogCapture capture;
            QCOMPARE(down ? CubrixUtils::downsampleCubeText33to17(text) : CubrixUtils::upsampleCubeText17to33(text), expected);
            QCOMPARE(down ? CubrixUtils::downsampleCube33to17(write(text)) : CubrixUtils::upsampleCube17to33(write(text)), expected);
            // Handed to a sink, the text comes in pieces of whole lines; nothing when the grid is short.
            QByteArrayList pieces;
            const CubrixUtils::CubeTextSink sink = [&pieces](const QByteArray &piece) { return piece.endsWith('\n') && (pieces << piece, true); };
            QCOMPARE(down ? CubrixUtils::downsampleCubeText33to17(text, sink) : CubrixUtils::upsampleCubeText17to33(text, sink),
                     !expected.isEmpty());
            if (!expected.isEmpty() || !down) // the short 17-point grid is found before anything is written
                QCOMPARE(pieces.join(), expected);
            QVERIFY(pieces.size() >= (expected.isEmpty() ? 0 : down ? 2 : 10));
            QCOMPARE(capture.lines().size(), expected.isEmpty() ? 3 : 0);
        }
        // A sink that refuses a piece is offered no more and fails the text.
        int offered = 0;
        QVERIFY(!CubrixUtils::upsampleCubeText17to33(cubeFile(17, identity(17), 6), [&offered](const QByteArray &) { return ++offered < 3; }));
        QCOMPARE(offered, 3);
    }

    void resamplingPublishedValues()
    {
        // Identity in, identity out, a source's "-0" written as 0; a byte-order mark first changes
        // nothing, and a three-word title after it is no entry.
        QList<QByteArray> lines = splitLines(entryLines(33, identity(33), 6));
        lines[0] = "-0 -0.0 -0.000000";
        lines[2] = "0.062500 -0.000 -.0";
        QCOMPARE(CubrixUtils::downsampleCube33to17(write(sizeLine(33) + lines.join('\n'))), cubeFile(17, identity(17), 6));
        const QByteArray title = "TITLE \"Identity 17\"\n";
        const QByteArray entries = entryLines(17, identity(17), 6);
        for (const QByteArray &text : {title + sizeLine(17) + entries, "\xEF\xBB\xBF" + title + sizeLine(17) + entries,
                                       "\xEF\xBB\xBF" + sizeLine(17) + title + entries}) {
            const QString path = write(text);
            QVERIFY(CubrixUtils::isCubeSize17(path) && !CubrixUtils::isCubeSize33(path));
            QCOMPARE(CubrixUtils::cubeDecimals(path), 6);
            QCOMPARE(CubrixUtils::cubeToBinaryLut(text), CubrixUtils::cubeToBinaryLut(entries));
            QCOMPARE(CubrixUtils::upsampleCube17to33(path), cubeFile(33, identity(33), 6));
        }
    }

    void upsampledPointsAreMeansOfCorners()
    {
        // Output points are means of two input points, here from the colour function in double precision.
        const QList<QByteArray> output = splitLines(CubrixUtils::upsampleCube17to33(write(cubeFile(17, curved(17), 6))));
        QCOMPARE(output.size(), 2 + 35937);
        const int rows[][9] = {{10, 4, 22, 5, 2, 11, 5, 2, 11}, {32, 32, 32, 16, 16, 16, 16, 16, 16}, {1, 0, 0, 0, 0, 0, 1, 0, 0},
                               {31, 32, 0, 15, 16, 0, 16, 16, 0}, {7, 11, 4, 3, 5, 2, 4, 6, 2}, {8, 13, 27, 4, 6, 13, 4, 7, 14},
                               {29, 14, 3, 14, 7, 1, 15, 7, 2}, {1, 1, 1, 0, 0, 0, 1, 1, 1}, {23, 15, 9, 11, 7, 4, 12, 8, 5}};
        for (const auto &row : rows) {
            const Colour a = curved(17)(row[3], row[4], row[5]), b = curved(17)(row[6], row[7], row[8]);
            const QList<QByteArray> pieces = output[2 + row[0] + 33 * row[1] + 1089 * row[2]].split(' ');
            for (int c = 0; c < 3; ++c)
                QVERIFY2(std::abs(pieces[c].toDouble() - (a[c] + b[c]) / 2) <= 1.5e-6, pieces[c].constData());
        }
    }

    void resamplingBounds()
    {
        // A 5,000-digit fraction would ask for 5,000 decimals on every output line; twenty are written.
        const QByteArray absurd = withLine(entryLines(17, identity(17), 6), 1, "0.0625" + QByteArray(4996, '0') + " 0 0");
        QCOMPARE(CubrixUtils::cubeDecimals(write(sizeLine(17) + absurd)), 5000);
        QCOMPARE(CubrixUtils::upsampleCube17to33(write(sizeLine(17) + absurd)), cubeFile(33, identity(33), 20));

        // Red alternating between -3e38 and 3e38: the corner differences overflow single precision,
        // the interpolated values, means of the corners, do not.
        QByteArray source = sizeLine(17);
        for (int i = 0; i < 4913; ++i)
            source += (i % 17 % 2 ? "3e38 " : "-3e38 ") + fixed(i / 17 % 17 / 16.0, 4) + ' ' + fixed(i / 289 / 16.0, 4) + '\n';
        const QList<QByteArray> lines = splitLines(CubrixUtils::upsampleCube17to33(write(source)));
        QCOMPARE(lines.size(), 2 + 35937);
        for (int i = 0; i < 35937; ++i) {
            const QByteArray red = i % 33 % 2 ? QByteArray("0.0000") : fixed(i % 33 / 2 % 2 ? 3e38f : -3e38f, 4);
            QVERIFY2(lines[2 + i].startsWith(red + ' '), lines[2 + i].constData());
        }
    }

    void identityTables()
    {
        // round(k x 65535 / (N - 1)) / 65535 with printf's rounding, lines joined by line feeds.
        const auto lattice = [](int k, int points, int decimals) {
            return QString::asprintf("%.*f", decimals, std::floor(k * 65535.0 / (points - 1) + 0.5) / 65535.0);
        };
        for (const int points : {17, 33}) {
            const int decimals = points == 17 ? 8 : 6;
            QStringList lines{QStringLiteral("LUT_3D_SIZE %1").arg(points)};
            for (int i = 0; i < points * points * points; ++i)
                lines << lattice(i % points, points, decimals) + ' ' + lattice(i / points % points, points, decimals) + ' '
                             + lattice(i / points / points, points, decimals);
            QVERIFY(lines.join('\n') == (points == 17 ? IdentityLut::cubeText17() : IdentityLut::cubeText33()));
        }
        QStringList ramp{"LUT_1D_SIZE 4096", "LUT_1D_BITS 12", "LUT_1D_NAME Image2"};
        for (int k = 0; k < 4096; ++k)
            ramp << QString::asprintf("%5d %5d %5d", k, k, k);
        QVERIFY(ramp.join('\n') == IdentityLut::rampText());

        // Hand-worked: 16 of 33 and 8 of 17 are 32767.5, a half, rounded up to 32768; 1 of 17 is
        // 4095.9375 -> 4096; 31 of 33 is 63487.03125 -> 63487.
        const QStringList values{IdentityLut::latticeValue(16, 33, 6), IdentityLut::latticeValue(8, 17, 8),
                                 IdentityLut::latticeValue(1, 17, 8), IdentityLut::latticeValue(31, 33, 6)};
        QCOMPARE(values, QStringList({"0.500008", "0.50000763", "0.06250095", "0.968750"}));
        // Built once (the pages take the texts through the invokables, which their tests check).
        QCOMPARE(IdentityLut::cubeText33().constData(), IdentityLut::cubeText33().constData());
    }

private:
    QString write(const QByteArray &contents) { return writeFile(m_dir, QStringLiteral("lut.cube"), contents); }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestLutFiles)
#include "tst_lutfiles.moc"
