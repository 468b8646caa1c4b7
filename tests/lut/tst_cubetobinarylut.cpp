#include "lut/cubrixutils.h"
#include "cubefiles.h"
#include "logcapture.h"

#include <QtTest>

using namespace CubeFiles;

namespace {

constexpr int HeaderSize = 128;
constexpr int ImageSize = 19780;

quint32 wordAt(const QByteArray &image, int index)
{
    const int offset = HeaderSize + 4 * index;
    return (quint32(uchar(image[offset])) << 24) | (quint32(uchar(image[offset + 1])) << 16)
           | (quint32(uchar(image[offset + 2])) << 8) | quint32(uchar(image[offset + 3]));
}

quint32 littleEndianAt(const QByteArray &image, int offset)
{
    return quint32(uchar(image[offset])) | (quint32(uchar(image[offset + 1])) << 8)
           | (quint32(uchar(image[offset + 2])) << 16) | (quint32(uchar(image[offset + 3])) << 24);
}

// Code of the identity value i/16 done in integers: floor(i * 1023 / 16 + 1/2).
quint32 identityCode(int i)
{
    return quint32((i * 1023 * 2 + 16) / 32);
}

QByteArray identity17()
{
    return entryLines(17, identity(17), 6);
}

// The bare identity text with one line replaced.
QByteArray withLine(int index, const QByteArray &replacement)
{
    QList<QByteArray> lines = splitLines(identity17());
    lines[index] = replacement;
    return lines.join('\n') + '\n';
}

} // namespace

class TestCubeToBinaryLut : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useCNumericLocale(); }
    void identityImage();
    void checksumsFollowTheData();
    void codeRule_data();
    void codeRule();
    void decoratedTextConvertsLikeBareEntries_data();
    void decoratedTextConvertsLikeBareEntries();
    void wrongEntryCountRefused_data();
    void wrongEntryCountRefused();
};

void TestCubeToBinaryLut::identityImage()
{
    LogCapture capture;
    const QByteArray image = CubrixUtils::cubeToBinaryLut(identity17());
    QVERIFY(capture.lines().isEmpty());
    QCOMPARE(image.size(), ImageSize);

    // The words the published examples give.
    QCOMPARE(wordAt(image, 0), 0x00000000u);
    QCOMPARE(wordAt(image, 1), 0x00000040u);
    QCOMPARE(wordAt(image, 4912), 0x3FFFFFFFu);

    // Every word, and the data bytes with their plain sum.
    QByteArray expectedData;
    quint32 expectedDataSum = 0;
    for (int b = 0; b < 17; ++b) {
        for (int g = 0; g < 17; ++g) {
            for (int r = 0; r < 17; ++r) {
                const quint32 word = identityCode(r) | (identityCode(g) << 10) | (identityCode(b) << 20);
                for (int shift = 24; shift >= 0; shift -= 8) {
                    expectedData.append(char(word >> shift));
                    expectedDataSum += (word >> shift) & 0xFF;
                }
            }
        }
    }
    QCOMPARE(image.mid(HeaderSize), expectedData);

    QByteArray expectedHeader(HeaderSize, '\0');
    const uchar fixedBytes[] = {0x99, 0x02, 0x34, 0x42, 0x00, 0x00, 0x00, 0x02};
    for (int i = 0; i < 8; ++i)
        expectedHeader[i] = char(fixedBytes[i]);
    for (int i = 0; i < 4; ++i)
        expectedHeader[40 + i] = char(expectedDataSum >> (8 * i));
    expectedHeader[44] = char(0xC4);
    expectedHeader[45] = char(0x4C);
    uint headerSum = 0;
    for (int i = 0; i < 127; ++i)
        headerSum += uchar(expectedHeader[i]);
    expectedHeader[127] = char(headerSum & 0xFF);
    QCOMPARE(image.left(HeaderSize).toHex(), expectedHeader.toHex());
}

