// Captured frames decoded against the documented rules written out plainly here (on random frames)
// and published values; the capture item's properties, quick saves, painting, requests and saving.
#include "bytes.h"
#include "capture/ancillarydata.h"
#include "capture/captureframe.h"
#include "capture/conversiontable.h"
#include "capture/formulas.h"
#include "capture/framedecoder.h"
#include "capture/frameheader.h"
#include "capture/rawframefile.h"
#include "capture/ycbcrlineconverter.h"
#include "filesizelimit.h"
#include "logcapture.h"
#include "testdevice.h"

#include <QDir>
#include <QImageReader>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>

using CubrixUtils::Formulas;
using Bytes::noise;

namespace {
QByteArray header(int width, int height, int pitch, int format, std::initializer_list<int> timecode = {0, 0, 0, 0})
{
    QByteArray bytes = Bytes::be16({width, height, pitch, format});
    for (int field : timecode)
        bytes += char(field);
    return bytes;
}

// One word a pixel (big-endian for format 2, little-endian otherwise), words[y * width + x],
// lines of `pitch` bytes (4 x width when 0) padded with 0xEE.
QByteArray wordFrame(int width, int height, int format, const QVector<quint32> &words, int pitch = 0,
                            std::initializer_list<int> timecode = {0, 0, 0, 0})
{
    pitch = pitch ? pitch : 4 * width;
    QByteArray frame = header(width, height, pitch, format, timecode);
    for (int y = 0; y < height; ++y) {
        QByteArray line;
        for (int x = 0; x < width; ++x)
            line += format == 2 ? Bytes::be32(words[y * width + x]) : Bytes::le32({qint32(words[y * width + x])});
        frame += line + QByteArray(pitch - line.size(), '\xEE');
    }
    return frame;
}

// Format 2 and 258: Cr in bits 0-9, Y in 10-19, Cb in 20-29; format 259: R, G, B.
quint32 word444(int low, int middle, int high) { return quint32(low) | quint32(middle) << 10 | quint32(high) << 20; }

quint32 be(const uchar *p) { return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3]; }
quint32 le(const uchar *p) { return quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0]; }

struct Samples {
    int y, cb, cr; // for format 259: G, B, R
};

// The samples of pixel x by the tables of the pixel formats; format 1 packs six pixels into the
// big-endian words W[0..3] of each 16 bytes.
Samples samples(const uchar *line, int x, int format)
{
    if (format == 1) {
        const auto w = [line](int i) { return be(line + 4 * i); };
        const int k = x / 3, g = x / 6;
        const int y = int(x % 3 == 0 ? w(2 * k) >> 8 & 0x3FF : x % 3 == 1 ? w(2 * k + 1) >> 20 & 0x3FF : w(2 * k + 1) & 0x3FF);
        switch (x % 6 / 2) {
        case 0: return {y, int(w(4 * g) >> 18 & 0x3FF), int((w(4 * g) & 0xFF) << 2 | w(4 * g + 1) >> 30)};
        case 1: return {y, int(w(4 * g + 1) >> 10 & 0x3FF), int(w(4 * g + 2) >> 18 & 0x3FF)};
        default: return {y, int((w(4 * g + 2) & 0xFF) << 2 | w(4 * g + 3) >> 30), int(w(4 * g + 3) >> 10 & 0x3FF)};
        }
    }
    const quint32 word = format == 2 ? be(line + 4 * x) : format == 258 || format == 259 ? le(line + 4 * x) : 0;
    return {int(word >> 10 & 0x3FF), int(word >> 20 & 0x3FF), int(word & 0x3FF)};
}

// 10-bit R, G, B by the coefficients of the range (1 video, 2 extended, 3 full, else the rounded set):
// products in double, summed into single precision in order, rounded half away from zero.
void rgb(int y, int cb, int cr, uint range, int out[3])
{
    static const double sets[4][8] = {
        {1.1678, 1.7979, -0.2139, -0.5346, 2.1186, -995.3, 308.4595, -1159.48},
        {1.167808219, 1.79792477, -0.213864189, -0.534571699, 2.11863228, -995.2772083, 308.4594488, -1159.479453},
        {1.071204188, 1.68684879, -0.200651637, -0.501545804, 1.987742956, -932.2236483, 290.9680216, -1086.281461},
        {1.007881773, 1.58713359, -0.188790457, -0.471897776, 1.870240909, -816.6439252, 334.2408479, -961.5948726}};
    const double *m = sets[range >= 1 && range <= 3 ? range : 0];
    const double terms[3][3] = {{0.0, m[1] * cr, m[5]}, {m[2] * cb, m[3] * cr, m[6]}, {m[4] * cb, 0.0, m[7]}};
    for (int c = 0; c < 3; ++c) {
        float sum = float(m[0] * y);
        for (double term : terms[c])
            sum = float(double(sum) + term);
        out[c] = int(std::round(sum));
    }
}

// 255 above 1023, 0 below 0, else v / 4; opaque.
quint32 pixelFromSamples(int y, int cb, int cr, uint range)
{
    int c[3];
    rgb(y, cb, cr, range, c);
    const auto to8 = [](int v) { return v > 1023 ? 255u : v < 0 ? 0u : quint32(v) / 4; };
    return 0xFF000000u | to8(c[0]) << 16 | to8(c[1]) << 8 | to8(c[2]);
}

