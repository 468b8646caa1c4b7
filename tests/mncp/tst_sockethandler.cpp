#include "fakedevice.h"
#include "testdevice.h"

#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QSignalSpy>
#include <QtTest>

// The socket handler driven over loopback against a scripted device.
class TestSocketHandler : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void secondCommandWaitsForMatchingReply_data();
    void secondCommandWaitsForMatchingReply();
    void unmatchedReplyKeepsCommandInFlight();
    void splitReplyDeliveredOnceWhole();
    void severalMessagesInOneRead();
    void zeroLengthMatchSkipsProcessReply();
    void errorReplyReportsStatusAndMovesOn();
    void badCrcReportsAndDisconnects();
    void badHeaderStopsInterpretingBufferedBytes();
    void oversizedLengthIsBrokenHeader();
    void firmwareHeaderSignalsCompletion();
    void failedWriteReleasesTheSlot();
    void lostConnectionDropsWhatWasQueued();
    void lostConnectionDropsPartialPayload();
    void largePayloadsGoOutWholeAndInOrder();
    void earlyReplyDoesNotSplitAPayload_data();
    void earlyReplyDoesNotSplitAPayload();
    void largeReplyInSmallPiecesArrivesIntact();

private:
    void connectDevice();
    QByteArray replyFor(quint16 protocol, quint16 request) { return FakeDevice::message(protocol, request); }

    FakeDevice *m_fake = nullptr;
    TestDevice *m_device = nullptr;
};

void TestSocketHandler::init()
{
    m_fake = new FakeDevice;
    QVERIFY(m_fake->listen());
    m_device = new TestDevice(m_fake->port());
    m_device->setAddress(m_fake->address());
}

void TestSocketHandler::cleanup()
{
    delete m_device;
    delete m_fake;
}

void TestSocketHandler::connectDevice()
{
    m_device->deviceConnect();
    QTRY_COMPARE_WITH_TIMEOUT(m_device->state(), QAbstractSocket::ConnectedState, 5000);
    QVERIFY(m_fake->waitForClient());
}

void TestSocketHandler::secondCommandWaitsForMatchingReply_data()
{
    QTest::addColumn<QByteArray>("firstReply");
    QTest::newRow("empty reply") << FakeDevice::message(0x0100, 0x0000);
    QTest::newRow("reply with payload") << FakeDevice::message(0x0100, 0x0000, "MODEL-X");
    QTest::newRow("error reply") << FakeDevice::errorReply(0x0100, 0x0000, 2);
}

void TestSocketHandler::secondCommandWaitsForMatchingReply()
{
    QFETCH(QByteArray, firstReply);
    connectDevice();
    m_fake->setSilent(true);
    SocketHandler *handler = m_device->socketHandler();
    m_device->appendCmd(0x0100, 0x0000);
    m_device->appendCmd(0x0001, 0x0020, QByteArray("xy"));
    QVERIFY(m_fake->waitForCommands(1));
    QTest::qWait(100);
    QCOMPARE(m_fake->received().size(), 1);
    QCOMPARE(handler->queuedCount(), 1);
    QCOMPARE(handler->inFlight().protocol, quint16(0x0100));

    m_fake->send(firstReply);
    QVERIFY(m_fake->waitForCommands(2));
    QCOMPARE(m_fake->received().at(1).protocol, quint16(0x0001));
    QCOMPARE(m_fake->received().at(1).request, quint16(0x0020));
    QCOMPARE(m_fake->received().at(1).payload, QByteArray("xy"));
    QCOMPARE(handler->queuedCount(), 0);
}

