#include "deviceconnection.h"
#include "mncp/mncpids.h"
#include "mncp/socketread_error.h"
#include "mncp/socketwrite_error.h"
#include "testdevice.h"

#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QSignalSpy>
#include <QtTest>
#include <cstring>
#include <memory>

// The MNCP codec and transfer errors, and the socket handler driven over loopback by a scripted
// device (with its own encoder and CRC).
class TestMncp : public QObject
{
    Q_OBJECT
    FakeDevice *m_fake = nullptr;
    TestDevice *m_device = nullptr;
    SocketHandler &handler() { return *m_device->socketHandler(); }
    static QByteArray randomBytes(int size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        QRandomGenerator generator(size);
        for (char &byte : bytes)
            byte = static_cast<char>(generator.bounded(256));
        return bytes;
    }
private slots:
    void init()
    {
        m_fake = new FakeDevice;
        QVERIFY(m_fake->listen());
        m_device = new TestDevice(m_fake->port());
    }
    void cleanup()
    {
        delete m_device;
        delete m_fake;
    }
    void checkHeader_data();
    void checkHeader();
    void encodeMatchesAnIndependentEncoder_data();
    void encodeMatchesAnIndependentEncoder();
    void payloadReaders();
    void protocolMessages_data();
    void protocolMessages();
    void errorTexts_data();
    void errorTexts();
    void replyReleasesTheSlot_data();
    void replyReleasesTheSlot();
    void replyInPiecesDeliveredOnceWhole_data();
    void replyInPiecesDeliveredOnceWhole();
    void severalMessagesInOneRead();
    void brokenHeaderReportsThenDisconnects_data();
    void brokenHeaderReportsThenDisconnects();
    void firmwareHeaderSignalsCompletion();
    void failedWriteReleasesTheSlot();
    void lostConnectionDropsWhatWasQueued();
    void disconnectInsideReplyStopsReading_data();
    void disconnectInsideReplyStopsReading();
    void earlyReplyDoesNotSplitAPayload_data();
    void earlyReplyDoesNotSplitAPayload();
};

void TestMncp::checkHeader_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<int>("result");
    QTest::addColumn<QList<uint>>("fields"); // version, crc, protocol, request, length as left in memory
    QTest::newRow("worked example") << QByteArray::fromHex("0106B71701000005 00000000") << 0
                                    << QList<uint>{0x0106, 0, 0x0100, 5, 0};
    // Fields of a header failing its CRC stay big-endian: read on a little-endian host.
    QTest::newRow("bad crc") << QByteArray::fromHex("0106B71801000005 00000010") << -1
                             << QList<uint>{0x0601, 0, 0x0001, 0x0500, 0x10000000};
    QTest::newRow("version 0x0105") << FakeDevice::header(0x0101, 0x0203, 4, 0x0105) << -2
                                    << QList<uint>{0x0105, 0, 0x0101, 0x0203, 4};
}

void TestMncp::checkHeader()
{
    QFETCH(QByteArray, wire);
    QFETCH(int, result);
    QFETCH(QList<uint>, fields);
    mncp_protocol_header header;
    std::memcpy(&header, wire.constData(), sizeof header);
    QCOMPARE(mncp_check_header(header), result);
    QCOMPARE((QList<uint>{header.version, header.crc, header.protocol, header.request, header.length}), fields);
}

void TestMncp::encodeMatchesAnIndependentEncoder_data()
{
    QTest::addColumn<quint16>("protocol");
    QTest::addColumn<quint16>("request");
    QTest::addColumn<quint32>("length");
    QTest::newRow("key") << quint16(0x0001) << quint16(0x0020) << quint32(0);
    QTest::newRow("lut store") << quint16(0x0311) << quint16(0x0305) << quint32(19780);
    QTest::newRow("error marker") << quint16(0x0600) << quint16(1) << quint32(0xFFFF0007u);
}