// The shown pixel x: YCbCr converted, 259 divided by 4, any other format black.
quint32 pixel(const uchar *line, int x, int format, uint range)
{
    const Samples s = samples(line, x, format);
    if (format == 259)
        return 0xFF000000u | quint32(s.cr / 4) << 16 | quint32(s.y / 4) << 8 | quint32(s.cb / 4);
    return format == 1 || format == 2 || format == 258 ? pixelFromSamples(s.y, s.cb, s.cr, range) : 0xFF000000u;
}

// Bytes a line needs: four a pixel, or for format 1 up to the last word the last pixel reads.
int lineBytes(int width, int format)
{
    const int last = width - 1, lumaWord = last % 3 == 0 ? 2 * (last / 3) : 2 * (last / 3) + 1;
    return format != 1 || width == 0 ? 4 * width : 4 * (std::max(lumaWord, 4 * (last / 6) + (last % 6 < 2 ? 1 : last % 6 < 4 ? 2 : 3)) + 1);
}

// The raw file of a frame: for formats 258 and 259 the first `width` words of every line (whole
// ones inside the payload and the pitch) get bits 0-9 and 20-29 exchanged and bits 30-31 cleared.
QByteArray rawFile(QByteArray frame)
{
    const auto field = [&frame](int at) { return int(uchar(frame[at])) << 8 | uchar(frame[at + 1]); };
    const int width = field(0), height = field(2), pitch = field(4), format = field(6);
    for (int y = 0; (format == 258 || format == 259) && y < height; ++y) {
        for (int x = 0, at = 12 + y * pitch; x < width && 4 * x + 4 <= pitch && at + 4 <= frame.size(); ++x, at += 4) {
            const quint32 w = le(reinterpret_cast<const uchar *>(frame.constData()) + at);
            frame.replace(at, 4, Bytes::le32({qint32((w & 0x3FF) << 20 | (w & 0xFFC00) | (w >> 20 & 0x3FF))}));
        }
    }
    return frame;
}

const uchar *bytes(const QByteArray &data)
{
    return reinterpret_cast<const uchar *>(data.constData());
}

// Decodes with the fast path or the per-pixel reference into an image of the header's size.
QImage decoded(const QByteArray &frame, uint range, bool reference)
{
    const FrameHeader header = *FrameHeader::parse(frame);
    QImage image(header.width, header.height, QImage::Format_ARGB32_Premultiplied);
    const bool ok = reference ? FrameDecoder::decodeReference(Formulas(), frame, header, range, image)
                              : FrameDecoder::decode(Formulas(), frame, header, range, image);
    return ok ? image : QImage();
}

// The ancillary page without its two titles; data lines with the y of their baseline.
QString page(const AncillaryData &anci)
{
    QStringList texts;
    for (const AncillaryData::PageText &text : anci.pageTexts()) {
        if (text.at != QPoint(30, 30) && text.at != QPoint(30, 70))
            texts << (text.at.x() == 80 ? QString::number(text.at.y()) + ':' : QString()) + text.text;
    }
    return texts.join(' ');
}

const QString Stamp = QStringLiteral("20261205_12_30_45CapturedImage");

void armQuickSave(CaptureFrame &item, const QString &dir, int type, int count)
{
    item.setClock([] { return QDateTime(QDate(2026, 12, 5), QTime(12, 30, 45)); });
    item.setQuickSaveDir(dir);
    item.setQuickSaveType(type);
    item.setQuickSaveCount(count);
}

QStringList entries(const QTemporaryDir &dir) { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }

// Two pixels, white and black in video range.
const QByteArray SmallFrame = wordFrame(2, 1, 2, {word444(512, 940, 512), word444(512, 64, 512)}, 0, {1, 2, 3, 4});

// What the item paints, or (with `draw`) what the test draws, on the same background.
QImage painted(CaptureFrame &item, const std::function<void(QPainter &)> &draw = {})
{
    QImage image(item.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(40, 90, 140));
    QPainter painter(&image);
    draw ? draw(painter) : item.paint(&painter);
    return image;
}
} // namespace

class TestCapture : public QObject
{
    Q_OBJECT
private slots:
    void formulasFollowTheRules()
    {
        // The published 4:2:2 group: Y 0x040 ... 0x180, Cb 0x200/0x202/0x204, Cr 0x201/0x203/0x205.
        const QByteArray group = QByteArray::fromHex("08004080480808C0080D008114081580");
        const Formulas formulas;
        for (int x = 0; x < 6; ++x) {
            const int y = formulas.sampleY(bytes(group), x, 1), cb = formulas.sampleCb(bytes(group), x, 1), cr = formulas.sampleCr(bytes(group), x, 1);
            QVERIFY(y == 0x40 * (x + 1) && cb == 0x200 + x / 2 * 2 && cr == cb + 1 && samples(bytes(group), x, 1).cr == cr);
        }
        const QByteArray line = noise(4 * 64, 1);
        for (int format : {1, 2, 258, 259, 0, 3, 257, 260, 0xFFFF}) {
            for (int x = 0; x < 24; ++x) {
                const Samples s = samples(bytes(line), x, format);
                QVERIFY(formulas.sampleY(bytes(line), x, format) == s.y && formulas.sampleCb(bytes(line), x, format) == s.cb
                        && formulas.sampleCr(bytes(line), x, format) == s.cr);
            }
        }
        // Conversion over the sample range, for every range and the fallback.
        int code[3], rule[3];
        for (int y = 0; y < 1024; y += 7) {
            for (int cb = 0; cb < 1024; cb += 11) {
                for (uint range : {0u, 1u, 2u, 3u, 4u, 9u, 0xFFFFFFFFu}) {
                    formulas.ycbcrToRgb(y, cb, (cb * 37 + y * 13) % 1024, code[0], code[1], code[2], range);
                    rgb(y, cb, (cb * 37 + y * 13) % 1024, range, rule);
                    QVERIFY2(std::equal(code, code + 3, rule), qPrintable(QStringLiteral("range %1: %2 %3").arg(range).arg(y).arg(cb)));
                }
            }
        }
    }

