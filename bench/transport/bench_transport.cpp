// Large transfers through the program's own transport, against raw loopback throughput:
//   - a 256 MiB firmware image sent to the simulator (from the updateFirmware call until the
//     simulator's acknowledgement), and the process's peak memory growth while it goes;
//   - a 64 MiB frame payload received from the simulator (from the first byte of the reply
//     until the payload reaches processReply), and the peak memory growth;
//   - socat moving the same byte count from a file to /dev/null over 127.0.0.1, measured in the
//     same run.
// Targets: the firmware at least 0.8 times socat's throughput with its peak memory growth under
// 32 MiB (it streams from the file); the frame at least half socat's throughput and its memory
// at most twice the payload (it is decoded whole). The simulator's own peak resident set is
// printed too: it passes an image on to its dump, or only counts it.
// Usage: bench_transport [runs]   (default 5; the simulator is found beside the build's tools)

#include "bench/common/benchsupport.h"
#include "bench/common/benchresult.h"
#include "device/devicebase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <unistd.h>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 FirmwareBytes = 256 * MiB;
constexpr int FrameWidth = 4096;  // 4096 x 4096 pixels of 4 bytes: a 64 MiB frame
constexpr int FrameHeight = 4096;
constexpr qint64 FramePayloadBytes = 12 + qint64(FrameWidth) * FrameHeight * 4;

[[noreturn]] void fail(const QString &why)
{
    std::fprintf(stderr, "bench_transport: %s\n", qPrintable(why));
    std::exit(1);
}

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        fail(QStringLiteral("no free port on 127.0.0.1"));
    return probe.serverPort();
}

void writeFile(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("cannot write ") + path);
    QByteArray block(int(MiB), '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    for (qint64 written = 0; written < size; written += block.size()) {
        const qint64 piece = qMin<qint64>(block.size(), size - written);
        if (file.write(block.constData(), piece) != piece)
            fail(QStringLiteral("cannot write ") + path);
    }
    // On disk before anything is timed: otherwise the first runs read it while the system is
    // still writing it back, and measure the disk instead of the transfer.
    if (!file.flush() || ::fsync(file.handle()) != 0)
        fail(QStringLiteral("cannot write ") + path);
}

