#include "clitestsupport.h"
#include "fifo.h"
#include "cubefiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace CliTest;
using CubeFiles::cubeFile;

namespace {

// The entry lines of a table as separate lines, to edit by line number.
QList<QByteArray> cubeLines(int points, const CubeFiles::ColourFunction &colour, int decimals)
{
    return CubeFiles::splitLines(cubeFile(points, colour, decimals));
}

QByteArray joinLines(const QList<QByteArray> &lines)
{
    QByteArray text;
    for (const QByteArray &line : lines)
        text += line + '\n';
    return text;
}

QJsonObject jsonOf(const Result &result)
{
    return QJsonDocument::fromJson(result.out.toUtf8()).object();
}

// "max difference X, mean Y (N points)" on the line that starts with `label`.
bool printedDifference(const QString &out, const QString &label, double &maximum, double &mean, int &points)
{
    const QRegularExpression pattern(QRegularExpression::escape(label)
                                     + QStringLiteral(": max difference ([^,]+), mean (\\S+) \\((\\d+) points\\)"));
    const QRegularExpressionMatch match = pattern.match(out);
    if (!match.hasMatch())
        return false;
    maximum = match.captured(1).toDouble();
    mean = match.captured(2).toDouble();
    points = match.captured(3).toInt();
    return true;
}

double trilinear(const std::vector<std::array<double, 3>> &table, int n, double r, double g, double b, int c)
{
    const auto cell = [n](double p, int &k, double &f) {
        k = std::min(int(std::floor(p)), n - 2);
        f = p - k;
    };
    int kr, kg, kb;
    double fr, fg, fb;
    cell(r, kr, fr);
    cell(g, kg, fg);
    cell(b, kb, fb);
    double sum = 0;
    for (int dr = 0; dr < 2; ++dr)
        for (int dg = 0; dg < 2; ++dg)
            for (int db = 0; db < 2; ++db)
                sum += (dr ? fr : 1 - fr) * (dg ? fg : 1 - fg) * (db ? fb : 1 - fb)
                       * table[std::size_t((kr + dr) + n * (kg + dg) + n * n * (kb + db))][std::size_t(c)];
    return sum;
}

} // namespace

class TestCliLut : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void checkGoodFiles_data();
    void checkGoodFiles();
    void checkReportsSkippedLines_data();
    void checkReportsSkippedLines();
    void checkTextListsEveryLine();
    void checkBadInput_data();
    void checkBadInput();
    void resampleUp();
    void resampleDown();
    void resampleSameSizeIsUnchanged();
    void resampleRefusesBadFiles_data();
    void resampleRefusesBadFiles();
    void binaryImages_data();
    void binaryImages();
    void binaryRefusesBadFiles();
    void help_data();
    void help();
    void outputReplacesAtomically();
    void outputThroughSymlink();
    void outputMustBeARegularFile_data();
    void outputMustBeARegularFile();
    void checkStopsReadingAnEndlessStream();
    void lutCommandsNeedNoModule();

private:
    QString file(const QString &name, const QByteArray &contents);
    QTemporaryDir m_dir;
};

void TestCliLut::initTestCase()
{
    CubeFiles::useCNumericLocale();
    QVERIFY(m_dir.isValid());
    QVERIFY(QFileInfo::exists(executable()));
}

QString TestCliLut::file(const QString &name, const QByteArray &contents)
{
    return CubeFiles::writeFile(m_dir, name, contents);
}

void TestCliLut::checkGoodFiles_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("decimals");
    QTest::newRow("17 points, 6 decimals") << 17 << 6;
    QTest::newRow("33 points, 4 decimals") << 33 << 4;
    QTest::newRow("17 points, 10 decimals") << 17 << 10;
}