void TestCubeToBinaryLut::checksumsFollowTheData()
{
    const QByteArray identityImage = CubrixUtils::cubeToBinaryLut(identity17());
    const QByteArray curvedImage = CubrixUtils::cubeToBinaryLut(entryLines(17, curved(17), 6));
    QCOMPARE(curvedImage.size(), ImageSize);

    for (const QByteArray &image : {identityImage, curvedImage}) {
        quint32 dataSum = 0;
        for (int i = HeaderSize; i < image.size(); ++i)
            dataSum += uchar(image[i]);
        QCOMPARE(littleEndianAt(image, 40), dataSum);
        QCOMPARE(littleEndianAt(image, 44), 19652u);
        uint headerSum = 0;
        for (int i = 0; i < 127; ++i)
            headerSum += uchar(image[i]);
        QCOMPARE(uint(uchar(image[127])), headerSum % 256);
    }
    // Different entries, different byte sums: both checksums move.
    QVERIFY(littleEndianAt(identityImage, 40) != littleEndianAt(curvedImage, 40));
    QVERIFY(identityImage[127] != curvedImage[127]);
    QCOMPARE(identityImage.left(40), curvedImage.left(40));
}

void TestCubeToBinaryLut::codeRule_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<uint>("code");
    QTest::newRow("zero") << QByteArray("0") << 0u;
    QTest::newRow("negative zero") << QByteArray("-0.0") << 0u;
    QTest::newRow("one") << QByteArray("1.0") << 1023u;
    QTest::newRow("half") << QByteArray("0.5") << 512u;
    QTest::newRow("just below half") << QByteArray("0.4999") << 511u;
    QTest::newRow("quarter") << QByteArray("0.25") << 256u;
    QTest::newRow("three quarters") << QByteArray("0.75") << 767u;
    QTest::newRow("sixteenth") << QByteArray("0.0625") << 64u;
    QTest::newRow("rounds down to 0") << QByteArray("0.000488") << 0u;
    QTest::newRow("rounds up to 1") << QByteArray("0.000490") << 1u;
    QTest::newRow("exponent") << QByteArray("1e-3") << 1u;
    QTest::newRow("near top") << QByteArray("0.9990") << 1022u;
    QTest::newRow("negative") << QByteArray("-0.25") << 0u;
    QTest::newRow("above one") << QByteArray("1.0005") << 1023u;
    QTest::newRow("far above one") << QByteArray("100000") << 1023u;
    QTest::newRow("float limit") << QByteArray("3.0e38") << 1023u;
    QTest::newRow("negative float limit") << QByteArray("-3.0e38") << 0u;
    // 0.358260 x 1023 + 0.5 is 366.99998 exactly and in double precision, but the single
    // precision product rounds up to 366.5, so the code is 367. Likewise 0.530303.
    QTest::newRow("single precision 0.358260") << QByteArray("0.358260") << 367u;
    QTest::newRow("single precision 0.530303") << QByteArray("0.530303") << 543u;
}

void TestCubeToBinaryLut::codeRule()
{
    QFETCH(QByteArray, value);
    QFETCH(uint, code);
    // The value in all three channels of entry 0 and in the green channel of entry 1.
    QByteArray text = withLine(0, value + ' ' + value + ' ' + value);
    QList<QByteArray> lines = splitLines(text);
    lines[1] = "0.0625 " + value + " 1";
    text = lines.join('\n') + '\n';

    const QByteArray image = CubrixUtils::cubeToBinaryLut(text);
    QCOMPARE(image.size(), ImageSize);
    QCOMPARE(wordAt(image, 0), code | (code << 10) | (code << 20));
    QCOMPARE(wordAt(image, 1), 64u | (code << 10) | (1023u << 20));
}

