// Frame decoding against the documented rules (framerules.h) on random frames, and against
// published values: pixel sampling and conversion, the per-line fast paths, the frame header
// check, the raw frame file and the ancillary data messages.
#include "capture/ancillarydata.h"
#include "capture/conversiontable.h"
#include "capture/formulas.h"
#include "capture/framedecoder.h"
#include "capture/frameheader.h"
#include "capture/rawframefile.h"
#include "capture/ycbcrlineconverter.h"
#include "framerules.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <algorithm>

using CubrixUtils::Formulas;
using namespace FrameRules;

namespace {
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

QString describe(const AncillaryData::Record &r)
{
    return QStringLiteral("%1%2 dc %3 blocks %4 cs %5 data %6 tc %7")
        .arg(int(r.did), 2, 16, QLatin1Char('0')).arg(int(r.sdid), 2, 16, QLatin1Char('0')).arg(r.dcTotal).arg(r.blockCount)
        .arg(int(r.cs), 2, 16, QLatin1Char('0')).arg(QString::fromLatin1(r.data.toHex())).arg(int(r.timecode[3]));
}
} // namespace

class TestFrameDecoding : public QObject
{
    Q_OBJECT
private slots:
    void samplesFollowTheRule();
    void conversions_data();
    void conversions();
    void decodingFollowsTheRules_data();
    void decodingFollowsTheRules();
    void publishedPixels_data();
    void publishedPixels();
    void framesThatDoNotFit_data();
    void framesThatDoNotFit();
    void lineConverterFollowsTheRule_data();
    void lineConverterFollowsTheRule();
    void rawFrameFile();
    void ancillaryPackets_data();
    void ancillaryPackets();
    void ancillaryList_data();
    void ancillaryList();
    void ancillaryPage_data();
    void ancillaryPage();
};

void TestFrameDecoding::samplesFollowTheRule()
{
    // The published 4:2:2 group: Y 0x040 ... 0x180, Cb 0x200/0x202/0x204, Cr 0x201/0x203/0x205.
    const QByteArray group = QByteArray::fromHex("08004080480808C0080D008114081580");
    const Formulas formulas;
    for (int x = 0; x < 6; ++x) {
        QCOMPARE(formulas.sampleY(bytes(group), x, 1), 0x40 * (x + 1));
        QCOMPARE(formulas.sampleCb(bytes(group), x, 1), 0x200 + x / 2 * 2);
        QCOMPARE(formulas.sampleCr(bytes(group), x, 1), 0x201 + x / 2 * 2);
        QCOMPARE(samples(bytes(group), x, 1).cr, 0x201 + x / 2 * 2);
    }
    const QByteArray line = noise(4 * 64, 1);
    for (int format : {1, 2, 258, 259, 0, 3, 257, 260, 0xFFFF}) {
        for (int x = 0; x < 24; ++x) {
            const Samples s = samples(bytes(line), x, format);
            QCOMPARE(formulas.sampleY(bytes(line), x, format), s.y);
            QCOMPARE(formulas.sampleCb(bytes(line), x, format), s.cb);
            QCOMPARE(formulas.sampleCr(bytes(line), x, format), s.cr);
        }
    }
}

