// The identity tables that clear a Cubrix LUT slot: line counts, first and last lines, the
// rounding of the lattice values, and the whole texts against a plain floating-point rebuild.

#include "lut/identitylut.h"

#include <QtTest>
#include <cmath>

namespace {
// The straightforward reading of the definition: double arithmetic and printf rounding.
QString referenceValue(int index, int points, int decimals)
{
    const double steps = std::floor(index * 65535.0 / (points - 1) + 0.5);
    return QString::asprintf("%.*f", decimals, steps / 65535.0);
}

QString referenceCube(int points, int decimals)
{
    QStringList lines{QStringLiteral("LUT_3D_SIZE %1").arg(points)};
    for (int b = 0; b < points; ++b)
        for (int g = 0; g < points; ++g)
            for (int r = 0; r < points; ++r)
                lines << referenceValue(r, points, decimals) + QLatin1Char(' ') + referenceValue(g, points, decimals)
                             + QLatin1Char(' ') + referenceValue(b, points, decimals);
    return lines.join(QLatin1Char('\n'));
}
} // namespace

class TestIdentityLut : public QObject
{
    Q_OBJECT
private slots:
    void rampLines();
    void cubeLines_data();
    void cubeLines();
    void latticeValues_data();
    void latticeValues();
    void cubesMatchTheFloatingPointReading_data();
    void cubesMatchTheFloatingPointReading();
    void textsAreBuiltOnce();
    void invokablesGiveTheCachedTexts();
};

void TestIdentityLut::rampLines()
{
    const QStringList lines = IdentityLut::rampText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3 + 4096);
    QCOMPARE(lines.at(0), QStringLiteral("LUT_1D_SIZE 4096"));
    QCOMPARE(lines.at(1), QStringLiteral("LUT_1D_BITS 12"));
    QCOMPARE(lines.at(2), QStringLiteral("LUT_1D_NAME Image2"));
    QCOMPARE(lines.at(3), QStringLiteral("    0     0     0"));
    QCOMPARE(lines.at(3 + 7), QStringLiteral("    7     7     7"));
    QCOMPARE(lines.at(3 + 512), QStringLiteral("  512   512   512"));
    QCOMPARE(lines.last(), QStringLiteral(" 4095  4095  4095"));
    for (int k = 0; k < 4096; ++k) {
        const QString field = QString::number(k).rightJustified(5, QLatin1Char(' '));
        if (lines.at(3 + k) != field + QLatin1Char(' ') + field + QLatin1Char(' ') + field)
            QFAIL(qPrintable(QStringLiteral("ramp line %1: '%2'").arg(k).arg(lines.at(3 + k))));
    }
    QVERIFY(!IdentityLut::rampText().endsWith(QLatin1Char('\n')));
}

void TestIdentityLut::cubeLines_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("rowStep");
    QTest::addColumn<QString>("last");
    // Second line: red index 1; "rowStep": the first line where green is 1 (red back at 0).
    QTest::newRow("17") << 17 << 1 + 4913 << "LUT_3D_SIZE 17" << "0.00000000 0.00000000 0.00000000"
                        << "0.06250095 0.00000000 0.00000000" << "0.00000000 0.06250095 0.00000000"
                        << "1.00000000 1.00000000 1.00000000";
    QTest::newRow("33") << 33 << 1 + 35937 << "LUT_3D_SIZE 33" << "0.000000 0.000000 0.000000"
                        << "0.031250 0.000000 0.000000" << "0.000000 0.031250 0.000000"
                        << "1.000000 1.000000 1.000000";
}

void TestIdentityLut::cubeLines()
{
    QFETCH(int, points);
    const QString &text = points == 17 ? IdentityLut::cubeText17() : IdentityLut::cubeText33();
    const QStringList lines = text.split(QLatin1Char('\n'));
    QTEST(lines.size(), "lineCount");
    QTEST(lines.at(0), "header");
    QTEST(lines.at(1), "first");
    QTEST(lines.at(2), "second");
    QTEST(lines.at(1 + points), "rowStep");
    QTEST(lines.last(), "last");
    QVERIFY(!text.endsWith(QLatin1Char('\n')));
}

