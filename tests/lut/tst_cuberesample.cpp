#include "lut/cubrixutils.h"
#include "cubefiles.h"
#include "logcapture.h"

#include <QRegularExpression>
#include <QtTest>

#include <array>
#include <vector>

using namespace CubeFiles;

namespace {

using Entry = std::array<float, 3>;

// The input entries as Qt reads the numbers of the written text.
std::vector<Entry> parsedEntries(const QByteArray &entryText)
{
    std::vector<Entry> entries;
    for (const QByteArray &line : splitLines(entryText)) {
        const QList<QByteArray> pieces = line.split(' ');
        entries.push_back({pieces[0].toFloat(), pieces[1].toFloat(), pieces[2].toFloat()});
    }
    return entries;
}

// Tetrahedral interpolation exactly as the table states it: the first row whose order of
// fractions holds, evaluated left to right in single precision.
float tetrahedral(const float c[2][2][2], float fr, float fg, float fb)
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

// Output index i of 33 on the 17-point grid: i / 2, with the last cell's far side for i = 32.
void position(int i, int &base, float &fraction)
{
    base = std::min(i / 2, 15);
    fraction = float(i - 2 * base) / 2.0f;
}

QList<QByteArray> entryLinesOf(const QByteArray &text)
{
    QList<QByteArray> lines = splitLines(text);
    return lines.mid(2);
}

Entry parseLine(const QByteArray &line)
{
    const QList<QByteArray> pieces = line.split(' ');
    return {pieces.value(0).toFloat(), pieces.value(1).toFloat(), pieces.value(2).toFloat()};
}

} // namespace

class TestCubeResample : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void downsampleIdentity();
    void downsampleCurvedPicksEveryOtherPoint();
    void upsampleIdentity();
    void upsampleCurvedFollowsTable();
    void upsampleClosedForms_data();
    void upsampleClosedForms();
    void writtenTextForm_data();
    void writtenTextForm();
    void keywordLinesAndBadPieces();
    void negativeZeroWrittenWithoutSign();
    void entriesBeyondGridIgnored();
    void shortGridRefused_data();
    void shortGridRefused();
    void absurdDecimalsBounded();
    void valuesNearFloatLimitStayFinite();

private:
    QString write(const QString &name, const QByteArray &contents)
    {
        return writeFile(m_dir, name, contents);
    }
    QTemporaryDir m_dir;
};

void TestCubeResample::initTestCase()
{
    useCNumericLocale();
    QVERIFY(m_dir.isValid());
}

void TestCubeResample::downsampleIdentity()
{
    const QString path = write(QStringLiteral("identity33.cube"), cubeFile(33, identity(33), 6));
    LogCapture capture;
    const QByteArray text = CubrixUtils::downsampleCube33to17(path);
    QVERIFY(capture.lines().isEmpty());
    QCOMPARE(text, cubeFile(17, identity(17), 6));
    QVERIFY(text.endsWith("\n1.000000 1.000000 1.000000\n"));
}

void TestCubeResample::downsampleCurvedPicksEveryOtherPoint()
{
    const QByteArray entries33 = entryLines(33, curved(33), 6);
    const QString path = write(QStringLiteral("curved33.cube"), sizeLine(33) + entries33);
    const QList<QByteArray> inputLines = splitLines(entries33);
    const QList<QByteArray> output = entryLinesOf(CubrixUtils::downsampleCube33to17(path));
    QCOMPARE(output.size(), 4913);
    // Six-decimal values between 0 and 1 survive the float round trip, so every output line
    // is the input line at twice its indices, text for text.
    for (int b = 0; b < 17; ++b) {
        for (int g = 0; g < 17; ++g) {
            for (int r = 0; r < 17; ++r)
                QCOMPARE(output[r + 17 * g + 289 * b], inputLines[2 * r + 33 * 2 * g + 1089 * 2 * b]);
        }
    }
}

void TestCubeResample::upsampleIdentity()
{
    const QString path = write(QStringLiteral("identity17.cube"), cubeFile(17, identity(17), 6));
    LogCapture capture;
    QCOMPARE(CubrixUtils::upsampleCube17to33(path), cubeFile(33, identity(33), 6));
    QVERIFY(capture.lines().isEmpty());
}