void TestCliLut::checkGoodFiles()
{
    QFETCH(int, points);
    QFETCH(int, decimals);
    const QByteArray text = cubeFile(points, CubeFiles::curved(points), decimals);
    const QString path = file(QStringLiteral("good%1_%2.cube").arg(points).arg(decimals), text);

    const Result plain = run({QStringLiteral("lut"), QStringLiteral("check"), path});
    QVERIFY2(plain.exitCode == 0 && plain.clean(), qPrintable(plain.describe()));
    QVERIFY(plain.out.contains(QStringLiteral("size: %1 points").arg(points)));
    QVERIFY(plain.out.contains(QStringLiteral("entries: %1 of %1").arg(points * points * points)));
    QVERIFY(plain.out.contains(QStringLiteral("decimals: %1").arg(decimals)));
    QVERIFY(plain.out.contains(QStringLiteral("result: OK")));

    const Result json = run({QStringLiteral("lut"), QStringLiteral("check"), path, QStringLiteral("--json")});
    QCOMPARE(json.exitCode, 0);
    const QJsonObject report = jsonOf(json);
    QCOMPARE(report.value(QStringLiteral("ok")).toBool(), true);
    QCOMPARE(report.value(QStringLiteral("size")).toInt(), points);
    QCOMPARE(report.value(QStringLiteral("entries")).toInt(), points * points * points);
    QCOMPARE(report.value(QStringLiteral("decimals")).toInt(), decimals);
    // The value range from the written numbers, read back independently.
    const auto entries = parseEntries(text);
    const char *const names[] = {"red", "green", "blue"};
    for (int c = 0; c < 3; ++c) {
        double low = entries[0][std::size_t(c)], high = low;
        for (const auto &entry : entries) {
            low = std::min(low, entry[std::size_t(c)]);
            high = std::max(high, entry[std::size_t(c)]);
        }
        const QJsonArray range = report.value(QStringLiteral("range")).toObject().value(QLatin1String(names[c])).toArray();
        QVERIFY(std::fabs(range.at(0).toDouble() - low) < 1e-6);
        QVERIFY(std::fabs(range.at(1).toDouble() - high) < 1e-6);
    }
    // The size line and the blank line after it are the only lines passed over.
    const QJsonArray skipped = report.value(QStringLiteral("skipped")).toArray();
    QCOMPARE(skipped.size(), 2);
    QCOMPARE(skipped.at(0).toObject().value(QStringLiteral("line")).toInt(), 1);
    QCOMPARE(skipped.at(1).toObject().value(QStringLiteral("line")).toInt(), 2);
}

