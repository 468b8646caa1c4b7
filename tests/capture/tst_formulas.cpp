#include "capture/formulas.h"
#include "testframes.h"

#include <QtTest>
#include <cmath>
#include <initializer_list>

using CubrixUtils::Formulas;

class TestFormulas : public QObject
{
    Q_OBJECT
private slots:
    void packedGroupFromPublishedBytes_data();
    void packedGroupFromPublishedBytes();
    void packedGroupsHandPacked();
    void wordFormats_data();
    void wordFormats();
    void unknownFormatSamplesZero();
    void publishedConversions_data();
    void publishedConversions();
    void conversionMatchesMatrices_data();
    void conversionMatchesMatrices();
    void minimumLineBytes_data();
    void minimumLineBytes();
};

namespace {

// The published BT.709 coefficient table, typed in here (not taken from the code).
struct TestMatrix {
    double gain, rCr, gCb, gCr, bCb, rOffset, gOffset, bOffset;
};
const TestMatrix VideoRange{1.167808219, 1.79792477, -0.213864189, -0.534571699, 2.11863228,
                            -995.2772083, 308.4594488, -1159.479453};
const TestMatrix ExtendedRange{1.071204188, 1.68684879, -0.200651637, -0.501545804, 1.987742956,
                               -932.2236483, 290.9680216, -1086.281461};
const TestMatrix FullRange{1.007881773, 1.58713359, -0.188790457, -0.471897776, 1.870240909,
                           -816.6439252, 334.2408479, -961.5948726};
const TestMatrix DefaultSet{1.1678, 1.7979, -0.2139, -0.5346, 2.1186, -995.3, 308.4595, -1159.48};

const TestMatrix &testMatrix(uint range)
{
    switch (range) {
    case 1: return VideoRange;
    case 2: return ExtendedRange;
    case 3: return FullRange;
    default: return DefaultSet;
    }
}

// Products in double, running sum rounded to single precision after each addition,
// std::round (halves away from zero) at the end.
int sumTerms(std::initializer_list<double> products)
{
    float sum = 0.0f;
    for (double product : products)
        sum = static_cast<float>(static_cast<double>(sum) + product);
    return static_cast<int>(std::round(sum));
}

void expectedRgb(int y, int cb, int cr, uint range, int &r, int &g, int &b)
{
    const TestMatrix &m = testMatrix(range);
    r = sumTerms({m.gain * y, m.rCr * cr, m.rOffset});
    g = sumTerms({m.gain * y, m.gCb * cb, m.gCr * cr, m.gOffset});
    b = sumTerms({m.gain * y, m.bCb * cb, m.bOffset});
}

const uchar *bytes(const QByteArray &data)
{
    return reinterpret_cast<const uchar *>(data.constData());
}

} // namespace

void TestFormulas::packedGroupFromPublishedBytes_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("cb");
    QTest::addColumn<int>("cr");
    QTest::newRow("pixel 0") << 0 << 0x040 << 0x200 << 0x201;
    QTest::newRow("pixel 1") << 1 << 0x080 << 0x200 << 0x201;
    QTest::newRow("pixel 2") << 2 << 0x0C0 << 0x202 << 0x203;
    QTest::newRow("pixel 3") << 3 << 0x100 << 0x202 << 0x203;
    QTest::newRow("pixel 4") << 4 << 0x140 << 0x204 << 0x205;
    QTest::newRow("pixel 5") << 5 << 0x180 << 0x204 << 0x205;
}

void TestFormulas::packedGroupFromPublishedBytes()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, cb);
    QFETCH(int, cr);
    const QByteArray group = QByteArray::fromHex("08004080 480808C0 080D0081 14081580");
    // The hand packer agrees with the published bytes, so the next test can trust it.
    const TestFrames::Group422 published{{0x040, 0x080, 0x0C0, 0x100, 0x140, 0x180},
                                         {0x200, 0x202, 0x204},
                                         {0x201, 0x203, 0x205}};
    QCOMPARE(TestFrames::packGroup(published).toHex(), group.toHex());

    const Formulas formulas;
    QCOMPARE(formulas.sampleY(bytes(group), x, 1), y);
    QCOMPARE(formulas.sampleCb(bytes(group), x, 1), cb);
    QCOMPARE(formulas.sampleCr(bytes(group), x, 1), cr);
}

void TestFormulas::packedGroupsHandPacked()
{
    // Three groups in one line, with distinct extreme and patterned values and set unused bits
    // (which must not leak into any sample).
    const TestFrames::Group422 groups[3] = {
        {{0x3FF, 0x000, 0x2AA, 0x155, 0x001, 0x200}, {0x3FF, 0x000, 0x155}, {0x2AA, 0x3FE, 0x001}},
        {{0x123, 0x234, 0x345, 0x056, 0x167, 0x278}, {0x389, 0x09A, 0x1AB}, {0x2BC, 0x3CD, 0x0DE}},
        {{0x000, 0x3FF, 0x000, 0x3FF, 0x000, 0x3FF}, {0x000, 0x3FF, 0x000}, {0x3FF, 0x000, 0x3FF}},
    };
    QByteArray line;
    for (const auto &group : groups)
        line += TestFrames::packGroup(group, 0xF);
    const Formulas formulas;
    for (int x = 0; x < 18; ++x) {
        const TestFrames::Group422 &g = groups[x / 6];
        const int inGroup = x % 6;
        QCOMPARE(formulas.sampleY(bytes(line), x, 1), g.y[inGroup]);
        QCOMPARE(formulas.sampleCb(bytes(line), x, 1), g.cb[inGroup / 2]);
        QCOMPARE(formulas.sampleCr(bytes(line), x, 1), g.cr[inGroup / 2]);
    }
}