class Simulator
{
public:
    Simulator()
    {
        const QString program = Bench::buildPath(QStringLiteral("tools/brevanto-sim/brevanto-sim"));
        if (!QFile::exists(program))
            fail(QStringLiteral("no simulator at ") + program);
        m_port = freePort();
        m_process.setProgram(program);
        m_process.setArguments({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"),
                                QStringLiteral("kt"), QStringLiteral("--listen"), QStringLiteral("127.0.0.1"),
                                QStringLiteral("--port"), QString::number(m_port), QStringLiteral("--frame-format"),
                                QStringLiteral("259"), QStringLiteral("--frame-size"),
                                QStringLiteral("%1x%2").arg(FrameWidth).arg(FrameHeight)});
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start();
        if (!Bench::waitFor([this] { return m_process.readAll().contains("listening") || m_process.state() == QProcess::NotRunning; },
                     10000)
            || m_process.state() != QProcess::Running)
            fail(QStringLiteral("the simulator did not start"));
        // Its log is not read any further; keep the pipe from filling.
        QObject::connect(&m_process, &QProcess::readyRead, [this] { m_process.readAll(); });
    }
    ~Simulator()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    quint16 port() const { return m_port; }
    qint64 peakResidentBytes() const { return Bench::statusBytes("VmHWM", m_process.processId()); }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

class BenchDevice : public DeviceBase
{
public:
    explicit BenchDevice(quint16 port) : DeviceBase(nullptr, port) { setAddress(QStringLiteral("127.0.0.1")); }
    void processReply(QByteArray &payload, mncp_protocol_header &) override
    {
        lastPayloadSize = payload.size();
        ++replies;
    }
    qint64 lastPayloadSize = -1;
    int replies = 0;
};

struct Transfer
{
    double seconds = 0.0;
    double peakGrowthBytes = 0.0;
};

Transfer sendFirmware(BenchDevice &device, const QString &image)
{
    bool complete = false;
    const QMetaObject::Connection done =
        QObject::connect(&device, &DeviceBase::updateFirmwareComplete, [&complete] { complete = true; });
    const qint64 before = Bench::statusBytes("VmRSS");
    Bench::resetPeakRss();
    QElapsedTimer timer;
    timer.start();
    device.updateFirmware(QUrl::fromLocalFile(image));
    if (!Bench::waitFor([&complete] { return complete; }, 120000))
        fail(QStringLiteral("the firmware image was not acknowledged"));
    Transfer transfer;
    transfer.seconds = timer.nsecsElapsed() / 1e9;
    transfer.peakGrowthBytes = double(Bench::statusBytes("VmHWM") - before);
    QObject::disconnect(done);
    // The acknowledgement arrives as a header; let its reply release the transport.
    Bench::waitFor([&device] { return device.socketHandler()->inFlight().protocol == 0; }, 10000);
    return transfer;
}

Transfer receiveFrame(BenchDevice &device)
{
    const int repliesBefore = device.replies;
    QElapsedTimer timer;
    bool started = false;
    const QMetaObject::Connection firstBytes =
        QObject::connect(&device.socketHandler()->socket(), &QTcpSocket::readyRead, [&timer, &started] {
            if (!started) {
                started = true;
                timer.start();
            }
        });
    const qint64 before = Bench::statusBytes("VmRSS");
    Bench::resetPeakRss();
    device.appendCmd(MNCP_PROTOCOL_FRAME_CAPTURE, 0);
    if (!Bench::waitFor([&device, repliesBefore] { return device.replies > repliesBefore; }, 60000))
        fail(QStringLiteral("no frame arrived"));
    Transfer transfer;
    transfer.seconds = timer.nsecsElapsed() / 1e9;
    transfer.peakGrowthBytes = double(Bench::statusBytes("VmHWM") - before);
    QObject::disconnect(firstBytes);
    if (device.lastPayloadSize != FramePayloadBytes)
        fail(QStringLiteral("frame payload of %1 bytes, expected %2").arg(device.lastPayloadSize).arg(FramePayloadBytes));
    return transfer;
}

// socat copying `file` to /dev/null through a loopback TCP connection; seconds from the
// sender's start until both ends have finished.
double socatSeconds(const QString &file)
{
    const QString port = QString::number(freePort());
    QProcess receiver;
    receiver.setProcessChannelMode(QProcess::MergedChannels);
    receiver.start(QStringLiteral("socat"), {QStringLiteral("-d"), QStringLiteral("-d"), QStringLiteral("-u"),
                                             QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr").arg(port),
                                             QStringLiteral("OPEN:/dev/null")});
    QByteArray said;
    if (!Bench::waitFor([&] { said += receiver.readAll(); return said.contains("listening") || receiver.state() == QProcess::NotRunning; },
                 10000)
        || receiver.state() != QProcess::Running)
        fail(QStringLiteral("socat did not listen: ") + QString::fromLocal8Bit(said));
    QProcess sender;
    QElapsedTimer timer;
    timer.start();
    sender.start(QStringLiteral("socat"), {QStringLiteral("-u"), QStringLiteral("OPEN:") + file,
                                           QStringLiteral("TCP:127.0.0.1:%1").arg(port)});
    if (!sender.waitForFinished(120000) || !receiver.waitForFinished(120000))
        fail(QStringLiteral("socat did not finish"));
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (sender.exitCode() != 0 || receiver.exitCode() != 0)
        fail(QStringLiteral("socat failed: ") + QString::fromLocal8Bit(sender.readAllStandardError() + receiver.readAll()));
    return seconds;
}

double mbPerSecond(qint64 bytes, double seconds)
{
    return seconds > 0.0 ? bytes / double(MiB) / seconds : 0.0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_LOGGING_RULES", "*.debug=false;*.info=false");
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    QTemporaryDir dir;
    if (!dir.isValid())
        fail(QStringLiteral("no temporary directory"));
    const QString image = dir.filePath(QStringLiteral("firmware.bin"));
    const QString frameSized = dir.filePath(QStringLiteral("frame.raw"));
    writeFile(image, FirmwareBytes);
    writeFile(frameSized, FramePayloadBytes);

    Simulator simulator;
    BenchDevice device(simulator.port());
    device.deviceConnect();
    if (!Bench::waitFor([&device] { return device.state() == QAbstractSocket::ConnectedState; }, 10000))
        fail(QStringLiteral("cannot connect to the simulator"));

    std::vector<double> sendTimes, sendGrowth, receiveTimes, receiveGrowth, socatSend, socatReceive;
    for (int run = 0; run < runs; ++run) {
        const Transfer sent = sendFirmware(device, image);
        sendTimes.push_back(sent.seconds);
        sendGrowth.push_back(sent.peakGrowthBytes);
        socatSend.push_back(socatSeconds(image));
        const Transfer received = receiveFrame(device);
        receiveTimes.push_back(received.seconds);
        receiveGrowth.push_back(received.peakGrowthBytes);
        socatReceive.push_back(socatSeconds(frameSized));
        std::printf("run %d: firmware %.3f s (socat %.3f s), frame %.3f s (socat %.3f s)\n", run + 1, sent.seconds,
                    socatSend.back(), received.seconds, socatReceive.back());
    }

    const double sendRate = mbPerSecond(FirmwareBytes, Bench::median(sendTimes));
    const double socatSendRate = mbPerSecond(FirmwareBytes, Bench::median(socatSend));
    const double receiveRate = mbPerSecond(FramePayloadBytes, Bench::median(receiveTimes));
    const double socatReceiveRate = mbPerSecond(FramePayloadBytes, Bench::median(socatReceive));
    const double sendMemory = *std::max_element(sendGrowth.begin(), sendGrowth.end()) / MiB;
    const double receiveMemory = *std::max_element(receiveGrowth.begin(), receiveGrowth.end()) / FramePayloadBytes;
    std::printf("firmware 256 MiB: %.0f MB/s, socat %.0f MB/s; peak memory growth %.1f MiB\n", sendRate,
                socatSendRate, sendMemory);
    std::printf("frame 64 MiB:     %.0f MB/s, socat %.0f MB/s; peak memory growth %.2f x payload\n", receiveRate,
                socatReceiveRate, receiveMemory);
    std::printf("simulator peak resident set: %.1f MiB\n", simulator.peakResidentBytes() / double(MiB));
    Bench::result("firmware send 256 MiB", sendRate, "MB/s", 0.8 * socatSendRate, Bench::Goal::Above);
    Bench::result("firmware send memory growth", sendMemory, "MiB", 32.0, Bench::Goal::Below);
    Bench::result("frame receive 64 MiB", receiveRate, "MB/s", 0.5 * socatReceiveRate, Bench::Goal::Above);
    Bench::result("frame receive memory", receiveMemory, "x payload", 2.0, Bench::Goal::Below);
    return 0;
}