void TestFrameDecoding::conversions_data()
{
    QTest::addColumn<uint>("range");
    QTest::addColumn<QVector<int>>("ycbcr");
    QTest::addColumn<QString>("rgb"); // "*" where a row says nothing of that channel
    // Computed outside this program (float32 rounding of each partial sum).
    const struct { const char *name; uint range; QVector<int> in; const char *out; } rows[] = {
        {"video white", 1, {940, 512, 512}, "1023 1023 1023"},
        {"video black", 1, {64, 512, 512}, "0 0 0"},
        {"extended 940", 2, {940, 512, 512}, "938 938 938"},
        {"extended white", 2, {1019, 512, 512}, "1023 1023 1023"},
        {"full white", 3, {1019, 512, 512}, "1023 1023 1023"},
        {"full black", 3, {4, 512, 512}, "0 0 0"},
        {"range 4 is the default set", 4, {500, 300, 700}, "847 454 60"},
        {"range 1", 1, {500, 300, 700}, "847 454 60"},
        {"negative results stay", 2, {123, 456, 789}, "530 -64 -48"},
        {"results above 1023 stay", 3, {1023, 0, 1023}, "1838 883 69"},
        {"default set", 0, {0, 1023, 0}, "-995 90 1008"},
        // Sums landing on a half in single precision go away from zero...
        {"B -999.5", 0, {10, 70, 0}, "* * -1000"},
        {"R -641.5", 0, {32, 0, 176}, "-642 * *"},
        {"G 189.5", 0, {59, 21, 343}, "* 190 *"},
        {"R -669.5 video", 1, {8, 0, 176}, "-670 * *"},
        {"G 743.5 extended", 2, {808, 846, 485}, "* 744 *"},
        {"G 899.5 full", 3, {734, 582, 137}, "* 900 *"},
        {"B -726.5 extended", 2, {0, 181, 0}, "* * -727"},
        // ...and single-precision sums give another integer than double ones would.
        {"B 790.5 (double 790.49999)", 0, {8, 916, 0}, "* * 791"},
        {"R 287.5 (double 287.49997)", 1, {50, 0, 681}, "288 * *"},
        {"R 316.49997 (double 316.50002)", 2, {2, 0, 739}, "316 * *"},
        {"B 365.49997 (double 365.50003)", 3, {105, 653, 0}, "* * 365"},
        {"G -251.49997 (double -251.5)", 0, {38, 401, 970}, "* -251 *"},
        {"G 1025.5 (double 1025.49995)", 2, {960, 557, 363}, "* 1026 *"},
        {"G 816.5 (double 816.499998)", 3, {900, 1023, 491}, "* 817 *"}};
    for (const auto &row : rows)
        QTest::newRow(row.name) << row.range << row.in << QString::fromLatin1(row.out);
}

void TestFrameDecoding::conversions()
{
    QFETCH(uint, range);
    QFETCH(QVector<int>, ycbcr);
    QFETCH(QString, rgb);
    int code[3], rule[3];
    Formulas().ycbcrToRgb(ycbcr[0], ycbcr[1], ycbcr[2], code[0], code[1], code[2], range);
    FrameRules::rgb(ycbcr[0], ycbcr[1], ycbcr[2], range, rule);
    const QStringList expected = rgb.split(' ');
    for (int c = 0; c < 3; ++c) {
        if (expected[c] != QLatin1String("*")) {
            QCOMPARE(code[c], expected[c].toInt());
            QCOMPARE(rule[c], expected[c].toInt());
        }
    }
    // The rule and the code agree over the whole sample range, for every range and the fallback.
    for (int y = range * 3; y < 1024; y += 7) {
        for (int cb = 0; cb < 1024; cb += 11) {
            const int cr = (cb * 37 + y * 13) % 1024;
            for (uint r : {range, 9u, 0xFFFFFFFFu}) {
                Formulas().ycbcrToRgb(y, cb, cr, code[0], code[1], code[2], r);
                FrameRules::rgb(y, cb, cr, r, rule);
                if (!std::equal(code, code + 3, rule))
                    QFAIL(qPrintable(QStringLiteral("range %1: %2 %3 %4").arg(r).arg(y).arg(cb).arg(cr)));
            }
        }
    }
}

void TestFrameDecoding::decodingFollowsTheRules_data()
{
    QTest::addColumn<int>("format");
    for (int format : {1, 2, 258, 259, 3, 0x0101})
        QTest::newRow(QByteArray::number(format).constData()) << format;
}

void TestFrameDecoding::decodingFollowsTheRules()
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
        QCOMPARE(FrameHeader::parse(header(width, height, lineBytes(width, format) - 1, format))->problemWith(1 << 20).isEmpty(),
                 false);
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