void TestSocketHandler::unmatchedReplyKeepsCommandInFlight()
{
    connectDevice();
    m_fake->setSilent(true);
    m_device->appendCmd(0x0100, 0x0001);
    m_device->appendCmd(0x0100, 0x0002);
    QVERIFY(m_fake->waitForCommands(1));
    // An event from the device with data is delivered but answers nothing.
    m_fake->send(FakeDevice::message(0x0800, 0x0001, "evt"));
    QTRY_COMPARE_WITH_TIMEOUT(m_device->replies.size(), 1, 5000);
    QTest::qWait(50);
    QCOMPARE(m_fake->received().size(), 1);
    QCOMPARE(m_device->socketHandler()->inFlight().request, quint16(0x0001));
    m_fake->send(FakeDevice::message(0x0100, 0x0001));
    QVERIFY(m_fake->waitForCommands(2));
}

void TestSocketHandler::splitReplyDeliveredOnceWhole()
{
    connectDevice();
    const QByteArray payload = QByteArray("0123456789abcdefghijklmnopqrstuvwxyz").repeated(3);
    m_fake->setResponder([payload](const FakeDevice::Command &cmd) {
        return FakeDevice::message(cmd.protocol, cmd.request, payload);
    });
    m_fake->setChunkSize(5);
    int readyReads = 0;
    connect(&m_device->socketHandler()->socket(), &QTcpSocket::readyRead, this, [&readyReads] { ++readyReads; });
    m_device->appendCmd(0x0100, 0x0000);
    QTRY_COMPARE_WITH_TIMEOUT(m_device->replies.size(), 1, 5000);
    QVERIFY(m_fake->waitForSendsDone());
    QTest::qWait(20);
    QCOMPARE(m_device->replies.size(), 1);
    QCOMPARE(m_device->replies.first().payload, payload);
    QCOMPARE(m_device->replies.first().header.length, quint32(payload.size()));
    QVERIFY2(readyReads > 2, "the reply should have arrived in several pieces");
    QCOMPARE(m_device->socketHandler()->inFlight().protocol, quint16(0));
}

void TestSocketHandler::severalMessagesInOneRead()
{
    connectDevice();
    SocketHandler *handler = m_device->socketHandler();
    QTcpSocket &socket = handler->socket();
    const QByteArray burst = FakeDevice::message(0x0100, 0, "A") + FakeDevice::message(0x0100, 1, "BB")
        + FakeDevice::message(0x0100, 2, "CCC");
    {
        // Hold the handler back until the whole burst sits in the socket, then run one loop.
        const QSignalBlocker blocker(&socket);
        m_fake->send(burst);
        QTRY_COMPARE_WITH_TIMEOUT(socket.bytesAvailable(), qint64(burst.size()), 5000);
    }
    handler->socketDataLoop();
    QCOMPARE(m_device->replies.size(), 3);
    QCOMPARE(m_device->replies.at(0).payload, QByteArray("A"));
    QCOMPARE(m_device->replies.at(2).payload, QByteArray("CCC"));
    QCOMPARE(m_device->replies.at(2).header.request, quint16(2));
    QCOMPARE(socket.bytesAvailable(), qint64(0));
}

void TestSocketHandler::zeroLengthMatchSkipsProcessReply()
{
    connectDevice();
    m_device->appendCmd(0x0002, 0x0103);
    m_device->appendCmd(0x0004, 0x0100);
    QVERIFY(m_fake->waitForCommands(2));
    QTRY_COMPARE_WITH_TIMEOUT(m_device->socketHandler()->inFlight().protocol, quint16(0), 5000);
    QCOMPARE(m_device->replies.size(), 0);
}

void TestSocketHandler::errorReplyReportsStatusAndMovesOn()
{
    connectDevice();
    m_fake->setResponder([](const FakeDevice::Command &cmd) {
        return cmd.protocol == 0x0310 ? FakeDevice::errorReply(cmd.protocol, cmd.request, 2)
                                      : FakeDevice::message(cmd.protocol, cmd.request);
    });
    QSignalSpy protocolErrors(m_device, &DeviceBase::protocolError);
    m_device->appendCmd(0x0310, 0x0301, QByteArray(16, 'x'));
    m_device->appendCmd(0x0100, 0x0005);
    QVERIFY(m_fake->waitForCommands(2));
    QCOMPARE(protocolErrors.size(), 1);
    QCOMPARE(protocolErrors.first(), (QList<QVariant>{0x0310, 0x0301, 2}));
    QCOMPARE(m_device->replies.size(), 0);
}

