#include "fakedevice.h"
#include "simprocess.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

// Fault injection, bad input and the command line of the simulator.
class TestSimFaults : public QObject
{
    Q_OBJECT
private slots:
    void chunkedRepliesArriveInPieces();
    void chunkedRepliesDecodeWhole();
    void errorReplyReportsStatus();
    void errorReplyForEveryRequest();
    void badCrcDisconnects();
    void badCrcAfterCommands();
    void closeAfterCommands();
    void silentAfterCommands();
    void badInputIsLoggedAndSurvived_data();
    void badInputIsLoggedAndSurvived();
    void headerInSinglesAndUnknownProtocol();
    void logFileOption();
    void nonLoopbackAddressIsRefused_data();
    void nonLoopbackAddressIsRefused();
    void badOptionsAreRefused_data();
    void badOptionsAreRefused();
    void helpNamesEveryOption();
    void frameSizeOption();
    void scopeRateOption();
};

namespace {
QStringList cubrix(const QStringList &more = QStringList())
{
    return QStringList{QStringLiteral("--role"), QStringLiteral("cubrix")} + more;
}

// Reads one whole reply from a raw socket (bounded), counting the reads it took.
QByteArray readReply(QTcpSocket &socket, int *reads, int timeoutMs = 5000)
{
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    *reads = 0;
    while (timer.elapsed() < timeoutMs) {
        if (socket.bytesAvailable() > 0 || socket.waitForReadyRead(50)) {
            const QByteArray piece = socket.readAll();
            if (!piece.isEmpty()) {
                ++*reads;
                data += piece;
            }
        }
        if (data.size() >= 12) {
            const quint32 length = qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(data.constData()) + 8);
            const quint32 payload = (length >> 16) == 0xFFFF ? 0 : length;
            if (static_cast<quint32>(data.size()) >= 12 + payload)
                return data;
        }
    }
    return data;
}

bool waitForDisconnect(QTcpSocket &socket, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (socket.state() != QAbstractSocket::UnconnectedState) {
        if (timer.elapsed() > timeoutMs)
            return false;
        socket.waitForDisconnected(50);
        socket.readAll();
    }
    return true;
}
} // namespace

void TestSimFaults::chunkedRepliesArriveInPieces()
{
    SimProcess sim;
    QVERIFY(sim.start(cubrix({QStringLiteral("--chunk"), QStringLiteral("5")})));
    QTcpSocket socket;
    socket.connectToHost(sim.address(), sim.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write(FakeDevice::message(0x0100, 0x0002));
    int reads = 0;
    const QByteArray reply = readReply(socket, &reads);
    QCOMPARE(reply, FakeDevice::message(0x0100, 0x0002, QByteArray("CBX2300571", 11)));
    // 23 bytes in pieces of five, a millisecond apart: never all in one read.
    QVERIFY2(reads >= 2, qPrintable(QString::number(reads)));
}

void TestSimFaults::chunkedRepliesDecodeWhole()
{
    SimProcess sim;
    QVERIFY(sim.start(cubrix({QStringLiteral("--chunk"), QStringLiteral("7")})));
    SimClient client(sim);
    QVERIFY(client.connect());
    QCOMPARE(client.query(0x0100, 0), QByteArray("Cubrix", 7));
    QCOMPARE(client.query(0x0100, 8).size(), 16);
    QCOMPARE(client.query(0x0100, 7).size(), 12);
    QCOMPARE(client.query(0x0402, 3).size() % 2, 0);
    QCOMPARE(client.query(0x0403, 1).size(), 32768);
}

void TestSimFaults::errorReplyReportsStatus()
{
    SimProcess sim;
    QVERIFY(sim.start(cubrix({QStringLiteral("--error-reply"), QStringLiteral("0x0100:1:7"), QStringLiteral("--error-reply"),
                              QStringLiteral("1:0x71")})));
    SimClient client(sim);
    QVERIFY(client.connect());
    QSignalSpy errors(&client.device(), &DeviceBase::protocolError);
    QVERIFY(client.exchange(0x0100, 1));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.at(0), (QVariantList{0x0100, 1, 7}));
    // The pipeline moves on and other requests are answered normally.
    QCOMPARE(client.query(0x0100, 0), QByteArray("Cubrix", 7));
    QVERIFY(client.exchange(0x0001, 0x71));
    QCOMPARE(errors.size(), 2);
    QCOMPARE(errors.at(1), (QVariantList{0x0001, 0x71, 1}));
    QVERIFY(sim.waitForLog(QStringLiteral("fault: error reply status 7")));
}