void TestFrameDecoding::publishedPixels_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<uint>("range");
    QTest::addColumn<quint32>("pixel");
    QTest::newRow("Y 940 video is white") << wordFrame(1, 1, 2, {word444(512, 940, 512)}) << 1u << 0xFFFFFFFFu;
    QTest::newRow("Y 64 video is black") << wordFrame(1, 1, 2, {word444(512, 64, 512)}) << 1u << 0xFF000000u;
    QTest::newRow("258 Y 940 video is white") << wordFrame(1, 1, 258, {word444(512, 940, 512)}) << 1u << 0xFFFFFFFFu;
    QTest::newRow("259 R 1023 G 0 B 1023") << wordFrame(1, 1, 259, {0x3FF003FFu}) << 0u << 0xFFFF00FFu;
    QTest::newRow("259 divided by 4") << wordFrame(1, 1, 259, {0xC0000000u | word444(0x155, 0x2AA, 0x0F0)}) << 3u
                                      << 0xFF55AA3Cu;
    QTest::newRow("extended 940 is 234 grey") << wordFrame(1, 1, 2, {word444(512, 940, 512)}) << 2u << 0xFFEAEAEAu;
    // Range 3, Y 1023, Cb 0, Cr 1023 gives 1838, 883, 69; range 2, Y 123, Cb 456, Cr 789 gives 530, -64, -48.
    QTest::newRow("above 1023 is 255") << wordFrame(1, 1, 2, {word444(1023, 1023, 0)}) << 3u << 0xFFFFDC11u;
    QTest::newRow("below 0 is 0") << wordFrame(1, 1, 2, {word444(789, 123, 456)}) << 2u << 0xFF840000u;
}

void TestFrameDecoding::publishedPixels()
{
    QFETCH(QByteArray, frame);
    QFETCH(uint, range);
    for (bool reference : {false, true})
        QTEST(decoded(frame, range, reference).pixel(0, 0), "pixel");
}

void TestFrameDecoding::framesThatDoNotFit_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<int>("payloadSize");
    QTest::addColumn<bool>("acceptable");
    QTest::newRow("exact") << header(4, 3, 16, 2) << 12 + 48 << true;
    QTest::newRow("one byte short") << header(4, 3, 16, 2) << 12 + 47 << false;
    QTest::newRow("unknown format, 3 bytes a pixel") << header(4, 2, 12, 99) << 1000 << false;
    QTest::newRow("gigapixel header, 12-byte payload") << header(65535, 65535, 65535, 2) << 12 << false;
    QTest::newRow("zero pitch, many lines") << header(100, 100, 0, 2) << 12 << false;
    QTest::newRow("no lines") << header(100, 0, 400, 2) << 12 << true;
    QTest::newRow("no pixels a line") << header(0, 100, 0, 2) << 12 << true;
}

void TestFrameDecoding::framesThatDoNotFit()
{
    QFETCH(QByteArray, header);
    QFETCH(int, payloadSize);
    QFETCH(bool, acceptable);
    const FrameHeader parsed = *FrameHeader::parse(header);
    QCOMPARE(parsed.problemWith(payloadSize).isEmpty(), acceptable);
    // Neither decoder touches an image for a frame that does not fit, or of another size.
    QImage image(qBound(1, parsed.width, 64), qBound(1, parsed.height, 64), QImage::Format_ARGB32_Premultiplied);
    image.fill(0xFF123456u);
    const QByteArray frame = header + QByteArray(qMin(payloadSize, 4096) - 12, '\x7F');
    const bool fits = acceptable && payloadSize <= 4096 && parsed.width > 0 && parsed.height > 0;
    QCOMPARE(FrameDecoder::decode(Formulas(), frame, parsed, 1, image), fits);
    QCOMPARE(FrameDecoder::decodeReference(Formulas(), frame, parsed, 1, image), fits);
    QCOMPARE(image.pixel(0, 0), fits ? pixel(bytes(frame) + 12, 0, parsed.format, 1) : 0xFF123456u);
    QImage other(2, 2, QImage::Format_ARGB32_Premultiplied);
    QVERIFY(!FrameDecoder::decode(Formulas(), frame, parsed, 1, other));
}