void TestCubeToBinaryLut::decoratedTextConvertsLikeBareEntries_data()
{
    QTest::addColumn<QByteArray>("text");
    const QByteArray header = "TITLE \"Identity 17\"\n"
                              "# created for the test\n"
                              "DOMAIN_MIN 0.0 0.0 0.0\n"
                              "DOMAIN_MAX 1.0 1.0 1.0\n"
                              "\n"
                              "LUT_3D_SIZE 17\n"
                              "\n";
    QTest::newRow("header") << header + identity17();
    QTest::newRow("size line only") << sizeLine(17) + identity17();

    QByteArray interleaved;
    const QList<QByteArray> lines = splitLines(identity17());
    for (int i = 0; i < lines.size(); ++i) {
        if (i % 100 == 0)
            interleaved += "# block " + QByteArray::number(i) + "\n\n   \n";
        if (i == 2000)
            interleaved += "LUT_3D_INPUT_RANGE 0.0 1.0\nTITLE a b\n";
        interleaved += lines[i] + '\n';
    }
    QTest::newRow("comments and blanks") << interleaved;

    QTest::newRow("CRLF") << QByteArray(header).replace("\n", "\r\n") + entryLines(17, identity(17), 6, "\r\n");

    QByteArray spaced;
    for (const QByteArray &line : lines) {
        QByteArray copy = line;
        spaced += "  \t" + copy.replace(' ', "\t  ") + " \t\n";
    }
    QTest::newRow("tabs and runs of blanks") << spaced;

    QByteArray noFinalNewline = identity17();
    noFinalNewline.chop(1);
    QTest::newRow("no final line feed") << noFinalNewline;
}

void TestCubeToBinaryLut::decoratedTextConvertsLikeBareEntries()
{
    QFETCH(QByteArray, text);
    LogCapture capture;
    const QByteArray image = CubrixUtils::cubeToBinaryLut(text);
    QVERIFY(capture.lines().isEmpty());
    QCOMPARE(image.size(), ImageSize);
    QCOMPARE(image, CubrixUtils::cubeToBinaryLut(identity17()));
}

void TestCubeToBinaryLut::wrongEntryCountRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("warning");
    const QString found4912 = QStringLiteral("ERROR: Expected 4913 entries, found 4912");
    QTest::newRow("word in the middle") << withLine(100, "0.5 green 0.5") << found4912;
    QTest::newRow("comma decimals") << withLine(4000, "0,5 0,5 0,5") << found4912;
    QTest::newRow("one comma value") << withLine(17, "0.5 0,5 0.5") << found4912;
    QTest::newRow("hexadecimal") << withLine(5, "0x1 0 0") << found4912;
    QTest::newRow("nan") << withLine(6, "nan 0 0") << found4912;
    QTest::newRow("infinity") << withLine(7, "0 inf 0") << found4912;
    QTest::newRow("overflow") << withLine(8, "0 0 1e39") << found4912;
    QTest::newRow("dangling exponent") << withLine(9, "1e 0 0") << found4912;
    QTest::newRow("two pieces") << withLine(10, "0.5 0.5") << found4912;
    QTest::newRow("four pieces") << withLine(11, "0.5 0.5 0.5 0.5") << found4912;
    QTest::newRow("one entry too many") << identity17() + "0 0 0\n"
                                        << QStringLiteral("ERROR: Expected 4913 entries, found 4914");
    QTest::newRow("33-point text") << cubeFile(33, identity(33), 6)
                                   << QStringLiteral("ERROR: Expected 4913 entries, found 35937");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("ERROR: Expected 4913 entries, found 0");
}

void TestCubeToBinaryLut::wrongEntryCountRefused()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, warning);
    LogCapture capture;
    const QByteArray image = CubrixUtils::cubeToBinaryLut(text);
    QVERIFY(image.isEmpty());
    QCOMPARE(capture.lines(), QStringList{warning});
}

QTEST_GUILESS_MAIN(TestCubeToBinaryLut)
#include "tst_cubetobinarylut.moc"