void TestCliLut::checkReportsSkippedLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("skipped"); // "line:reason fragment", in line order
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // in a problem or warning

    const QList<QByteArray> base = cubeLines(17, CubeFiles::identity(17), 6);
    // base: line 1 "LUT_3D_SIZE 17", line 2 blank, lines 3.. entries.

    QList<QByteArray> header = base;
    header.insert(0, "TITLE \"look\"");
    header.insert(1, "# graded by hand");
    header.insert(2, "DOMAIN_MIN 0 0 0");
    header.insert(3, "DOMAIN_MAX 1.0 1.0 1.0");
    QTest::newRow("header lines")
        << joinLines(header)
        << QStringList{QStringLiteral("1:keyword"), QStringLiteral("2:comment"), QStringLiteral("3:keyword"),
                       QStringLiteral("4:keyword"), QStringLiteral("5:keyword"), QStringLiteral("6:blank")}
        << 0 << QString();

    QList<QByteArray> twoNumbers = base;
    twoNumbers[99] = "0.5 0.5"; // line 100
    QTest::newRow("two numbers")
        << joinLines(twoNumbers)
        << QStringList{QStringLiteral("1:keyword"), QStringLiteral("2:blank"), QStringLiteral("100:2 pieces")} << 1
        << QStringLiteral("4912 entries, a 17-point LUT has 4913");

    QList<QByteArray> word = base;
    word[49] = "0.1 green 0.3"; // line 50
    QTest::newRow("word instead of a number")
        << joinLines(word)
        << QStringList{QStringLiteral("1:keyword"), QStringLiteral("2:blank"), QStringLiteral("50:'green' not a number")}
        << 1 << QStringLiteral("1 entry line(s) hold pieces that are not numbers");

    QList<QByteArray> comma = base;
    comma[2] = "0,0 0,0 0,0"; // line 3
    QTest::newRow("comma decimals")
        << joinLines(comma)
        << QStringList{QStringLiteral("1:keyword"), QStringLiteral("2:blank"),
                       QStringLiteral("3:'0,0', '0,0', '0,0' not a number")}
        << 1 << QStringLiteral("not numbers");

    QList<QByteArray> extra = base;
    extra.append("1 1 1");
    QTest::newRow("one entry too many")
        << joinLines(extra) << QStringList{QStringLiteral("1:keyword"), QStringLiteral("2:blank")} << 1
        << QStringLiteral("4914 entries, a 17-point LUT has 4913");

    QList<QByteArray> spaced = base;
    spaced[0] = "LUT_3D_SIZE  17";
    QTest::newRow("size line with two spaces")
        << joinLines(spaced) << QStringList{QStringLiteral("1:keyword"), QStringLiteral("2:blank")} << 1
        << QStringLiteral("line 1: the size line is not recognised");

    QList<QByteArray> unsized = base;
    unsized[0] = "# no size";
    QTest::newRow("no size line")
        << joinLines(unsized) << QStringList{QStringLiteral("1:comment"), QStringLiteral("2:blank")} << 1
        << QStringLiteral("no LUT_3D_SIZE line");

    QList<QByteArray> big = base;
    big[0] = "LUT_3D_SIZE 65";
    QTest::newRow("65 points")
        << joinLines(big) << QStringList{QStringLiteral("1:keyword"), QStringLiteral("2:blank")} << 1
        << QStringLiteral("17- and 33-point LUTs only");

    QByteArray oneD = "LUT_1D_SIZE 4\n0 0 0\n0.3 0.3 0.3\n0.6 0.6 0.6\n1 1 1\n";
    QTest::newRow("1D LUT") << oneD << QStringList{QStringLiteral("1:keyword")} << 1 << QStringLiteral("a 1D LUT");

    QList<QByteArray> bright = base;
    bright[3] = "1.25 -0.5 0.5"; // line 4
    QTest::newRow("values outside 0 to 1")
        << joinLines(bright) << QStringList{QStringLiteral("1:keyword"), QStringLiteral("2:blank")} << 0
        << QStringLiteral("2 value(s) outside 0.0 to 1.0");

    QList<QByteArray> domain = base;
    domain.insert(1, "DOMAIN_MAX 1023 1023 1023");
    QTest::newRow("unusual domain")
        << joinLines(domain)
        << QStringList{QStringLiteral("1:keyword"), QStringLiteral("2:keyword"), QStringLiteral("3:blank")} << 0
        << QStringLiteral("line 2: \"DOMAIN_MAX 1023 1023 1023\" is ignored");

    QByteArray crlf = joinLines(base);
    crlf.replace("\n", "\r\n");
    crlf.replace("0.062500 0.000000 0.000000\r\n", "0.062500 0.000000\r\n"); // line 4
    QTest::newRow("CRLF line ends")
        << crlf << QStringList{QStringLiteral("1:keyword"), QStringLiteral("2:blank"), QStringLiteral("4:2 pieces")}
        << 1 << QStringLiteral("4912 entries");
}

void TestCliLut::checkReportsSkippedLines()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, skipped);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const QString path = file(QStringLiteral("skips.cube"), text);
    const Result result = run({QStringLiteral("lut"), QStringLiteral("check"), QStringLiteral("--json"), path});
    QVERIFY2(result.clean() && result.exitCode == exitCode, qPrintable(result.describe()));
    const QJsonObject report = jsonOf(result);
    const QJsonArray lines = report.value(QStringLiteral("skipped")).toArray();
    QStringList found;
    for (const QJsonValue &value : lines) {
        const QJsonObject line = value.toObject();
        found << QStringLiteral("%1:%2").arg(line.value(QStringLiteral("line")).toInt()).arg(line.value(QStringLiteral("reason")).toString());
    }
    QCOMPARE(found.size(), skipped.size());
    for (int i = 0; i < skipped.size(); ++i) {
        const QString number = skipped.at(i).section(QLatin1Char(':'), 0, 0);
        const QString reason = skipped.at(i).section(QLatin1Char(':'), 1);
        QVERIFY2(found.at(i).startsWith(number + QLatin1Char(':')) && found.at(i).contains(reason),
                 qPrintable(found.join(QLatin1Char('\n'))));
    }
    QCOMPARE(report.value(QStringLiteral("ok")).toBool(), exitCode == 0);
    if (!message.isEmpty()) {
        const QStringList notes = report.value(QStringLiteral("problems")).toVariant().toStringList()
                                  + report.value(QStringLiteral("warnings")).toVariant().toStringList();
        QVERIFY2(notes.join(QLatin1Char('\n')).contains(message), qPrintable(notes.join(QLatin1Char('\n'))));
    }
    if (exitCode != 0)
        QVERIFY(!result.err.isEmpty());
}

