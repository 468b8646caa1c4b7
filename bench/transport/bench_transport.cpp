// Receiving a large reply in many small pieces must cost time linear in its size:
// the handler leaves the bytes in the socket until the whole payload is there and reads it once.
// Prints MB/s for several sizes; similar figures across sizes show linear cost.

#include "device/devicebase.h"
#include "mncp/mncpprotocol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

class SinkDevice : public DeviceBase
{
public:
    SinkDevice(quint16 port) : DeviceBase(nullptr, port) {}
    void processReply(QByteArray &payload, mncp_protocol_header &) override
    {
        received = payload.size();
        if (onDone)
            onDone();
    }
    qint64 received = 0;
    std::function<void()> onDone;
};

// Writes one reply in small pieces from its own thread, so the receiver sees many reads.
class PieceSender : public QThread
{
public:
    PieceSender(qintptr descriptor, int payloadSize, int pieceSize)
        : m_descriptor(descriptor), m_payloadSize(payloadSize), m_pieceSize(pieceSize) {}
    void run() override
    {
        QTcpSocket socket;
        socket.setSocketDescriptor(m_descriptor);
        socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        mncp_protocol_header h{MNCP_VERSION, 0, 0x0400, 0x0001, static_cast<quint32>(m_payloadSize)};
        mncp_encode_header(h);
        socket.write(reinterpret_cast<const char *>(&h), MNCP_HEADER_SIZE);
        const QByteArray piece(m_pieceSize, '\x42');
        for (int sent = 0; sent < m_payloadSize; sent += m_pieceSize) {
            socket.write(piece.constData(), qMin(m_pieceSize, m_payloadSize - sent));
            socket.waitForBytesWritten(10000);
        }
        socket.waitForBytesWritten(10000);
        socket.waitForReadyRead(2000);
    }

private:
    qintptr m_descriptor;
    int m_payloadSize;
    int m_pieceSize;
};

class Server : public QTcpServer
{
public:
    int payloadSize = 0;
    int pieceSize = 4096;
    PieceSender *sender = nullptr;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        sender = new PieceSender(descriptor, payloadSize, pieceSize);
        sender->start();
    }
};

double runOnce(int payloadSize, int pieceSize, int *readsOut)
{
    Server server;
    server.payloadSize = payloadSize;
    server.pieceSize = pieceSize;
    server.listen(QHostAddress::LocalHost, 0);

    SinkDevice device(server.serverPort());
    device.setAddress(QStringLiteral("127.0.0.1"));
    int reads = 0;
    QObject::connect(&device.socketHandler()->socket(), &QTcpSocket::readyRead, [&reads] { ++reads; });
    QEventLoop loop;
    device.onDone = [&loop] { loop.quit(); };
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);

    QElapsedTimer timer;
    timer.start();
    device.deviceConnect();
    loop.exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (server.sender) {
        server.sender->wait(10000);
        delete server.sender;
    }
    *readsOut = reads;
    return device.received == payloadSize ? payloadSize / (1024.0 * 1024.0) / seconds : 0.0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_LOGGING_RULES", "*.debug=false");
    QCoreApplication app(argc, argv);
    std::printf("Receiving one MNCP payload in 4 KiB pieces through SocketHandler\n");
    std::printf("%10s %10s %12s\n", "size MiB", "reads", "MB/s");
    for (int mib : {8, 16, 32, 64}) {
        int reads = 0;
        const double rate = runOnce(mib * 1024 * 1024, 4096, &reads);
        std::printf("%10d %10d %12.1f\n", mib, reads, rate);
    }
    std::printf("Target: MB/s roughly constant across sizes (time linear in size)\n");
    return 0;
}
