// Time to turn one scope frame into surface data (fresh array, resetArray on the proxy),
// for waveform, vector and combined frames. Prints the median time per frame.
//
//   bench_scope [frames]     (default 300 per case, after 20 warm-up frames)
#include "scope/scopestream.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtDataVisualization/QSurface3DSeries>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using QtDataVisualization::QSurface3DSeries;

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
    report("waveform frame (128x240)", 128 * 240,
           measure(frames, [&] { stream.receiveFrame(waveform, ScopeStream::Waveform); }));
    stream.stopPlayback(ScopeStream::Both);

    stream.startStopPlayback(ScopeStream::Vector, true);
    for (uchar gain : {uchar(1), uchar(4)}) {
        stream.setVectorGain(gain);
        const QByteArray name = "vector frame (128x128) x" + QByteArray::number(gain);
        report(name.constData(), 128 * 128,
               measure(frames, [&] { stream.receiveFrame(vector, ScopeStream::Vector); }));
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
    return drawn ? 0 : 1;
}