void TestCliLut::checkTextListsEveryLine()
{
    QList<QByteArray> lines = cubeLines(17, CubeFiles::identity(17), 6);
    lines[9] = "0.5 0.5";   // line 10
    lines[19] = "0.1 x 0.2"; // line 20
    const QString path = file(QStringLiteral("text.cube"), joinLines(lines));
    const Result result = run({QStringLiteral("lut"), QStringLiteral("check"), path});
    QCOMPARE(result.exitCode, 1);
    QVERIFY(result.out.contains(QStringLiteral("skipped lines: 4")));
    QVERIFY(result.out.contains(QStringLiteral("  line 1: keyword line, not an entry: LUT_3D_SIZE 17")));
    QVERIFY(result.out.contains(QStringLiteral("  line 2: blank line\n")));
    QVERIFY(result.out.contains(QStringLiteral("  line 10: 2 pieces, an entry has three: 0.5 0.5")));
    QVERIFY(result.out.contains(QStringLiteral("  line 20: 'x' not a number")));
    QVERIFY(result.out.contains(QStringLiteral("result: FAILED")));
    QVERIFY(result.err.contains(QStringLiteral("text.cube")));
}

void TestCliLut::checkBadInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QString missing = m_dir.filePath(QStringLiteral("missing.cube"));
    QTest::newRow("missing file") << QStringList{missing} << 1 << QStringLiteral("no such file");
    QTest::newRow("empty file") << QStringList{file(QStringLiteral("empty.cube"), QByteArray())} << 1
                                << QStringLiteral("empty");
    QByteArray junk;
    for (int i = 0; i < 70000; ++i)
        junk.append(char((i * 7919) & 0xFF));
    QTest::newRow("binary junk") << QStringList{file(QStringLiteral("junk.cube"), junk)} << 1
                                 << QStringLiteral("no LUT_3D_SIZE line");
    QTest::newRow("a folder") << QStringList{m_dir.path()} << 1 << QStringLiteral("cannot read");
    QTest::newRow("no file") << QStringList() << 2 << QStringLiteral("needs a FILE");
    QTest::newRow("two files") << QStringList{missing, missing} << 2 << QStringLiteral("unexpected argument");
    QTest::newRow("unknown option") << QStringList{missing, QStringLiteral("--fast")} << 2
                                    << QStringLiteral("unknown option --fast");
}

void TestCliLut::checkBadInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Result result = run(QStringList{QStringLiteral("lut"), QStringLiteral("check")} + arguments);
    QVERIFY2(result.clean() && result.exitCode == exitCode, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(message), qPrintable(result.describe()));
}