void TestMncp::encodeMatchesAnIndependentEncoder()
{
    QFETCH(quint16, protocol);
    QFETCH(quint16, request);
    QFETCH(quint32, length);
    mncp_protocol_header header{MNCP_VERSION, 0, protocol, request, length};
    mncp_encode_header(header);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(&header), 12), FakeDevice::header(protocol, request, length));
    QCOMPARE(mncp_check_header(header), 0);
    QCOMPARE((QList<uint>{header.protocol, header.request, header.length}), (QList<uint>{protocol, request, length}));
}

void TestMncp::payloadReaders()
{
    const QByteArray text("123456789"); // the published check value of CRC-16/X-25
    QCOMPARE(mncp_crc16(reinterpret_cast<const uchar *>(text.constData()), text.size()), quint16(0x906E));
    QCOMPARE(mncp_build_message(0x0100, 1, "ab"), FakeDevice::message(0x0100, 1, "ab"));
    QVERIFY(mncp_is_error_reply(0xFFFF0003u) && !mncp_is_error_reply(0x0000FFFFu) && !mncp_is_error_reply(0xFFFE0000u));
    const QByteArray data = QByteArray::fromHex("FFFE0A000000");
    QCOMPARE(be16(data, 0).value_or(0), quint16(0xFFFE));
    QCOMPARE(be16s(data, 0).value_or(0), qint16(-2));
    QCOMPARE(le32(data, 2).value_or(0), 10);
    QVERIFY(!be32(data, 3) && !be16(data, 5) && !be16(data, -1) && !le32(QByteArray(), 0));
    QCOMPARE(mncp_string(QByteArray("AB\0CD", 5)), QStringLiteral("AB"));
    QCOMPARE(mncp_string(QByteArray("ABCD")), QStringLiteral("ABCD"));
}

void TestMncp::protocolMessages_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("text");
    QTest::newRow("key") << 0x0001 << "Protocol Key Error\n";
    QTest::newRow("anci, no line feed") << 0x0402 << "Protocol ANCI Capture Error";
    QTest::newRow("dit 1d") << 0x0301 << "Protocol DIT(Front) 1DLUT Error\n";
    QTest::newRow("alarm") << 0x0803 << "Protocol Alarm event Error\n";
    QTest::newRow("0x0303") << 0x0303 << "unknown protocol error\n";
    QTest::newRow("0x0404") << 0x0404 << "unknown protocol error\n";
}

void TestMncp::protocolMessages()
{
    QFETCH(int, protocol);
    QFETCH(QString, text);
    QCOMPARE(getProtocolMessage(protocol), text);
}

void TestMncp::errorTexts_data()
{
    QTest::addColumn<bool>("read");
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("actual");
    QTest::addColumn<QString>("text");
    const QString read = "Occured at: \nsocketDataLoop, (7),   Expected Data: 12  Received Data: ";
    const QString write = "Occured at: \nprocessCmd, (7),   Expected Data Length: 12  Sent Data Length: ";
    QTest::newRow("read header, -1 unsigned") << true << 0 << qint64(-1)
        << read + "18446744073709551615Failed to read 'Header' info. Unknown data transfer error. ";
    QTest::newRow("read header short") << true << 2 << qint64(5) << read + "5Failed to read 'Header' info. Not enough data received. ";
    QTest::newRow("read data more") << true << 4 << qint64(13) << read + "13Failed to read 'Data' info. Received more data than expected. ";
    QTest::newRow("kind out of range") << true << 9 << qint64(2) << read + "2";
    QTest::newRow("write header more") << false << 1 << qint64(13) << write + "13Failed to write 'Header' info. Sent more data than expected. ";
    QTest::newRow("write data unknown") << false << 3 << qint64(-1)
        << write + "18446744073709551615Failed to write 'Data' info. Unknown data transfer error. ";
    QTest::newRow("write data short") << false << 5 << qint64(2) << write + "2Failed to write 'Data' info. Not enough data sent. ";
}

