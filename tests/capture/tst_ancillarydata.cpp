#include "capture/ancillarydata.h"

#include <QtTest>

class TestAncillaryData : public QObject
{
    Q_OBJECT
private slots:
    void onePacket();
    void twoPackets();
    void otherIdentifiersEndTheParse();
    void nextPacketPastTheEndEndsTheParse();
    void unsignedDataCount();
    void fewTrailingBytesIgnored_data();
    void fewTrailingBytesIgnored();
    void firstPacketDoesNotFit_data();
    void firstPacketDoesNotFit();
    void everyPrefixStaysInside();
    void listEntries();
    void listOfFourBytesEmpties();
    void listRefused_data();
    void listRefused();
    void pageTexts();
    void dataLines_data();
    void dataLines();
    void clearRecordKeepsList();
};

namespace {

const QByteArray FirstPacket = QByteArray::fromHex("01020304 4105 03 AABBCC 5F");

QStringList textsOf(const AncillaryData &anci)
{
    QStringList texts;
    for (const auto &t : anci.pageTexts())
        texts << QStringLiteral("%1,%2 %3").arg(t.at.x()).arg(t.at.y()).arg(t.text);
    return texts;
}

// Builds a packet message: timecode, then packets of `count` data bytes each.
QByteArray packets(int did, int sdid, const QList<QByteArray> &userData, char checksum = '\x10')
{
    QByteArray message = QByteArray::fromHex("00000000");
    for (const QByteArray &data : userData) {
        message.append(char(did)).append(char(sdid)).append(char(data.size()));
        message.append(data).append(checksum);
    }
    return message;
}

} // namespace

void TestAncillaryData::onePacket()
{
    AncillaryData anci;
    anci.takePackets(FirstPacket);
    const auto &r = anci.record();
    QCOMPARE(int(r.did), 0x41);
    QCOMPARE(int(r.sdid), 0x05);
    QCOMPARE(r.dcTotal, 3);
    QCOMPARE(r.blockCount, 1);
    QCOMPARE(int(r.cs), 0x5F);
    QCOMPARE(r.data, QByteArray::fromHex("AABBCC"));
    QCOMPARE(int(r.timecode[0]), 1);
    QCOMPARE(int(r.timecode[3]), 4);
}

void TestAncillaryData::twoPackets()
{
    AncillaryData anci;
    anci.takePackets(FirstPacket + QByteArray::fromHex("4105 02 DDEE 10"));
    const auto &r = anci.record();
    QCOMPARE(r.data, QByteArray::fromHex("AABBCCDDEE"));
    QCOMPARE(r.dcTotal, 5);
    QCOMPARE(r.blockCount, 2);
    QCOMPARE(int(r.cs), 0x5F);
}

void TestAncillaryData::otherIdentifiersEndTheParse()
{
    AncillaryData anci;
    QTest::ignoreMessage(QtWarningMsg, "anci data loop head error\n");
    anci.takePackets(FirstPacket + QByteArray::fromHex("6060 01 00 00"));
    const auto &r = anci.record();
    QCOMPARE(r.data, QByteArray::fromHex("AABBCC"));
    QCOMPARE(r.blockCount, 1);
    QCOMPARE(r.dcTotal, 3);
}

void TestAncillaryData::nextPacketPastTheEndEndsTheParse()
{
    // Second packet announces 9 data bytes but only 2 and no checksum follow.
    AncillaryData anci;
    QTest::ignoreMessage(QtWarningMsg, "anci data loop head error\n");
    anci.takePackets(FirstPacket + QByteArray::fromHex("4105 09 DDEE"));
    QCOMPARE(anci.record().data, QByteArray::fromHex("AABBCC"));
    QCOMPARE(anci.record().blockCount, 1);
}

void TestAncillaryData::unsignedDataCount()
{
    QByteArray data(200, '\0');
    for (int i = 0; i < 200; ++i)
        data[i] = char(i);
    AncillaryData anci;
    anci.takePackets(packets(0x61, 0x01, {data}, '\x7E'));
    QCOMPARE(anci.record().dcTotal, 200);
    QCOMPARE(anci.record().data, data);
    QCOMPARE(int(anci.record().cs), 0x7E);
    // Eight fixed texts and ceil(200 / 32) = 7 data lines.
    QCOMPARE(anci.pageTexts().size(), 8 + 7);

    // Two packets of 255 bytes: totals beyond one byte.
    anci.takePackets(packets(0x61, 0x01, {QByteArray(255, 'a'), QByteArray(255, 'b')}));
    QCOMPARE(anci.record().dcTotal, 510);
    QCOMPARE(anci.record().blockCount, 2);
    QCOMPARE(anci.record().data.size(), 510);
}

