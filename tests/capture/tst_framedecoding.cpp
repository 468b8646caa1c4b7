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
} // namespace

class TestFrameDecoding : public QObject
{
    Q_OBJECT
private slots:
    void formulasFollowTheRules()
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
        // Conversion over the sample range, for every range and the fallback.
        int code[3], rule[3];
        for (int y = 0; y < 1024; y += 7) {
            for (int cb = 0; cb < 1024; cb += 11) {
                for (uint range : {0u, 1u, 2u, 3u, 4u, 9u, 0xFFFFFFFFu}) {
                    formulas.ycbcrToRgb(y, cb, (cb * 37 + y * 13) % 1024, code[0], code[1], code[2], range);
                    FrameRules::rgb(y, cb, (cb * 37 + y * 13) % 1024, range, rule);
                    QVERIFY2(std::equal(code, code + 3, rule), qPrintable(QStringLiteral("range %1: %2 %3").arg(range).arg(y).arg(cb)));
                }
            }
        }
    }

    void conversions_data()
    {
        QTest::addColumn<uint>("range");
        QTest::addColumn<QVector<int>>("ycbcr");
        QTest::addColumn<QString>("rgb"); // "*" where a row says nothing of that channel
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
        QFETCH(QString, rgb);
        int code[3], rule[3];
        Formulas().ycbcrToRgb(ycbcr[0], ycbcr[1], ycbcr[2], code[0], code[1], code[2], range);
        FrameRules::rgb(ycbcr[0], ycbcr[1], ycbcr[2], range, rule);
        const QStringList expected = rgb.split(' ');
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

    void publishedPixels_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<uint>("range");
        QTest::addColumn<quint32>("pixel");
        QTest::newRow("Y 940 video is white") << wordFrame(1, 1, 2, {word444(512, 940, 512)}) << 1u << 0xFFFFFFFFu;
        QTest::newRow("258 Y 64 video is black") << wordFrame(1, 1, 258, {word444(512, 64, 512)}) << 1u << 0xFF000000u;
        QTest::newRow("259 R 1023 G 0 B 1023") << wordFrame(1, 1, 259, {0x3FF003FFu}) << 0u << 0xFFFF00FFu;
        // Range 3, Y 1023, Cb 0, Cr 1023 gives 1838, 883, 69; range 2, Y 123, Cb 456, Cr 789 gives 530, -64, -48.
        QTest::newRow("above 1023 is 255") << wordFrame(1, 1, 2, {word444(1023, 1023, 0)}) << 3u << 0xFFFFDC11u;
        QTest::newRow("below 0 is 0") << wordFrame(1, 1, 2, {word444(789, 123, 456)}) << 2u << 0xFF840000u;
    }

    void publishedPixels()
    {
        QFETCH(QByteArray, frame);
        QFETCH(uint, range);
        for (bool reference : {false, true})
            QTEST(decoded(frame, range, reference).pixel(0, 0), "pixel");
    }

    void lineConverterFollowsTheRule_data()
    {
        QTest::addColumn<int>("path");
        for (int path = YCbCrLineConverter::Scalar; path <= YCbCrLineConverter::bestPath(); ++path)
            QTest::newRow(YCbCrLineConverter::pathName(YCbCrLineConverter::Path(path))) << path;
    }

    void lineConverterFollowsTheRule()
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
};

QTEST_APPLESS_MAIN(TestFrameDecoding)
#include "tst_framedecoding.moc"