void TestSimFaults::errorReplyForEveryRequest()
{
    SimProcess sim;
    QVERIFY(sim.start(cubrix({QStringLiteral("--error-reply"), QStringLiteral("0x0004:*:0x22")})));
    SimClient client(sim);
    QVERIFY(client.connect());
    QSignalSpy errors(&client.device(), &DeviceBase::protocolError);
    QVERIFY(client.exchange(0x0004, 0x0100));
    QVERIFY(client.exchange(0x0004, 0x0101, QByteArray("text")));
    QCOMPARE(errors.size(), 2);
    QCOMPARE(errors.at(1).at(2).toInt(), 0x22);
}

void TestSimFaults::badCrcDisconnects()
{
    SimProcess sim;
    QVERIFY(sim.start(cubrix({QStringLiteral("--bad-crc"), QStringLiteral("0x0100:2")})));
    SimClient client(sim);
    QVERIFY(client.connect());
    QSignalSpy commErrors(&client.device(), &DeviceBase::commError);
    QCOMPARE(client.query(0x0100, 1).isEmpty(), false);
    client.device().appendCmd(0x0100, 2);
    QTRY_COMPARE_WITH_TIMEOUT(commErrors.size(), 1, 5000);
    QCOMPARE(commErrors.at(0).at(2).toInt(), -1);
    QTRY_VERIFY_WITH_TIMEOUT(!client.isConnected(), 5000);
    QVERIFY(sim.isRunning());
}

void TestSimFaults::badCrcAfterCommands()
{
    SimProcess sim;
    QVERIFY(sim.start(cubrix({QStringLiteral("--bad-crc-after"), QStringLiteral("2")})));
    SimClient client(sim);
    QVERIFY(client.connect());
    QSignalSpy commErrors(&client.device(), &DeviceBase::commError);
    QVERIFY(client.exchange(0x0100, 0));
    QVERIFY(client.exchange(0x0100, 1));
    QCOMPARE(commErrors.size(), 0);
    client.device().appendCmd(0x0100, 2);
    QTRY_COMPARE_WITH_TIMEOUT(commErrors.size(), 1, 5000);
    QCOMPARE(commErrors.at(0).at(2).toInt(), -1);
}

void TestSimFaults::closeAfterCommands()
{
    SimProcess sim;
    QVERIFY(sim.start(cubrix({QStringLiteral("--close-after"), QStringLiteral("3")})));
    for (int round = 0; round < 2; ++round) {
        SimClient client(sim);
        QVERIFY(client.connect());
        for (quint16 request = 0; request < 3; ++request)
            QVERIFY(client.exchange(0x0100, request));
        QTRY_VERIFY_WITH_TIMEOUT(!client.isConnected(), 5000);
        QCOMPARE(client.device().replies.size(), 3);
    }
    QVERIFY(sim.waitForLog(QStringLiteral("fault: closing the connection after 3 commands")));
}

void TestSimFaults::silentAfterCommands()
{
    SimProcess sim;
    QVERIFY(sim.start(cubrix({QStringLiteral("--silent-after"), QStringLiteral("2")})));
    SimClient client(sim);
    QVERIFY(client.connect());
    QVERIFY(client.exchange(0x0100, 0));
    QVERIFY(client.exchange(0x0100, 1));
    QVERIFY(!client.exchange(0x0100, 2, QByteArray(), nullptr, 500));
    QCOMPARE(client.device().socketHandler()->inFlight().request, quint16(2));
    QVERIFY(client.isConnected());
    // Unanswered commands are still read and logged.
    QVERIFY(sim.waitForLog(QStringLiteral("command protocol=0x0100 request=0x0002 length=0")));
    QVERIFY(sim.waitForLog(QStringLiteral("fault: command 3 not answered")));
}

void TestSimFaults::badInputIsLoggedAndSurvived_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("logged");
    QTest::newRow("garbage") << QByteArray("GET / HTTP/1.1\r\n\r\n") << QStringLiteral("bad header (CRC error)");
    QTest::newRow("old version") << FakeDevice::header(0x0100, 0, 0, 0x0105) << QStringLiteral("bad header (version 0x0105)");
    QTest::newRow("corrupted CRC") << FakeDevice::withBadCrc(FakeDevice::message(0x0100, 0))
                                   << QStringLiteral("bad header (CRC error)");
    QTest::newRow("oversized length") << FakeDevice::header(0x0005, 1, 0x20000000u) << QStringLiteral("oversized length 536870912");
    QTest::newRow("error marker as length") << FakeDevice::header(0x0100, 0, 0xFFFF0001u)
                                            << QStringLiteral("oversized length 4294901761");
    QTest::newRow("after a good command") << FakeDevice::message(0x0100, 0) + QByteArray(12, '\xEE')
                                          << QStringLiteral("bad header (CRC error)");
}