void TestAncillaryData::fewTrailingBytesIgnored_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::newRow("one") << QByteArray::fromHex("41");
    QTest::newRow("four") << QByteArray::fromHex("41050000");
}

void TestAncillaryData::fewTrailingBytesIgnored()
{
    QFETCH(QByteArray, tail);
    AncillaryData anci;
    anci.takePackets(FirstPacket + tail);
    QCOMPARE(anci.record().blockCount, 1);
    QCOMPARE(anci.record().data, QByteArray::fromHex("AABBCC"));
}

void TestAncillaryData::firstPacketDoesNotFit_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("timecode only") << QByteArray::fromHex("01020304");
    QTest::newRow("four packet bytes") << QByteArray::fromHex("01020304 41050100");
    QTest::newRow("checksum missing") << QByteArray::fromHex("01020304 410503AABBCC");
    QTest::newRow("count 255, few bytes") << QByteArray::fromHex("01020304 4105FFAABBCC5F");
}

void TestAncillaryData::firstPacketDoesNotFit()
{
    QFETCH(QByteArray, message);
    AncillaryData anci;
    anci.takePackets(FirstPacket);
    anci.takePackets(message);
    const auto &r = anci.record();
    QCOMPARE(int(r.did), 0);
    QCOMPARE(int(r.sdid), 0);
    QCOMPARE(int(r.cs), 0);
    QCOMPARE(r.dcTotal, 0);
    QCOMPARE(r.blockCount, 0);
    QVERIFY(r.data.isEmpty());
    QCOMPARE(int(r.timecode[1]), 2);
}

void TestAncillaryData::everyPrefixStaysInside()
{
    // Each cut of a three-packet message (and of one with a 255 count) parses without
    // reading beyond it: the data taken never exceeds what the message could hold.
    const QByteArray message = packets(0x41, 0x05, {QByteArray(40, 'x'), QByteArray(3, 'y'), QByteArray(0, 'z')});
    const QByteArray big = QByteArray::fromHex("00000000 4105FF") + QByteArray(300, 'q');
    for (const QByteArray &whole : {message, big}) {
        for (int size = 0; size <= whole.size(); ++size) {
            AncillaryData anci;
            anci.takePackets(whole.left(size));
            QVERIFY(anci.record().data.size() <= qMax(0, size - 8));
            QVERIFY(anci.record().dcTotal == anci.record().data.size());
        }
    }
}

void TestAncillaryData::listEntries()
{
    AncillaryData anci;
    QVERIFY(anci.takeList(QByteArray::fromHex("00000000 4105 6060 4105")));
    QCOMPARE(anci.listCount(), 3);
    QCOMPARE(anci.listItem(0), QStringLiteral("0x4105"));
    QCOMPARE(anci.listItem(1), QStringLiteral("0x6060"));
    QCOMPARE(anci.listItem(2), QStringLiteral("0x4105"));
    QCOMPARE(anci.listItem(3), QString());
    QCOMPARE(anci.listItem(-1), QString());
    QVERIFY(anci.takeList(QByteArray::fromHex("0A0B0C0D 0A0F")));
    QCOMPARE(anci.listItem(0), QStringLiteral("0x0a0f"));
    QCOMPARE(int(anci.record().timecode[0]), 0x0A);
}

void TestAncillaryData::listOfFourBytesEmpties()
{
    AncillaryData anci;
    QVERIFY(anci.takeList(QByteArray::fromHex("00000000 4105")));
    QVERIFY(anci.takeList(QByteArray::fromHex("00000000")));
    QCOMPARE(anci.listCount(), 0);
}

void TestAncillaryData::listRefused_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("7 bytes") << QByteArray::fromHex("00000000 410560");
    QTest::newRow("1 byte") << QByteArray::fromHex("00");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("2 bytes") << QByteArray::fromHex("4105");
}

void TestAncillaryData::listRefused()
{
    QFETCH(QByteArray, message);
    AncillaryData anci;
    QVERIFY(anci.takeList(QByteArray::fromHex("01020304 4105 6060")));
    QTest::ignoreMessage(QtWarningMsg, "invalid head");
    QVERIFY(!anci.takeList(message));
    QCOMPARE(anci.listCount(), 2);
    QCOMPARE(anci.listItem(1), QStringLiteral("0x6060"));
    QCOMPARE(int(anci.record().timecode[3]), 4);
}