void TestFrameDecoding::lineConverterFollowsTheRule_data()
{
    QTest::addColumn<int>("path");
    for (int path = YCbCrLineConverter::Scalar; path <= YCbCrLineConverter::bestPath(); ++path)
        QTest::newRow(YCbCrLineConverter::pathName(YCbCrLineConverter::Path(path))) << path;
}

void TestFrameDecoding::lineConverterFollowsTheRule()
{
    // Every (Y, Cb) pair and every Y with random Cr, for every range; the line length leaves
    // tails for every vector width.
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

void TestFrameDecoding::rawFrameFile()
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

    // Written whole over a longer file; a folder that is not there is reported.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("frame.raw"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(1000, 'x')) == 1000);
    old.close();
    const QByteArray frame = wordFrame(1, 1, 259, {0x000003FFu});
    QVERIFY(RawFrameFile::write(path, frame, *FrameHeader::parse(frame)));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll().toHex(), (frame.left(12) + QByteArray::fromHex("0000F03F")).toHex());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^failed to write .*/missing/frame.raw")));
    QVERIFY(!RawFrameFile::write(dir.filePath(QStringLiteral("missing/frame.raw")), frame, *FrameHeader::parse(frame)));
}

void TestFrameDecoding::ancillaryPackets_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("record");
    QTest::addColumn<bool>("headError");
    const QByteArray first = QByteArray::fromHex("01020304 4105 03 AABBCC 5F");
    const QString firstOnly = QStringLiteral("4105 dc 3 blocks 1 cs 5f data aabbcc tc 4");
    QTest::newRow("one packet") << first << firstOnly << false;
    QTest::newRow("two packets") << first + QByteArray::fromHex("4105 02 DDEE 10")
                                 << "4105 dc 5 blocks 2 cs 5f data aabbccddee tc 4" << false;
    QTest::newRow("other identifiers end the parse") << first + QByteArray::fromHex("6060 01 00 00") << firstOnly << true;
    QTest::newRow("next packet past the end") << first + QByteArray::fromHex("4105 09 DDEE") << firstOnly << true;
    QTest::newRow("one trailing byte") << first + QByteArray::fromHex("41") << firstOnly << false;
    QTest::newRow("four trailing bytes") << first + QByteArray::fromHex("41050000") << firstOnly << false;
    const QString nothing = QStringLiteral("0000 dc 0 blocks 0 cs 00 data  tc 4");
    QTest::newRow("timecode only") << QByteArray::fromHex("01020304") << nothing << false;
    QTest::newRow("four packet bytes") << QByteArray::fromHex("01020304 41050100") << nothing << false;
    QTest::newRow("checksum missing") << QByteArray::fromHex("01020304 410503AABBCC") << nothing << false;
    QTest::newRow("count 255, few bytes") << QByteArray::fromHex("01020304 4105FFAABBCC5F") << nothing << false;
    QTest::newRow("unsigned counts") << QByteArray::fromHex("00000009 6101C8") + QByteArray(200, '\xAB') + "\x7E" + "\x61\x01\xFF"
                                            + QByteArray(255, '\xCD') + "\x7E"
                                     << QStringLiteral("6101 dc 455 blocks 2 cs 7e data %1 tc 9")
                                            .arg(QString::fromLatin1(QByteArray(200, '\xAB').toHex() + QByteArray(255, '\xCD').toHex()))
                                     << false;
}

void TestFrameDecoding::ancillaryPackets()
{
    QFETCH(QByteArray, message);
    QFETCH(bool, headError);
    AncillaryData anci;
    anci.takePackets(QByteArray::fromHex("0A0B0C0D 7777 01 00 01")); // replaced by every message
    if (headError)
        QTest::ignoreMessage(QtWarningMsg, "anci data loop head error\n");
    anci.takePackets(message);
    QTEST(describe(anci.record()), "record");

    // No cut of the message is read beyond: the data never exceeds what the cut could hold.
    for (int size = 0; size < message.size(); ++size) {
        anci.takePackets(message.left(size));
        QVERIFY(anci.record().data.size() <= qMax(0, size - 8) && anci.record().dcTotal == anci.record().data.size());
    }
}

