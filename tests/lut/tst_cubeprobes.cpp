#include "lut/cubeentryreader.h"
#include "lut/cubrixutils.h"
#include "cubefiles.h"

#include <QtTest>

using namespace CubeFiles;

class TestCubeProbes : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sizeProbes_data();
    void sizeProbes();
    void realFiles();
    void missingFile();
    void decimals_data();
    void decimals();
    void byteOrderMarkSkipped_data();
    void byteOrderMarkSkipped();

private:
    QTemporaryDir m_dir;
};

void TestCubeProbes::initTestCase()
{
    useCNumericLocale();
    QVERIFY(m_dir.isValid());
}

void TestCubeProbes::sizeProbes_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("size33");
    QTest::addColumn<bool>("size17");
    QTest::newRow("33") << QByteArray("LUT_3D_SIZE 33\n0 0 0\n") << true << false;
    QTest::newRow("17") << QByteArray("LUT_3D_SIZE 17\n0 0 0\n") << false << true;
    QTest::newRow("blanks around are trimmed") << QByteArray("  \tLUT_3D_SIZE 33 \t\r\n") << true << false;
    QTest::newRow("CRLF") << QByteArray("TITLE \"x\"\r\nLUT_3D_SIZE 17\r\n") << false << true;
    QTest::newRow("no final line feed") << QByteArray("# grade\nLUT_3D_SIZE 33") << true << false;
    QTest::newRow("two spaces") << QByteArray("LUT_3D_SIZE  33\n") << false << false;
    QTest::newRow("tab") << QByteArray("LUT_3D_SIZE\t33\n") << false << false;
    QTest::newRow("tab 17") << QByteArray("LUT_3D_SIZE\t17\n") << false << false;
    QTest::newRow("value with extra piece") << QByteArray("LUT_3D_SIZE 33 33\n") << false << false;
    QTest::newRow("leading zero") << QByteArray("LUT_3D_SIZE 033\n") << false << false;
    QTest::newRow("lower case") << QByteArray("lut_3d_size 33\n") << false << false;
    QTest::newRow("1D size") << QByteArray("LUT_1D_SIZE 33\n") << false << false;
    QTest::newRow("in a comment") << QByteArray("# LUT_3D_SIZE 33\n") << false << false;
    QTest::newRow("other size first, reading goes on")
        << QByteArray("LUT_3D_SIZE 65\nLUT_3D_SIZE  17\nLUT_3D_SIZE 33\n") << true << false;
    QTest::newRow("both declared") << QByteArray("LUT_3D_SIZE 17\nLUT_3D_SIZE 33\n") << true << true;
    QTest::newRow("keyword prefix is enough") << QByteArray("LUT_3D_SIZE_X 17\n") << false << true;
    QTest::newRow("no size line") << QByteArray("0 0 0\n1 1 1\n") << false << false;
    QTest::newRow("empty file") << QByteArray() << false << false;
}

void TestCubeProbes::sizeProbes()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, size33);
    QFETCH(bool, size17);
    const QString path = writeFile(m_dir, QStringLiteral("probe.cube"), contents);
    QCOMPARE(CubrixUtils::isCubeSize33(path), size33);
    QCOMPARE(CubrixUtils::isCubeSize17(path), size17);
}

void TestCubeProbes::realFiles()
{
    const QByteArray header = "TITLE \"Generated\"\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 1\n";
    const QString path33 = writeFile(m_dir, QStringLiteral("grade33.cube"),
                                     header + cubeFile(33, curved(33), 6));
    const QString path17 = writeFile(m_dir, QStringLiteral("grade17.CUBE"),
                                     header + cubeFile(17, curved(17), 6));
    QVERIFY(CubrixUtils::isCubeSize33(path33));
    QVERIFY(!CubrixUtils::isCubeSize17(path33));
    QVERIFY(CubrixUtils::isCubeSize17(path17));
    QVERIFY(!CubrixUtils::isCubeSize33(path17));
    QCOMPARE(CubrixUtils::cubeDecimals(path33), 6);
    QCOMPARE(CubrixUtils::cubeDecimals(path17), 6);
}

void TestCubeProbes::missingFile()
{
    const QString path = m_dir.filePath(QStringLiteral("does-not-exist.cube"));
    QVERIFY(!CubrixUtils::isCubeSize33(path));
    QVERIFY(!CubrixUtils::isCubeSize17(path));
    QCOMPARE(CubrixUtils::cubeDecimals(path), -1);
    QCOMPARE(CubrixUtils::cubeDecimals(m_dir.path()), -1); // a directory is no file
}

