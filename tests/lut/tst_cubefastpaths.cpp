// The LUT functions take shortcuts for speed (a decimal count that skips most of the text, lazy
// conversion, a hand-made number writer, text forms that share one read of a file). Here they
// meet the documented rules, written out plainly in the test, on random files.

#include "lut/cubedecimalscanner.h"
#include "lut/cubrixutils.h"
#include "cubefiles.h"
#include "logcapture.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <vector>

using namespace CubeFiles;

namespace {

using Values = std::array<float, 3>;

// --- the rules as the documentation states them -------------------------------------------

// Trimmed lines; "\r\n" leaves a "\r" that trimming takes away.
QList<QByteArray> trimmedLines(const QByteArray &text)
{
    QList<QByteArray> lines;
    for (const QByteArray &line : text.split('\n'))
        lines << line.trimmed();
    return lines;
}

// The first line mentioning 17 or 33 starts the scan; lines that mention either are passed
// over; the longest part after the point of any "[0-9]*\.[0-9]+" match counts.
int decimalsByRule(const QByteArray &text)
{
    static const QRegularExpression fraction(QStringLiteral("[0-9]*\\.[0-9]+"));
    int result = 0;
    bool scanning = false;
    for (const QByteArray &line : trimmedLines(text)) {
        if (line.contains("17") || line.contains("33")) {
            scanning = true;
            continue;
        }
        if (!scanning)
            continue;
        QRegularExpressionMatchIterator matches = fraction.globalMatch(QString::fromLatin1(line));
        while (matches.hasNext()) {
            const QString match = matches.next().captured();
            result = std::max(result, int(match.size() - match.indexOf(QLatin1Char('.')) - 1));
        }
    }
    return result;
}

// "LUT_3D_SIZE", then split at every single space with empty pieces kept: two pieces, the
// second exactly the size.
bool declaresSizeByRule(const QByteArray &text, const QByteArray &size)
{
    for (const QByteArray &line : trimmedLines(text)) {
        if (!line.startsWith("LUT_3D_SIZE"))
            continue;
        const QList<QByteArray> pieces = line.split(' ');
        if (pieces.size() == 2 && pieces[1] == size)
            return true;
    }
    return false;
}

// A piece converts when strtof (C locale) takes all of it and gives a finite, in-range value;
// the generators below write only decimal numbers and words.
bool convertsByRule(const QByteArray &piece, float &value)
{
    if (piece.isEmpty())
        return false;
    errno = 0;
    char *end = nullptr;
    value = std::strtof(piece.constData(), &end);
    return end == piece.constData() + piece.size() && errno == 0 && std::isfinite(value);
}

// The entry lines: keyword, comment and empty lines passed over, then exactly three pieces.
// `skipUnreadable` drops a line with a piece that does not convert; otherwise that piece is 0.
std::vector<Values> entriesByRule(const QByteArray &text, bool skipUnreadable, int limit = -1)
{
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    std::vector<Values> entries;
    for (const QByteArray &line : trimmedLines(text)) {
        if (limit >= 0 && int(entries.size()) >= limit)
            break;
        if (line.isEmpty() || line.startsWith('#') || line.startsWith("TITLE") || line.startsWith("DOMAIN_")
            || line.startsWith("LUT_"))
            continue;
        const QStringList pieces = QString::fromLatin1(line).split(whiteSpace, Qt::SkipEmptyParts);
        if (pieces.size() != 3)
            continue;
        Values values{};
        bool all = true;
        for (int i = 0; i < 3; ++i) {
            if (!convertsByRule(pieces[i].toLatin1(), values[std::size_t(i)])) {
                values[std::size_t(i)] = 0.0f;
                all = false;
            }
        }
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
    if (!(sum >= 0.0f))
        return 0;
    if (sum >= 1024.0f)
        return 1023;
    return std::min<quint32>(quint32(sum), 1023);
}

QByteArray binaryImageByRule(const std::vector<Values> &entries)
{
    QByteArray data;
    quint32 dataSum = 0;
    for (const Values &v : entries) {
        const quint32 word = codeByRule(v[0]) | (codeByRule(v[1]) << 10) | (codeByRule(v[2]) << 20);
        for (int shift = 24; shift >= 0; shift -= 8) {
            data += char(word >> shift);
            dataSum += (word >> shift) & 0xFF;
        }
    }
    QByteArray header(128, '\0');
    const uchar fixed[8] = {0x99, 0x02, 0x34, 0x42, 0x00, 0x00, 0x00, 0x02};
    for (int i = 0; i < 8; ++i)
        header[i] = char(fixed[i]);
    for (int i = 0; i < 4; ++i) {
        header[40 + i] = char(dataSum >> (8 * i));
        header[44 + i] = char(quint32(data.size()) >> (8 * i));
    }
    uchar sum = 0;
    for (int i = 0; i < 127; ++i)
        sum = uchar(sum + uchar(header[i]));
    header[127] = char(sum);
    return header + data;
}

int writtenDecimalsByRule(const QByteArray &text)
{
    return std::min(decimalsByRule(text), 20);
}

QByteArray textByRule(int points, const std::vector<Values> &entries, int decimals)
{
    QByteArray text = "LUT_3D_SIZE " + QByteArray::number(points) + "\n\n";
    for (const Values &v : entries)
        text += written(double(v[0]), decimals) + ' ' + written(double(v[1]), decimals) + ' '
                + written(double(v[2]), decimals) + '\n';
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

QByteArray upsampledByRule(const QByteArray &source)
{
    const std::vector<Values> input = entriesByRule(source, false, 4913);
    if (input.size() < 4913)
        return QByteArray();
    std::vector<Values> output;
    const auto position = [](int i, int &base, float &fraction) {
        const float p = float(i) * 0.03125f * 16.0f;
        base = std::min(int(std::floor(p)), 15);
        fraction = p - float(base);
    };
    for (int b = 0; b < 33; ++b) {
        for (int g = 0; g < 33; ++g) {
            for (int r = 0; r < 33; ++r) {
                int kr, kg, kb;
                float fr, fg, fb;
                position(r, kr, fr);
                position(g, kg, fg);
                position(b, kb, fb);
                Values out{};
                for (std::size_t component = 0; component < 3; ++component) {
                    float c[2][2][2];
                    for (int x = 0; x < 2; ++x)
                        for (int y = 0; y < 2; ++y)
                            for (int z = 0; z < 2; ++z)
                                c[x][y][z] = input[std::size_t((kr + x) + 17 * (kg + y) + 289 * (kb + z))][component];
                    out[component] = tetrahedralByRule(c, fr, fg, fb);
                }
                output.push_back(out);
            }
        }
    }
    return textByRule(33, output, writtenDecimalsByRule(source));
}

QByteArray downsampledByRule(const QByteArray &source)
{
    const std::vector<Values> input = entriesByRule(source, false, 35937);
    if (input.size() < 35937)
        return QByteArray();
    std::vector<Values> output;
    for (int b = 0; b < 17; ++b)
        for (int g = 0; g < 17; ++g)
            for (int r = 0; r < 17; ++r)
                output.push_back(input[std::size_t(2 * r + 33 * 2 * g + 1089 * 2 * b)]);
    return textByRule(17, output, writtenDecimalsByRule(source));
}

// The text a resampler hands to a sink, put together; every piece ends at a line end.
struct Pieces
{
    QByteArray text;
    int count = 0;
    bool wholeLines = true;
    CubrixUtils::CubeTextSink sink()
    {
        return [this](const QByteArray &piece) {
            text += piece;
            ++count;
            wholeLines = wholeLines && piece.endsWith('\n')
                         && piece.size() < CubrixUtils::CubeTextWriter::PieceSize + CubrixUtils::CubeTextWriter::MaxLineLength;
            return true;
        };
    }
};

// --- random files --------------------------------------------------------------------------

class RandomCube
{
public:
    explicit RandomCube(quint32 seed) : m_random(seed) {}

    int bounded(int high) { return int(m_random.bounded(high)); }
    bool chance(int percent) { return bounded(100) < percent; }

    QByteArray digits(int count)
    {
        QByteArray text;
        for (int i = 0; i < count; ++i)
            text += char('0' + bounded(10));
        return text;
    }

    // A decimal number the way LUT files write them, now and then in a rarer form.
    QByteArray number(int decimals)
    {
        const int form = bounded(100);
        if (form < 80)
            return fixed(m_random.generateDouble() * (chance(10) ? 2.5 : 1.0) - (chance(5) ? 1.0 : 0.0), decimals);
        if (form < 85)
            return "+" + fixed(m_random.generateDouble(), decimals);
        if (form < 90)
            return "." + digits(1 + bounded(8));
        if (form < 93)
            return digits(1 + bounded(3)) + ".";
        if (form < 97)
            return fixed(m_random.generateDouble(), bounded(7)) + "e-" + QByteArray::number(1 + bounded(9));
        return QByteArray::number(bounded(5));
    }

    QByteArray separator() { return chance(90) ? QByteArray(" ") : QByteArray(chance(50) ? "\t" : "  "); }
    QByteArray lineEnd() { return m_crlf ? QByteArray("\r\n") : QByteArray("\n"); }

    QByteArray decoration()
    {
        switch (bounded(9)) {
        case 0: return "TITLE \"grade v" + digits(1) + "." + digits(bounded(12)) + "\"";
        case 1: return "# made by a test " + digits(2) + "." + digits(bounded(30));
        case 2: return "DOMAIN_MIN 0.0 0.0 0.0";
        case 3: return "DOMAIN_MAX 1.0 1.0 1.0";
        case 4: return QByteArray();
        case 5: return "LUT_1D_INPUT_RANGE 0.0 1.0";
        case 6: return "0.5 0.25"; // two pieces
        case 7: return "0.5 0.25 0.125 1"; // four pieces
        default: return "   ";
        }
    }

    // An entry-shaped line; now and then a piece is a word.
    QByteArray entryLine(int decimals, bool allowWords)
    {
        QByteArray line = chance(5) ? QByteArray("  ") : QByteArray();
        for (int i = 0; i < 3; ++i) {
            if (i)
                line += separator();
            line += allowWords && chance(1) ? QByteArray("n/a") : number(decimals);
        }
        return line + (chance(5) ? " " : "");
    }

    // A file of `entries` entry lines with the size line `sizeLine` and random decorations.
    QByteArray cubeFile(const QByteArray &sizeLine, int entries, bool allowWords)
    {
        m_crlf = chance(20);
        const int decimals = chance(70) ? 6 : bounded(12);
        QByteArray text;
        for (int i = bounded(4); i > 0; --i)
            text += decoration() + lineEnd();
        text += sizeLine + lineEnd();
        for (int i = 0; i < entries; ++i) {
            if (chance(1))
                text += decoration() + lineEnd();
            text += entryLine(chance(2) ? bounded(14) : decimals, allowWords) + lineEnd();
        }
        if (chance(30))
            text.chop(m_crlf ? 2 : 1); // no line end after the last line
        return text;
    }

    // Text made to probe the decimal count: long and short fractions, lines mentioning 17 or 33
    // (with and without long fractions), dots in odd places, long lines across 64-byte steps.
    QByteArray decimalText()
    {
        m_crlf = chance(20);
        const int lines = bounded(400);
        const int usual = bounded(12);
        QByteArray text;
        for (int l = 0; l < lines; ++l) {
            const int kind = bounded(100);
            QByteArray line;
            if (kind < 3) {
                line = chance(50) ? "LUT_3D_SIZE 33" : "LUT_3D_SIZE 17";
            } else if (kind < 6) {
                line = "0.117647 " + digits(1) + "." + digits(bounded(40)) + " 0.5";
            } else if (kind < 8) {
                line = digits(bounded(3)) + "." + digits(bounded(3)) + "." + digits(bounded(50)) + "..5 5.";
            } else if (kind < 10) {
                const int pieces = 1 + bounded(20);
                for (int i = 0; i < pieces; ++i)
                    line += (i ? " " : "") + digits(bounded(3)) + "." + digits(bounded(70));
            } else if (kind < 12) {
                line = decoration();
            } else {
                for (int i = 0; i < 3; ++i)
                    line += (i ? separator() : QByteArray()) + digits(1) + "."
                            + digits(chance(3) ? usual + 1 + bounded(30) : usual - (chance(20) ? bounded(usual + 1) : 0));
            }
            text += line + lineEnd();
        }
        if (chance(30) && !text.isEmpty())
            text.chop(m_crlf ? 2 : 1);
        return text;
    }

private:
    QRandomGenerator m_random;
    bool m_crlf = false;
};

} // namespace

class TestCubeFastPaths : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void decimalsFollowTheRule();
    void sizeProbesFollowTheRule();
    void binaryImageFollowsTheRule();
    void downsamplingFollowsTheRule();
    void upsamplingFollowsTheRule();
    void refusedPieceStopsTheText();

private:
    QString write(const QByteArray &contents)
    {
        return writeFile(m_dir, QStringLiteral("random.cube"), contents);
    }
    QTemporaryDir m_dir;
};

void TestCubeFastPaths::initTestCase()
{
    useCNumericLocale();
    QVERIFY(m_dir.isValid());
}

void TestCubeFastPaths::decimalsFollowTheRule()
{
    RandomCube random(4711);
    for (int round = 0; round < 1500; ++round) {
        const QByteArray text = random.decimalText();
        const int expected = decimalsByRule(text);
        const int fast = CubrixUtils::cubeTextDecimals(text);
        const int bytewise = CubrixUtils::CubeDecimalScanner::decimalsBytewise(text);
        if (fast != expected || bytewise != expected)
            QFAIL(qPrintable(QStringLiteral("round %1: %2 (byte by byte %3), the rule gives %4, text:\n%5")
                                 .arg(round).arg(fast).arg(bytewise).arg(expected).arg(QString::fromLatin1(text))));
        if (round % 100 == 0)
            QCOMPARE(CubrixUtils::cubeDecimals(write(text)), expected);
    }
    // Real-size files.
    for (int round = 0; round < 6; ++round) {
        const QByteArray text = random.cubeFile(round % 2 ? "LUT_3D_SIZE 33" : "LUT_3D_SIZE 17",
                                                round % 2 ? 35937 : 4913, false);
        QCOMPARE(CubrixUtils::cubeTextDecimals(text), decimalsByRule(text));
    }
}

void TestCubeFastPaths::sizeProbesFollowTheRule()
{
    const QByteArray sizeLines[] = {"LUT_3D_SIZE 33", "LUT_3D_SIZE 17", "LUT_3D_SIZE  33", "LUT_3D_SIZE\t17",
                                    "  LUT_3D_SIZE 33  ", "LUT_3D_SIZE 333", "LUT_3D_SIZE33", "LUT_3D_SIZE 17 ",
                                    "LUT_3D_SIZE_X 33", "LUT_3D_SIZE 3", "# LUT_3D_SIZE 33", "lut_3d_size 33",
                                    "LUT_3D_SIZE 33 33", "LUT_3D_SIZE 17\r"};
    RandomCube random(815);
    for (int round = 0; round < 400; ++round) {
        QByteArray text;
        for (int lines = random.bounded(6); lines > 0; --lines)
            text += (random.chance(50) ? sizeLines[random.bounded(int(std::size(sizeLines)))]
                                       : random.entryLine(6, true))
                    + (random.chance(20) ? "\r\n" : "\n");
        QCOMPARE(CubrixUtils::isCubeTextSize33(text), declaresSizeByRule(text, "33"));
        QCOMPARE(CubrixUtils::isCubeTextSize17(text), declaresSizeByRule(text, "17"));
        if (round % 40 == 0) {
            const QString path = write(text);
            QCOMPARE(CubrixUtils::isCubeSize33(path), declaresSizeByRule(text, "33"));
            QCOMPARE(CubrixUtils::isCubeSize17(path), declaresSizeByRule(text, "17"));
        }
    }
}

void TestCubeFastPaths::binaryImageFollowsTheRule()
{
    RandomCube random(2024);
    for (int round = 0; round < 24; ++round) {
        // Most rounds give exactly 4,913 readable entries; with words some lines drop out.
        const bool words = round % 4 == 3;
        const QByteArray text = random.cubeFile("LUT_3D_SIZE 17", 4913, words);
        const std::vector<Values> entries = entriesByRule(text, true);
        const QByteArray expected = entries.size() == 4913 ? binaryImageByRule(entries) : QByteArray();
        LogCapture capture;
        const QByteArray image = CubrixUtils::cubeToBinaryLut(text);
        QVERIFY2(image == expected, qPrintable(QStringLiteral("round %1").arg(round)));
        QCOMPARE(capture.lines().size(), expected.isEmpty() ? 1 : 0);
    }
}

void TestCubeFastPaths::downsamplingFollowsTheRule()
{
    RandomCube random(1089);
    for (int round = 0; round < 8; ++round) {
        const int entries = round == 7 ? 35936 : 35937; // the last one is a grid short
        const QByteArray text = random.cubeFile("LUT_3D_SIZE 33", entries, true);
        const QByteArray expected = downsampledByRule(text);
        QCOMPARE(expected.isEmpty(), round == 7);
        LogCapture capture;
        QCOMPARE(CubrixUtils::downsampleCubeText33to17(text), expected);
        QCOMPARE(CubrixUtils::downsampleCube33to17(write(text)), expected);
        Pieces pieces;
        QCOMPARE(CubrixUtils::downsampleCubeText33to17(text, pieces.sink()), !expected.isEmpty());
        if (!expected.isEmpty()) {
            QCOMPARE(pieces.text, expected);
            QVERIFY(pieces.wholeLines);
            QVERIFY(pieces.count >= 2);
        }
        QCOMPARE(capture.lines().size(), expected.isEmpty() ? 3 : 0);
    }
}

void TestCubeFastPaths::upsamplingFollowsTheRule()
{
    RandomCube random(4913);
    for (int round = 0; round < 8; ++round) {
        const int entries = round == 7 ? 4912 : 4913 + random.bounded(3); // extra entries are ignored
        const QByteArray text = random.cubeFile("LUT_3D_SIZE 17", entries, true);
        const QByteArray expected = upsampledByRule(text);
        QCOMPARE(expected.isEmpty(), round == 7);
        LogCapture capture;
        QCOMPARE(CubrixUtils::upsampleCubeText17to33(text), expected);
        QCOMPARE(CubrixUtils::upsampleCube17to33(write(text)), expected);
        Pieces pieces;
        QCOMPARE(CubrixUtils::upsampleCubeText17to33(text, pieces.sink()), !expected.isEmpty());
        if (!expected.isEmpty()) {
            QCOMPARE(pieces.text, expected);
            QVERIFY(pieces.wholeLines);
            QVERIFY(pieces.count >= 10);
        } else {
            QCOMPARE(pieces.count, 0); // the grid is checked before anything is written
        }
        QCOMPARE(capture.lines().size(), expected.isEmpty() ? 3 : 0);
    }
}

void TestCubeFastPaths::refusedPieceStopsTheText()
{
    const QByteArray text = cubeFile(17, identity(17), 6);
    int offered = 0;
    const bool done = CubrixUtils::upsampleCubeText17to33(text, [&offered](const QByteArray &) {
        ++offered;
        return offered < 3; // the third piece cannot be taken
    });
    QVERIFY(!done);
    QCOMPARE(offered, 3);

    // The same writer without a sink holds the whole text.
    CubrixUtils::CubeTextWriter writer(17, 2, 2);
    writer.add(0.5f, 0.25f, 1.0f);
    writer.add(-0.125f, 0.0f, 2.0f);
    QCOMPARE(writer.take(), QByteArray("LUT_3D_SIZE 17\n\n0.50 0.25 1.00\n-0.12 0.00 2.00\n"));
}

QTEST_GUILESS_MAIN(TestCubeFastPaths)
#include "tst_cubefastpaths.moc"
