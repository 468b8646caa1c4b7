#include "clitestsupport.h"
#include "fifo.h"

#include "../capture/testframes.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace CliTest;

namespace {

// 10-bit YCbCr to 8-bit RGB as the capture item defines it: BT.709 matrices per range, the
// products in double summed into a single-precision running sum (Y, Cb, Cr, offset), rounded
// half away from zero, then 255 above 1023, 0 below 0, else v / 4.
struct Matrix {
    double gain, rCr, gCb, gCr, bCb, rOffset, gOffset, bOffset;
};

Matrix matrixFor(int range)
{
    switch (range) {
    case 1: return {1.167808219, 1.79792477, -0.213864189, -0.534571699, 2.11863228, -995.2772083, 308.4594488, -1159.479453};
    case 2: return {1.071204188, 1.68684879, -0.200651637, -0.501545804, 1.987742956, -932.2236483, 290.9680216, -1086.281461};
    case 3: return {1.007881773, 1.58713359, -0.188790457, -0.471897776, 1.870240909, -816.6439252, 334.2408479, -961.5948726};
    default: return {1.1678, 1.7979, -0.2139, -0.5346, 2.1186, -995.3, 308.4595, -1159.48};
    }
}

int component(double yTerm, double cbTerm, double crTerm, double offset)
{
    float sum = float(yTerm);
    sum = float(double(sum) + cbTerm);
    sum = float(double(sum) + crTerm);
    sum = float(double(sum) + offset);
    const double exact = sum;
    return int(exact < 0 ? exact - 0.5 : exact + 0.5);
}

int to8(int v)
{
    return v > 1023 ? 255 : v < 0 ? 0 : v / 4;
}

QRgb expectedPixel(int y, int cb, int cr, int range)
{
    const Matrix m = matrixFor(range);
    const int r = component(m.gain * y, 0.0, m.rCr * cr, m.rOffset);
    const int g = component(m.gain * y, m.gCb * cb, m.gCr * cr, m.gOffset);
    const int b = component(m.gain * y, m.bCb * cb, 0.0, m.bOffset);
    return qRgb(to8(r), to8(g), to8(b));
}

QByteArray header(int width, int height, int pitch, int format)
{
    QByteArray bytes(12, '\0');
    qToBigEndian(quint16(width), bytes.data());
    qToBigEndian(quint16(height), bytes.data() + 2);
    qToBigEndian(quint16(pitch), bytes.data() + 4);
    qToBigEndian(quint16(format), bytes.data() + 6);
    bytes[8] = 0x12;
    bytes[9] = 0x05;
    bytes[10] = 0x09;
    bytes[11] = 0x17;
    return bytes;
}

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

struct Sample {
    int y, cb, cr;
};

} // namespace

class TestCliFrame : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void decodes_data();
    void decodes();
    void writesEachPictureFormat_data();
    void writesEachPictureFormat();
    void refusesBadInput_data();
    void refusesBadInput();
    void help();
    void bmpIsWhatQtWrites_data();
    void bmpIsWhatQtWrites();

private:
    QTemporaryDir m_dir;
};