void TestIdentityLut::latticeValues_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");
    // Worked by hand: 65535 / 32 = 2047.96875 per step, 65535 / 16 = 4095.9375.
    // Index 16 of 33 gives 32767.5, a half, rounded up to 32768: 32768 / 65535 = 0.500007629...
    QTest::newRow("33: 16, half rounded up") << 16 << 33 << 6 << "0.500008";
    // Index 8 of 17 gives 32767.5 as well.
    QTest::newRow("17: 8, half rounded up") << 8 << 17 << 8 << "0.50000763";
    // 2047.96875 -> 2048; 2048 / 65535 = 0.0312504768...
    QTest::newRow("33: 1") << 1 << 33 << 6 << "0.031250";
    // 31 * 2047.96875 = 63487.03125 -> 63487; 63487 / 65535 = 0.968749523...
    QTest::newRow("33: 31") << 31 << 33 << 6 << "0.968750";
    // 4095.9375 -> 4096; 4096 / 65535 = 0.06250095368...
    QTest::newRow("17: 1") << 1 << 17 << 8 << "0.06250095";
    // 15 * 4095.9375 = 61439.0625 -> 61439; 61439 / 65535 = 0.93749904631...
    QTest::newRow("17: 15") << 15 << 17 << 8 << "0.93749905";
    // 3 * 2047.96875 = 6143.90625 -> 6144; 6144 / 65535 = 0.0937514305...
    QTest::newRow("33: 3") << 3 << 33 << 6 << "0.093751";
    QTest::newRow("33: 0") << 0 << 33 << 6 << "0.000000";
    QTest::newRow("17: 16") << 16 << 17 << 8 << "1.00000000";
}

void TestIdentityLut::latticeValues()
{
    QFETCH(int, index);
    QFETCH(int, points);
    QFETCH(int, decimals);
    QTEST(IdentityLut::latticeValue(index, points, decimals), "expected");
}

void TestIdentityLut::cubesMatchTheFloatingPointReading_data()
{
    QTest::addColumn<int>("points");
    QTest::newRow("17") << 17;
    QTest::newRow("33") << 33;
}

void TestIdentityLut::cubesMatchTheFloatingPointReading()
{
    QFETCH(int, points);
    const int decimals = points == 17 ? 8 : 6;
    const QString &text = points == 17 ? IdentityLut::cubeText17() : IdentityLut::cubeText33();
    const QString reference = referenceCube(points, decimals);
    QCOMPARE(text.size(), reference.size());
    QVERIFY(text == reference);
}

void TestIdentityLut::textsAreBuiltOnce()
{
    // The caches hand out the same storage each time: no rebuild per call.
    QCOMPARE(IdentityLut::cubeText33().constData(), IdentityLut::cubeText33().constData());
    QCOMPARE(IdentityLut::rampText().constData(), IdentityLut::rampText().constData());
    QVERIFY(IdentityLut::cubeText33().size() > 900000);
}

void TestIdentityLut::invokablesGiveTheCachedTexts()
{
    IdentityLut helper;
    QString text;
    QVERIFY(QMetaObject::invokeMethod(&helper, "identity17", Q_RETURN_ARG(QString, text)));
    QCOMPARE(text, IdentityLut::cubeText17());
    QVERIFY(QMetaObject::invokeMethod(&helper, "identity33", Q_RETURN_ARG(QString, text)));
    QCOMPARE(text, IdentityLut::cubeText33());
    QVERIFY(QMetaObject::invokeMethod(&helper, "ramp1D", Q_RETURN_ARG(QString, text)));
    QCOMPARE(text, IdentityLut::rampText());
}

QTEST_GUILESS_MAIN(TestIdentityLut)
#include "tst_identitylut.moc"