void TestSimFaults::badInputIsLoggedAndSurvived()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, logged);
    SimProcess sim;
    QVERIFY(sim.start(cubrix()));
    {
        QTcpSocket socket;
        socket.connectToHost(sim.address(), sim.port());
        QVERIFY(socket.waitForConnected(5000));
        socket.write(bytes);
        QVERIFY(socket.waitForBytesWritten(5000));
        QVERIFY(waitForDisconnect(socket));
    }
    QVERIFY(sim.waitForLog(logged));
    QVERIFY(sim.waitForLog(QStringLiteral("closing the connection")));
    QVERIFY(sim.isRunning());
    // The simulator still serves the next client.
    SimClient client(sim);
    QVERIFY(client.connect());
    QCOMPARE(client.query(0x0100, 0), QByteArray("Cubrix", 7));
}

void TestSimFaults::headerInSinglesAndUnknownProtocol()
{
    SimProcess sim;
    QVERIFY(sim.start(cubrix()));
    QTcpSocket socket;
    socket.connectToHost(sim.address(), sim.port());
    QVERIFY(socket.waitForConnected(5000));
    const QByteArray message = FakeDevice::message(0x0777, 0x0003, QByteArray("abc"));
    for (char byte : message) {
        socket.write(&byte, 1);
        socket.waitForBytesWritten(1000);
        QTest::qWait(3);
    }
    int reads = 0;
    const QByteArray reply = readReply(socket, &reads);
    QCOMPARE(reply.size(), 12);
    const quint32 length = qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(reply.constData()) + 8);
    QCOMPARE(length >> 16, 0xFFFFu);
    QVERIFY(length & 0xFFFF);
    QCOMPARE(reply, FakeDevice::errorReply(0x0777, 0x0003, static_cast<quint16>(length & 0xFFFF)));
    QVERIFY(sim.waitForLog(QStringLiteral("command protocol=0x0777 request=0x0003 length=3")));
    QVERIFY(sim.waitForLog(QStringLiteral("unknown protocol")));
    QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
}

void TestSimFaults::logFileOption()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sim.log"));
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--log-file"), path}));
    SimClient client(sim);
    QVERIFY(client.connect());
    QVERIFY(client.exchange(0x0002, 0x0101));
    QVERIFY(sim.waitForLog(QStringLiteral("command protocol=0x0002 request=0x0101 length=0")));
    QVERIFY(!QString::fromUtf8(sim.process().readAllStandardOutput()).contains(QStringLiteral("command protocol")));
}

void TestSimFaults::nonLoopbackAddressIsRefused_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("documentation network") << QStringLiteral("192.0.2.10");
    QTest::newRow("private network") << QStringLiteral("10.1.2.3");
    QTest::newRow("any address") << QStringLiteral("0.0.0.0");
    QTest::newRow("not an address") << QStringLiteral("example");
}

void TestSimFaults::nonLoopbackAddressIsRefused()
{
    QFETCH(QString, address);
    QProcess process;
    process.start(SimProcess::executable(), {QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--listen"), address,
                                             QStringLiteral("--port"), QString::number(SimProcess::freePort(QStringLiteral("127.0.0.1")))});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains(QStringLiteral("--listen")));
    QVERIFY(!QString::fromUtf8(process.readAllStandardOutput()).contains(QStringLiteral("listening on")));
}

