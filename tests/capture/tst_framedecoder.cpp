#include "capture/conversiontable.h"
#include "capture/formulas.h"
#include "capture/framedecoder.h"
#include "capture/frameheader.h"
#include "capture/ycbcrlineconverter.h"
#include "testframes.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <cmath>

using CubrixUtils::Formulas;

class TestFrameDecoder : public QObject
{
    Q_OBJECT
private slots:
    void headerFields();
    void headerShorterThanTwelveBytes();
    void problems_data();
    void problems();
    void publishedPixels_data();
    void publishedPixels();
    void packedGroupDecodes();
    void unknownFormatIsBlack();
    void refusesWhatDoesNotFit();
    void fastMatchesReference_data();
    void fastMatchesReference();
    void lineConverterMatchesFormulas_data();
    void lineConverterMatchesFormulas();
    void randomFramesFollowTheRules_data();
    void randomFramesFollowTheRules();
};

namespace {

QImage decoded(const QByteArray &frame, uint range, bool reference)
{
    const FrameHeader header = *FrameHeader::parse(frame);
    QImage image(header.width, header.height, QImage::Format_ARGB32_Premultiplied);
    image.fill(0x12345678);
    const Formulas formulas;
    const bool ok = reference ? FrameDecoder::decodeReference(formulas, frame, header, range, image)
                              : FrameDecoder::decode(formulas, frame, header, range, image);
    return ok ? image : QImage();
}

quint32 expectedFromFormulas(int y, int cb, int cr, uint range)
{
    int r, g, b;
    Formulas().ycbcrToRgb(y, cb, cr, r, g, b, range);
    return TestFrames::expectedPixel(r, g, b);
}

// --- the documented rules, written out pixel by pixel ---------------------------------------

quint32 bigEndianWord(const uchar *p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

quint32 littleEndianWord(const uchar *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

// Y, Cb, Cr of pixel x of a line, by the tables of the frame formats.
void samplesByRule(const uchar *line, int x, int format, int &y, int &cb, int &cr)
{
    if (format == 1) {
        const auto w = [line](int i) { return bigEndianWord(line + 4 * i); };
        const int k = x / 3, g = x / 6;
        y = int(x % 3 == 0 ? (w(2 * k) >> 8) & 0x3FF : x % 3 == 1 ? (w(2 * k + 1) >> 20) & 0x3FF : w(2 * k + 1) & 0x3FF);
        switch (x % 6) {
        case 0:
        case 1:
            cb = int((w(4 * g) >> 18) & 0x3FF);
            cr = int(((w(4 * g) & 0xFF) << 2) | (w(4 * g + 1) >> 30));
            break;
        case 2:
        case 3:
            cb = int((w(4 * g + 1) >> 10) & 0x3FF);
            cr = int((w(4 * g + 2) >> 18) & 0x3FF);
            break;
        default:
            cb = int(((w(4 * g + 2) & 0xFF) << 2) | (w(4 * g + 3) >> 30));
            cr = int((w(4 * g + 3) >> 10) & 0x3FF);
            break;
        }
        return;
    }
    const quint32 word = format == 2 ? bigEndianWord(line + 4 * x) : littleEndianWord(line + 4 * x);
    cr = int(word & 0x3FF);
    y = int((word >> 10) & 0x3FF);
    cb = int((word >> 20) & 0x3FF);
}

struct RuleMatrix {
    double gain, rCr, gCb, gCr, bCb, rOffset, gOffset, bOffset;
};

// The coefficient table, typed in from the documentation.
const RuleMatrix &ruleMatrix(uint range)
{
    static const RuleMatrix sets[4] = {
        {1.1678, 1.7979, -0.2139, -0.5346, 2.1186, -995.3, 308.4595, -1159.48},
        {1.167808219, 1.79792477, -0.213864189, -0.534571699, 2.11863228, -995.2772083, 308.4594488, -1159.479453},
        {1.071204188, 1.68684879, -0.200651637, -0.501545804, 1.987742956, -932.2236483, 290.9680216, -1086.281461},
        {1.007881773, 1.58713359, -0.188790457, -0.471897776, 1.870240909, -816.6439252, 334.2408479, -961.5948726}};
    return sets[range >= 1 && range <= 3 ? range : 0];
}

// Products in double, a single-precision running sum in the order Y, Cb, Cr, offset, rounded
// half away from zero.
int channelByRule(double yTerm, double cbTerm, double crTerm, double offset)
{
    float sum = 0.0f;
    for (double term : {yTerm, cbTerm, crTerm, offset})
        sum = float(double(sum) + term);
    return int(std::round(sum));
}

quint32 pixelByRule(const uchar *line, int x, int format, uint range)
{
    if (format == 259) {
        const quint32 word = littleEndianWord(line + 4 * x);
        return 0xFF000000u | (((word & 0x3FF) / 4) << 16) | ((((word >> 10) & 0x3FF) / 4) << 8) | (((word >> 20) & 0x3FF) / 4);
    }
    if (format != 1 && format != 2 && format != 258)
        return 0xFF000000u; // formats the devices do not send show black
    int y, cb, cr;
    samplesByRule(line, x, format, y, cb, cr);
    const RuleMatrix &m = ruleMatrix(range);
    return TestFrames::expectedPixel(channelByRule(m.gain * y, 0.0, m.rCr * cr, m.rOffset),
                                     channelByRule(m.gain * y, m.gCb * cb, m.gCr * cr, m.gOffset),
                                     channelByRule(m.gain * y, m.bCb * cb, 0.0, m.bOffset));
}

// Bytes a line of `width` pixels needs, from the format tables: four per pixel, or for 4:2:2
// up to the last word the last pixel reads.
int lineBytesByRule(int width, int format)
{
    if (format != 1)
        return 4 * width;
    const int last = width - 1;
    const int lumaWord = last % 3 == 0 ? 2 * (last / 3) : 2 * (last / 3) + 1;
    const int chromaWord = 4 * (last / 6) + (last % 6 < 2 ? 1 : last % 6 < 4 ? 2 : 3);
    return 4 * (std::max(lumaWord, chromaWord) + 1);
}

} // namespace

void TestFrameDecoder::headerFields()
{
    const QByteArray frame = TestFrames::header(1920, 1080, 7680, 258, {0x12, 0x05, 0x09, 0x17});
    const auto header = FrameHeader::parse(frame);
    QVERIFY(header.has_value());
    QCOMPARE(header->width, 1920);
    QCOMPARE(header->height, 1080);
    QCOMPARE(header->pitch, 7680);
    QCOMPARE(header->format, 258);
    QCOMPARE(int(header->timecode[0]), 0x12);
    QCOMPARE(int(header->timecode[1]), 0x05);
    QCOMPARE(int(header->timecode[2]), 0x09);
    QCOMPARE(int(header->timecode[3]), 0x17);
    // Fields are unsigned 16-bit.
    const auto large = FrameHeader::parse(TestFrames::header(0xFFFF, 0xFFFE, 0xFFFD, 0xFFFC));
    QCOMPARE(large->width, 0xFFFF);
    QCOMPARE(large->height, 0xFFFE);
    QCOMPARE(large->pitch, 0xFFFD);
    QCOMPARE(large->format, 0xFFFC);
}

void TestFrameDecoder::headerShorterThanTwelveBytes()
{
    const QByteArray full = TestFrames::header(2, 2, 8, 2);
    for (int size = 0; size < 12; ++size)
        QVERIFY2(!FrameHeader::parse(full.left(size)).has_value(), qPrintable(QString::number(size)));
    QVERIFY(FrameHeader::parse(full).has_value());
}

void TestFrameDecoder::problems_data()
{
    QTest::addColumn<QByteArray>("headerBytes");
    QTest::addColumn<int>("payloadSize");
    QTest::addColumn<bool>("acceptable");
    QTest::newRow("exact 4:4:4") << TestFrames::header(4, 3, 16, 2) << 12 + 48 << true;
    QTest::newRow("one byte short") << TestFrames::header(4, 3, 16, 2) << 12 + 47 << false;
    QTest::newRow("padded lines") << TestFrames::header(4, 3, 20, 258) << 12 + 60 << true;
    QTest::newRow("pitch below width 4:4:4") << TestFrames::header(4, 3, 15, 2) << 1000 << false;
    QTest::newRow("pitch below width 259") << TestFrames::header(4, 1, 12, 259) << 1000 << false;
    QTest::newRow("4:2:2 exact pitch for 7 pixels") << TestFrames::header(7, 2, 24, 1) << 12 + 48 << true;
    QTest::newRow("4:2:2 pitch one word short") << TestFrames::header(7, 2, 20, 1) << 1000 << false;
    QTest::newRow("unknown format needs 4 bytes a pixel") << TestFrames::header(4, 2, 8, 99) << 1000 << false;
    QTest::newRow("unknown format with room") << TestFrames::header(4, 2, 16, 99) << 12 + 32 << true;
    QTest::newRow("gigapixel header, 12-byte payload") << TestFrames::header(65535, 65535, 65535, 2) << 12 << false;
    QTest::newRow("zero pitch, many lines") << TestFrames::header(100, 100, 0, 2) << 12 << false;
    QTest::newRow("no lines") << TestFrames::header(100, 0, 400, 2) << 12 << true;
    QTest::newRow("no pixels a line") << TestFrames::header(0, 100, 0, 2) << 12 << true;
}

void TestFrameDecoder::problems()
{
    QFETCH(QByteArray, headerBytes);
    QFETCH(int, payloadSize);
    QFETCH(bool, acceptable);
    const FrameHeader header = *FrameHeader::parse(headerBytes);
    QCOMPARE(header.problemWith(payloadSize).isEmpty(), acceptable);
}

void TestFrameDecoder::publishedPixels_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<uint>("range");
    QTest::addColumn<quint32>("pixel");
    QTest::newRow("4:4:4 Y 940 video is white")
        << TestFrames::wordFrame(1, 1, 2, {TestFrames::word444(512, 940, 512)}) << 1u << 0xFFFFFFFFu;
    QTest::newRow("4:4:4 Y 64 video is black")
        << TestFrames::wordFrame(1, 1, 2, {TestFrames::word444(512, 64, 512)}) << 1u << 0xFF000000u;
    QTest::newRow("258 Y 940 video is white")
        << TestFrames::wordFrame(1, 1, 258, {TestFrames::word444(512, 940, 512)}) << 1u << 0xFFFFFFFFu;
    QTest::newRow("259 R 1023 G 0 B 1023") << TestFrames::wordFrame(1, 1, 259, {0x3FF003FFu}) << 0u << 0xFFFF00FFu;
    // 259: R = 0x155 / 4 = 0x55, G = 0x2AA / 4 = 0xAA, B = 0x0F0 / 4 = 0x3C; bits 30-31 ignored.
    QTest::newRow("259 divided by 4")
        << TestFrames::wordFrame(1, 1, 259, {0xC0000000u | TestFrames::word444(0x155, 0x2AA, 0x0F0)}) << 3u
        << 0xFF55AA3Cu;
    // Extended range, Y 940: 938 / 4 = 234 in all three.
    QTest::newRow("extended 940 is 234 grey")
        << TestFrames::wordFrame(1, 1, 2, {TestFrames::word444(512, 940, 512)}) << 2u << 0xFFEAEAEAu;
    // Range 3, Y 1023, Cb 0, Cr 1023 gives 1838, 883, 69: clamped red, 220, 17.
    QTest::newRow("above 1023 clamps to 255")
        << TestFrames::wordFrame(1, 1, 2, {TestFrames::word444(1023, 1023, 0)}) << 3u << 0xFFFFDC11u;
    // Range 2, Y 123, Cb 456, Cr 789 gives 530, -64, -48: 132, 0, 0.
    QTest::newRow("negative clamps to 0")
        << TestFrames::wordFrame(1, 1, 2, {TestFrames::word444(789, 123, 456)}) << 2u << 0xFF840000u;
}

void TestFrameDecoder::publishedPixels()
{
    QFETCH(QByteArray, frame);
    QFETCH(uint, range);
    QFETCH(quint32, pixel);
    for (bool reference : {false, true}) {
        const QImage image = decoded(frame, range, reference);
        QVERIFY(!image.isNull());
        QCOMPARE(image.pixel(0, 0), pixel);
    }
}

void TestFrameDecoder::packedGroupDecodes()
{
    // The published group: Y 0x040 ... 0x180 with Cb 0x200/0x202/0x204, Cr 0x201/0x203/0x205.
    QByteArray frame = TestFrames::header(6, 1, 16, 1) + QByteArray::fromHex("08004080 480808C0 080D0081 14081580");
    const int ys[6] = {0x040, 0x080, 0x0C0, 0x100, 0x140, 0x180};
    const int cbs[3] = {0x200, 0x202, 0x204};
    const int crs[3] = {0x201, 0x203, 0x205};
    for (uint range : {0u, 1u, 2u, 3u}) {
        for (bool reference : {false, true}) {
            const QImage image = decoded(frame, range, reference);
            for (int x = 0; x < 6; ++x)
                QCOMPARE(image.pixel(x, 0), expectedFromFormulas(ys[x], cbs[x / 2], crs[x / 2], range));
        }
    }
}

void TestFrameDecoder::unknownFormatIsBlack()
{
    const QByteArray frame = TestFrames::header(3, 2, 12, 0x0104) + QByteArray(24, '\x7F');
    for (bool reference : {false, true}) {
        const QImage image = decoded(frame, 1, reference);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                QCOMPARE(image.pixel(x, y), 0xFF000000u);
    }
}

void TestFrameDecoder::refusesWhatDoesNotFit()
{
    const Formulas formulas;
    const QByteArray frame = TestFrames::wordFrame(2, 2, 2, {1, 2, 3, 4});
    const FrameHeader header = *FrameHeader::parse(frame);
    QImage image(2, 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(0xFF123456u);
    const QImage before = image;
    QVERIFY(!FrameDecoder::decode(formulas, frame.left(frame.size() - 1), header, 0, image));
    QVERIFY(!FrameDecoder::decodeReference(formulas, frame.left(frame.size() - 1), header, 0, image));
    QCOMPARE(image, before);
    QImage wrongSize(3, 2, QImage::Format_ARGB32_Premultiplied);
    QVERIFY(!FrameDecoder::decode(formulas, frame, header, 0, wrongSize));
    QVERIFY(FrameDecoder::decode(formulas, frame, header, 0, image));
}

void TestFrameDecoder::fastMatchesReference_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("pitchPadding");
    for (int format : {1, 2, 258, 259}) {
        // Widths that leave every tail: partial 4:2:2 groups and partial vector blocks.
        for (int width : {1, 5, 7, 13, 64, 331}) {
            const QByteArray name = QByteArray::number(format) + " width " + QByteArray::number(width);
            QTest::newRow(name.constData()) << format << width << 0;
            QTest::newRow((name + " padded").constData()) << format << width << 20;
        }
    }
}

void TestFrameDecoder::fastMatchesReference()
{
    QFETCH(int, format);
    QFETCH(int, width);
    QFETCH(int, pitchPadding);
    const int height = 9;
    const int pitch = int(Formulas::minimumLineBytes(width, format)) + pitchPadding;
    const QByteArray frame = TestFrames::header(width, height, pitch, format)
                           + TestFrames::noise(height * pitch, quint32(format * 7919 + width));
    for (uint range : {0u, 1u, 2u, 3u, 4u}) {
        const QImage fast = decoded(frame, range, false);
        const QImage reference = decoded(frame, range, true);
        QVERIFY(!fast.isNull());
        QCOMPARE(fast, reference);
    }
}

void TestFrameDecoder::lineConverterMatchesFormulas_data()
{
    QTest::addColumn<uint>("range");
    QTest::addColumn<int>("path");
    const YCbCrLineConverter::Path paths[] = {YCbCrLineConverter::Scalar, YCbCrLineConverter::Sse2,
                                              YCbCrLineConverter::Avx, YCbCrLineConverter::Avx512};
    for (YCbCrLineConverter::Path path : paths) {
        if (path > YCbCrLineConverter::bestPath())
            continue; // not in this build or on this processor
        const QByteArray name = YCbCrLineConverter::pathName(path);
        QTest::newRow((name + " default").constData()) << 0u << int(path);
        QTest::newRow((name + " video").constData()) << 1u << int(path);
        QTest::newRow((name + " extended").constData()) << 2u << int(path);
        QTest::newRow((name + " full").constData()) << 3u << int(path);
    }
}

void TestFrameDecoder::lineConverterMatchesFormulas()
{
    // Every (Y, Cr) pair for red and every (Y, Cb) pair for blue; green over two Cr
    // patterns for every (Y, Cb). The line length leaves tails of 4 and 3 for the narrower
    // paths.
    QFETCH(uint, range);
    QFETCH(int, path);
    const YCbCrLineConverter converter(range, YCbCrLineConverter::Path(path));
    QCOMPARE(int(converter.path()), path);
    const ConversionTable table(range);
    const int n = 1024 + 7;
    QVector<qint32> ys(n), cbs(n), crs(n);
    QVector<quint32> out(n), outBe(n), outLe(n);
    QByteArray bigEndian(4 * n, '\0'), littleEndian(4 * n, '\0');
    const auto *be = reinterpret_cast<const uchar *>(bigEndian.constData());
    const auto *le = reinterpret_cast<const uchar *>(littleEndian.constData());
    for (int pattern = 0; pattern < 2; ++pattern) {
        for (int y = 0; y < 1024; ++y) {
            for (int x = 0; x < n; ++x) {
                ys[x] = y;
                cbs[x] = x % 1024;
                crs[x] = pattern == 0 ? x % 1024 : (x * 389 + y * 17) % 1024;
                // The same samples as 4:4:4 words, with the unused top bits set.
                const quint32 word = 0xC0000000u | TestFrames::word444(crs[x], ys[x], cbs[x]);
                TestFrames::putBe32(bigEndian, 4 * x, word);
                TestFrames::putLe32(littleEndian, 4 * x, word);
            }
            converter.convert(ys.constData(), cbs.constData(), crs.constData(), out.data(), n);
            converter.convertWords(be, true, outBe.data(), n);
            converter.convertWords(le, false, outLe.data(), n);
            for (int x = 0; x < n; ++x) {
                const quint32 want = expectedFromFormulas(ys[x], cbs[x], crs[x], range);
                const quint32 fromTable = table.pixel(ys[x], cbs[x], crs[x]);
                if (out[x] != want || outBe[x] != want || outLe[x] != want || fromTable != want)
                    QFAIL(qPrintable(QStringLiteral("Y %1 Cb %2 Cr %3: %4 / %5 / %6 / %7, expected %8")
                                         .arg(ys[x]).arg(cbs[x]).arg(crs[x]).arg(out[x], 0, 16).arg(outBe[x], 0, 16)
                                         .arg(outLe[x], 0, 16).arg(fromTable, 0, 16).arg(want, 0, 16)));
            }
        }
    }
}

void TestFrameDecoder::randomFramesFollowTheRules_data()
{
    QTest::addColumn<int>("format");
    for (int format : {1, 2, 258, 259, 3, 0x0101})
        QTest::newRow(QByteArray::number(format).constData()) << format;
}

void TestFrameDecoder::randomFramesFollowTheRules()
{
    // Random words (top bits included), random sizes that leave every tail of the vector paths
    // and of the 4:2:2 groups, and line padding of any length, odd ones too.
    QFETCH(int, format);
    QRandomGenerator random(quint32(format) * 2654435761u);
    const Formulas formulas;
    for (int round = 0; round < 40; ++round) {
        const int width = round < 4 ? 1 + round : int(random.bounded(1, 300));
        const int height = int(random.bounded(1, 6));
        const int pitch = lineBytesByRule(width, format) + (random.bounded(3) ? 0 : int(random.bounded(0, 40)));
        QByteArray frame = TestFrames::header(width, height, pitch, format);
        for (int i = 0; i < height * pitch + int(random.bounded(0, 8)); ++i)
            frame += char(random.bounded(256));
        const FrameHeader header = *FrameHeader::parse(frame);
        const auto *data = reinterpret_cast<const uchar *>(frame.constData());
        for (uint range : {0u, 1u, 2u, 3u, 4u}) {
            QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
            QVERIFY(FrameDecoder::decode(formulas, frame, header, range, image));
            for (int y = 0; y < height; ++y) {
                const uchar *line = data + 12 + y * pitch;
                for (int x = 0; x < width; ++x) {
                    const quint32 expected = pixelByRule(line, x, format, range);
                    if (image.pixel(x, y) != expected)
                        QFAIL(qPrintable(QStringLiteral("format %1 range %2, %3x%4 pitch %5: pixel (%6, %7) is %8, "
                                                        "the rules give %9")
                                             .arg(format).arg(range).arg(width).arg(height).arg(pitch).arg(x).arg(y)
                                             .arg(image.pixel(x, y), 8, 16, QLatin1Char('0'))
                                             .arg(expected, 8, 16, QLatin1Char('0'))));
                }
            }
        }
    }
}

QTEST_APPLESS_MAIN(TestFrameDecoder)
#include "tst_framedecoder.moc"