void TestCliFrame::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestCliFrame::decodes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<QRgb>>("pixels"); // row by row
    QTest::addColumn<QString>("summary");

    const QList<Sample> samples{{940, 512, 512}, {64, 512, 512}, {502, 300, 700}, {700, 820, 140}};

    // Format 2: big-endian words, Cr in bits 0-9, Y in 10-19, Cb in 20-29.
    for (int range : {1, 0}) {
        QByteArray file = header(4, 1, 16, 2);
        QList<QRgb> pixels;
        for (const Sample &s : samples) {
            file += be32(quint32(s.cr) | quint32(s.y) << 10 | quint32(s.cb) << 20);
            pixels << expectedPixel(s.y, s.cb, s.cr, range);
        }
        QTest::newRow(qPrintable(QStringLiteral("format 2, range %1").arg(range)))
            << file << range << 4 << pixels << QStringLiteral("4 x 1, format 2 (YCbCr 4:4:4), timecode bytes 12 05 09 17");
    }
    QCOMPARE(expectedPixel(940, 512, 512, 1), qRgb(255, 255, 255));
    QCOMPARE(expectedPixel(64, 512, 512, 1), qRgb(0, 0, 0));

    // Format 258: little-endian words; the raw file holds them with bits 0-9 and 20-29
    // exchanged, so Cb stands in bits 0-9 and Cr in 20-29. Two lines, pitch with padding.
    {
        QByteArray file = header(2, 2, 12, 258);
        QList<QRgb> pixels;
        for (int line = 0; line < 2; ++line) {
            for (int x = 0; x < 2; ++x) {
                const Sample &s = samples.at(line * 2 + x);
                file += le32(quint32(s.cb) | quint32(s.y) << 10 | quint32(s.cr) << 20);
                pixels << expectedPixel(s.y, s.cb, s.cr, 2);
            }
            file += QByteArray(4, char(0xEE)); // padding up to the pitch
        }
        QTest::newRow("format 258, exchanged fields") << file << 2 << 2 << pixels
                                                      << QStringLiteral("2 x 2, format 258 (YCbCr 4:4:4 little-endian)");
    }

    // Format 259: RGB in little-endian words, R in bits 0-9 of the frame, so in bits 20-29 of
    // the file; each 10-bit value divided by 4.
    {
        QByteArray file = header(3, 1, 12, 259);
        file += le32(quint32(0) | 512u << 10 | 1023u << 20);   // R 1023, G 512, B 0
        file += le32(quint32(1023) | 0u << 10 | 0u << 20);     // R 0, G 0, B 1023
        file += le32(quint32(400) | 200u << 10 | 100u << 20);  // R 100, G 200, B 400
        QTest::newRow("format 259, exchanged fields")
            << file << 0 << 3 << QList<QRgb>{qRgb(255, 128, 0), qRgb(0, 0, 255), qRgb(25, 50, 100)}
            << QStringLiteral("3 x 1, format 259 (RGB 4:4:4 little-endian)");
    }

    // Format 1: the six packed pixels 0x040, 0x080, ... with Cb 0x200/0x202/0x204 and
    // Cr 0x201/0x203/0x205 per pair.
    {
        QByteArray file = header(6, 1, 16, 1);
        file += QByteArray::fromHex("08004080" "480808C0" "080D0081" "14081580");
        const int ys[6] = {0x040, 0x080, 0x0C0, 0x100, 0x140, 0x180};
        const int cbs[6] = {0x200, 0x200, 0x202, 0x202, 0x204, 0x204};
        const int crs[6] = {0x201, 0x201, 0x203, 0x203, 0x205, 0x205};
        QList<QRgb> pixels;
        for (int x = 0; x < 6; ++x)
            pixels << expectedPixel(ys[x], cbs[x], crs[x], 3);
        QTest::newRow("format 1") << file << 3 << 6 << pixels << QStringLiteral("6 x 1, format 1 (YCbCr 4:2:2)");
    }
}

void TestCliFrame::decodes()
{
    QFETCH(QByteArray, file);
    QFETCH(int, range);
    QFETCH(int, width);
    QFETCH(QList<QRgb>, pixels);
    QFETCH(QString, summary);
    const QString input = m_dir.filePath(QStringLiteral("frame.raw"));
    const QString output = m_dir.filePath(QStringLiteral("frame.png"));
    QFile::remove(output);
    QVERIFY(writeFile(input, file));
    const Result result = run({QStringLiteral("frame"), QStringLiteral("decode"), input, output, QStringLiteral("--range"),
                               QString::number(range)});
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));
    QVERIFY2(result.out.contains(summary), qPrintable(result.out));
    const QImage image(output);
    QCOMPARE(image.width(), width);
    QCOMPARE(image.height(), pixels.size() / width);
    for (int i = 0; i < pixels.size(); ++i)
        QCOMPARE(QString::number(image.pixel(i % width, i / width), 16), QString::number(pixels.at(i), 16));
}

void TestCliFrame::writesEachPictureFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exact");
    QTest::newRow("png") << QStringLiteral("out.png") << true;
    QTest::newRow("bmp") << QStringLiteral("out.bmp") << true;
    QTest::newRow("jpg") << QStringLiteral("out.jpg") << false;
    QTest::newRow("capital JPEG suffix") << QStringLiteral("out.JPEG") << false;
}