    void conversions_data()
    {
        QTest::addColumn<uint>("range");
        QTest::addColumn<QVector<int>>("ycbcr");
        QTest::addColumn<QString>("results"); // "*" where a row says nothing of that channel
        // Computed outside this program (float32 rounding of each partial sum).
        const struct { const char *name; uint range; QVector<int> in; const char *out; } rows[] = {
            {"video white", 1, {940, 512, 512}, "1023 1023 1023"}, {"video black", 1, {64, 512, 512}, "0 0 0"},
            {"extended 940", 2, {940, 512, 512}, "938 938 938"},  {"extended white", 2, {1019, 512, 512}, "1023 1023 1023"},
            {"full white", 3, {1019, 512, 512}, "1023 1023 1023"}, {"full black", 3, {4, 512, 512}, "0 0 0"},
            {"range 4 is the default set", 4, {500, 300, 700}, "847 454 60"}, {"range 1", 1, {500, 300, 700}, "847 454 60"},
            {"negative results stay", 2, {123, 456, 789}, "530 -64 -48"}, {"results above 1023 stay", 3, {1023, 0, 1023}, "1838 883 69"},
            {"default set", 0, {0, 1023, 0}, "-995 90 1008"},
            // Sums landing on a half in single precision go away from zero...
            {"B -999.5", 0, {10, 70, 0}, "* * -1000"},           {"R -641.5", 0, {32, 0, 176}, "-642 * *"},
            {"G 189.5", 0, {59, 21, 343}, "* 190 *"},             {"R -669.5 video", 1, {8, 0, 176}, "-670 * *"},
            {"G 743.5 extended", 2, {808, 846, 485}, "* 744 *"}, {"G 899.5 full", 3, {734, 582, 137}, "* 900 *"},
            {"B -726.5 extended", 2, {0, 181, 0}, "* * -727"},
            // ...and single-precision sums give another integer than double ones would.
            {"B 790.5 (double 790.49999)", 0, {8, 916, 0}, "* * 791"},     {"R 287.5 (double 287.49997)", 1, {50, 0, 681}, "288 * *"},
            {"R 316.49997 (double 316.50002)", 2, {2, 0, 739}, "316 * *"}, {"B 365.49997 (double 365.50003)", 3, {105, 653, 0}, "* * 365"},
            {"G -251.49997 (double -251.5)", 0, {38, 401, 970}, "* -251 *"}, {"G 1025.5 (double 1025.49995)", 2, {960, 557, 363}, "* 1026 *"},
            {"G 816.5 (double 816.499998)", 3, {900, 1023, 491}, "* 817 *"}};
        for (const auto &row : rows)
            QTest::newRow(row.name) << row.range << row.in << QString::fromLatin1(row.out);
    }

    void conversions()
    {
        QFETCH(uint, range);
        QFETCH(QVector<int>, ycbcr);
        QFETCH(QString, results);
        int code[3], rule[3];
        Formulas().ycbcrToRgb(ycbcr[0], ycbcr[1], ycbcr[2], code[0], code[1], code[2], range);
        rgb(ycbcr[0], ycbcr[1], ycbcr[2], range, rule);
        const QStringList expected = results.split(' ');
        for (int c = 0; c < 3; ++c)
            QVERIFY(expected[c] == QLatin1String("*") || (code[c] == expected[c].toInt() && rule[c] == expected[c].toInt()));
    }

    void decodingFollowsTheRules_data()
    {
        QTest::addColumn<int>("format");
        for (int format : {1, 2, 258, 259, 3, 0x0101})
            QTest::newRow(QByteArray::number(format).constData()) << format;
    }

