#include "lut/cubetextwriter.h"
#include "cubefiles.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cfloat>
#include <cstring>

using CubrixUtils::CubeTextWriter;
using CubrixUtils::LutEntry;

namespace {

QByteArray formatted(float value, int decimals)
{
    char buffer[CubeTextWriter::MaxFixedLength];
    const int length = CubeTextWriter::formatFixed(buffer, value, decimals);
    return QByteArray(buffer, length);
}

float fromBits(quint32 bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

class TestCubeTextWriter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { CubeFiles::useCNumericLocale(); }
    void fixedLikePrintf_data();
    void fixedLikePrintf();
    void randomValuesLikePrintf();
    void textLayout();
    void decimalsBounded();
};

void TestCubeTextWriter::fixedLikePrintf_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QByteArray>("text");
    // Hand-written expectations; ties on the exact binary value go to the even digit.
    QTest::newRow("zero") << 0.0f << 6 << QByteArray("0.000000");
    QTest::newRow("negative zero") << -0.0f << 3 << QByteArray("0.000");
    QTest::newRow("negative zero, no decimals") << -0.0f << 0 << QByteArray("0");
    QTest::newRow("negative zero, twenty decimals") << -0.0f << 20 << QByteArray("0.00000000000000000000");
    QTest::newRow("one") << 1.0f << 6 << QByteArray("1.000000");
    QTest::newRow("no decimals") << 0.75f << 0 << QByteArray("1");
    QTest::newRow("half to even down") << 0.5f << 0 << QByteArray("0");
    QTest::newRow("half to even up") << 1.5f << 0 << QByteArray("2");
    QTest::newRow("two and a half") << 2.5f << 0 << QByteArray("2");
    QTest::newRow("0.125 to two") << 0.125f << 2 << QByteArray("0.12");
    QTest::newRow("0.375 to two") << 0.375f << 2 << QByteArray("0.38");
    QTest::newRow("0.03125 to four") << 0.03125f << 4 << QByteArray("0.0312");
    QTest::newRow("0.09375 to four") << 0.09375f << 4 << QByteArray("0.0938");
    // 0.1f is 0.100000001490116..., so it is not a tie and rounds up at the ninth place.
    QTest::newRow("0.1 to nine") << 0.1f << 9 << QByteArray("0.100000001");
    QTest::newRow("0.1 to twenty") << 0.1f << 20 << QByteArray("0.10000000149011611938");
    QTest::newRow("small negative") << -0.001f << 2 << QByteArray("-0.00");
    QTest::newRow("negative") << -1.25f << 1 << QByteArray("-1.2");
    QTest::newRow("largest fast integer") << 16777215.0f << 1 << QByteArray("16777215.0");
    QTest::newRow("2^24") << 16777216.0f << 2 << QByteArray("16777216.00");
    QTest::newRow("float limit") << FLT_MAX << 1
                                 << QByteArray("340282346638528859811704183484516925440.0");
    QTest::newRow("smallest subnormal") << fromBits(1) << 6 << QByteArray("0.000000");
}

void TestCubeTextWriter::fixedLikePrintf()
{
    QFETCH(float, value);
    QFETCH(int, decimals);
    QFETCH(QByteArray, text);
    QCOMPARE(formatted(value, decimals), text);
    QCOMPARE(formatted(value, decimals), CubeFiles::written(double(value), decimals));
}

void TestCubeTextWriter::randomValuesLikePrintf()
{
    QRandomGenerator random(20240611);
    for (int i = 0; i < 12000; ++i) {
        // Half arbitrary finite bit patterns, half the usual 0 to 1 range; now and then -0.
        float value;
        do {
            value = (i % 2) ? fromBits(random.generate()) : float(random.generateDouble());
        } while (!std::isfinite(value));
        if (i % 1000 == 1)
            value = -0.0f;
        for (int decimals = 0; decimals <= CubeTextWriter::MaxDecimals; ++decimals) {
            const QByteArray expected = CubeFiles::written(double(value), decimals);
            if (formatted(value, decimals) != expected)
                QFAIL(qPrintable(QStringLiteral("%1 with %2 decimals: got %3, printf gives %4")
                                     .arg(double(value), 0, 'g', 9)
                                     .arg(decimals)
                                     .arg(QString::fromLatin1(formatted(value, decimals)))
                                     .arg(QString::fromLatin1(expected))));
        }
    }
}

void TestCubeTextWriter::textLayout()
{
    const std::vector<LutEntry> entries = {{0.0f, 0.5f, 1.0f}, {-0.25f, 0.125f, 2.0f}};
    QCOMPARE(CubeTextWriter::write(17, entries, 3),
             QByteArray("LUT_3D_SIZE 17\n\n0.000 0.500 1.000\n-0.250 0.125 2.000\n"));
    QCOMPARE(CubeTextWriter::write(33, entries, 0), QByteArray("LUT_3D_SIZE 33\n\n0 0 1\n-0 0 2\n"));
    QCOMPARE(CubeTextWriter::write(33, {}, 6), QByteArray("LUT_3D_SIZE 33\n\n"));
}

void TestCubeTextWriter::decimalsBounded()
{
    const std::vector<LutEntry> entries = {{0.5f, 0.5f, 0.5f}};
    const QByteArray half20 = "0." + QByteArray("5") + QByteArray(19, '0');
    QCOMPARE(CubeTextWriter::write(17, entries, 1000),
             "LUT_3D_SIZE 17\n\n" + half20 + ' ' + half20 + ' ' + half20 + '\n');
    QCOMPARE(formatted(0.5f, -3), QByteArray("0"));
}

QTEST_GUILESS_MAIN(TestCubeTextWriter)
#include "tst_cubetextwriter.moc"