void TestCliFrame::writesEachPictureFormat()
{
    QFETCH(QString, name);
    QFETCH(bool, exact);
    // 64 x 8 pixels of one colour: R 1023, G 0, B 0 in format 259.
    QByteArray file = header(64, 8, 256, 259);
    for (int i = 0; i < 64 * 8; ++i)
        file += le32(1023u << 20);
    const QString input = m_dir.filePath(QStringLiteral("red.raw"));
    QVERIFY(writeFile(input, file));
    const QString output = m_dir.filePath(name);
    const Result result = run({QStringLiteral("frame"), QStringLiteral("decode"), input, output});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    const QImage image(output);
    QCOMPARE(image.size(), QSize(64, 8));
    const QRgb pixel = image.pixel(10, 4);
    if (exact)
        QCOMPARE(pixel, qRgb(255, 0, 0));
    else
        QVERIFY(qRed(pixel) > 240 && qGreen(pixel) < 15 && qBlue(pixel) < 15);
}

void TestCliFrame::refusesBadInput_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no input file at all
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QByteArray whole = header(2, 2, 8, 2) + QByteArray(16, '\0');
    QTest::newRow("missing file") << QByteArray() << QStringList{} << 1 << QStringLiteral("cannot read");
    QTest::newRow("shorter than a header") << QByteArray(8, '\1') << QStringList{} << 1 << QStringLiteral("12-byte frame header");
    QTest::newRow("lines missing") << (header(4, 4, 16, 2) + QByteArray(32, '\0')) << QStringList{} << 1
                                   << QStringLiteral("not a whole frame");
    QTest::newRow("pitch too small") << (header(8, 1, 16, 2) + QByteArray(16, '\0')) << QStringList{} << 1
                                     << QStringLiteral("line pitch 16 is below");
    QTest::newRow("no pixels") << header(0, 5, 0, 2) << QStringList{} << 1 << QStringLiteral("the frame is empty");
    QTest::newRow("unknown format") << (header(2, 2, 8, 7) + QByteArray(16, '\0')) << QStringList{} << 1
                                    << QStringLiteral("pixel format 7");
    QTest::newRow("picture suffix") << whole << QStringList{QStringLiteral("--out-suffix")} << 2
                                    << QStringLiteral("must end in .png, .jpg or .bmp");
    QTest::newRow("range 9") << whole << QStringList{QStringLiteral("--range"), QStringLiteral("9")} << 2
                             << QStringLiteral("--range must be 0 to 4");
    QTest::newRow("range word") << whole << QStringList{QStringLiteral("--range=video")} << 2
                                << QStringLiteral("--range must be 0 to 4");
    QTest::newRow("output folder missing") << whole << QStringList{QStringLiteral("--out-folder")} << 1
                                           << QStringLiteral("cannot write");
    QTest::newRow("output is a FIFO") << whole << QStringList{QStringLiteral("--out-fifo")} << 1
                                      << QStringLiteral("it is not a regular file");
}

void TestCliFrame::refusesBadInput()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, extra);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const QString input = m_dir.filePath(QStringLiteral("bad.raw"));
    QFile::remove(input);
    if (!file.isNull())
        QVERIFY(writeFile(input, file));
    QString output = m_dir.filePath(QStringLiteral("bad.png"));
    if (extra.removeAll(QStringLiteral("--out-suffix")))
        output = m_dir.filePath(QStringLiteral("bad.gif"));
    if (extra.removeAll(QStringLiteral("--out-folder")))
        output = m_dir.filePath(QStringLiteral("none/bad.png"));
    QFile::remove(output);
    const bool fifo = extra.removeAll(QStringLiteral("--out-fifo")) > 0;
    if (fifo)
        QVERIFY(Fifo::make(output));
    // Bounded: opening a FIFO to write waits for a reader that never comes.
    const Result result = run(QStringList{QStringLiteral("frame"), QStringLiteral("decode"), input, output} + extra, 20000);
    QVERIFY2(result.clean() && result.exitCode == exitCode, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(message), qPrintable(result.describe()));
    QVERIFY(fifo ? Fifo::isFifo(output) : !QFileInfo::exists(output));
    QFile::remove(output);

    const Result noOutput = run({QStringLiteral("frame"), QStringLiteral("decode"), input});
    QCOMPARE(noOutput.exitCode, 2);
}