void TestMncp::errorTexts()
{
    QFETCH(bool, read);
    QFETCH(int, kind);
    QFETCH(qint64, actual);
    QFETCH(QString, text);
    std::unique_ptr<SocketError> error;
    if (read)
        error = std::make_unique<SocketRead_Error>(kind, 7, "socketDataLoop", 12, actual);
    else
        error = std::make_unique<SocketWrite_Error>(kind, 7, "processCmd", 12, actual);
    QCOMPARE(QString::fromUtf8(error->what()), text);
    QCOMPARE(error->what(), error->what()); // built once, the pointer stays valid
    QCOMPARE(error->kind(), kind);
    QCOMPARE(QString(error->std::runtime_error::what()),
             QStringLiteral("qtTcpSocketError: Failed to %1 'Header or Data Info'.").arg(read ? "read" : "write"));
}

void TestMncp::replyReleasesTheSlot_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("released");
    QTest::addColumn<int>("delivered");
    QTest::addColumn<int>("status"); // of the protocol error, -1 for none
    QTest::newRow("empty reply, not delivered") << FakeDevice::message(0x0100, 0) << true << 0 << -1;
    QTest::newRow("reply with payload") << FakeDevice::message(0x0100, 0, "MODEL-X") << true << 1 << -1;
    QTest::newRow("error reply") << FakeDevice::errorReply(0x0100, 0, 2) << true << 0 << 2;
    QTest::newRow("event answers nothing") << FakeDevice::message(0x0800, 1, "evt") << false << 1 << -1;
}

void TestMncp::replyReleasesTheSlot()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, released);
    QFETCH(int, delivered);
    QFETCH(int, status);
    QVERIFY(connectToFake(*m_device, *m_fake));
    m_fake->setSilent(true);
    QSignalSpy errors(m_device, &DeviceBase::protocolError);
    m_device->appendCmd(0x0100, 0x0000);
    m_device->appendCmd(0x0001, 0x0020, QByteArray("xy"));
    QVERIFY(m_fake->waitForCommands(1));
    QTest::qWait(50);
    QCOMPARE(handler().queuedCount(), 1);
    m_fake->send(reply);
    const int sent = released ? 2 : 1;
    QTRY_VERIFY_WITH_TIMEOUT(m_fake->received().size() == sent && m_device->replies.size() == delivered
                                 && errors.size() == (status >= 0), 5000);
    QTest::qWait(50);
    QCOMPARE(m_fake->received().size(), sent);
    QCOMPARE(m_device->replies.size(), delivered);
    QCOMPARE(handler().inFlight().protocol, quint16(released ? 0x0001 : 0x0100));
    if (released)
        QCOMPARE(m_fake->received().at(1).payload, QByteArray("xy"));
    if (status >= 0)
        QCOMPARE(errors.first(), (QList<QVariant>{0x0100, 0, status}));
}

void TestMncp::replyInPiecesDeliveredOnceWhole_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("piece");
    QTest::newRow("header and payload byte by byte") << 40 << 1;
    QTest::newRow("in 5-byte pieces") << 108 << 5;
    QTest::newRow("3 MB in 64 KB pieces") << 3 * 1024 * 1024 + 7 << 64 * 1024 + 3;
}