void TestCliLut::resampleUp()
{
    const QByteArray text = cubeFile(17, CubeFiles::curved(17), 6);
    const QString source = file(QStringLiteral("up17.cube"), text);
    const QString output = m_dir.filePath(QStringLiteral("up33.cube"));
    const Result result = run({QStringLiteral("lut"), QStringLiteral("resample"), source, output, QStringLiteral("--size"), QStringLiteral("33")});
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));

    const QByteArray written = readFile(output);
    QVERIFY(written.startsWith("LUT_3D_SIZE 33\n\n"));
    const QList<QByteArray> lines = CubeFiles::splitLines(written);
    QCOMPARE(lines.size(), 2 + 35937);
    for (int i = 2; i < lines.size(); i += 997)
        QVERIFY2(QRegularExpression(QStringLiteral("^-?\\d+\\.\\d{6} -?\\d+\\.\\d{6} -?\\d+\\.\\d{6}$"))
                     .match(QString::fromLatin1(lines.at(i))).hasMatch(),
                 lines.at(i).constData());

    const auto in = parseEntries(text);
    const auto out = parseEntries(written);
    // Even output points are the source points, written with the same decimals.
    for (int b = 0; b < 17; ++b)
        for (int g = 0; g < 17; ++g)
            for (int r = 0; r < 17; ++r)
                QCOMPARE(out[std::size_t(2 * r + 33 * 2 * g + 1089 * 2 * b)], in[std::size_t(r + 17 * g + 289 * b)]);

    double maximum, mean;
    int points;
    QVERIFY2(printedDifference(result.out, QStringLiteral("shared lattice points"), maximum, mean, points), qPrintable(result.out));
    QCOMPARE(points, 4913);
    QCOMPARE(maximum, 0.0);
    QCOMPARE(mean, 0.0);

    // The second opinion, computed here from the numbers in the two files.
    double expectedMax = 0, sum = 0;
    for (int b = 0; b < 33; ++b)
        for (int g = 0; g < 33; ++g)
            for (int r = 0; r < 33; ++r)
                for (int c = 0; c < 3; ++c) {
                    const double d = std::fabs(trilinear(in, 17, r / 2.0, g / 2.0, b / 2.0, c)
                                               - out[std::size_t(r + 33 * g + 1089 * b)][std::size_t(c)]);
                    expectedMax = std::max(expectedMax, d);
                    sum += d;
                }
    QVERIFY2(printedDifference(result.out, QStringLiteral("against trilinear interpolation"), maximum, mean, points),
             qPrintable(result.out));
    QCOMPARE(points, 35937);
    QVERIFY(expectedMax > 1e-3); // curved data: the two interpolations differ
    // The file's values carry the 6-decimal rounding the tool's floats do not.
    QVERIFY2(std::fabs(maximum - expectedMax) < 2e-6, qPrintable(QStringLiteral("%1 vs %2").arg(maximum).arg(expectedMax)));
    QVERIFY(std::fabs(mean - sum / (35937.0 * 3)) < 2e-6);
}

void TestCliLut::resampleDown()
{
    const QByteArray text = cubeFile(33, CubeFiles::curved(33), 6);
    const QString source = file(QStringLiteral("down33.cube"), text);
    const QString output = m_dir.filePath(QStringLiteral("down17.cube"));
    const Result result = run({QStringLiteral("lut"), QStringLiteral("resample"), QStringLiteral("--size=17"), source, output});
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));

    // Every other source line, in order, after the size line and one blank line.
    const QList<QByteArray> in = CubeFiles::splitLines(text);
    QByteArray expected = "LUT_3D_SIZE 17\n\n";
    for (int b = 0; b < 33; b += 2)
        for (int g = 0; g < 33; g += 2)
            for (int r = 0; r < 33; r += 2)
                expected += in.at(2 + r + 33 * g + 1089 * b) + '\n';
    QCOMPARE(readFile(output), expected);
    double maximum, mean;
    int points;
    QVERIFY(printedDifference(result.out, QStringLiteral("shared lattice points"), maximum, mean, points));
    QCOMPARE(points, 4913);
    QCOMPARE(maximum, 0.0);
    QVERIFY(!result.out.contains(QStringLiteral("trilinear")));
}

void TestCliLut::resampleSameSizeIsUnchanged()
{
    QByteArray text = cubeFile(17, CubeFiles::curved(17), 5);
    text.prepend("TITLE \"kept\"\n");
    const QString source = file(QStringLiteral("same17.cube"), text);
    const QString output = m_dir.filePath(QStringLiteral("same17_out.cube"));
    const Result result = run({QStringLiteral("lut"), QStringLiteral("resample"), source, output, QStringLiteral("--size"), QStringLiteral("17")});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    QCOMPARE(readFile(output), text);
    QVERIFY(result.out.contains(QStringLiteral("unchanged")));
}