void TestCubeResample::upsampleCurvedFollowsTable()
{
    const QByteArray entries17 = entryLines(17, curved(17), 6);
    const QString path = write(QStringLiteral("curved17.cube"), cubeFile(17, curved(17), 6));
    const std::vector<Entry> input = parsedEntries(entries17);
    const QList<QByteArray> output = entryLinesOf(CubrixUtils::upsampleCube17to33(path));
    QCOMPARE(output.size(), 35937);

    for (int b = 0; b < 33; ++b) {
        for (int g = 0; g < 33; ++g) {
            for (int r = 0; r < 33; ++r) {
                int kr, kg, kb;
                float fr, fg, fb;
                position(r, kr, fr);
                position(g, kg, fg);
                position(b, kb, fb);
                QByteArray expected;
                for (int component = 0; component < 3; ++component) {
                    float c[2][2][2];
                    for (int x = 0; x < 2; ++x)
                        for (int y = 0; y < 2; ++y)
                            for (int z = 0; z < 2; ++z)
                                c[x][y][z] = input[(kr + x) + 17 * (kg + y) + 289 * (kb + z)][component];
                    expected += (component ? " " : "") + fixed(double(tetrahedral(c, fr, fg, fb)), 6);
                }
                const QByteArray &actual = output[r + 33 * g + 1089 * b];
                if (actual != expected)
                    QFAIL(qPrintable(QStringLiteral("output (%1, %2, %3): %4, expected %5")
                                         .arg(r).arg(g).arg(b)
                                         .arg(QString::fromLatin1(actual), QString::fromLatin1(expected))));
            }
        }
    }
}

void TestCubeResample::upsampleClosedForms_data()
{
    // Output point, and the input points whose mean it must be (the same point twice for a
    // grid point).
    QTest::addColumn<QVector<int>>("out");
    QTest::addColumn<QVector<int>>("first");
    QTest::addColumn<QVector<int>>("second");
    using V = QVector<int>;
    QTest::newRow("corner origin") << V{0, 0, 0} << V{0, 0, 0} << V{0, 0, 0};
    QTest::newRow("corner inside") << V{10, 4, 22} << V{5, 2, 11} << V{5, 2, 11};
    QTest::newRow("corner far end") << V{32, 32, 32} << V{16, 16, 16} << V{16, 16, 16};
    QTest::newRow("corner far red") << V{32, 0, 0} << V{16, 0, 0} << V{16, 0, 0};
    QTest::newRow("edge red (1,0,0)") << V{1, 0, 0} << V{0, 0, 0} << V{1, 0, 0};
    QTest::newRow("edge green") << V{6, 9, 12} << V{3, 4, 6} << V{3, 5, 6};
    QTest::newRow("edge blue") << V{20, 2, 31} << V{10, 1, 15} << V{10, 1, 16};
    QTest::newRow("edge at far green side") << V{31, 32, 0} << V{15, 16, 0} << V{16, 16, 0};
    QTest::newRow("face red-green") << V{7, 11, 4} << V{3, 5, 2} << V{4, 6, 2};
    QTest::newRow("face green-blue") << V{8, 13, 27} << V{4, 6, 13} << V{4, 7, 14};
    QTest::newRow("face red-blue") << V{29, 14, 3} << V{14, 7, 1} << V{15, 7, 2};
    QTest::newRow("body (1,1,1)") << V{1, 1, 1} << V{0, 0, 0} << V{1, 1, 1};
    QTest::newRow("body inside") << V{23, 15, 9} << V{11, 7, 4} << V{12, 8, 5};
}

void TestCubeResample::upsampleClosedForms()
{
    QFETCH(QVector<int>, out);
    QFETCH(QVector<int>, first);
    QFETCH(QVector<int>, second);
    // Straight from the colour function, in double precision: a separate route to the same
    // values, so only the six-decimal rounding of input and output separates them.
    const ColourFunction colour = curved(17);
    const Colour a = colour(first[0], first[1], first[2]);
    const Colour b = colour(second[0], second[1], second[2]);
    const QString path = write(QStringLiteral("closed17.cube"), cubeFile(17, colour, 6));
    const QList<QByteArray> output = entryLinesOf(CubrixUtils::upsampleCube17to33(path));
    QCOMPARE(output.size(), 35937);
    const Entry actual = parseLine(output[out[0] + 33 * out[1] + 1089 * out[2]]);
    for (int component = 0; component < 3; ++component) {
        const double expected = (a[component] + b[component]) / 2.0;
        if (std::abs(actual[component] - expected) > 1.5e-6)
            QFAIL(qPrintable(QStringLiteral("component %1: %2, expected %3")
                                 .arg(component).arg(double(actual[component]), 0, 'f', 7)
                                 .arg(expected, 0, 'f', 7)));
    }
}

void TestCubeResample::writtenTextForm_data()
{
    QTest::addColumn<bool>("down");
    QTest::addColumn<int>("decimals");
    QTest::newRow("down, six decimals") << true << 6;
    QTest::newRow("down, four decimals") << true << 4;
    QTest::newRow("down, integers") << true << 0;
    QTest::newRow("up, six decimals") << false << 6;
    QTest::newRow("up, four decimals") << false << 4;
    QTest::newRow("up, nine decimals") << false << 9;
}

