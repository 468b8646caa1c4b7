// Resampling must not stall the user interface when a LUT is sent: a 33-point file
// downsampled and packed into the binary image under 8 ms, a 17-point file upsampled to
// 33-point text under 12 ms. Writes real-size six-decimal files with a non-linear grade into
// a temporary directory and prints the median and fastest time of each path.
// Usage: bench_lut [runs]   (default 21)

#include "bench/common/benchsupport.h"
#include "bench/common/benchresult.h"
#include "lut/cubrixutils.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &contents)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    return path;
}

struct Timing
{
    double medianMs;
    double fastestMs;
};

template <typename Run>
Timing timeRuns(int runs, Run run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
}

// A target of 0 prints the figures alone.
void report(const char *name, const Timing &timing, double targetMs = 0.0)
{
    std::printf("%-34s median %7.3f ms  fastest %7.3f ms", name, timing.medianMs, timing.fastestMs);
    if (targetMs > 0.0)
        std::printf("  target %5.1f ms  %s", targetMs, timing.medianMs <= targetMs ? "ok" : "SLOW");
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // the generated files use a decimal point
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    const QByteArray file33 = Bench::gradeFile(33);
    const QByteArray file17 = Bench::gradeFile(17);
    const QString path33 = writeFile(dir, QStringLiteral("grade33.cube"), file33);
    const QString path17 = writeFile(dir, QStringLiteral("grade17.cube"), file17);
    std::printf("33-point file: %d bytes, 17-point file: %d bytes, %d runs each\n",
                int(file33.size()), int(file17.size()), runs);

    // Check once that the paths do their work before timing them.
    const QByteArray down = CubrixUtils::downsampleCube33to17(path33);
    const QByteArray image = CubrixUtils::cubeToBinaryLut(down);
    const QByteArray up = CubrixUtils::upsampleCube17to33(path17);
    if (image.size() != 19780 || up.count('\n') != 2 + 35937) {
        std::fprintf(stderr, "unexpected output: image %d bytes, upsampled %d lines\n",
                     int(image.size()), int(up.count('\n')));
        return 1;
    }

    int sink = 0;
    const Timing downTiming = timeRuns(runs, [&] {
        sink += CubrixUtils::cubeToBinaryLut(CubrixUtils::downsampleCube33to17(path33)).size();
    });
    report("downsampleCube33to17 + binary", downTiming, 8.0);
    Bench::result("lut downsample 33 to 17 and binary image", downTiming.medianMs, "ms", 8.0, Bench::Goal::Below);
    const Timing upTiming = timeRuns(runs, [&] { sink += CubrixUtils::upsampleCube17to33(path17).size(); });
    report("upsampleCube17to33", upTiming, 12.0);
    Bench::result("lut upsample 17 to 33 with text", upTiming.medianMs, "ms", 12.0, Bench::Goal::Below);
    // For reference: the probes a device operation runs first.
    report("isCubeSize33 (33-point file)", timeRuns(runs, [&] {
               sink += CubrixUtils::isCubeSize33(path33) ? 1 : 0;
           }));
    report("cubeDecimals (33-point file)", timeRuns(runs, [&] {
               sink += CubrixUtils::cubeDecimals(path33);
           }));
    return sink == 0 ? 1 : 0;
}