    void decodingFollowsTheRules()
    {
        // Random words (top bits included), sizes that leave every tail of the vector paths and of
        // the 4:2:2 groups, line padding of any length and bytes beyond the last line.
        QFETCH(int, format);
        QRandomGenerator random(quint32(format) * 2654435761u);
        QCOMPARE(Formulas::minimumLineBytes(0, format), qint64(0));
        for (int round = 0; round < 40; ++round) {
            const int width = round < 7 ? 1 + round : int(random.bounded(8, 300));
            const int height = int(random.bounded(1, 6));
            QCOMPARE(Formulas::minimumLineBytes(width, format), qint64(lineBytes(width, format)));
            const int pitch = lineBytes(width, format) + (random.bounded(3) ? 0 : int(random.bounded(0, 40)));
            const QByteArray frame = header(width, height, pitch, format) + noise(height * pitch + int(random.bounded(8)), round);
            const FrameHeader parsed = *FrameHeader::parse(frame);
            QVERIFY(parsed.problemWith(frame.size()).isEmpty());
            QVERIFY(!FrameHeader::parse(header(width, height, lineBytes(width, format) - 1, format))->problemWith(1 << 20).isEmpty());
            // Neither decoder takes a frame a byte short of its last line, or an image of another size.
            QImage untouched(width, height + round % 2, QImage::Format_ARGB32_Premultiplied);
            QVERIFY(!FrameDecoder::decode(Formulas(), round % 2 ? frame : frame.left(12 + height * pitch - 1), parsed, 0, untouched));
            QVERIFY(!FrameDecoder::decodeReference(Formulas(), round % 2 ? frame : frame.left(12 + height * pitch - 1), parsed, 0, untouched));
            for (uint range : {0u, 1u, 2u, 3u, 4u}) {
                for (bool reference : {false, true}) {
                    const QImage image = decoded(frame, range, reference);
                    for (int y = 0; y < height; ++y) {
                        for (int x = 0; x < width; ++x) {
                            const quint32 expected = pixel(bytes(frame) + 12 + y * pitch, x, format, range);
                            if (image.pixel(x, y) != expected)
                                QFAIL(qPrintable(QStringLiteral("%1 range %2, %3x%4 pitch %5: (%6, %7) is %8, the rules give %9")
                                                     .arg(reference ? "reference" : "fast").arg(range).arg(width).arg(height)
                                                     .arg(pitch).arg(x).arg(y).arg(image.pixel(x, y), 0, 16).arg(expected, 0, 16)));
                        }
                    }
                }
            }
        }
    }

    void lineConverterFollowsTheRule_data()
    {
        QTest::addColumn<int>("path");
        for (int path = YCbCrLineConverter::Scalar; path <= YCbCrLineConverter::bestPath(); ++path)
            QTest::newRow(YCbCrLineConverter::pathName(YCbCrLineConverter::Path(path))) << path;
    }

    void lineConverterFollowsTheRule()
    {
        // Every (Y, Cb) pair, random Cr, every range; the line length leaves tails for every path.
        QFETCH(int, path);
        QRandomGenerator random(static_cast<quint32>(path));
        const int n = 1024 + 7;
        QVector<qint32> ys(n), cbs(n), crs(n);
        QVector<quint32> out(n), outBe(n), outLe(n);
        QByteArray bigEndian(4 * n, '\0'), littleEndian(4 * n, '\0');
        for (uint range : {0u, 1u, 2u, 3u}) {
            const YCbCrLineConverter converter(range, YCbCrLineConverter::Path(path));
            QCOMPARE(int(converter.path()), path);
            const ConversionTable table(range);
            for (int y = 0; y < 1024; ++y) {
                for (int x = 0; x < n; ++x) {
                    ys[x] = y, cbs[x] = x % 1024, crs[x] = int(random.bounded(1024));
                    // The same samples as 4:4:4 words, with the unused top bits set.
                    qToBigEndian(0xC0000000u | word444(crs[x], y, cbs[x]), bigEndian.data() + 4 * x);
                    qToLittleEndian(0xC0000000u | word444(crs[x], y, cbs[x]), littleEndian.data() + 4 * x);
                }
                converter.convert(ys.constData(), cbs.constData(), crs.constData(), out.data(), n);
                converter.convertWords(bytes(bigEndian), true, outBe.data(), n);
                converter.convertWords(bytes(littleEndian), false, outLe.data(), n);
                for (int x = 0; x < n; ++x) {
                    const quint32 want = pixelFromSamples(y, cbs[x], crs[x], range);
                    if (out[x] != want || outBe[x] != want || outLe[x] != want || table.pixel(y, cbs[x], crs[x]) != want)
                        QFAIL(qPrintable(QStringLiteral("range %1, Y %2 Cb %3 Cr %4").arg(range).arg(y).arg(cbs[x]).arg(crs[x])));
                }
            }
        }
    }

    void rawFrameFile()
    {
        // Hand-worked: 0x12345678 has low 0x278, middle 0x115, high 0x123.
        QCOMPARE(RawFrameFile::exchangeOuterFields(0x12345678u), 0x27845523u);
        QCOMPARE(RawFrameFile::exchangeOuterFields(0xC00003FFu), 0x3FF00000u);
        for (int format : {2, 258, 259, 1, 7}) {
            const QByteArray frame = header(5, 3, 24, format) + noise(3 * 24, quint32(format));
            QCOMPARE(RawFrameFile::fileBytes(frame, *FrameHeader::parse(frame)).toHex(), rawFile(frame).toHex());
        }
        // Two pixels a line but lines of 6 bytes: only the one whole word inside each line is
        // exchanged, so no byte is exchanged twice and the 2 bytes after it stay as they came.
        const QByteArray narrow = header(2, 2, 6, 258) + QByteArray::fromHex("FF030000AABB0000F03FCCDD");
        QCOMPARE(RawFrameFile::fileBytes(narrow, *FrameHeader::parse(narrow)).toHex(),
                 (header(2, 2, 6, 258) + QByteArray::fromHex("0000F03FAABBFF030000CCDD")).toHex());
        // Writing the file (whole, or not at all) is the raw quick save's.
    }