void TestAncillaryData::pageTexts()
{
    AncillaryData anci;
    anci.takePackets(QByteArray::fromHex("0A1B2C3D 4105 03 AABBCC 5F"));
    const QStringList expected{
        QStringLiteral("30,30 Ancillary Data:"), QStringLiteral("330,30 TC 0a:1b:2c:3d"),
        QStringLiteral("30,50 DID=0x41"),        QStringLiteral("130,50 SDID=0x05"),
        QStringLiteral("220,50 DC=0x3"),         QStringLiteral("330,50 BLOCK=0x1"),
        QStringLiteral("430,50 CS=0x5f"),        QStringLiteral("30,70 UDW = "),
        QStringLiteral("80,70 0xaabbcc"),
    };
    QCOMPARE(textsOf(anci), expected);

    // Totals are written in hex without padding.
    anci.takePackets(packets(0x0F, 0x0E, QList<QByteArray>() << QByteArray(200, '\1') << QByteArray(100, '\2')
                                                             << QByteArray(31, '\3'),
                             '\x0A'));
    const QStringList texts = textsOf(anci);
    QVERIFY(texts.contains(QStringLiteral("30,50 DID=0x0f")));
    QVERIFY(texts.contains(QStringLiteral("130,50 SDID=0x0e")));
    QVERIFY(texts.contains(QStringLiteral("220,50 DC=0x14b"))); // 331
    QVERIFY(texts.contains(QStringLiteral("330,50 BLOCK=0x3")));
    QVERIFY(texts.contains(QStringLiteral("430,50 CS=0x0a")));
}

void TestAncillaryData::dataLines_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("lastLineDigits");
    QTest::newRow("none") << 0 << 0 << 0;
    QTest::newRow("40 bytes: 64 and 16 digits") << 40 << 2 << 16;
    QTest::newRow("exactly one line") << 32 << 1 << 64;
    QTest::newRow("51 full lines") << 51 * 32 << 51 << 64;
    QTest::newRow("beyond 51 lines is not shown") << 51 * 32 + 1 << 51 << 64;
    QTest::newRow("far beyond") << 60 * 32 << 51 << 64;
}

void TestAncillaryData::dataLines()
{
    QFETCH(int, bytes);
    QFETCH(int, lines);
    QFETCH(int, lastLineDigits);
    // Packets of up to 255 bytes carrying the bytes 0, 1, 2, ... (mod 256).
    QList<QByteArray> chunks;
    QByteArray all;
    for (int i = 0; i < bytes; ++i)
        all.append(char(i & 0xFF));
    for (int at = 0; at < bytes; at += 255)
        chunks << all.mid(at, 255);
    AncillaryData anci;
    if (chunks.isEmpty())
        anci.takePackets(QByteArray::fromHex("00000000 410500 5F"));
    else
        anci.takePackets(packets(0x41, 0x05, chunks));
    QCOMPARE(anci.record().data.size(), bytes);

    const auto texts = anci.pageTexts();
    QCOMPARE(texts.size(), 8 + lines);
    for (int k = 0; k < lines; ++k) {
        const auto &line = texts.at(8 + k);
        QCOMPARE(line.at, QPoint(80, 70 + 20 * k));
        QString expected = QStringLiteral("0x");
        for (int i = 32 * k; i < qMin(bytes, 32 * k + 32); ++i)
            expected += QStringLiteral("%1").arg(i & 0xFF, 2, 16, QLatin1Char('0'));
        QCOMPARE(line.text, expected);
    }
    if (lines > 0) {
        QCOMPARE(texts.last().text.size(), 2 + lastLineDigits);
        QVERIFY(texts.last().at.y() <= 1070);
    }
}

void TestAncillaryData::clearRecordKeepsList()
{
    AncillaryData anci;
    anci.takeList(QByteArray::fromHex("00000000 4105"));
    anci.takePackets(FirstPacket);
    anci.clearRecord();
    QCOMPARE(anci.record().blockCount, 0);
    QVERIFY(anci.record().data.isEmpty());
    QCOMPARE(int(anci.record().timecode[0]), 0);
    QCOMPARE(anci.listCount(), 1);
}

QTEST_APPLESS_MAIN(TestAncillaryData)
#include "tst_ancillarydata.moc"