void TestSocketHandler::badCrcReportsAndDisconnects()
{
    connectDevice();
    m_fake->setSilent(true);
    QSignalSpy commErrors(m_device, &DeviceBase::commError);
    m_device->appendCmd(0x0100, 0x0000);
    QVERIFY(m_fake->waitForCommands(1));
    m_fake->send(FakeDevice::withBadCrc(FakeDevice::message(0x0100, 0x0000)));
    QTRY_COMPARE_WITH_TIMEOUT(commErrors.size(), 1, 5000);
    // Fields stay in wire order after a checksum failure: 0x0100 reads back byte-swapped.
    QCOMPARE(commErrors.first(), (QList<QVariant>{0x0001, 0x0000, -1}));
    QVERIFY(m_fake->waitForDisconnect());
    QTRY_COMPARE_WITH_TIMEOUT(m_device->state(), QAbstractSocket::UnconnectedState, 5000);
}

void TestSocketHandler::badHeaderStopsInterpretingBufferedBytes()
{
    connectDevice();
    QSignalSpy commErrors(m_device, &DeviceBase::commError);
    m_fake->send(FakeDevice::withBadCrc(FakeDevice::message(0x0100, 0, "junk"))
                 + FakeDevice::message(0x0100, 1, "valid-looking"));
    QTRY_COMPARE_WITH_TIMEOUT(commErrors.size(), 1, 5000);
    QTest::qWait(50);
    QCOMPARE(commErrors.size(), 1);
    QCOMPARE(m_device->replies.size(), 0);
    QCOMPARE(m_device->socketHandler()->receiveHeader().length, quint32(0));
}

void TestSocketHandler::oversizedLengthIsBrokenHeader()
{
    connectDevice();
    QSignalSpy commErrors(m_device, &DeviceBase::commError);
    m_fake->send(FakeDevice::header(0x0400, 0x0001, 256u * 1024u * 1024u + 1u) + QByteArray(64, 'p'));
    QTRY_COMPARE_WITH_TIMEOUT(commErrors.size(), 1, 5000);
    QCOMPARE(commErrors.first(), (QList<QVariant>{0x0400, 0x0001, -3}));
    QVERIFY(m_fake->waitForDisconnect());
    QCOMPARE(m_device->socketHandler()->receiveHeader().length, quint32(0));
    QCOMPARE(m_device->replies.size(), 0);
}

void TestSocketHandler::firmwareHeaderSignalsCompletion()
{
    connectDevice();
    QSignalSpy complete(m_device, &DeviceBase::updateFirmwareComplete);
    m_fake->setResponder([](const FakeDevice::Command &cmd) {
        return cmd.request == 2 ? FakeDevice::errorReply(cmd.protocol, cmd.request, 1)
                                : FakeDevice::message(cmd.protocol, cmd.request);
    });
    m_device->appendCmd(0x0005, 0x0001, QByteArray(1000, '\x5A'));
    m_device->appendCmd(0x0005, 0x0002, QByteArray(10, '\x5A'));
    m_device->appendCmd(0x0100, 0x0000);
    QVERIFY(m_fake->waitForCommands(3));
    QCOMPARE(m_fake->received().first().payload.size(), 1000);
    // The error reply to the second image is not a completion.
    QCOMPARE(complete.size(), 1);
}