void TestCliFrame::help()
{
    const Result frame = run({QStringLiteral("frame"), QStringLiteral("--help")});
    QCOMPARE(frame.exitCode, 0);
    QVERIFY(frame.out.startsWith(QStringLiteral("Usage: brevanto-cli frame decode")));
    const Result decode = run({QStringLiteral("frame"), QStringLiteral("decode"), QStringLiteral("--help")});
    QCOMPARE(decode.exitCode, 0);
    QVERIFY(decode.out.contains(QStringLiteral("--range N")));
    const Result verbose = run({QStringLiteral("--verbose"), QStringLiteral("frame"), QStringLiteral("--help")});
    QCOMPARE(verbose.exitCode, 0);
    QVERIFY(verbose.out.startsWith(QStringLiteral("Usage: brevanto-cli frame decode")));
    const Result unknown = run({QStringLiteral("frame"), QStringLiteral("encode")});
    QCOMPARE(unknown.exitCode, 2);
    QVERIFY(unknown.err.contains(QStringLiteral("unknown frame command 'encode'")));
}

void TestCliFrame::bmpIsWhatQtWrites_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("pitch");
    QTest::addColumn<int>("range");
    // Wide pitches make the tool decode in several bands; odd widths need line padding.
    QTest::newRow("format 2, bands of 4 lines") << 2 << 7 << 11 << 60000 << 1;
    QTest::newRow("format 258, two bands") << 258 << 333 << 200 << 1340 << 2;
    QTest::newRow("format 259, widest pitch") << 259 << 5 << 9 << 65535 << 0;
    QTest::newRow("format 1, part of a group") << 1 << 13 << 10 << 60000 << 3;
    QTest::newRow("format 259, full-width lines") << 259 << 1920 << 40 << 7680 << 4;
}

void TestCliFrame::bmpIsWhatQtWrites()
{
    QFETCH(int, format);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, pitch);
    QFETCH(int, range);
    QRandomGenerator random(quint32(format * 31 + width));
    const auto sample = [&random] { return int(random.bounded(1024)); };

    // The raw file as the capture window saves it, and the picture the rules give.
    QByteArray file = header(width, height, pitch, format);
    QImage expected(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        QByteArray line;
        if (format == 1) {
            for (int group = 0; group * 6 < width; ++group) {
                TestFrames::Group422 g;
                for (int i = 0; i < 6; ++i)
                    g.y[i] = sample();
                for (int i = 0; i < 3; ++i) {
                    g.cb[i] = sample();
                    g.cr[i] = sample();
                }
                line += TestFrames::packGroup(g, int(random.bounded(16)));
                for (int i = 0; i < 6 && group * 6 + i < width; ++i)
                    expected.setPixel(group * 6 + i, y, expectedPixel(g.y[i], g.cb[i / 2], g.cr[i / 2], range));
            }
        } else {
            for (int x = 0; x < width; ++x) {
                const int low = sample(), middle = sample(), high = sample();
                if (format == 259) {
                    // R low, G middle, B high as sent; the file holds R and B exchanged.
                    line += le32(quint32(high) | quint32(middle) << 10 | quint32(low) << 20);
                    expected.setPixel(x, y, qRgb(low / 4, middle / 4, high / 4));
                } else if (format == 258) {
                    line += le32(quint32(high) | quint32(middle) << 10 | quint32(low) << 20);
                    expected.setPixel(x, y, expectedPixel(middle, high, low, range));
                } else {
                    line += be32(quint32(low) | quint32(middle) << 10 | quint32(high) << 20 | 0xC0000000u);
                    expected.setPixel(x, y, expectedPixel(middle, high, low, range));
                }
            }
        }
        QVERIFY(line.size() <= pitch);
        file += line + QByteArray(pitch - line.size(), char(0xA5));
    }
    const QString input = m_dir.filePath(QStringLiteral("bands.raw"));
    const QString output = m_dir.filePath(QStringLiteral("bands.bmp"));
    QVERIFY(writeFile(input, file));
    const Result result = run({QStringLiteral("frame"), QStringLiteral("decode"), input, output, QStringLiteral("--range"),
                               QString::number(range)});
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));

    // The tool's pictures carry 100 dpi, what a picture made without a screen states (and what
    // its pictures stated when it ran on the offscreen platform); this test runs at 96.
    expected.setDotsPerMeterX(3937);
    expected.setDotsPerMeterY(3937);
    QBuffer written;
    QVERIFY(written.open(QIODevice::WriteOnly));
    QVERIFY(expected.save(&written, "BMP"));
    QCOMPARE(readFile(output), written.data());
}

QTEST_MAIN(TestCliFrame)
#include "tst_cli_frame.moc"