void TestSimFaults::badOptionsAreRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no role") << QStringList();
    QTest::newRow("unknown role") << QStringList{QStringLiteral("--role"), QStringLiteral("projector")};
    QTest::newRow("frame format") << cubrix({QStringLiteral("--frame-format"), QStringLiteral("3")});
    QTest::newRow("error rule") << cubrix({QStringLiteral("--error-reply"), QStringLiteral("0x0100")});
    QTest::newRow("bad-crc status") << cubrix({QStringLiteral("--bad-crc"), QStringLiteral("1:2:3")});
    QTest::newRow("chunk zero") << cubrix({QStringLiteral("--chunk"), QStringLiteral("0")});
    QTest::newRow("channels") << cubrix({QStringLiteral("--channels"), QStringLiteral("300")});
    QTest::newRow("frame size form") << cubrix({QStringLiteral("--frame-size"), QStringLiteral("1920*1080")});
    QTest::newRow("4:2:2 width") << cubrix({QStringLiteral("--frame-size"), QStringLiteral("100x10")});
    QTest::newRow("line over 16 bits") << cubrix({QStringLiteral("--frame-format"), QStringLiteral("259"),
                                                  QStringLiteral("--frame-size"), QStringLiteral("16384x2")});
    QTest::newRow("frame over one message") << cubrix({QStringLiteral("--frame-format"), QStringLiteral("259"),
                                                       QStringLiteral("--frame-size"), QStringLiteral("16000x4200")});
    QTest::newRow("scope rate") << cubrix({QStringLiteral("--scope-rate"), QStringLiteral("-1")});
    QTest::newRow("family") << QStringList{QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"),
                                           QStringLiteral("xx")};
}

void TestSimFaults::badOptionsAreRefused()
{
    QFETCH(QStringList, arguments);
    QProcess process;
    process.start(SimProcess::executable(), arguments << QStringLiteral("--port")
                                                      << QString::number(SimProcess::freePort(QStringLiteral("127.0.0.1"))));
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardError().contains("brevanto-sim: "));
}

void TestSimFaults::helpNamesEveryOption()
{
    QProcess process;
    process.start(SimProcess::executable(), {QStringLiteral("--help")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    const QString help = QString::fromUtf8(process.readAllStandardOutput());
    for (const char *option : {"--role", "--listen", "--port", "--family", "--model", "--version", "--serial", "--channels",
                               "--ports", "--channel-names", "--channel-modes", "--frame-format", "--dump-dir", "--log-file",
                               "--verbose", "--chunk", "--error-reply", "--bad-crc", "--bad-crc-after", "--close-after",
                               "--silent-after"})
        QVERIFY2(help.contains(QLatin1String(option)), option);
}

QTEST_GUILESS_MAIN(TestSimFaults)
// Small and large captures: the header carries the chosen size, the payload matches it.
void TestSimFaults::frameSizeOption()
{
    struct Case { const char *format; const char *size; int width, height, pitch; };
    for (const Case &c : {Case{"1", "48x3", 48, 3, 128}, Case{"259", "4096x4096", 4096, 4096, 16384}}) {
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--frame-format"),
                           QLatin1String(c.format), QStringLiteral("--frame-size"), QLatin1String(c.size)}));
        SimClient client(sim);
        QVERIFY(client.connect());
        const QByteArray frame = client.query(0x0400, 0x0000);
        QCOMPARE(frame.size(), 12 + c.height * c.pitch);
        const auto *p = reinterpret_cast<const uchar *>(frame.constData());
        QCOMPARE(int(qFromBigEndian<quint16>(p)), c.width);
        QCOMPARE(int(qFromBigEndian<quint16>(p + 2)), c.height);
        QCOMPARE(int(qFromBigEndian<quint16>(p + 4)), c.pitch);
        QCOMPARE(int(qFromBigEndian<quint16>(p + 6)), QByteArray(c.format).toInt());
        // Every line is the same bar pattern.
        QVERIFY(frame.mid(12, c.pitch) == frame.mid(12 + (c.height - 1) * c.pitch, c.pitch));
    }
}

// Scope frames are paced like video unless the rate is 0.
void TestSimFaults::scopeRateOption()
{
    const auto timeFrames = [](const QString &rate, int frames) -> qint64 {
        SimProcess sim;
        if (!sim.start({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"), QStringLiteral("kt"),
                        QStringLiteral("--scope-rate"), rate}))
            return -1;
        SimClient client(sim);
        if (!client.connect())
            return -1;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < frames; ++i) {
            if (client.query(0x0403, 1).isEmpty())
                return -1;
        }
        return timer.elapsed();
    };
    const qint64 paced = timeFrames(QStringLiteral("5"), 4);
    QVERIFY(paced >= 0);
    QVERIFY2(paced >= 3 * 200 - 20, qPrintable(QString::number(paced)));
    const qint64 unpaced = timeFrames(QStringLiteral("0"), 20);
    QVERIFY(unpaced >= 0);
    // At 25 frames per second 20 frames would take 760 ms at least.
    QVERIFY2(unpaced < 19 * 40, qPrintable(QString::number(unpaced)));
}

#include "tst_sim_faults.moc"
