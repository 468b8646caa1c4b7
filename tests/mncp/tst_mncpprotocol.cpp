#include "mncp/mncpids.h"
#include "mncp/mncpprotocol.h"

#include <QtTest>
#include <cstring>

class TestMncpProtocol : public QObject
{
    Q_OBJECT
private slots:
    void crcCheckValue();
    void workedExampleEncodes();
    void workedExampleChecks();
    void crcErrorLeavesFieldsInWireOrder();
    void versionErrorConvertsFields();
    void errorReplyLength();
    void roundTrip_data();
    void roundTrip();
    void protocolMessages_data();
    void protocolMessages();
    void boundedReaders();
};

namespace {
mncp_protocol_header fromBytes(const QByteArray &bytes)
{
    mncp_protocol_header header;
    std::memcpy(&header, bytes.constData(), sizeof header);
    return header;
}
QByteArray toBytes(const mncp_protocol_header &header)
{
    return QByteArray(reinterpret_cast<const char *>(&header), sizeof header);
}
} // namespace

void TestMncpProtocol::crcCheckValue()
{
    // Published check value of CRC-16/X-25.
    const QByteArray text("123456789");
    QCOMPARE(mncp_crc16(reinterpret_cast<const uchar *>(text.constData()), text.size()), quint16(0x906E));
}

void TestMncpProtocol::workedExampleEncodes()
{
    mncp_protocol_header header{0x0106, 0, 0x0100, 0x0005, 0};
    mncp_encode_header(header);
    QCOMPARE(toBytes(header), QByteArray::fromHex("0106B71701000005 00000000"));
}

void TestMncpProtocol::workedExampleChecks()
{
    auto header = fromBytes(QByteArray::fromHex("0106B717010000050000 0000"));
    QCOMPARE(mncp_check_header(header), 0);
    QCOMPARE(header.version, quint16(0x0106));
    QCOMPARE(header.protocol, quint16(0x0100));
    QCOMPARE(header.request, quint16(0x0005));
    QCOMPARE(header.length, quint32(0));
}

void TestMncpProtocol::crcErrorLeavesFieldsInWireOrder()
{
    auto header = fromBytes(QByteArray::fromHex("0106B71801000005 00000010"));
    QCOMPARE(mncp_check_header(header), -1);
    QCOMPARE(header.crc, quint16(0));
    // Still big-endian as received: 0x0100 reads as 0x0001 on a little-endian host.
    QCOMPARE(toBytes(header).mid(4), QByteArray::fromHex("0100000500000010"));
}

void TestMncpProtocol::versionErrorConvertsFields()
{
    // Build a 0x0105 header with a correct CRC computed bit by bit here.
    QByteArray bytes = QByteArray::fromHex("0105000001010203 00000004");
    quint16 crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= static_cast<quint8>(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? (crc >> 1) ^ 0x8408 : crc >> 1;
    }
    crc = ~crc;
    bytes[2] = static_cast<char>(crc >> 8);
    bytes[3] = static_cast<char>(crc & 0xFF);
    auto header = fromBytes(bytes);
    QCOMPARE(mncp_check_header(header), -2);
    QCOMPARE(header.version, quint16(0x0105));
    QCOMPARE(header.protocol, quint16(0x0101));
    QCOMPARE(header.request, quint16(0x0203));
    QCOMPARE(header.length, quint32(4));
}

void TestMncpProtocol::errorReplyLength()
{
    QVERIFY(mncp_is_error_reply(0xFFFF0003u));
    QCOMPARE(0xFFFF0003u & 0xFFFF, 3u);
    QVERIFY(!mncp_is_error_reply(0x0000FFFFu));
    QVERIFY(!mncp_is_error_reply(0xFFFE0000u));
}

void TestMncpProtocol::roundTrip_data()
{
    QTest::addColumn<quint16>("protocol");
    QTest::addColumn<quint16>("request");
    QTest::addColumn<quint32>("length");
    QTest::newRow("key") << quint16(0x0001) << quint16(0x0020) << quint32(0);
    QTest::newRow("lut store") << quint16(0x0311) << quint16(0x0305) << quint32(19780);
    QTest::newRow("large") << quint16(0x0403) << quint16(3) << quint32(49152);
    QTest::newRow("error marker") << quint16(0x0600) << quint16(1) << quint32(0xFFFF0007u);
}

void TestMncpProtocol::roundTrip()
{
    QFETCH(quint16, protocol);
    QFETCH(quint16, request);
    QFETCH(quint32, length);
    mncp_protocol_header header{MNCP_VERSION, 0, protocol, request, length};
    mncp_encode_header(header);
    const QByteArray wire = toBytes(header);
    QCOMPARE(quint8(wire[4]), quint8(protocol >> 8));
    QCOMPARE(quint8(wire[11]), quint8(length & 0xFF));
    QCOMPARE(mncp_check_header(header), 0);
    QCOMPARE(header.protocol, protocol);
    QCOMPARE(header.request, request);
    QCOMPARE(header.length, length);
}

void TestMncpProtocol::protocolMessages_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("text");
    QTest::newRow("key") << 0x0001 << "Protocol Key Error\n";
    QTest::newRow("anci without line feed") << 0x0402 << "Protocol ANCI Capture Error";
    QTest::newRow("dit 1d") << 0x0301 << "Protocol DIT(Front) 1DLUT Error\n";
    QTest::newRow("alarm") << 0x0803 << "Protocol Alarm event Error\n";
    QTest::newRow("0x0303 unknown") << 0x0303 << "unknown protocol error\n";
    QTest::newRow("0x0404 unknown") << 0x0404 << "unknown protocol error\n";
    QTest::newRow("zero unknown") << 0x0000 << "unknown protocol error\n";
}

void TestMncpProtocol::protocolMessages()
{
    QFETCH(int, protocol);
    QFETCH(QString, text);
    QCOMPARE(getProtocolMessage(protocol), text);
}

void TestMncpProtocol::boundedReaders()
{
    const QByteArray data = QByteArray::fromHex("FFFE0A000000");
    QCOMPARE(be16(data, 0).value_or(0), quint16(0xFFFE));
    QCOMPARE(be16s(data, 0).value_or(0), qint16(-2));
    QCOMPARE(le32(data, 2).value_or(0), 10);
    QVERIFY(!be32(data, 3));
    QVERIFY(!be16(data, 5));
    QVERIFY(!be16(data, -1));
    QVERIFY(!le32(QByteArray(), 0));
    QCOMPARE(mncp_string(QByteArray("AB\0CD", 5)), QStringLiteral("AB"));
    QCOMPARE(mncp_string(QByteArray("ABCD")), QStringLiteral("ABCD"));
    QCOMPARE(mncp_string(QByteArray("\0AB", 3)), QString());
}

QTEST_APPLESS_MAIN(TestMncpProtocol)
#include "tst_mncpprotocol.moc"