void TestMncp::replyInPiecesDeliveredOnceWhole()
{
    QFETCH(int, size);
    QFETCH(int, piece);
    const QByteArray payload = randomBytes(size);
    m_fake->setResponder([payload](const FakeDevice::Command &cmd) {
        return FakeDevice::message(cmd.protocol, cmd.request, payload) + FakeDevice::message(0x0800, 1, "tail");
    });
    m_fake->setChunkSize(piece);
    QVERIFY(connectToFake(*m_device, *m_fake));
    int reads = 0;
    connect(&handler().socket(), &QTcpSocket::readyRead, this, [&reads] { ++reads; });
    m_device->appendCmd(0x0400, 0x0001);
    QTRY_COMPARE_WITH_TIMEOUT(m_device->replies.size(), 2, 20000);
    QVERIFY(m_fake->waitForSendsDone());
    QTest::qWait(20);
    QCOMPARE(m_device->replies.size(), 2);
    QVERIFY(m_device->replies.at(0).payload == payload);
    QCOMPARE(m_device->replies.at(0).header.length, quint32(size));
    QCOMPARE(m_device->replies.at(1).payload, QByteArray("tail"));
    QVERIFY2(reads > 2, "the replies should have come in several reads");
    QCOMPARE(handler().inFlight().protocol, quint16(0));
    QCOMPARE(handler().receiveHeader().length, quint32(0));
}

void TestMncp::severalMessagesInOneRead()
{
    QVERIFY(connectToFake(*m_device, *m_fake));
    QTcpSocket &socket = handler().socket();
    const QByteArray burst = FakeDevice::message(0x0100, 0, "A") + FakeDevice::message(0x0100, 1, "BB")
                             + FakeDevice::message(0x0100, 2, "CCC");
    {
        // Held back until the whole burst sits in the socket, then one loop reads it.
        const QSignalBlocker blocker(&socket);
        m_fake->send(burst);
        QTRY_COMPARE_WITH_TIMEOUT(socket.bytesAvailable(), qint64(burst.size()), 5000);
    }
    handler().socketDataLoop();
    QCOMPARE(m_device->replies.size(), 3);
    QCOMPARE(m_device->replies.at(2).payload, QByteArray("CCC"));
    QCOMPARE(m_device->replies.at(2).header.request, quint16(2));
    QCOMPARE(socket.bytesAvailable(), qint64(0));
}

void TestMncp::brokenHeaderReportsThenDisconnects_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("error");
    // The valid message behind the broken header must not be taken for a reply.
    const QByteArray behind = FakeDevice::message(0x0100, 1, "valid-looking");
    QTest::newRow("bad crc, fields in wire order") << FakeDevice::withBadCrc(FakeDevice::message(0x0100, 0, "junk")) + behind
                                                   << QList<int>{0x0001, 0, -1};
    QTest::newRow("version 0x0105, host order") << FakeDevice::header(0x0100, 2, 0, 0x0105) + behind << QList<int>{0x0100, 2, -2};
    QTest::newRow("oversized length") << FakeDevice::header(0x0400, 1, 256u * 1024u * 1024u + 1u) + QByteArray(64, 'p')
                                      << QList<int>{0x0400, 1, -3};
}

void TestMncp::brokenHeaderReportsThenDisconnects()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, error);
    QVERIFY(connectToFake(*m_device, *m_fake));
    QList<QList<int>> errors;
    connect(m_device, &DeviceBase::commError, this, [&](int protocol, int request, int status) {
        errors.append({protocol, request, status, int(m_device->state())}); // reported before the disconnect
    });
    m_fake->send(bytes);
    QVERIFY(m_fake->waitForDisconnect());
    QTRY_COMPARE_WITH_TIMEOUT(m_device->state(), QAbstractSocket::UnconnectedState, 5000);
    QCOMPARE(errors, QList<QList<int>>{error + QList<int>{QAbstractSocket::ConnectedState}});
    QCOMPARE(m_device->replies.size(), 0);
    QCOMPARE(handler().receiveHeader().length, quint32(0));
}

