#include "lut/cubeentryreader.h"
#include "cubefiles.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <cstdlib>

#include <cfloat>

using CubrixUtils::CubeEntryReader;
using CubrixUtils::LutEntry;
using Rule = CubeEntryReader::UnreadablePiece;

Q_DECLARE_METATYPE(Rule)

namespace {

QString describe(const std::vector<LutEntry> &entries)
{
    QStringList parts;
    for (const LutEntry &e : entries)
        parts << QStringLiteral("(%1 %2 %3)").arg(double(e.red)).arg(double(e.green)).arg(double(e.blue));
    return parts.join(' ');
}

} // namespace

class TestCubeEntryReader : public QObject
{
    Q_OBJECT
private slots:
    void numbers_data();
    void numbers();
    void nearestFloatLikeStrtof();
    void lines_data();
    void lines();
    void stopsAtMaxEntries();
};

void TestCubeEntryReader::numbers_data()
{
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<float>("value");
    QTest::newRow("integer") << QByteArray("1") << true << 1.0f;
    QTest::newRow("fraction") << QByteArray("0.117647") << true << 0.117647f;
    QTest::newRow("long fraction") << QByteArray("0.123456789012345678901234") << true << 0.123456789012345678901234f;
    QTest::newRow("plus sign") << QByteArray("+0.25") << true << 0.25f;
    QTest::newRow("minus sign") << QByteArray("-0.25") << true << -0.25f;
    QTest::newRow("no integer digits") << QByteArray(".5") << true << 0.5f;
    QTest::newRow("negative no integer digits") << QByteArray("-.5") << true << -0.5f;
    QTest::newRow("no fraction digits") << QByteArray("5.") << true << 5.0f;
    QTest::newRow("leading zeros") << QByteArray("000.5") << true << 0.5f;
    QTest::newRow("exponent") << QByteArray("1.5e-3") << true << 1.5e-3f;
    QTest::newRow("capital exponent with sign") << QByteArray("2E+2") << true << 200.0f;
    QTest::newRow("smallest subnormal") << QByteArray("1e-45") << true << 1e-45f;
    QTest::newRow("largest float") << QByteArray("3.4028234e38") << true << FLT_MAX;
    QTest::newRow("overflow") << QByteArray("3.5e38") << false << 0.0f;
    QTest::newRow("underflow") << QByteArray("1e-50") << false << 0.0f;
    QTest::newRow("comma") << QByteArray("0,5") << false << 0.0f;
    QTest::newRow("hexadecimal") << QByteArray("0x10") << false << 0.0f;
    QTest::newRow("inf") << QByteArray("inf") << false << 0.0f;
    QTest::newRow("negative infinity") << QByteArray("-infinity") << false << 0.0f;
    QTest::newRow("nan") << QByteArray("nan") << false << 0.0f;
    QTest::newRow("word") << QByteArray("green") << false << 0.0f;
    QTest::newRow("trailing junk") << QByteArray("0.5x") << false << 0.0f;
    QTest::newRow("dangling exponent") << QByteArray("1e") << false << 0.0f;
    QTest::newRow("exponent without digits") << QByteArray("1e+") << false << 0.0f;
    QTest::newRow("lone point") << QByteArray(".") << false << 0.0f;
    QTest::newRow("lone sign") << QByteArray("-") << false << 0.0f;
    QTest::newRow("two signs") << QByteArray("+-1") << false << 0.0f;
    QTest::newRow("two points") << QByteArray("1.2.3") << false << 0.0f;
    QTest::newRow("empty") << QByteArray() << false << 0.0f;
}

void TestCubeEntryReader::numbers()
{
    QFETCH(QByteArray, token);
    QFETCH(bool, accepted);
    QFETCH(float, value);
    float parsed = -123.0f;
    QCOMPARE(CubeEntryReader::toFloat(token.constData(), token.constData() + token.size(), parsed),
             accepted);
    if (accepted)
        QCOMPARE(parsed, value); // compiler-rounded literal: the nearest float
    else
        QCOMPARE(parsed, -123.0f);
}