void TestFormulas::wordFormats_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("cb");
    QTest::addColumn<int>("cr");
    // Cr = 0x155, Y = 0x2AA, Cb = 0x3C3, bits 30-31 set: 0xFC3AA955 (hand-assembled).
    QTest::newRow("2 big-endian") << 2 << QByteArray::fromHex("00000000FC3AA955") << 1 << 0x2AA << 0x3C3 << 0x155;
    QTest::newRow("258 little-endian") << 258 << QByteArray::fromHex("55A93AFC00000000") << 0 << 0x2AA << 0x3C3
                                       << 0x155;
    // For 259 the three samples are G, B and R.
    QTest::newRow("259 R=1023 G=0 B=1023") << 259 << QByteArray::fromHex("FF03F03F") << 0 << 0 << 0x3FF << 0x3FF;
    QTest::newRow("259 R=1 G=2 B=3") << 259 << QByteArray::fromHex("01083000") << 0 << 2 << 3 << 1;
}

void TestFormulas::wordFormats()
{
    QFETCH(int, format);
    QFETCH(QByteArray, line);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, cb);
    QFETCH(int, cr);
    const Formulas formulas;
    QCOMPARE(formulas.sampleY(bytes(line), x, format), y);
    QCOMPARE(formulas.sampleCb(bytes(line), x, format), cb);
    QCOMPARE(formulas.sampleCr(bytes(line), x, format), cr);
}

void TestFormulas::unknownFormatSamplesZero()
{
    const QByteArray line(64, '\xFF');
    const Formulas formulas;
    for (int format : {0, 3, 257, 260, 0xFFFF, -1}) {
        QCOMPARE(formulas.sampleY(bytes(line), 1, format), 0);
        QCOMPARE(formulas.sampleCb(bytes(line), 1, format), 0);
        QCOMPARE(formulas.sampleCr(bytes(line), 1, format), 0);
    }
}

void TestFormulas::publishedConversions_data()
{
    QTest::addColumn<uint>("range");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("cb");
    QTest::addColumn<int>("cr");
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("g");
    QTest::addColumn<int>("b");
    // Computed outside this program (float32 rounding of each partial sum, Python struct).
    QTest::newRow("video white") << 1u << 940 << 512 << 512 << 1023 << 1023 << 1023;
    QTest::newRow("video black") << 1u << 64 << 512 << 512 << 0 << 0 << 0;
    QTest::newRow("extended 940") << 2u << 940 << 512 << 512 << 938 << 938 << 938;
    QTest::newRow("extended white") << 2u << 1019 << 512 << 512 << 1023 << 1023 << 1023;
    QTest::newRow("full white") << 3u << 1019 << 512 << 512 << 1023 << 1023 << 1023;
    QTest::newRow("full black") << 3u << 4 << 512 << 512 << 0 << 0 << 0;
    QTest::newRow("range 4 uses the default set") << 4u << 500 << 300 << 700 << 847 << 454 << 60;
    QTest::newRow("range 1") << 1u << 500 << 300 << 700 << 847 << 454 << 60;
    QTest::newRow("negative results stay") << 2u << 123 << 456 << 789 << 530 << -64 << -48;
    QTest::newRow("results above 1023 stay") << 3u << 1023 << 0 << 1023 << 1838 << 883 << 69;
    QTest::newRow("default set") << 0u << 0 << 1023 << 0 << -995 << 90 << 1008;
}

void TestFormulas::publishedConversions()
{
    QFETCH(uint, range);
    QFETCH(int, y);
    QFETCH(int, cb);
    QFETCH(int, cr);
    QFETCH(int, r);
    QFETCH(int, g);
    QFETCH(int, b);
    int gotR = 0, gotG = 0, gotB = 0;
    Formulas().ycbcrToRgb(y, cb, cr, gotR, gotG, gotB, range);
    QCOMPARE(gotR, r);
    QCOMPARE(gotG, g);
    QCOMPARE(gotB, b);
}