void TestSocketHandler::failedWriteReleasesTheSlot()
{
    // Never connected: the write fails at once. Closing a socket that is closed already changes
    // no state, so the slot must be freed by the failure itself or the next connection stalls.
    QSignalSpy writeErrors(m_device, &DeviceBase::socketWriteException);
    QSignalSpy dropped(m_device->socketHandler(), &SocketHandler::commandDropped);
    SocketHandler *handler = m_device->socketHandler();
    QTest::ignoreMessage(QtWarningMsg, "dropCommands: command 0x0001 - 0x0020 dropped, the connection ended before it was answered");
    m_device->appendCmd(0x0001, 0x0020);
    QCOMPARE(writeErrors.size(), 1);
    QVERIFY(writeErrors.first().at(0).toString().contains(
        QStringLiteral("Failed to write 'Header' info. Unknown data transfer error. ")));
    QCOMPARE(writeErrors.first().at(1).toString(), QStringLiteral("\tDisconnecting Device!"));
    QCOMPARE(dropped.size(), 1);
    QCOMPARE(handler->inFlight().protocol, quint16(0));
    QCOMPARE(handler->queuedCount(), 0);

    connectDevice();
    m_device->appendCmd(0x0100, 0x0003);
    QVERIFY(m_fake->waitForCommands(1));
    QTest::qWait(50);
    QCOMPARE(m_fake->received().size(), 1);
    QCOMPARE(m_fake->received().first().request, quint16(0x0003));
}

// A command given to one connection is never sent on the next one, which may lead elsewhere.
void TestSocketHandler::lostConnectionDropsWhatWasQueued()
{
    connectDevice();
    m_fake->setSilent(true);
    SocketHandler *handler = m_device->socketHandler();
    QSignalSpy dropped(handler, &SocketHandler::commandDropped);
    m_device->appendCmd(0x0100, 0x0000);
    m_device->appendCmd(0x0310, 0x0303, QByteArray("second store"));
    QVERIFY(m_fake->waitForCommands(1));
    QTest::ignoreMessage(QtWarningMsg, "dropCommands: command 0x0100 - 0x0000 dropped, the connection ended before it was answered");
    QTest::ignoreMessage(QtWarningMsg, "dropCommands: command 0x0310 - 0x0303 dropped, the connection ended before it was sent");
    m_fake->dropClient();
    QTRY_COMPARE_WITH_TIMEOUT(m_device->state(), QAbstractSocket::UnconnectedState, 5000);
    QCOMPARE(handler->inFlight().protocol, quint16(0));
    QCOMPARE(handler->queuedCount(), 0);
    QCOMPARE(dropped, (QList<QList<QVariant>>{{0x0100, 0x0000}, {0x0310, 0x0303}}));

    m_fake->clearReceived();
    m_fake->setSilent(false);
    connectDevice();
    m_device->appendCmd(0x0100, 0x0002);
    QVERIFY(m_fake->waitForCommands(1));
    QTest::qWait(50);
    QCOMPARE(m_fake->received().size(), 1);
    QCOMPARE(m_fake->received().at(0).request, quint16(0x0002));
}

void TestSocketHandler::lostConnectionDropsPartialPayload()
{
    connectDevice();
    m_fake->send(FakeDevice::header(0x0100, 0x0000, 100) + QByteArray(10, 'o'));
    QTRY_COMPARE_WITH_TIMEOUT(m_device->socketHandler()->receiveHeader().length, quint32(100), 5000);
    m_fake->dropClient();
    QTRY_COMPARE_WITH_TIMEOUT(m_device->state(), QAbstractSocket::UnconnectedState, 5000);
    QCOMPARE(m_device->socketHandler()->receiveHeader().length, quint32(0));

    connectDevice();
    m_fake->send(FakeDevice::message(0x0100, 0x0000, "fresh"));
    QTRY_COMPARE_WITH_TIMEOUT(m_device->replies.size(), 1, 5000);
    QCOMPARE(m_device->replies.first().payload, QByteArray("fresh"));
}

static QByteArray randomBytes(int size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char &byte : bytes)
        byte = static_cast<char>(generator.bounded(256));
    return bytes;
}