void TestCliLut::resampleRefusesBadFiles_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QList<QByteArray> shortGrid = cubeLines(17, CubeFiles::identity(17), 6);
    shortGrid.removeLast();
    const QString shortPath = file(QStringLiteral("short17.cube"), joinLines(shortGrid));
    const QString good = file(QStringLiteral("ok17.cube"), cubeFile(17, CubeFiles::identity(17), 6));
    const QString out = m_dir.filePath(QStringLiteral("refused.cube"));
    QTest::newRow("short grid") << QStringList{shortPath, out, QStringLiteral("--size"), QStringLiteral("33")} << 1
                                << QStringLiteral("4912 entries");
    QTest::newRow("missing source") << QStringList{m_dir.filePath(QStringLiteral("none.cube")), out, QStringLiteral("--size"), QStringLiteral("33")}
                                    << 1 << QStringLiteral("no such file");
    QTest::newRow("no size") << QStringList{good, out} << 2 << QStringLiteral("--size 17 or --size 33");
    QTest::newRow("size 20") << QStringList{good, out, QStringLiteral("--size"), QStringLiteral("20")} << 2
                             << QStringLiteral("--size must be 17 or 33");
    QTest::newRow("size without value") << QStringList{good, out, QStringLiteral("--size")} << 2
                                        << QStringLiteral("--size needs a value");
    QTest::newRow("no output") << QStringList{good, QStringLiteral("--size"), QStringLiteral("33")} << 2
                               << QStringLiteral("needs IN and OUT");
    QTest::newRow("unwritable output")
        << QStringList{good, m_dir.filePath(QStringLiteral("no/such/folder/x.cube")), QStringLiteral("--size"), QStringLiteral("33")}
        << 1 << QStringLiteral("cannot write");
}

void TestCliLut::resampleRefusesBadFiles()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFile::remove(m_dir.filePath(QStringLiteral("refused.cube")));
    const Result result = run(QStringList{QStringLiteral("lut"), QStringLiteral("resample")} + arguments);
    QVERIFY2(result.clean() && result.exitCode == exitCode, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(message), qPrintable(result.describe()));
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("refused.cube"))));
}

void TestCliLut::binaryImages_data()
{
    QTest::addColumn<QByteArray>("cube");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("17-point identity") << cubeFile(17, CubeFiles::identity(17), 6) << binaryImage(identityEntries(17));
    // Downsampling an identity gives the 17-point identity.
    QTest::newRow("33-point identity") << cubeFile(33, CubeFiles::identity(33), 6) << binaryImage(identityEntries(17));
    const QByteArray curved = cubeFile(17, CubeFiles::curved(17), 6);
    std::vector<std::array<float, 3>> values;
    for (const auto &entry : parseEntries(curved))
        values.push_back({std::strtof(QByteArray::number(entry[0], 'f', 6), nullptr),
                          std::strtof(QByteArray::number(entry[1], 'f', 6), nullptr),
                          std::strtof(QByteArray::number(entry[2], 'f', 6), nullptr)});
    QTest::newRow("17-point curve") << curved << binaryImage(values);
    // A byte-order mark first, before a title of three words or before the size line.
    QTest::newRow("byte-order mark and title") << "\xEF\xBB\xBFTITLE \"Identity 17\"\n" + cubeFile(17, CubeFiles::identity(17), 6)
                                               << binaryImage(identityEntries(17));
    QTest::newRow("byte-order mark, 33 points") << "\xEF\xBB\xBF" + cubeFile(33, CubeFiles::identity(33), 6)
                                                << binaryImage(identityEntries(17));
}

void TestCliLut::binaryImages()
{
    QFETCH(QByteArray, cube);
    QFETCH(QByteArray, expected);
    const QString source = file(QStringLiteral("image.cube"), cube);
    const QString output = m_dir.filePath(QStringLiteral("image.dat"));
    const Result result = run({QStringLiteral("lut"), QStringLiteral("binary"), source, output});
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));
    const QByteArray image = readFile(output);
    QCOMPARE(image.size(), 19780);
    QCOMPARE(image.toHex(), expected.toHex());
    QVERIFY(result.out.contains(QStringLiteral("19780 bytes")));
}