void TestFormulas::conversionMatchesMatrices_data()
{
    QTest::addColumn<uint>("range");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("cb");
    QTest::addColumn<int>("cr");
    QTest::addColumn<int>("channel"); // 0 R, 1 G, 2 B
    QTest::addColumn<int>("expected");
    // Sums that land exactly on a half in single precision: halves go away from zero.
    QTest::newRow("B -999.5 to -1000") << 0u << 10 << 70 << 0 << 2 << -1000;
    QTest::newRow("R -641.5 to -642") << 0u << 32 << 0 << 176 << 0 << -642;
    QTest::newRow("G 189.5 to 190") << 0u << 59 << 21 << 343 << 1 << 190;
    QTest::newRow("R -669.5 to -670 video") << 1u << 8 << 0 << 176 << 0 << -670;
    QTest::newRow("G 743.5 to 744 extended") << 2u << 808 << 846 << 485 << 1 << 744;
    QTest::newRow("G 899.5 to 900 full") << 3u << 734 << 582 << 137 << 1 << 900;
    QTest::newRow("B -726.5 to -727 extended") << 2u << 0 << 181 << 0 << 2 << -727;
    QTest::newRow("R -599 full") << 3u << 7 << 0 << 133 << 0 << -599;
    // Single-precision partial sums give another integer than a double sum would.
    QTest::newRow("B 790.5 (double 790.49999)") << 0u << 8 << 916 << 0 << 2 << 791;
    QTest::newRow("R 287.5 (double 287.49997)") << 1u << 50 << 0 << 681 << 0 << 288;
    QTest::newRow("R 316.49997 (double 316.50002)") << 2u << 2 << 0 << 739 << 0 << 316;
    QTest::newRow("B 365.49997 (double 365.50003)") << 3u << 105 << 653 << 0 << 2 << 365;
    QTest::newRow("G -251.49997 (double -251.5)") << 0u << 38 << 401 << 970 << 1 << -251;
    QTest::newRow("G 1025.5 (double 1025.49995)") << 2u << 960 << 557 << 363 << 1 << 1026;
    QTest::newRow("G 816.5 (double 816.499998)") << 3u << 900 << 1023 << 491 << 1 << 817;
}

void TestFormulas::conversionMatchesMatrices()
{
    QFETCH(uint, range);
    QFETCH(int, y);
    QFETCH(int, cb);
    QFETCH(int, cr);
    QFETCH(int, channel);
    QFETCH(int, expected);
    const Formulas formulas;
    int rgb[3];
    formulas.ycbcrToRgb(y, cb, cr, rgb[0], rgb[1], rgb[2], range);
    QCOMPARE(rgb[channel], expected);

    // The independent computation agrees on these rows...
    int independent[3];
    expectedRgb(y, cb, cr, range, independent[0], independent[1], independent[2]);
    QCOMPARE(independent[channel], expected);

    // ...and on a sweep over the whole sample range, for every range and the fallback.
    for (uint r : {0u, 1u, 2u, 3u, 4u, 9u, 0xFFFFFFFFu}) {
        for (int yy = 0; yy < 1024; yy += 7) {
            for (int c = 0; c < 1024; c += 11) {
                const int cbb = c;
                const int crr = (c * 37 + yy * 13) % 1024;
                int got[3], want[3];
                formulas.ycbcrToRgb(yy, cbb, crr, got[0], got[1], got[2], r);
                expectedRgb(yy, cbb, crr, r, want[0], want[1], want[2]);
                if (got[0] != want[0] || got[1] != want[1] || got[2] != want[2])
                    QFAIL(qPrintable(QStringLiteral("range %1 Y %2 Cb %3 Cr %4: got %5 %6 %7, expected %8 %9 %10")
                                         .arg(r).arg(yy).arg(cbb).arg(crr).arg(got[0]).arg(got[1]).arg(got[2])
                                         .arg(want[0]).arg(want[1]).arg(want[2])));
            }
        }
    }
}

void TestFormulas::minimumLineBytes_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("format");
    QTest::addColumn<qint64>("bytes");
    // Format 1: pixel 0 reads words 0 and 1; six pixels fill a 16-byte group; pixel 6 opens
    // the next group and reads its words 4 and 5.
    QTest::newRow("1 pixel, 4:2:2") << 1 << 1 << qint64(8);
    QTest::newRow("3 pixels, 4:2:2") << 3 << 1 << qint64(12);
    QTest::newRow("5 pixels, 4:2:2") << 5 << 1 << qint64(16);
    QTest::newRow("6 pixels, 4:2:2") << 6 << 1 << qint64(16);
    QTest::newRow("7 pixels, 4:2:2") << 7 << 1 << qint64(24);
    QTest::newRow("1920 pixels, 4:2:2") << 1920 << 1 << qint64(5120);
    QTest::newRow("1920 pixels, 4:4:4") << 1920 << 2 << qint64(7680);
    QTest::newRow("3 pixels, 258") << 3 << 258 << qint64(12);
    QTest::newRow("3 pixels, 259") << 3 << 259 << qint64(12);
    QTest::newRow("unknown format as 4 bytes") << 10 << 77 << qint64(40);
    QTest::newRow("no pixels") << 0 << 1 << qint64(0);
}

void TestFormulas::minimumLineBytes()
{
    QFETCH(int, width);
    QFETCH(int, format);
    QFETCH(qint64, bytes);
    QCOMPARE(Formulas::minimumLineBytes(width, format), bytes);
}

QTEST_APPLESS_MAIN(TestFormulas)
#include "tst_formulas.moc"