// Payloads larger than one write slice, each followed by a small command.
void TestSocketHandler::largePayloadsGoOutWholeAndInOrder()
{
    connectDevice();
    m_fake->setResponder([](const FakeDevice::Command &cmd) { return FakeDevice::message(cmd.protocol, cmd.request); });
    const QByteArray first = randomBytes(5 * SocketHandler::WriteSliceSize + 12345, 1);
    const QByteArray second = randomBytes(SocketHandler::WriteSliceSize, 2);
    m_device->appendCmd(0x0005, 0x0001, first);
    m_device->appendCmd(0x0001, 0x0020, QByteArray("xy"));
    m_device->appendCmd(0x0400, 0x0002, second);
    QVERIFY(m_fake->waitForCommands(3, 20000));
    QCOMPARE(m_fake->badHeaders(), 0);
    QCOMPARE(m_fake->received().at(0).protocol, quint16(0x0005));
    QVERIFY(m_fake->received().at(0).payload == first);
    QCOMPARE(m_fake->received().at(1).payload, QByteArray("xy"));
    QVERIFY(m_fake->received().at(2).payload == second);
    QTRY_COMPARE_WITH_TIMEOUT(m_device->socketHandler()->inFlight().protocol, quint16(0), 5000);
    // An answered command does not keep its payload alive until the next one.
    QVERIFY(m_device->socketHandler()->inFlight().data.isEmpty());
}

void TestSocketHandler::earlyReplyDoesNotSplitAPayload_data()
{
    QTest::addColumn<QByteArray>("earlyReply");
    QTest::newRow("reply") << FakeDevice::message(0x0005, 0x0001);
    QTest::newRow("error status") << FakeDevice::errorReply(0x0005, 0x0001, 3);
}

// A device answering before the whole payload went out frees the slot, but the next command's
// header must still follow the payload's last byte, or the device takes it as payload and hangs.
void TestSocketHandler::earlyReplyDoesNotSplitAPayload()
{
    QFETCH(QByteArray, earlyReply);
    connectDevice();
    m_fake->setResponder([](const FakeDevice::Command &cmd) {
        return cmd.protocol == 0x0005 ? QByteArray() : FakeDevice::message(cmd.protocol, cmd.request, "answered");
    });
    const QByteArray image = randomBytes(8 * SocketHandler::WriteSliceSize, 3);
    m_device->appendCmd(0x0005, 0x0001, image);
    m_device->appendCmd(0x0001, 0x0020, QByteArray("after"));
    m_fake->send(earlyReply);
    QVERIFY(m_fake->waitForCommands(2, 20000));
    QCOMPARE(m_fake->badHeaders(), 0);
    QVERIFY(m_fake->received().at(0).payload == image);
    QCOMPARE(m_fake->received().at(1).protocol, quint16(0x0001));
    QCOMPARE(m_fake->received().at(1).payload, QByteArray("after"));
    QTRY_COMPARE_WITH_TIMEOUT(m_device->replies.size(), 1, 5000);
    QCOMPARE(m_device->replies.first().payload, QByteArray("answered"));
}

void TestSocketHandler::largeReplyInSmallPiecesArrivesIntact()
{
    connectDevice();
    const QByteArray payload = randomBytes(3 * 1024 * 1024 + 7, 4);
    m_fake->setResponder([payload](const FakeDevice::Command &cmd) {
        return FakeDevice::message(cmd.protocol, cmd.request, payload) + FakeDevice::message(0x0800, 0x0001, "tail");
    });
    m_fake->setChunkSize(64 * 1024 + 3);
    m_device->appendCmd(0x0400, 0x0001);
    QTRY_COMPARE_WITH_TIMEOUT(m_device->replies.size(), 2, 20000);
    QVERIFY(m_device->replies.at(0).payload == payload);
    QCOMPARE(m_device->replies.at(1).payload, QByteArray("tail"));
    QCOMPARE(m_device->socketHandler()->receiveHeader().length, quint32(0));
}

QTEST_GUILESS_MAIN(TestSocketHandler)
#include "tst_sockethandler.moc"