void TestCliLut::binaryRefusesBadFiles()
{
    QList<QByteArray> lines = cubeLines(17, CubeFiles::identity(17), 6);
    lines[200] = "0.1 0.2 zero";
    const QString source = file(QStringLiteral("badimage.cube"), joinLines(lines));
    const QString output = m_dir.filePath(QStringLiteral("badimage.dat"));
    const Result result = run({QStringLiteral("lut"), QStringLiteral("binary"), source, output});
    QCOMPARE(result.exitCode, 1);
    QVERIFY(result.err.contains(QStringLiteral("not numbers")));
    QVERIFY(!QFileInfo::exists(output));

    const Result missing = run({QStringLiteral("lut"), QStringLiteral("binary"), source});
    QCOMPARE(missing.exitCode, 2);
}

void TestCliLut::help_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("usage");
    QTest::newRow("tool") << QStringList{QStringLiteral("--help")} << QStringLiteral("Usage: brevanto-cli <command>");
    QTest::newRow("lut") << QStringList{QStringLiteral("lut"), QStringLiteral("--help")} << QStringLiteral("Usage: brevanto-cli lut check|resample|binary");
    QTest::newRow("lut check") << QStringList{QStringLiteral("lut"), QStringLiteral("check"), QStringLiteral("--help")}
                               << QStringLiteral("Usage: brevanto-cli lut check FILE");
    QTest::newRow("lut resample") << QStringList{QStringLiteral("lut"), QStringLiteral("resample"), QStringLiteral("-h")}
                                  << QStringLiteral("Usage: brevanto-cli lut resample IN OUT");
    QTest::newRow("lut binary") << QStringList{QStringLiteral("lut"), QStringLiteral("binary"), QStringLiteral("x"), QStringLiteral("--help")}
                                << QStringLiteral("Usage: brevanto-cli lut binary IN.cube OUT.dat");
}

void TestCliLut::help()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, usage);
    const Result result = run(arguments);
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));
    QVERIFY2(result.out.startsWith(usage), qPrintable(result.out));
}

void TestCliLut::outputReplacesAtomically()
{
    const QByteArray text = cubeFile(17, CubeFiles::identity(17), 6);
    const QString source = file(QStringLiteral("atomic17.cube"), text);
    QTemporaryDir outputDir;
    QVERIFY(outputDir.isValid());

    // A new file gets what any new file gets here (the umask applied).
    const QString reference = outputDir.filePath(QStringLiteral("reference"));
    QVERIFY(CliTest::writeFile(reference, "x"));
    const QString output = outputDir.filePath(QStringLiteral("atomic33.cube"));
    const QStringList arguments{QStringLiteral("lut"), QStringLiteral("resample"), source, output, QStringLiteral("--size=33")};
    Result result = run(arguments);
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));
    QCOMPARE(readFile(output), cubeFile(33, CubeFiles::identity(33), 6));
    QCOMPARE(QFileInfo(output).permissions(), QFileInfo(reference).permissions());

    // A file that is replaced keeps its permissions; nothing is left beside it.
    QVERIFY(CliTest::writeFile(output, "old contents"));
    const QFileDevice::Permissions restricted = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                                                | QFileDevice::WriteUser | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(output, restricted));
    result = run(arguments);
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));
    QCOMPARE(readFile(output), cubeFile(33, CubeFiles::identity(33), 6));
    QCOMPARE(QFileInfo(output).permissions(), restricted);
    QCOMPARE(QDir(outputDir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{QStringLiteral("atomic33.cube"), QStringLiteral("reference")}));

    // A failed conversion leaves the old file as it was.
    const QString bad = file(QStringLiteral("bad17.cube"), "LUT_3D_SIZE 17\n0 0 0\n");
    result = run({QStringLiteral("lut"), QStringLiteral("resample"), bad, output, QStringLiteral("--size=33")});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("1 entries, a 17-point LUT has 4913")), qPrintable(result.describe()));
    QCOMPARE(readFile(output), cubeFile(33, CubeFiles::identity(33), 6));
    QCOMPARE(QDir(outputDir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{QStringLiteral("atomic33.cube"), QStringLiteral("reference")}));
}