void TestCubeResample::writtenTextForm()
{
    QFETCH(bool, down);
    QFETCH(int, decimals);
    const int inPoints = down ? 33 : 17;
    const int outPoints = down ? 17 : 33;
    // A source with CRLF line ends, a title, comments and domain lines.
    const QByteArray source = "TITLE \"Grade\"\r\n# made by hand\r\nDOMAIN_MIN 0.0 0.0 0.0\r\n"
                              "DOMAIN_MAX 1.0 1.0 1.0\r\nLUT_3D_SIZE " + QByteArray::number(inPoints)
                              + "\r\n\r\n# entries follow\r\n"
                              + entryLines(inPoints, curved(inPoints), decimals, "\r\n");
    const QString path = write(QStringLiteral("form.cube"), source);
    const QByteArray text = down ? CubrixUtils::downsampleCube33to17(path)
                                 : CubrixUtils::upsampleCube17to33(path);

    const QByteArray sizeText = "LUT_3D_SIZE " + QByteArray::number(outPoints) + "\n";
    QVERIFY(text.startsWith(sizeText + "\n"));
    QVERIFY(text.endsWith('\n'));
    QVERIFY(!text.contains('\r'));
    QVERIFY(!text.contains("TITLE"));
    QVERIFY(!text.contains('#'));
    QVERIFY(!text.contains("DOMAIN"));
    const QList<QByteArray> lines = splitLines(text);
    QCOMPARE(lines.size(), 2 + outPoints * outPoints * outPoints);

    const QString number = decimals > 0 ? QStringLiteral("-?[0-9]+\\.[0-9]{%1}").arg(decimals)
                                        : QStringLiteral("-?[0-9]+");
    const QRegularExpression entry(QStringLiteral("^%1 %1 %1$").arg(number));
    for (int i = 2; i < lines.size(); ++i) {
        if (!entry.match(QString::fromLatin1(lines[i])).hasMatch())
            QFAIL(qPrintable(QStringLiteral("line %1: %2").arg(i).arg(QString::fromLatin1(lines[i]))));
    }
    // The last output point lands on the last input point (upsampling reaches it through
    // the formula with fractions of 1.0, so allow for single-precision rounding).
    const Entry lastIn = parseLine(splitLines(source).last().trimmed());
    const Entry lastOut = parseLine(lines.last());
    for (int component = 0; component < 3; ++component)
        QVERIFY(std::abs(lastOut[component] - lastIn[component]) <= 1e-6f + 0.5f * std::pow(10.0f, -decimals));
}

void TestCubeResample::keywordLinesAndBadPieces()
{
    QList<QByteArray> lines = splitLines(entryLines(33, identity(33), 6));
    lines[0] = "0.500000 abc 0.250000";   // piece reads as 0.0, line kept
    lines[1] = "red green blue";          // unused by the output, but still an entry
    lines[2] = "0,5 0.125 nan";           // both unreadable pieces read as 0.0
    lines.insert(4, "LUT_3D_INPUT_RANGE 0.0 1.0"); // keyword with two numbers: no entry
    lines.insert(5, "TITLE second title");
    lines.insert(6, "DOMAIN_MIN 0 0");
    lines.insert(7, "0.1 0.2");                     // two pieces: no entry
    lines.insert(8, "0.1 0.2 0.3 0.4");             // four pieces: no entry
    const QString path = write(QStringLiteral("keywords.cube"), sizeLine(33) + lines.join('\n') + '\n');

    LogCapture capture;
    const QByteArray text = CubrixUtils::downsampleCube33to17(path);
    QVERIFY(capture.lines().isEmpty());
    QList<QByteArray> expected = splitLines(cubeFile(17, identity(17), 6));
    expected[2] = "0.500000 0.000000 0.250000";
    expected[3] = "0.000000 0.125000 0.000000";
    QCOMPARE(splitLines(text), expected);
}

void TestCubeResample::negativeZeroWrittenWithoutSign()
{
    // Zero written with a sign reads as -0.0, which the downsampler hands on as it stands.
    QList<QByteArray> lines = splitLines(entryLines(33, identity(33), 6));
    lines[0] = "-0 -0.0 -0.000000";
    lines[2] = "0.062500 -0.000 -.0";
    const QString path = write(QStringLiteral("negativezero.cube"), sizeLine(33) + lines.join('\n') + '\n');
    QCOMPARE(CubrixUtils::downsampleCube33to17(path), cubeFile(17, identity(17), 6));
}

void TestCubeResample::entriesBeyondGridIgnored()
{
    const QByteArray extra = "0.9 0.9 0.9\n0.8 0.8 0.8\n";
    const QString down = write(QStringLiteral("extra33.cube"), cubeFile(33, identity(33), 6) + extra);
    const QString up = write(QStringLiteral("extra17.cube"), cubeFile(17, identity(17), 6) + extra);
    LogCapture capture;
    QCOMPARE(CubrixUtils::downsampleCube33to17(down), cubeFile(17, identity(17), 6));
    QCOMPARE(CubrixUtils::upsampleCube17to33(up), cubeFile(33, identity(33), 6));
    QVERIFY(capture.lines().isEmpty());
}