void TestCubeProbes::decimals_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("decimals");
    QTest::newRow("six") << cubeFile(17, identity(17), 6) << 6;
    QTest::newRow("four") << cubeFile(17, identity(17), 4) << 4;
    QTest::newRow("integers") << QByteArray("LUT_3D_SIZE 17\n0 0 0\n1 1 1\n4095 0 12\n") << 0;
    QTest::newRow("lines before the size line pass")
        << QByteArray("TITLE \"v1.123456789\"\n0.12345678 0 0\nLUT_3D_SIZE 33\n0.5 0.25 0.125\n") << 3;
    QTest::newRow("no size line") << QByteArray("0.123 0.5 0.5\n") << 0;
    QTest::newRow("mixed widths") << QByteArray("LUT_3D_SIZE 17\n0.5 0.25 0.1\n0.12345 1 0\n0.1 0.2 0.3\n") << 5;
    // Lines that mention 17 or 33 after the size line are passed over and leave the scan on.
    QTest::newRow("0.117647 is passed over")
        << QByteArray("LUT_3D_SIZE 17\n0.12 0.5 0.5\n0.1176470 0.5 0.5\n0.123456 0.5 0.5\n") << 6;
    QTest::newRow("0.117647 does not restart")
        << QByteArray("LUT_3D_SIZE 17\n0.123456 0.5 0.5\n0.117647 0.5 0.5\n0.12 0.5 0.5\n") << 6;
    QTest::newRow("33 inside a value") << QByteArray("LUT_3D_SIZE 17\n0.5 0.3333333 0.5\n0.25 0 0\n") << 2;
    QTest::newRow("title mentioning 33 starts the scan")
        << QByteArray("TITLE \"grade 33\"\n0.1234 0 0\nLUT_3D_SIZE 17\n0.5 0 0\n") << 4;
    QTest::newRow("exponent digits do not count") << QByteArray("LUT_3D_SIZE 17\n1.12345e-7 0 0\n") << 5;
    QTest::newRow("non-overlapping matches") << QByteArray("LUT_3D_SIZE 33\n1.2.3456 0 0\n") << 4;
    QTest::newRow("point first") << QByteArray("LUT_3D_SIZE 33\n.25 0 0\n") << 2;
    QTest::newRow("trailing point") << QByteArray("LUT_3D_SIZE 33\n5. 0 0\n") << 0;
    QTest::newRow("comma is not a point") << QByteArray("LUT_3D_SIZE 33\n0,123456 0 0\n") << 0;
    QTest::newRow("comment lines count") << QByteArray("LUT_3D_SIZE 33\n# v2.0456\n0.5 0 0\n") << 4;
    QTest::newRow("empty file") << QByteArray() << 0;
}

void TestCubeProbes::decimals()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, decimals);
    const QString path = writeFile(m_dir, QStringLiteral("decimals.cube"), contents);
    QCOMPARE(CubrixUtils::cubeDecimals(path), decimals);
}

void TestCubeProbes::byteOrderMarkSkipped_data()
{
    QTest::addColumn<QByteArray>("text");
    // A title of three words, which must not pass for an entry, and the size line, each first.
    const QByteArray title = "TITLE \"Identity 17\"\n";
    const QByteArray entries = entryLines(17, identity(17), 6);
    const QByteArray mark = "\xEF\xBB\xBF";
    QTest::newRow("title first") << title + sizeLine(17) + entries;
    QTest::newRow("title first, byte-order mark") << mark + title + sizeLine(17) + entries;
    QTest::newRow("size line first") << sizeLine(17) + title + entries;
    QTest::newRow("size line first, byte-order mark") << mark + sizeLine(17) + title + entries;
}

void TestCubeProbes::byteOrderMarkSkipped()
{
    QFETCH(QByteArray, text);
    const QString path = writeFile(m_dir, QStringLiteral("marked.cube"), text);
    QVERIFY(CubrixUtils::isCubeSize17(path));
    QVERIFY(CubrixUtils::isCubeTextSize17(text));
    QVERIFY(!CubrixUtils::isCubeSize33(path));
    QCOMPARE(CubrixUtils::cubeDecimals(path), 6);

    // Entry (r, g, b) of the identity is (r/16, g/16, b/16), in file order, red fastest.
    using Reader = CubrixUtils::CubeEntryReader;
    for (const auto rule : {Reader::UnreadablePiece::SkipLine, Reader::UnreadablePiece::CountAsZero}) {
        const std::vector<CubrixUtils::LutEntry> read = Reader::read(text, rule);
        QCOMPARE(int(read.size()), 4913);
        for (int i : {0, 1, 17, 289, 4912}) {
            QCOMPARE(read[std::size_t(i)].red, float(i % 17) / 16.0f);
            QCOMPARE(read[std::size_t(i)].green, float(i / 17 % 17) / 16.0f);
            QCOMPARE(read[std::size_t(i)].blue, float(i / 289) / 16.0f);
        }
    }
    // Red code 64 (0.0625 x 1023 + 0.5) in the second word, all ones in the last.
    const QByteArray image = CubrixUtils::cubeToBinaryLut(text);
    QCOMPARE(image.size(), 19780);
    QCOMPARE(image.mid(128 + 4, 4).toHex(), QByteArray("00000040"));
    QCOMPARE(image.right(4).toHex(), QByteArray("3fffffff"));
    QCOMPARE(CubrixUtils::upsampleCube17to33(path), cubeFile(33, identity(33), 6));
}

QTEST_GUILESS_MAIN(TestCubeProbes)
#include "tst_cubeprobes.moc"