void TestCubeEntryReader::nearestFloatLikeStrtof()
{
    // glibc's strtof rounds correctly; in the C locale it reads the same decimal notation.
    CubeFiles::useCNumericLocale();
    QRandomGenerator random(77);
    for (int i = 0; i < 40000; ++i) {
        QByteArray token;
        if (random.bounded(4) == 0)
            token += random.bounded(2) ? "-" : "+";
        const int integerDigits = random.bounded(0, 9);
        const int fractionDigits = random.bounded(integerDigits == 0 ? 1 : 0, 13);
        for (int d = 0; d < integerDigits; ++d)
            token += char('0' + random.bounded(10));
        if (fractionDigits > 0 || random.bounded(2))
            token += '.';
        for (int d = 0; d < fractionDigits; ++d)
            token += char('0' + random.bounded(10));
        if (random.bounded(5) == 0)
            token += "e" + QByteArray::number(random.bounded(-12, 13));

        char *parsedEnd = nullptr;
        const float expected = std::strtof(token.constData(), &parsedEnd);
        QCOMPARE(parsedEnd, token.constData() + token.size());
        float value = 0.0f;
        if (!CubeEntryReader::toFloat(token.constData(), token.constData() + token.size(), value))
            QFAIL(token.constData());
        if (value != expected || std::signbit(value) != std::signbit(expected))
            QFAIL(qPrintable(QStringLiteral("%1: %2, strtof gives %3")
                                 .arg(QString::fromLatin1(token))
                                 .arg(double(value), 0, 'g', 10)
                                 .arg(double(expected), 0, 'g', 10)));
    }
}

void TestCubeEntryReader::lines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Rule>("rule");
    QTest::addColumn<QString>("entries");

    const Rule skip = Rule::SkipLine;
    const Rule zero = Rule::CountAsZero;
    QTest::newRow("plain") << QByteArray("0.1 0.2 0.3\n1 2 3\n") << skip << "(0.1 0.2 0.3) (1 2 3)";
    QTest::newRow("CRLF and blanks") << QByteArray("  0.5\t0.25  0.125 \r\n\r\n\t\n1 1 1")
                                     << skip << "(0.5 0.25 0.125) (1 1 1)";
    QTest::newRow("vertical tab and form feed split") << QByteArray("1\v2\f3\n") << skip << "(1 2 3)";
    QTest::newRow("keyword lines skipped")
        << QByteArray("TITLE a b\n#1 2 3\n# 1 2 3\nDOMAIN_MIN 0 0\nLUT_3D_INPUT_RANGE 0 1\n"
                      "   LUT_X 1 2\n4 5 6\n")
        << zero << "(4 5 6)";
    QTest::newRow("keyword check is case-sensitive") << QByteArray("title a b\n") << zero << "(0 0 0)";
    QTest::newRow("lower-case keyword refused as numbers") << QByteArray("title a b\n") << skip << "";
    QTest::newRow("bad piece skips the line") << QByteArray("0.5 abc 0.25\n0.1,0.2 0.3 0.4\n1 2 3\n")
                                              << skip << "(1 2 3)";
    QTest::newRow("bad piece reads as zero") << QByteArray("0.5 abc 0.25\n0,1 0.3 nan\n")
                                             << zero << "(0.5 0 0.25) (0 0.3 0)";
    QTest::newRow("other piece counts ignored")
        << QByteArray("1\n1 2\n1 2 3 4\n1 2 3\n") << zero << "(1 2 3)";
    QTest::newRow("carriage return alone is blank") << QByteArray("1 2\r3\n") << skip << "(1 2 3)";
    QTest::newRow("non-ASCII byte is not blank") << QByteArray("1\xa0" "2 3\n") << zero << "";
    QTest::newRow("byte-order mark skipped at the start only")
        << QByteArray("\xEF\xBB\xBF" "1 2 3\n\xEF\xBB\xBF" "4 5 6\n") << skip << "(1 2 3)";
}

void TestCubeEntryReader::lines()
{
    QFETCH(QByteArray, text);
    QFETCH(Rule, rule);
    QFETCH(QString, entries);
    QCOMPARE(describe(CubeEntryReader::read(text, rule)), entries);
}

void TestCubeEntryReader::stopsAtMaxEntries()
{
    const QByteArray text = "1 1 1\n2 2 2\n3 3 3\n4 4 4\n";
    QCOMPARE(CubeEntryReader::read(text, Rule::SkipLine, 2).size(), std::size_t(2));
    QCOMPARE(describe(CubeEntryReader::read(text, Rule::SkipLine, 3)), QStringLiteral("(1 1 1) (2 2 2) (3 3 3)"));
    QCOMPARE(CubeEntryReader::read(text, Rule::SkipLine, 0).size(), std::size_t(0));
    QCOMPARE(CubeEntryReader::read(text, Rule::SkipLine, -1).size(), std::size_t(4));
}

QTEST_GUILESS_MAIN(TestCubeEntryReader)
#include "tst_cubeentryreader.moc"