void TestCubeResample::shortGridRefused_data()
{
    QTest::addColumn<bool>("down");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("warning");

    QByteArray short33 = cubeFile(33, identity(33), 6);
    short33.chop(short33.size() - short33.lastIndexOf('\n', -2) - 1);
    QByteArray short17 = cubeFile(17, identity(17), 6);
    short17.chop(short17.size() - short17.lastIndexOf('\n', -2) - 1);

    QTest::newRow("down, one entry short") << true << short33
                                           << "ERROR: Expected 35937 entries, found 35936";
    QTest::newRow("down, 17-point file") << true << cubeFile(17, identity(17), 6)
                                         << "ERROR: Expected 35937 entries, found 4913";
    QTest::newRow("down, empty") << true << QByteArray() << "ERROR: Expected 35937 entries, found 0";
    QTest::newRow("up, one entry short") << false << short17
                                         << "ERROR: Expected 4913 entries, found 4912";
    QTest::newRow("up, header only") << false << QByteArray("TITLE \"x\"\nLUT_3D_SIZE 17\n")
                                     << "ERROR: Expected 4913 entries, found 0";
    QTest::newRow("up, 1D table") << false
                                  << QByteArray("LUT_1D_SIZE 4096\n") + entryLines(16, identity(16), 0)
                                  << "ERROR: Expected 4913 entries, found 4096";
}

void TestCubeResample::shortGridRefused()
{
    QFETCH(bool, down);
    QFETCH(QByteArray, contents);
    QFETCH(QString, warning);
    const QString path = write(QStringLiteral("short.cube"), contents);
    LogCapture capture;
    const QByteArray text = down ? CubrixUtils::downsampleCube33to17(path)
                                 : CubrixUtils::upsampleCube17to33(path);
    QVERIFY(text.isEmpty());
    QCOMPARE(capture.lines(), QStringList{warning});

    // A file that cannot be opened holds no entries either.
    const QString missing = m_dir.filePath(QStringLiteral("missing.cube"));
    capture.take();
    QVERIFY((down ? CubrixUtils::downsampleCube33to17(missing)
                  : CubrixUtils::upsampleCube17to33(missing)).isEmpty());
    QCOMPARE(capture.lines(), QStringList{warning.left(warning.lastIndexOf(' ')) + " 0"});
}

void TestCubeResample::absurdDecimalsBounded()
{
    // One value with a 5,000-digit fraction would ask for 5,000 decimals on all 35,937
    // output lines (over 500 MB); the written decimals stay at twenty.
    QList<QByteArray> lines = splitLines(entryLines(17, identity(17), 6));
    lines[1] = "0.0625" + QByteArray(4996, '0') + " 0 0";
    const QString path = write(QStringLiteral("absurd.cube"), sizeLine(17) + lines.join('\n') + '\n');
    QCOMPARE(CubrixUtils::cubeDecimals(path), 5000);
    const QByteArray text = CubrixUtils::upsampleCube17to33(path);
    QCOMPARE(text, cubeFile(33, identity(33), 20));
}

void TestCubeResample::valuesNearFloatLimitStayFinite()
{
    // Red alternates between -3e38 and 3e38 along the red axis: the corner differences
    // overflow single precision, the interpolated values do not.
    QByteArray source = sizeLine(17);
    for (int b = 0; b < 17; ++b)
        for (int g = 0; g < 17; ++g)
            for (int r = 0; r < 17; ++r)
                source += QByteArray(r % 2 ? "3e38 " : "-3e38 ") + fixed(g / 16.0, 4) + ' '
                          + fixed(b / 16.0, 4) + '\n';
    const QString path = write(QStringLiteral("huge.cube"), source);
    const QByteArray text = CubrixUtils::upsampleCube17to33(path);
    QVERIFY(!text.contains("inf"));
    QVERIFY(!text.contains("nan"));
    const QList<QByteArray> lines = entryLinesOf(text);
    QCOMPARE(lines.size(), 35937);
    const float huge = 3e38f;
    for (int i = 0; i < lines.size(); ++i) {
        const int r = i % 33;
        // Even outputs are input points; odd ones are the mean of -3e38 and 3e38.
        const QByteArray red = r % 2 ? QByteArray("0.0000")
                                     : fixed((r / 2) % 2 ? double(huge) : -double(huge), 4);
        if (lines[i].left(lines[i].indexOf(' ')) != red)
            QFAIL(qPrintable(QStringLiteral("line %1: %2").arg(i).arg(QString::fromLatin1(lines[i]))));
    }
}

QTEST_GUILESS_MAIN(TestCubeResample)
#include "tst_cuberesample.moc"
