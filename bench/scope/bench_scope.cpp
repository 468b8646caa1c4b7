// Time to turn one scope frame into surface data (fresh array, resetArray on the proxy),
// for waveform, vector and combined frames (target under 0.5 ms each), and the rate a monitor's
// pull loop sustains against the simulator sending unpaced frames, with the series filled but
// no graph drawing them (target at least 200 frames per second).
//
//   bench_scope [frames]     (default 300 per case, after 20 warm-up frames)
#include "bench/common/benchsupport.h"
#include "bench/common/benchresult.h"
#include "monitor/monitor.h"
#include "scope/scopestream.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTimer>
#include <QRandomGenerator>
#include <QtDataVisualization/QSurface3DSeries>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using QtDataVisualization::QSurface3DSeries;
using QtDataVisualization::QSurfaceDataProxy;

namespace {
constexpr int WarmUpFrames = 20;

// Without a device each frame's follow-up request fails and is logged; that logging is not
// what is being measured, so it is dropped.
void silentHandler(QtMsgType, const QMessageLogContext &, const QString &) {}

QByteArray randomFrame(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(generator.bounded(256));
    return bytes;
}

struct Figures {
    double median;
    double p10;
    double p90;
};

Figures measure(int frames, const std::function<void()> &renderOne)
{
    for (int i = 0; i < WarmUpFrames; ++i)
        renderOne();
    std::vector<double> micros;
    micros.reserve(size_t(frames));
    QElapsedTimer timer;
    for (int i = 0; i < frames; ++i) {
        timer.start();
        renderOne();
        micros.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) { return micros[size_t(q * double(micros.size() - 1))]; };
    return {at(0.5), at(0.1), at(0.9)};
}

void report(const char *name, int points, const Figures &f)
{
    std::printf("%-28s %6d points  median %8.1f us  (p10 %8.1f, p90 %8.1f)  %6.1f ns/point\n", name, points,
                f.median, f.p10, f.p90, f.median * 1000.0 / points);
}

// Frames per second a monitor's scope stream pulls from the simulator for `seconds`, playing
// `types` (the scope playback mask); 0 when it could not run.
double pullLoopRate(const QString &simulator, uchar types, double seconds)
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0.0;
    const quint16 port = probe.serverPort();
    probe.close();
    QProcess sim;
    sim.setProcessChannelMode(QProcess::MergedChannels);
    sim.start(simulator, {QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"), QStringLiteral("kt"),
                          QStringLiteral("--listen"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                          QString::number(port), QStringLiteral("--scope-rate"), QStringLiteral("0"),
                          QStringLiteral("--log-file"), QStringLiteral("/dev/null")});
    if (!sim.waitForStarted(5000))
        return 0.0;
    QByteArray said;
    Bench::waitFor([&] { said += sim.readAll(); return said.contains("listening") || sim.state() != QProcess::Running; }, 10000);

    QSurface3DSeries waveformSeries;
    QSurface3DSeries vectorSeries;
    int frames = 0;
    QObject::connect(waveformSeries.dataProxy(), &QSurfaceDataProxy::arrayReset, [&frames] { ++frames; });
    QObject::connect(vectorSeries.dataProxy(), &QSurfaceDataProxy::arrayReset, [&frames, types] {
        if (types == ScopeStream::Vector)
            ++frames;
    });
    double rate = 0.0;
    {
        Monitor monitor;
        monitor.setPort(port);
        monitor.setAddress(QStringLiteral("127.0.0.1"));
        monitor.cScopeStream()->setDataSeries_Wave(&waveformSeries);
        monitor.cScopeStream()->setDataSeries_Vector(&vectorSeries);
        monitor.deviceConnect();
        if (Bench::waitFor([&] { return monitor.state() == QAbstractSocket::ConnectedState; }, 10000)) {
            // Let the identity queries of a new connection pass first.
            Bench::waitFor([] { return false; }, 500);
            monitor.cScopeStream()->startStopPlayback(types, true);
            Bench::waitFor([&] { return frames >= 20; }, 10000);
            const int start = frames;
            QElapsedTimer timer;
            timer.start();
            Bench::waitFor([&] { return timer.elapsed() >= seconds * 1000; }, int(seconds * 1000) + 1000);
            rate = (frames - start) / (timer.nsecsElapsed() / 1e9);
            monitor.cScopeStream()->stopPlayback(ScopeStream::Both);
        }
        monitor.deviceDisconnect();
    }
    sim.terminate();
    if (!sim.waitForFinished(5000))
        sim.kill();
    return rate;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 300;
    qInstallMessageHandler(silentHandler);

    QSurface3DSeries waveformSeries;
    QSurface3DSeries vectorSeries;
    ScopeStream stream;
    stream.setDataSeries_Wave(&waveformSeries);
    stream.setDataSeries_Vector(&vectorSeries);

    const QByteArray waveform = randomFrame(ScopeStream::WaveformFrameSize, 1);
    const QByteArray vector = randomFrame(ScopeStream::VectorFrameSize, 2);
    const QByteArray both = waveform + vector;

    std::printf("bench_scope: %d frames per case, median of per-frame times\n", frames);

    stream.startStopPlayback(ScopeStream::Waveform, true);
    const Figures waveformFigures = measure(frames, [&] { stream.receiveFrame(waveform, ScopeStream::Waveform); });
    report("waveform frame (128x240)", 128 * 240, waveformFigures);
    stream.stopPlayback(ScopeStream::Both);

    stream.startStopPlayback(ScopeStream::Vector, true);
    double slowestVector = 0.0;
    for (uchar gain : {uchar(1), uchar(4)}) {
        stream.setVectorGain(gain);
        const QByteArray name = "vector frame (128x128) x" + QByteArray::number(gain);
        const Figures vectorFigures = measure(frames, [&] { stream.receiveFrame(vector, ScopeStream::Vector); });
        slowestVector = std::max(slowestVector, vectorFigures.median);
        report(name.constData(), 128 * 128, vectorFigures);
    }
    stream.setVectorGain(1);
    stream.stopPlayback(ScopeStream::Both);

    stream.startStopPlayback(ScopeStream::Waveform, true);
    stream.startStopPlayback(ScopeStream::Vector, true);
    report("combined frame (both)", 128 * 240 + 128 * 128,
           measure(frames, [&] { stream.receiveFrame(both, ScopeStream::Both); }));
    stream.stopPlayback(ScopeStream::Both);

    const bool drawn = waveformSeries.dataProxy()->rowCount() == 128 && vectorSeries.dataProxy()->rowCount() == 128;
    std::printf("series filled: %s\n", drawn ? "yes" : "NO");
    if (!drawn)
        return 1;
    Bench::result("scope waveform frame", waveformFigures.median / 1000.0, "ms", 0.5, Bench::Goal::Below);
    Bench::result("scope vector frame", slowestVector / 1000.0, "ms", 0.5, Bench::Goal::Below);

    const QString simulator = Bench::buildPath(QStringLiteral("tools/brevanto-sim/brevanto-sim"));
    if (!QFile::exists(simulator)) {
        std::fprintf(stderr, "no simulator at %s\n", qPrintable(simulator));
        return 1;
    }
    const double waveformRate = pullLoopRate(simulator, ScopeStream::Waveform, 3.0);
    const double bothRate = pullLoopRate(simulator, ScopeStream::Both, 3.0);
    std::printf("pull loop against the simulator: waveform %.0f frames/s, waveform and vector %.0f frames/s\n",
                waveformRate, bothRate);
    if (waveformRate <= 0.0 || bothRate <= 0.0)
        return 1;
    Bench::result("scope pull loop", std::min(waveformRate, bothRate), "frames/s", 200, Bench::Goal::Above);
    return 0;
}