void TestMncp::firmwareHeaderSignalsCompletion()
{
    m_fake->setResponder([](const FakeDevice::Command &cmd) {
        return cmd.request == 2 ? FakeDevice::errorReply(cmd.protocol, 2, 1) : FakeDevice::message(cmd.protocol, cmd.request);
    });
    QVERIFY(connectToFake(*m_device, *m_fake));
    QSignalSpy complete(m_device, &DeviceBase::updateFirmwareComplete);
    m_device->appendCmd(0x0005, 0x0001, QByteArray(1000, '\x5A'));
    m_device->appendCmd(0x0005, 0x0002, QByteArray(10, '\x5A'));
    m_device->appendCmd(0x0100, 0x0000);
    QVERIFY(m_fake->waitForCommands(3));
    QCOMPARE(m_fake->received().first().payload.size(), 1000);
    QCOMPARE(complete.size(), 1); // an error reply to a firmware image is no completion
}

void TestMncp::failedWriteReleasesTheSlot()
{
    // Never connected: the write fails at once. Closing a socket that is closed already changes
    // no state, so the failure itself must free the slot or the next connection stalls.
    QSignalSpy writeErrors(m_device, &DeviceBase::socketWriteException);
    QSignalSpy dropped(&handler(), &SocketHandler::commandDropped);
    QTest::ignoreMessage(QtWarningMsg, "dropCommands: command 0x0001 - 0x0020 dropped, the connection ended before it was answered");
    m_device->appendCmd(0x0001, 0x0020);
    QCOMPARE(writeErrors.size(), 1);
    QVERIFY(writeErrors.first().at(0).toString().endsWith("Failed to write 'Header' info. Unknown data transfer error. "));
    QCOMPARE(writeErrors.first().at(1).toString(), QStringLiteral("\tDisconnecting Device!"));
    QCOMPARE(dropped.size(), 1);
    QCOMPARE(handler().inFlight().protocol, quint16(0));
    QCOMPARE(handler().queuedCount(), 0);

    QVERIFY(connectToFake(*m_device, *m_fake));
    m_device->appendCmd(0x0100, 0x0003);
    QVERIFY(m_fake->waitForCommands(1));
    QTest::qWait(50);
    QCOMPARE(commandIds(*m_fake), (QList<QPair<int, int>>{{0x0100, 3}}));
}

// A command given to one connection is never sent on the next one, which may lead elsewhere; nor
// is a half-read reply of the old connection completed by the new one's bytes.
void TestMncp::lostConnectionDropsWhatWasQueued()
{
    QVERIFY(connectToFake(*m_device, *m_fake));
    m_fake->setSilent(true);
    QSignalSpy dropped(&handler(), &SocketHandler::commandDropped);
    m_device->appendCmd(0x0100, 0x0000);
    m_device->appendCmd(0x0310, 0x0303, QByteArray("second store"));
    QVERIFY(m_fake->waitForCommands(1));
    m_fake->send(FakeDevice::header(0x0100, 0x0000, 100) + QByteArray(10, 'o'));
    QTRY_COMPARE_WITH_TIMEOUT(handler().receiveHeader().length, quint32(100), 5000);
    QTest::ignoreMessage(QtWarningMsg, "dropCommands: command 0x0100 - 0x0000 dropped, the connection ended before it was answered");
    QTest::ignoreMessage(QtWarningMsg, "dropCommands: command 0x0310 - 0x0303 dropped, the connection ended before it was sent");
    m_fake->dropClient();
    QTRY_COMPARE_WITH_TIMEOUT(m_device->state(), QAbstractSocket::UnconnectedState, 5000);
    QCOMPARE(handler().inFlight().protocol, quint16(0));
    QCOMPARE(handler().queuedCount(), 0);
    QCOMPARE(handler().receiveHeader().length, quint32(0));
    QCOMPARE(dropped, (QList<QList<QVariant>>{{0x0100, 0x0000}, {0x0310, 0x0303}}));

    m_fake->clearReceived();
    m_fake->setSilent(false);
    QVERIFY(connectToFake(*m_device, *m_fake));
    m_fake->send(FakeDevice::message(0x0800, 0, "fresh"));
    m_device->appendCmd(0x0100, 0x0002);
    QTRY_COMPARE_WITH_TIMEOUT(m_device->replies.size(), 1, 5000);
    QTest::qWait(50);
    QCOMPARE(m_device->replies.first().payload, QByteArray("fresh"));
    QCOMPARE(commandIds(*m_fake), (QList<QPair<int, int>>{{0x0100, 2}}));
}