    void ancillaryPackets_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("headError");
        const QByteArray first = QByteArray::fromHex("01020304 4105 03 AABBCC 5F");
        const QString firstOnly = QStringLiteral("TC 01:02:03:04 DID=0x41 SDID=0x05 DC=0x3 BLOCK=0x1 CS=0x5f 70:0xaabbcc");
        const QString none = QStringLiteral("TC 01:02:03:04 DID=0x00 SDID=0x00 DC=0x0 BLOCK=0x0 CS=0x00");
        QTest::newRow("one packet") << first << firstOnly << false;
        QTest::newRow("two packets") << first + QByteArray::fromHex("4105 02 DDEE 10")
                                     << "TC 01:02:03:04 DID=0x41 SDID=0x05 DC=0x5 BLOCK=0x2 CS=0x5f 70:0xaabbccddee" << false;
        QTest::newRow("other identifiers end the parse") << first + QByteArray::fromHex("6060 01 00 00") << firstOnly << true;
        QTest::newRow("next packet past the end") << first + QByteArray::fromHex("4105 09 DDEE") << firstOnly << true;
        QTest::newRow("one trailing byte") << first + QByteArray::fromHex("41") << firstOnly << false;
        QTest::newRow("four trailing bytes") << first + QByteArray::fromHex("41050000") << firstOnly << false;
        QTest::newRow("timecode only") << QByteArray::fromHex("01020304") << none << false;
        QTest::newRow("four packet bytes") << QByteArray::fromHex("01020304 41050100") << none << false;
        QTest::newRow("checksum missing") << QByteArray::fromHex("01020304 410503AABBCC") << none << false;
        QTest::newRow("count 255, few bytes") << QByteArray::fromHex("01020304 4105FFAABBCC5F") << none << false;
        // The bytes 0, 1, 2, ... in packets of up to 255 (the count is unsigned), one more byte after
        // them; 32 bytes a data line as hex, 51 lines at most.
        for (const int bytes : {0, 40, 455, 51 * 32, 60 * 32 + 1}) {
            QByteArray data, message = QByteArray::fromHex("0A1B2C3D");
            for (int i = 0; i < bytes; ++i)
                data += char(i);
            for (int at = 0; at < bytes || at == 0; at += 255)
                message += "\x0F\x0E" + QByteArray(1, char(qMin(255, bytes - at))) + data.mid(at, 255) + "\x0A";
            QString text = QStringLiteral("TC 0a:1b:2c:3d DID=0x0f SDID=0x0e DC=0x%1 BLOCK=0x%2 CS=0x0a").arg(bytes, 0, 16).arg(qMax(1, (bytes + 254) / 255), 0, 16);
            for (int k = 0; k < qMin(51, (bytes + 31) / 32); ++k)
                text += QStringLiteral(" %1:0x%2").arg(70 + 20 * k).arg(QString::fromLatin1(data.mid(32 * k, 32).toHex()));
            QTest::addRow("%d data bytes", bytes) << message + '\0' << text << false;
        }
    }

    void ancillaryPackets()
    {
        QFETCH(QByteArray, message);
        QFETCH(bool, headError);
        AncillaryData anci;
        anci.takePackets(QByteArray::fromHex("0A0B0C0D 7777 01 00 01")); // replaced by every message
        if (headError)
            QTest::ignoreMessage(QtWarningMsg, "anci data loop head error\n");
        anci.takePackets(message);
        QTEST(page(anci), "page");
        // No cut of the message is read beyond: the data never exceeds what the cut could hold.
        for (int size = 0; size < message.size(); ++size) {
            anci.takePackets(message.left(size));
            QVERIFY(anci.record().data.size() <= qMax(0, size - 8) && anci.record().dcTotal == anci.record().data.size());
        }
    }

    void setters_data()
    {
        QTest::addColumn<QByteArray>("call"); // an invokable setter, or empty: the property written plainly
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("emitted"); // signals after writing the value twice
        const QString name = QStringLiteral("CapturedImage"), dir = QStringLiteral("file:///tmp");
        const struct { const char *row, *call; QVariant value; const char *property; QVariant stored; int emitted; } rows[] = {
            {"count", "setQuickSaveCount", 3, "quick_save_count", 3, 1}, {"count below 0", "setQuickSaveCount", -2, "quick_save_count", 0, 0},
            {"count written plainly", "", -4, "quick_save_count", -4, 1}, {"type 0", "setQuickSaveType", 0, "quick_save_type", 1, 0},
            {"type 4", "setQuickSaveType", 4, "quick_save_type", 1, 0},       {"type 3", "setQuickSaveType", 3, "quick_save_type", 3, 1},
            {"type written plainly", "", 9, "quick_save_type", 9, 1},        {"no name", "setQuickSaveName", QString(), "quick_save_name", name, 0},
            {"name", "setQuickSaveName", name + 's', "quick_save_name", name + 's', 1}, {"name written plainly", "", QString(), "quick_save_name", QString(), 1},
            {"no folder", "setQuickSaveDir", QString(), "quick_save_dir", QString(), 0}, {"folder", "setQuickSaveDir", dir, "quick_save_dir", dir, 1},
            {"list count signals every write", "", 0, "anci_count", 0, 2}};
        for (const auto &row : rows)
            QTest::newRow(row.row) << QByteArray(row.call) << row.value << QByteArray(row.property) << row.stored << row.emitted;
    }

    void setters()
    {
        QFETCH(QByteArray, call);
        QFETCH(QVariant, value);
        QFETCH(QByteArray, property);
        auto item = std::make_unique<CaptureFrame>();
        QVERIFY(item->quickSaveCount() + item->anciCount() + item->displayMode() == 0 && item->quickSaveType() == 1
                && item->quickSaveDir().isEmpty() && item->image().isNull() && !item->socketHandler());
        QSignalSpy spy(item.get(), item->metaObject()->property(item->metaObject()->indexOfProperty(property)).notifySignal());
        for (int i = 0; i < 2; ++i)
            QVERIFY(call.isEmpty() ? item->setProperty(property, value)
                                   : QMetaObject::invokeMethod(item.get(), call, QGenericArgument(value.typeName(), value.constData())));
        QTEST(item->property(property), "stored");
        QTEST(int(spy.count()), "emitted");
        DebugLines debug;
        QTest::ignoreMessage(QtDebugMsg, "Closing CaptureFrame Destructor");
        item.reset();
    }

    void quickSave_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("frames"); // each consumes one of as many counts
        QTest::addColumn<QString>("folder"); // "temp": a folder of the test's
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("diskFull");
        const QString temp = QStringLiteral("temp");
        QTest::newRow("JPEG") << 1 << 1 << temp << QStringList{Stamp + ".jpg"} << false;
        QTest::newRow("bitmap") << 2 << 1 << temp << QStringList{Stamp + ".bmp"} << false;
        QTest::newRow("raw") << 3 << 1 << temp << QStringList{Stamp + ".raw"} << false;
        QTest::newRow("same second") << 1 << 3 << temp << QStringList{Stamp + ".jpg", Stamp + "_2.jpg", Stamp + "_3.jpg"} << false;
        QTest::newRow("raw, same second") << 3 << 2 << temp << QStringList{Stamp + ".raw", Stamp + "_2.raw"} << false;
        QTest::newRow("JPEG, disk full") << 1 << 1 << temp << QStringList() << true;
        QTest::newRow("bitmap, disk full") << 2 << 1 << temp << QStringList() << true;
        QTest::newRow("raw, disk full") << 3 << 1 << temp << QStringList() << true;
        QTest::newRow("no folder") << 1 << 2 << QString() << QStringList() << false;
        QTest::newRow("invalid folder URL") << 1 << 1 << QStringLiteral("http://[::1") << QStringList() << false;
    }

    void quickSave()
    {
        QFETCH(int, type);
        QFETCH(int, frames);
        QFETCH(QString, folder);
        QFETCH(QStringList, files);
        QFETCH(bool, diskFull);
        QTemporaryDir dir;
        const QString url = QUrl::fromLocalFile(dir.path()).toString();
        CaptureFrame item;
        armQuickSave(item, folder == QLatin1String("temp") ? url : folder, type, frames);
        // Noise hardly compresses: each picture file is well above the 2048 bytes of a full disk.
        const QByteArray frame = header(64, 64, 256, 259) + noise(64 * 256, 11);
        DebugLines debug;
        LogCapture log(QtDebugMsg);
        {
            FileSizeLimit limit(diskFull ? 2048 : RLIM_INFINITY);
            QVERIFY(limit.active());
            for (int i = 0; i <= frames; ++i) // the last one finds the count used up
                item.receiveFrame(frame, 0);
        }
        QVERIFY(item.quickSaveCount() == 0 && entries(dir) == files && log.contains(QStringLiteral("failed to write")) == diskFull
                && log.contains(QStringLiteral("quick_save type or name or dir is empty ,error\n")) == folder.isEmpty());
        QFile reference(dir.filePath(QStringLiteral("reference"))); // as any new file of the user's there
        QVERIFY(reference.open(QIODevice::WriteOnly));
        for (const QString &name : files) {
            const QString path = dir.filePath(name);
            QVERIFY(log.contains("needSave ==  1") && log.contains((type == 3 ? "quick_save_name = " : "save file ") + url + '/' + name));
            QCOMPARE(QFileInfo(path).permissions(), reference.permissions());
            QFile file(path);
            QVERIFY(type == 3 ? file.open(QIODevice::ReadOnly) && file.readAll() == rawFile(frame)
                    : type == 2 ? QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied) == item.image()
                                : QImageReader(path).format() == "jpeg");
        }
        // The picture comes from the payload as received, whatever the raw file holds.
        QCOMPARE(item.image().pixel(5, 3), pixel(reinterpret_cast<const uchar *>(frame.constData()) + 12 + 3 * 256, 5, 259, 0));
    }

    void framesWithoutAPicture_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("undecodable"); // or simply empty
        const QByteArray full = wordFrame(4, 4, 2, QVector<quint32>(16, 0x12345678u));
        QTest::newRow("one byte short") << full.left(full.size() - 1) << true;
        QTest::newRow("gigapixel header alone") << header(65535, 65535, 65535, 2) << true;
        QTest::newRow("huge lines, zero pitch") << header(65535, 65535, 0, 1) << true;
        QTest::newRow("pitch too small for 259") << header(4, 2, 12, 259) + noise(24, 4) << true;
        QTest::newRow("pitch too small for 4:2:2") << header(7, 1, 20, 1) + QByteArray(20, '\0') << true;
        QTest::newRow("unknown format, 1.5 bytes a pixel") << header(4, 2, 6, 7) + noise(12, 5) << true;
        // Cut 2 bytes into the second word of line 1: whole words are exchanged, the 2 bytes stay.
        QTest::newRow("259 cut inside a word") << wordFrame(3, 2, 259, {0x12345678u, 0xC00003FFu, 0x3FF00000u, 0x3FFu, 1u, 0u}).left(30)
                                               << true;
        QTest::newRow("shorter than the header") << QByteArray::fromHex("0002000100") << true;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("no pixels a line") << header(0, 1080, 0, 2) << false;
        QTest::newRow("no lines") << header(1920, 0, 7680, 2) << false;
    }

    void framesWithoutAPicture()
    {
        QFETCH(QByteArray, frame);
        QFETCH(bool, undecodable);
        QTemporaryDir dir;
        CaptureFrame item;
        item.setSize(QSizeF(300, 100));
        const QImage blank = painted(item);
        item.receiveFrame(SmallFrame, 1);
        item.receiveAnci(QByteArray::fromHex("00000000 4105 01 AA 5F"), 4);
        const int repaints = item.repaintRequests();
        QSignalSpy flagged(&item, &CaptureFrame::frame_undecodableChanged);
        armQuickSave(item, QUrl::fromLocalFile(dir.path()).toString(), 1, 2);
        const QRegularExpression notDecoded(QStringLiteral("^receiveFrame: frame not decoded: "));

        // A JPEG needs a picture: nothing is written, the frame still answers one save request. The
        // old picture and time code go; the picture area says why, or shows nothing.
        if (undecodable)
            QTest::ignoreMessage(QtWarningMsg, notDecoded);
        item.receiveFrame(frame, 1);
        QVERIFY(entries(dir).isEmpty() && item.image().isNull() && item.quickSaveCount() == 1 && item.displayMode() == 0);
        QVERIFY(item.repaintRequests() - repaints == flagged.count() && flagged.count() == int(undecodable)
                && item.property("frame_undecodable").toBool() == undecodable);
        QCOMPARE(painted(item), undecodable ? painted(item, [](QPainter &painter) {
            painter.drawText(QRectF(0, 0, 300, 100), Qt::AlignCenter, QStringLiteral("Frame could not be decoded"));
        }) : blank);

        // The raw form needs no decoding: the bytes as they came (whole words exchanged), if there is
        // a header at all; without a pending save nothing goes below zero.
        item.setQuickSaveType(3);
        for (int i = 0; i < 2; ++i) {
            if (undecodable)
                QTest::ignoreMessage(QtWarningMsg, notDecoded);
            item.receiveFrame(frame, 1);
        }
        QCOMPARE(item.quickSaveCount(), 0);
        QFile file(dir.filePath(Stamp + ".raw"));
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll().toHex() : "none", frame.size() < 12 ? "none" : rawFile(frame).toHex());
        item.receiveFrame(SmallFrame, 1);
        QVERIFY(!item.frameUndecodable());
    }

    void paintsFrameAndTimecode_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("timecode");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QRect>("target"); // where the picture lands in a 200 x 200 item
        QTest::addColumn<QString>("text");
        const QByteArray published = QByteArray::fromHex("12050917"), other = QByteArray::fromHex("0A3BFF01");
        QTest::newRow("monitor, wide") << "RM-2460" << published << QSize(4, 2) << QRect(0, 0, 200, 100) << "TC 12:05:09:23";
        QTest::newRow("Cubrix, tall") << "Cubrix" << published << QSize(2, 4) << QRect(0, 0, 100, 200) << "TC 12:05:09:17";
        QTest::newRow("only the exact model") << "cubrix" << other << QSize(2, 2) << QRect(0, 0, 200, 200) << "TC 0a:59:255:01";
        QTest::newRow("Cubrix, lower-case hex") << "Cubrix" << other << QSize(2, 2) << QRect(0, 0, 200, 200) << "TC 0a:3b:ff:01";
    }

    void paintsFrameAndTimecode()
    {
        QFETCH(QString, model);
        QFETCH(QByteArray, timecode);
        QFETCH(QSize, frame);
        QFETCH(QRect, target);
        QFETCH(QString, text);
        CaptureFrame item;
        item.setSize(QSizeF(200, 200));
        item.setDeviceModel(model);
        const QImage blank = painted(item);
        QByteArray red = wordFrame(frame.width(), frame.height(), 259, QVector<quint32>(frame.width() * frame.height(), 0x3FF));
        item.receiveFrame(red.replace(8, 4, timecode), 0);
        QCOMPARE(item.frameTimecodeText(), text);
        // Aspect ratio and top-left corner kept; a white box with the default pen round the time code.
        QCOMPARE(painted(item), painted(item, [&](QPainter &painter) {
                     painter.fillRect(target, Qt::red);
                     painter.fillRect(QRect(1, 1, 100, 18), Qt::white);
                     painter.drawRect(QRect(0, 0, 101, 19));
                     painter.drawText(QPoint(4, 15), text);
                 }));
        item.clearFrame();
        QCOMPARE(painted(item), blank);
    }

    void requestsWithoutATransport()
    {
        // Not registered, or the device (with its transport) gone: nothing to send through.
        const char *const noHandler = "Error: CaptureFrame class holds NULL pointer to required SocketHandler. \n"
                                      "Unable to send request to hardware.";
        CaptureFrame item;
        QTest::ignoreMessage(QtCriticalMsg, noHandler);
        item.captureFrame(0);
        {
            TestDevice device;
            item.setSocketHandler(device.socketHandler());
            QTest::ignoreMessage(QtCriticalMsg, "Error: CaptureFrame's SocketHandler is not connected. \n"
                                                "Unable to send request to hardware.");
            item.captureFrame(1);
            QCOMPARE(device.socketHandler()->queuedCount(), 0);
            QCOMPARE(int(device.socketHandler()->inFlight().protocol), 0);
        }
        QVERIFY(!item.socketHandler());
        QTest::ignoreMessage(QtCriticalMsg, noHandler);
        item.captureFrame(0);
    }

    void ancillaryMessages()
    {
        CaptureFrame item;
        item.setSize(QSizeF(600, 120));
        QSignalSpy listed(&item, &CaptureFrame::anci_countChanged);
        item.receiveFrame(SmallFrame, 1);
        // A list message sets the count and signals (for the same length or an empty list too), not the
        // page; one of odd length or without a time code is refused silently; other types are ignored.
        for (const char *list : {"00000000 4105 6060 4105", "00000000", "01020304 0102 0A0F 0506", "0000 0000 4105 0A0F"})
            item.receiveAnci(QByteArray::fromHex(list), 3);
        for (const char *refused : {"00000000 410560", "4105", ""}) {
            QTest::ignoreMessage(QtWarningMsg, "invalid head");
            item.receiveAnci(QByteArray::fromHex(refused), 3);
        }
        item.receiveAnci(QByteArray::fromHex("00000000 6060"), 2);
        item.receiveAnci(QByteArray::fromHex("00000000 6060"), 5);
        QVERIFY(listed.count() == 4 && item.anciCount() == 2 && item.displayMode() == 0);
        QVERIFY(item.getListItem(-1).isEmpty() && item.getListItem(2).isEmpty() && item.getListItem(1) == QLatin1String("0x0a0f"));
        {
            DebugLines debug;
            QTest::ignoreMessage(QtDebugMsg, "start get List Item 0. m_list.count() == 2");
            QTest::ignoreMessage(QtDebugMsg, " get list item 0x4105");
            QCOMPARE(item.getListItem(0), QStringLiteral("0x4105"));
        }
        // Packet data shows its page until the next frame; clearing it there drops the record only.
        const int repaints = item.repaintRequests();
        item.receiveAnci(QByteArray::fromHex("01020304 4105 03 AABBCC 5F"), 4);
        QVERIFY(item.displayMode() == 1 && item.repaintRequests() == repaints + 1);
        QCOMPARE(painted(item), painted(item, [](QPainter &painter) {
                     const std::pair<QPoint, const char *> texts[] = {
                         {{30, 30}, "Ancillary Data:"}, {{330, 30}, "TC 01:02:03:04"}, {{30, 50}, "DID=0x41"},
                         {{130, 50}, "SDID=0x05"},      {{220, 50}, "DC=0x3"},        {{330, 50}, "BLOCK=0x1"},
                         {{430, 50}, "CS=0x5f"},        {{30, 70}, "UDW = "},         {{80, 70}, "0xaabbcc"}};
                     for (const auto &text : texts)
                         painter.drawText(text.first, QString::fromLatin1(text.second));
                 }));
        item.clearFrame();
        QVERIFY(item.repaintRequests() == repaints + 2 && item.image().isNull() && item.displayMode() == 1);
        QVERIFY(item.ancillary().record().data.isEmpty() && item.ancillary().record().timecode[0] + item.ancillary().record().blockCount == 0);
        QCOMPARE(item.getListItem(0), QStringLiteral("0x4105"));
        item.receiveAnci(QByteArray::fromHex("01020304 4105 03 AABBCC 5F"), 4);
        item.receiveFrame(SmallFrame, 1);
        item.clearFrame();
        QVERIFY(item.displayMode() == 0 && item.ancillary().record().data == QByteArray::fromHex("AABBCC"));
    }

    void saveImage()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("picked.bmp"));
        CaptureFrame item;
        {
            DebugLines debug;
            QTest::ignoreMessage(QtDebugMsg, "saveImage  url empty");
            item.saveImage(QUrl());
            QTest::ignoreMessage(QtDebugMsg, "saveImage  m_image == NULL");
            item.saveImage(QUrl::fromLocalFile(path));
        }
        QVERIFY(entries(dir).isEmpty());
        // The user picked the file in a save dialog: one that is there is replaced...
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("not a picture") > 0 && old.flush());
        item.receiveFrame(SmallFrame, 1);
        item.saveImage(QUrl::fromLocalFile(path));
        const QImage saved(path);
        QVERIFY(QImageReader(path).format() == "bmp" && saved.pixel(0, 0) == 0xFFFFFFFFu && saved.pixel(1, 0) == 0xFF000000u);
        // ...but not by a write that fails part-way, which leaves nothing beside it either.
        {
            FileSizeLimit full(16);
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^saveImage: could not write ")));
            QVERIFY(full.active());
            item.saveImage(QUrl::fromLocalFile(path));
        }
        QVERIFY(QImage(path) == saved && entries(dir) == QStringList{QStringLiteral("picked.bmp")});
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
