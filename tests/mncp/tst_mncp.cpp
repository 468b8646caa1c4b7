#include "bytes.h"
#include "deviceconnection.h"
#include "logcapture.h"
#include "mncp/mncpids.h"
#include "mncp/socketread_error.h"
#include "mncp/socketwrite_error.h"
#include "testdevice.h"

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
    std::unique_ptr<FakeDevice> m_fake;
    std::unique_ptr<TestDevice> m_device;
    SocketHandler &handler() { return *m_device->socketHandler(); }
    bool connectDevice() { return connectToFake(*m_device, *m_fake); }

private slots:
    void init()
    {
        m_fake = std::make_unique<FakeDevice>();
        QVERIFY(m_fake->listen());
        m_device = std::make_unique<TestDevice>();
    }
    void cleanup()
    {
        m_device.reset();
        m_fake.reset();
    }

    void checkHeader_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<int>("result");
        QTest::addColumn<QList<uint>>("fields"); // version, crc, protocol, request, length as left in memory
        QTest::newRow("worked example") << QByteArray::fromHex("0106B71701000005 00000000") << 0 << QList<uint>{0x0106, 0, 0x0100, 5, 0};
        QTest::newRow("lut store") << FakeDevice::header(0x0311, 0x0305, 19780) << 0 << QList<uint>{0x0106, 0, 0x0311, 0x0305, 19780};
        QTest::newRow("error marker") << FakeDevice::header(0x0600, 1, 0xFFFF0007u) << 0 << QList<uint>{0x0106, 0, 0x0600, 1, 0xFFFF0007u};
        // A header failing its CRC keeps its big-endian fields: read here on a little-endian host.
        QTest::newRow("bad crc") << QByteArray::fromHex("0106B71801000005 00000010") << -1 << QList<uint>{0x0601, 0, 0x0001, 0x0500, 0x10000000};
        QTest::newRow("version 0x0105") << FakeDevice::header(0x0101, 0x0203, 4, 0x0105) << -2 << QList<uint>{0x0105, 0, 0x0101, 0x0203, 4};
    }
    void checkHeader()
    {
        QFETCH(QByteArray, wire); QFETCH(int, result); QFETCH(QList<uint>, fields);
        mncp_protocol_header header;
        std::memcpy(&header, wire.constData(), sizeof header);
        QCOMPARE(mncp_check_header(header), result);
        QCOMPARE((QList<uint>{header.version, header.crc, header.protocol, header.request, header.length}), fields);
        if (result == 0) { // and back: the independent encoder's bytes
            mncp_encode_header(header);
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(&header), 12), wire);
        }
    }

    void readersAndTexts()
    {
        const QByteArray text("123456789"); // the published check value of CRC-16/X-25
        QCOMPARE(mncp_crc16(reinterpret_cast<const uchar *>(text.constData()), text.size()), quint16(0x906E));
        QCOMPARE(mncp_build_message(0x0100, 1, "ab"), FakeDevice::message(0x0100, 1, "ab"));
        QVERIFY(mncp_is_error_reply(0xFFFF0003u) && !mncp_is_error_reply(0x0000FFFFu) && !mncp_is_error_reply(0xFFFE0000u));
        const QByteArray data = QByteArray::fromHex("FFFE0A000000");
        QCOMPARE(QString("%1 %2 %3").arg(*be16(data, 0)).arg(*be16s(data, 0)).arg(*le32(data, 2)), QStringLiteral("65534 -2 10"));
        QVERIFY(!be32(data, 3) && !be16(data, 5) && !be16(data, -1) && !le32(QByteArray(), 0));
        QCOMPARE(mncp_string(QByteArray("AB\0CD", 5)) + mncp_string("ABCD"), QStringLiteral("ABABCD"));
        const QList<QPair<int, QString>> messages{{0x0001, "Protocol Key Error\n"}, {0x0402, "Protocol ANCI Capture Error"},
            {0x0301, "Protocol DIT(Front) 1DLUT Error\n"}, {0x0803, "Protocol Alarm event Error\n"}, {0x0303, "unknown protocol error\n"}};
        for (const auto &message : messages)
            QCOMPARE(getProtocolMessage(message.first), message.second);
    }

    void errorTexts_data()
    {
        QTest::addColumn<bool>("read"); QTest::addColumn<int>("kind"); QTest::addColumn<qint64>("actual"); QTest::addColumn<QString>("text");
        const QString read = "Occured at: \nsocketDataLoop, (7),   Expected Data: 12  Received Data: ";
        const QString write = "Occured at: \nprocessCmd, (7),   Expected Data Length: 12  Sent Data Length: ";
        QTest::newRow("read header, -1 unsigned") << true << 0 << qint64(-1) << read + "18446744073709551615Failed to read 'Header' info. Unknown data transfer error. ";
        QTest::newRow("read data, more") << true << 4 << qint64(13) << read + "13Failed to read 'Data' info. Received more data than expected. ";
        QTest::newRow("kind out of range") << true << 9 << qint64(2) << read + "2";
        QTest::newRow("write header, more") << false << 1 << qint64(13) << write + "13Failed to write 'Header' info. Sent more data than expected. ";
        QTest::newRow("write data, short") << false << 5 << qint64(2) << write + "2Failed to write 'Data' info. Not enough data sent. ";
    }
    void errorTexts()
    {
        QFETCH(bool, read); QFETCH(int, kind); QFETCH(qint64, actual); QFETCH(QString, text);
        std::unique_ptr<SocketError> error;
        if (read)
            error = std::make_unique<SocketRead_Error>(kind, 7, "socketDataLoop", 12, actual);
        else
            error = std::make_unique<SocketWrite_Error>(kind, 7, "processCmd", 12, actual);
        QCOMPARE(QString::fromUtf8(error->what()), text);
        QCOMPARE(error->what(), error->what()); // built once: the pointer stays valid
        QCOMPARE(QString(error->std::runtime_error::what()), QString("qtTcpSocketError: Failed to %1 'Header or Data Info'.").arg(read ? "read" : "write"));
    }

    void replyReleasesTheSlot_data()
    {
        QTest::addColumn<quint16>("protocol"); QTest::addColumn<QByteArray>("reply"); QTest::addColumn<bool>("released");
        QTest::addColumn<int>("delivered"); QTest::addColumn<int>("status"); // of the protocol error, -1 for none
        QTest::newRow("empty reply, not delivered") << quint16(0x0100) << FakeDevice::message(0x0100, 0) << true << 0 << -1;
        QTest::newRow("reply with payload") << quint16(0x0100) << FakeDevice::message(0x0100, 0, "MODEL-X") << true << 1 << -1;
        QTest::newRow("error reply") << quint16(0x0100) << FakeDevice::errorReply(0x0100, 0, 2) << true << 0 << 2;
        QTest::newRow("event answers nothing") << quint16(0x0100) << FakeDevice::message(0x0800, 1, "evt") << false << 1 << -1;
        QTest::newRow("firmware completed") << quint16(0x0005) << FakeDevice::message(0x0005, 0) << true << 0 << -1;
        QTest::newRow("firmware refused") << quint16(0x0005) << FakeDevice::errorReply(0x0005, 0, 1) << true << 0 << 1;
    }
    void replyReleasesTheSlot()
    {
        QFETCH(quint16, protocol); QFETCH(QByteArray, reply); QFETCH(bool, released); QFETCH(int, delivered); QFETCH(int, status);
        QVERIFY(connectDevice());
        m_fake->setSilent(true);
        QSignalSpy errors(m_device.get(), &DeviceBase::protocolError);
        QSignalSpy completed(m_device.get(), &DeviceBase::updateFirmwareComplete);
        m_device->appendCmd(protocol, 0, protocol == 5 ? QByteArray(1000, 'F') : QByteArray());
        m_device->appendCmd(0x0001, 0x0020, QByteArray("xy"));
        QVERIFY(m_fake->waitForCommands(1));
        QTest::qWait(50);
        QCOMPARE(handler().queuedCount(), 1);
        m_fake->send(reply);
        QTRY_VERIFY_WITH_TIMEOUT(m_fake->received().size() == 1 + released && m_device->replies.size() == delivered && errors.size() == (status >= 0), 5000);
        QTest::qWait(50);
        QCOMPARE(m_fake->received().size(), 1 + released);
        QCOMPARE(m_device->replies.size(), delivered);
        QCOMPARE(handler().inFlight().protocol, released ? quint16(1) : protocol);
        QCOMPARE(m_fake->received().last().payload, released ? QByteArray("xy") : QByteArray());
        QCOMPARE(errors, (status < 0 ? QList<QList<QVariant>>{} : QList<QList<QVariant>>{{protocol, 0, status}}));
        QCOMPARE(completed.size(), int(protocol == 5 && status < 0)); // only a valid firmware header completes
    }

    void replyInPiecesDeliveredOnceWhole_data()
    {
        QTest::addColumn<int>("size"); QTest::addColumn<int>("piece");
        QTest::newRow("byte by byte") << 40 << 1;
        QTest::newRow("in 5-byte pieces") << 108 << 5;
        QTest::newRow("3 MB in 64 KB pieces") << 3 * 1024 * 1024 + 7 << 64 * 1024 + 3;
    }
    void replyInPiecesDeliveredOnceWhole()
    {
        QFETCH(int, size); QFETCH(int, piece);
        const QByteArray payload = Bytes::noise(size, size);
        m_fake->setResponder([payload](const FakeDevice::Command &cmd) {
            return FakeDevice::message(cmd.protocol, cmd.request, payload) + FakeDevice::message(0x0800, 1, "tail");
        });
        m_fake->setChunkSize(piece);
        QVERIFY(connectDevice());
        int reads = 0;
        connect(&handler().socket(), &QTcpSocket::readyRead, this, [&reads] { ++reads; });
        m_device->appendCmd(0x0400, 0x0001);
        QTRY_COMPARE_WITH_TIMEOUT(m_device->replies.size(), 2, 20000);
        QVERIFY(m_fake->waitForSendsDone());
        QTest::qWait(20);
        QCOMPARE(m_device->replies.size(), 2);
        QVERIFY(m_device->replies.at(0).payload == payload && m_device->replies.at(0).header.length == quint32(size));
        QCOMPARE(m_device->replies.at(1).payload, QByteArray("tail"));
        QVERIFY2(reads > 2, "the replies should have come in several reads");
        QVERIFY(handler().inFlight().protocol == 0 && handler().receiveHeader().length == 0);
    }

    void severalMessagesInOneRead()
    {
        QVERIFY(connectDevice());
        QTcpSocket &socket = handler().socket();
        const QByteArray burst = FakeDevice::message(0x0100, 0, "A") + FakeDevice::message(0x0100, 1, "BB") + FakeDevice::message(0x0100, 2, "CCC");
        {
            // Held back until the whole burst sits in the socket, then one loop reads it.
            const QSignalBlocker blocker(&socket);
            m_fake->send(burst);
            QTRY_COMPARE_WITH_TIMEOUT(socket.bytesAvailable(), qint64(burst.size()), 5000);
        }
        handler().socketDataLoop();
        QCOMPARE(m_device->replies.size(), 3);
        QVERIFY(m_device->replies.at(2).payload == "CCC" && m_device->replies.at(2).header.request == 2 && socket.bytesAvailable() == 0);
    }

    void brokenHeaderReportsThenDisconnects_data()
    {
        QTest::addColumn<QByteArray>("bytes"); QTest::addColumn<QList<int>>("error");
        // The valid message behind the broken header must not be taken for a reply.
        const QByteArray behind = FakeDevice::message(0x0100, 1, "valid-looking");
        QTest::newRow("bad crc, wire order") << FakeDevice::withBadCrc(FakeDevice::message(0x0100, 0, "junk")) + behind << QList<int>{0x0001, 0, -1};
        QTest::newRow("version 0x0105, host order") << FakeDevice::header(0x0100, 2, 0, 0x0105) + behind << QList<int>{0x0100, 2, -2};
        QTest::newRow("oversized length") << FakeDevice::header(0x0400, 1, 256u * 1024u * 1024u + 1u) + QByteArray(64, 'p') << QList<int>{0x0400, 1, -3};
    }
    void brokenHeaderReportsThenDisconnects()
    {
        QFETCH(QByteArray, bytes); QFETCH(QList<int>, error);
        QVERIFY(connectDevice());
        QList<QList<int>> errors;
        connect(m_device.get(), &DeviceBase::commError, this, [&](int protocol, int request, int status) {
            errors.append({protocol, request, status, int(m_device->state())}); // reported before the disconnect
        });
        m_fake->send(bytes);
        QVERIFY(m_fake->waitForDisconnect());
        QTRY_COMPARE_WITH_TIMEOUT(m_device->state(), QAbstractSocket::UnconnectedState, 5000);
        QCOMPARE(errors, QList<QList<int>>{error << QAbstractSocket::ConnectedState});
        QVERIFY(m_device->replies.isEmpty() && handler().receiveHeader().length == 0);
    }

    // A failed write frees the slot itself: closing a socket that is closed already changes no
    // state. A command given to one connection is never sent on the next one, which may lead
    // elsewhere; nor is a half-read reply of the old connection completed by the new one's bytes.
    void endedConnectionsDropTheirCommands()
    {
        QSignalSpy writeErrors(m_device.get(), &DeviceBase::socketWriteException), dropped(&handler(), &SocketHandler::commandDropped);
        LogCapture warnings;
        m_device->appendCmd(0x0001, 0x0020); // never connected: the write fails at once
        QCOMPARE(writeErrors.size(), 1);
        QVERIFY(writeErrors.first().at(0).toString().endsWith("Failed to write 'Header' info. Unknown data transfer error. "));
        QCOMPARE(writeErrors.first().at(1).toString(), QStringLiteral("\tDisconnecting Device!"));
        QVERIFY(handler().inFlight().protocol == 0 && handler().queuedCount() == 0);
        QVERIFY(connectDevice());
        m_fake->setSilent(true);
        m_device->appendCmd(0x0100, 0x0000);
        m_device->appendCmd(0x0310, 0x0303, QByteArray("second store"));
        QVERIFY(m_fake->waitForCommands(1));
        m_fake->send(FakeDevice::header(0x0100, 0x0000, 100) + QByteArray(10, 'o'));
        QTRY_COMPARE_WITH_TIMEOUT(handler().receiveHeader().length, quint32(100), 5000);
        m_fake->dropClient();
        QTRY_COMPARE_WITH_TIMEOUT(m_device->state(), QAbstractSocket::UnconnectedState, 5000);
        QVERIFY(handler().inFlight().protocol == 0 && handler().queuedCount() == 0 && handler().receiveHeader().length == 0);
        QCOMPARE(dropped, (QList<QList<QVariant>>{{0x0001, 0x0020, 0u}, {0x0100, 0x0000, 0u}, {0x0310, 0x0303, 0u}}));
        QCOMPARE(warnings.take().filter("dropCommands").join('|'), QStringLiteral("dropCommands: command 0x0001 - 0x0020 dropped, the connection ended before it was answered|"
            "dropCommands: command 0x0100 - 0x0000 dropped, the connection ended before it was answered|dropCommands: command 0x0310 - 0x0303 dropped, the connection ended before it was sent"));
        m_fake->clearReceived();
        m_fake->setSilent(false);
        QVERIFY(connectDevice());
        m_fake->send(FakeDevice::message(0x0800, 0, "fresh"));
        m_device->appendCmd(0x0100, 0x0002);
        QTRY_COMPARE_WITH_TIMEOUT(m_device->replies.size(), 1, 5000);
        QTest::qWait(50);
        QCOMPARE(m_device->replies.first().payload, QByteArray("fresh"));
        QCOMPARE(commandIds(*m_fake), (QList<QPair<int, int>>{{0x0100, 2}}));
    }

    void disconnectInsideReplyStopsReading_data()
    {
        QTest::addColumn<QByteArray>("behind");
        QTest::newRow("whole message behind") << FakeDevice::message(0x0100, 1, "late");
        QTest::newRow("message cut short behind") << FakeDevice::header(0x0100, 1, 100) + QByteArray("part");
    }
    // A device reacting to a reply by disconnecting: what is still buffered belongs to the old
    // connection, is not delivered, and leaves no header behind to swallow the next stream.
    void disconnectInsideReplyStopsReading()
    {
        QFETCH(QByteArray, behind);
        m_fake->setSilent(true);
        m_device->onReply = [this](const TestDevice::Reply &) { m_device->deviceDisconnect(); };
        QVERIFY(connectDevice());
        m_fake->send(FakeDevice::message(0x0100, 0, "first") + behind);
        QTRY_COMPARE_WITH_TIMEOUT(m_device->state(), QAbstractSocket::UnconnectedState, 5000);
        QTest::qWait(50);
        QVERIFY(m_device->replies.size() == 1 && handler().receiveHeader().length == 0);
        m_device->onReply = nullptr;
        QVERIFY(connectDevice());
        m_fake->send(FakeDevice::message(0x0100, 2, "second"));
        QTRY_COMPARE_WITH_TIMEOUT(m_device->replies.size(), 2, 5000);
        QCOMPARE(m_device->replies.at(1).payload, QByteArray("second"));
    }

    void earlyReplyDoesNotSplitAPayload_data()
    {
        QTest::addColumn<QByteArray>("earlyReply");
        QTest::newRow("answered at the end") << QByteArray();
        QTest::newRow("answered early") << FakeDevice::message(0x0005, 0x0001);
        QTest::newRow("error status early") << FakeDevice::errorReply(0x0005, 0x0001, 3);
    }
    // Payloads of many write slices go out whole and in order. A device answering before the
    // whole payload went out frees the slot, but the next header must still follow the payload's
    // last byte, or the device takes it as payload and hangs.
    void earlyReplyDoesNotSplitAPayload()
    {
        QFETCH(QByteArray, earlyReply);
        m_fake->setResponder([early = !earlyReply.isEmpty()](const FakeDevice::Command &cmd) {
            return cmd.protocol == 5 ? (early ? QByteArray() : FakeDevice::message(5, 1)) : FakeDevice::message(cmd.protocol, cmd.request, "answered");
        });
        QVERIFY(connectDevice());
        const QByteArray image = Bytes::noise(5 * SocketHandler::WriteSliceSize + 12345, 1);
        m_device->appendCmd(0x0005, 0x0001, image);
        m_device->appendCmd(0x0001, 0x0020, QByteArray("after"));
        m_fake->send(earlyReply);
        QVERIFY(m_fake->waitForCommands(2, 20000));
        QVERIFY(m_fake->badHeaders() == 0 && m_fake->received().at(0).payload == image);
        QCOMPARE(m_fake->received().at(1).payload, QByteArray("after"));
        QTRY_VERIFY_WITH_TIMEOUT(m_device->replies.size() == 1 && handler().inFlight().protocol == 0, 5000);
        QVERIFY(handler().inFlight().data.isEmpty()); // an answered image is not kept alive
    }
};

QTEST_GUILESS_MAIN(TestMncp)
#include "tst_mncp.moc"