void TestCliLut::outputThroughSymlink()
{
    QTemporaryDir outputDir;
    QVERIFY(outputDir.isValid());
    const QString target = outputDir.filePath(QStringLiteral("target.dat"));
    const QString link = outputDir.filePath(QStringLiteral("link.dat"));
    QVERIFY(CliTest::writeFile(target, "old"));
    if (!QFile::link(target, link))
        QSKIP("no symbolic links here");
    const QString source = file(QStringLiteral("linked17.cube"), cubeFile(17, CubeFiles::identity(17), 6));
    const Result result = run({QStringLiteral("lut"), QStringLiteral("binary"), source, link});
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readFile(target), binaryImage(identityEntries(17)));
}

void TestCliLut::outputMustBeARegularFile_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("resample into a FIFO") << QStringLiteral("resample") << false;
    QTest::newRow("binary into a FIFO") << QStringLiteral("binary") << false;
    QTest::newRow("binary through a link to a FIFO") << QStringLiteral("binary") << true;
}

void TestCliLut::outputMustBeARegularFile()
{
    QFETCH(QString, command);
    QFETCH(bool, throughLink);
    QTemporaryDir outputDir;
    QVERIFY(outputDir.isValid());
    const QString fifo = outputDir.filePath(QStringLiteral("special"));
    QVERIFY(Fifo::make(fifo));
    QString output = fifo;
    if (throughLink) {
        output = outputDir.filePath(QStringLiteral("link.dat"));
        QVERIFY(QFile::link(fifo, output));
    }
    const QString source = file(QStringLiteral("special33.cube"), cubeFile(33, CubeFiles::identity(33), 6));
    QStringList arguments{QStringLiteral("lut"), command, source, output};
    if (command == QLatin1String("resample"))
        arguments << QStringLiteral("--size=17");
    const Result result = run(arguments, 20000);
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(QStringLiteral("cannot write %1: it is not a regular file").arg(output)), qPrintable(result.describe()));
    QVERIFY(Fifo::isFifo(fifo));
    QCOMPARE(QDir(outputDir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size(), throughLink ? 2 : 1);
}

void TestCliLut::checkStopsReadingAnEndlessStream()
{
    // A source with no end (a device would be one) is given up past the size of any LUT file,
    // 256 MiB; the writer stops a little beyond that, or when the reader is gone.
    const QString fifo = m_dir.filePath(QStringLiteral("endless.cube"));
    QVERIFY(Fifo::make(fifo));
    const qint64 limit = qint64(256) * 1024 * 1024;
    Result result;
    {
        Fifo::Writer writer(fifo, limit + 16 * 1024 * 1024, 30000);
        result = run({QStringLiteral("lut"), QStringLiteral("check"), fifo}, 30000);
    }
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(QStringLiteral("cannot read %1: more than %2 bytes is too large").arg(fifo).arg(limit)),
             qPrintable(result.describe()));
}

void TestCliLut::lutCommandsNeedNoModule()
{
    // The executable alone, without the module that holds the frame and device commands.
    QTemporaryDir alone;
    QVERIFY(alone.isValid());
    const QString copy = alone.filePath(QStringLiteral("brevanto-cli"));
    QVERIFY(QFile::copy(executable(), copy));
    QVERIFY(QFile::setPermissions(copy, QFile::permissions(executable())));

    const QString source = file(QStringLiteral("alone17.cube"), cubeFile(17, CubeFiles::identity(17), 6));
    const QString output = alone.filePath(QStringLiteral("alone33.cube"));
    const Result lut = runProgram(copy, {QStringLiteral("lut"), QStringLiteral("resample"), source, output, QStringLiteral("--size=33")});
    QVERIFY2(lut.exitCode == 0 && lut.clean(), qPrintable(lut.describe()));
    QCOMPARE(readFile(output), cubeFile(33, CubeFiles::identity(33), 6));

    for (const QStringList &arguments : {QStringList{QStringLiteral("frame"), QStringLiteral("--help")},
                                         QStringList{QStringLiteral("--verbose"), QStringLiteral("device"), QStringLiteral("--help")}}) {
        const Result refused = runProgram(copy, arguments);
        QVERIFY2(refused.exitCode == 1 && refused.clean(), qPrintable(refused.describe()));
        QVERIFY2(refused.err.contains(QStringLiteral("the frame and device commands cannot be loaded")),
                 qPrintable(refused.describe()));
    }
}

QTEST_GUILESS_MAIN(TestCliLut)
#include "tst_cli_lut.moc"