void TestFrameDecoding::ancillaryList_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QStringList>("items"); // the list afterwards, from one holding 0x0102 and 0x6060
    QTest::newRow("three entries, one twice") << QByteArray::fromHex("0A0B0C0D 4105 6060 4105")
                                              << QStringList{"0x4105", "0x6060", "0x4105"};
    QTest::newRow("lower-case hex") << QByteArray::fromHex("00000000 0A0F") << QStringList{"0x0a0f"};
    QTest::newRow("timecode only empties it") << QByteArray::fromHex("00000000") << QStringList();
    QTest::newRow("7 bytes refused") << QByteArray::fromHex("00000000 410560") << QStringList{"0x0102", "0x6060"};
    QTest::newRow("2 bytes refused") << QByteArray::fromHex("4105") << QStringList{"0x0102", "0x6060"};
    QTest::newRow("empty refused") << QByteArray() << QStringList{"0x0102", "0x6060"};
}

void TestFrameDecoding::ancillaryList()
{
    QFETCH(QByteArray, message);
    QFETCH(QStringList, items);
    AncillaryData anci;
    QVERIFY(anci.takeList(QByteArray::fromHex("01020304 0102 6060")));
    const bool accepted = message.size() >= 4 && message.size() % 2 == 0;
    if (!accepted)
        QTest::ignoreMessage(QtWarningMsg, "invalid head");
    QCOMPARE(anci.takeList(message), accepted);
    QStringList listed;
    for (int i = -1; i <= anci.listCount(); ++i)
        listed << anci.listItem(i);
    QCOMPARE(listed, QStringList() << QString() << items << QString());
    QCOMPARE(anci.listCount(), items.size());
    QCOMPARE(int(anci.record().timecode[0]), accepted ? int(message[0]) : 1);
}

void TestFrameDecoding::ancillaryPage_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("lines");
    QTest::newRow("no data") << 0 << 0;
    QTest::newRow("40 bytes: 64 and 16 digits") << 40 << 2;
    QTest::newRow("exactly one line") << 32 << 1;
    QTest::newRow("51 full lines") << 51 * 32 << 51;
    QTest::newRow("beyond 51 lines is not shown") << 60 * 32 + 1 << 51;
}

void TestFrameDecoding::ancillaryPage()
{
    QFETCH(int, bytes);
    QFETCH(int, lines);
    // Three packets of DID 0x0F, SDID 0x0E carrying the bytes 0, 1, 2, ... split over packets
    // of at most 255; the totals are written in hex without padding.
    QByteArray data, message = QByteArray::fromHex("0A1B2C3D");
    for (int i = 0; i < bytes; ++i)
        data += char(i);
    for (int at = 0, blocks = 0; at < bytes || blocks == 0; at += 255, ++blocks)
        message += "\x0F\x0E" + QByteArray(1, char(qMin(255, bytes - at))) + data.mid(at, 255) + "\x0A";
    message += '\0'; // a packet ends only where at least one more byte follows
    AncillaryData anci;
    anci.takePackets(message);
    QStringList texts;
    for (const auto &text : anci.pageTexts())
        texts << QStringLiteral("%1,%2 %3").arg(text.at.x()).arg(text.at.y()).arg(text.text);
    QStringList expected{"30,30 Ancillary Data:", "330,30 TC 0a:1b:2c:3d", "30,50 DID=0x0f", "130,50 SDID=0x0e",
                         QStringLiteral("220,50 DC=0x%1").arg(bytes, 0, 16),
                         QStringLiteral("330,50 BLOCK=0x%1").arg(qMax(1, (bytes + 254) / 255), 0, 16), "430,50 CS=0x0a",
                         "30,70 UDW = "};
    for (int k = 0; k < lines; ++k)
        expected << QStringLiteral("80,%1 0x%2").arg(70 + 20 * k).arg(QString::fromLatin1(data.mid(32 * k, 32).toHex()));
    QCOMPARE(texts, expected);
}

QTEST_APPLESS_MAIN(TestFrameDecoding)
#include "tst_framedecoding.moc"