void TestMncp::disconnectInsideReplyStopsReading_data()
{
    QTest::addColumn<QByteArray>("behind");
    QTest::newRow("whole message behind") << FakeDevice::message(0x0100, 1, "late");
    QTest::newRow("message cut short behind") << FakeDevice::header(0x0100, 1, 100) + QByteArray("part");
}

// A device reacting to a reply by disconnecting: what is still buffered belongs to the old
// connection, is not delivered, and leaves no header behind to swallow the next stream.
void TestMncp::disconnectInsideReplyStopsReading()
{
    QFETCH(QByteArray, behind);
    m_fake->setSilent(true);
    m_device->onReply = [this](const TestDevice::Reply &) {
        if (m_device->replies.size() == 1)
            m_device->deviceDisconnect();
    };
    QVERIFY(connectToFake(*m_device, *m_fake));
    m_fake->send(FakeDevice::message(0x0100, 0, "first") + behind);
    QTRY_COMPARE_WITH_TIMEOUT(m_device->state(), QAbstractSocket::UnconnectedState, 5000);
    QTest::qWait(50);
    QCOMPARE(m_device->replies.size(), 1);
    QCOMPARE(handler().receiveHeader().length, quint32(0));

    m_device->onReply = nullptr;
    QVERIFY(connectToFake(*m_device, *m_fake));
    m_fake->send(FakeDevice::message(0x0100, 2, "second"));
    QTRY_COMPARE_WITH_TIMEOUT(m_device->replies.size(), 2, 5000);
    QCOMPARE(m_device->replies.at(1).payload, QByteArray("second"));
}

void TestMncp::earlyReplyDoesNotSplitAPayload_data()
{
    QTest::addColumn<QByteArray>("earlyReply");
    QTest::newRow("answered at the end") << QByteArray();
    QTest::newRow("answered early") << FakeDevice::message(0x0005, 0x0001);
    QTest::newRow("error status early") << FakeDevice::errorReply(0x0005, 0x0001, 3);
}

// Payloads of many write slices go out whole and in order. A device answering before the whole
// payload went out frees the slot, but the next header must still follow the payload's last
// byte, or the device takes it as payload and hangs.
void TestMncp::earlyReplyDoesNotSplitAPayload()
{
    QFETCH(QByteArray, earlyReply);
    m_fake->setResponder([early = !earlyReply.isEmpty()](const FakeDevice::Command &cmd) {
        if (cmd.protocol == 0x0005)
            return early ? QByteArray() : FakeDevice::message(cmd.protocol, cmd.request);
        return FakeDevice::message(cmd.protocol, cmd.request, "answered");
    });
    QVERIFY(connectToFake(*m_device, *m_fake));
    const QByteArray image = randomBytes(5 * SocketHandler::WriteSliceSize + 12345);
    m_device->appendCmd(0x0005, 0x0001, image);
    m_device->appendCmd(0x0001, 0x0020, QByteArray("after"));
    m_fake->send(earlyReply);
    QVERIFY(m_fake->waitForCommands(2, 20000));
    QCOMPARE(m_fake->badHeaders(), 0);
    QVERIFY(m_fake->received().at(0).payload == image);
    QCOMPARE(m_fake->received().at(1).payload, QByteArray("after"));
    QTRY_COMPARE_WITH_TIMEOUT(m_device->replies.size(), 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(handler().inFlight().protocol, quint16(0), 5000);
    QVERIFY(handler().inFlight().data.isEmpty()); // an answered image is not kept alive
}

QTEST_GUILESS_MAIN(TestMncp)
#include "tst_mncp.moc"
