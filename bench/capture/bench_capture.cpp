// Decoding a captured 1920x1080 frame must keep up with the capture page: format 259 under
// 6 ms, the YCbCr formats 1, 2 and 258 under 10 ms. Prints the median time per frame of the
// decoder the capture item uses, the straightforward per-pixel path for comparison, and
// whether both give the same pixels.
// Usage: bench_capture [runs]   (default 21)

#include "bench/common/benchresult.h"
#include "capture/formulas.h"
#include "capture/framedecoder.h"
#include "capture/frameheader.h"
#include "capture/ycbcrlineconverter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QVector>
#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

const int Width = 1920;
const int Height = 1080;

// Deterministic noise: every sample value occurs, so no branch or table entry is favoured.
QByteArray makeFrame(int format)
{
    const int pitch = static_cast<int>(CubrixUtils::Formulas::minimumLineBytes(Width, format));
    QByteArray frame(FrameHeader::Size + Height * pitch, '\0');
    auto *p = reinterpret_cast<uchar *>(frame.data());
    qToBigEndian<quint16>(Width, p);
    qToBigEndian<quint16>(Height, p + 2);
    qToBigEndian<quint16>(static_cast<quint16>(pitch), p + 4);
    qToBigEndian<quint16>(static_cast<quint16>(format), p + 6);
    quint32 state = 0x12345678u + static_cast<quint32>(format);
    for (int i = FrameHeader::Size; i < frame.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        p[i] = static_cast<uchar>(state >> 24);
    }
    return frame;
}

struct Timing {
    double medianMs;
    double fastestMs;
};

template <typename Decode>
Timing timeRuns(int runs, Decode decode)
{
    QVector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        decode();
        times.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times.at(times.size() / 2), times.first()};
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const CubrixUtils::Formulas formulas;
    struct Case {
        int format;
        uint range;
        double targetMs;
    };
    const Case cases[] = {{1, 1, 10.0}, {2, 2, 10.0}, {258, 3, 10.0}, {259, 0, 6.0}};

    std::printf("1920x1080 frame decode, median of %d runs, conversion path %s\n", runs,
                YCbCrLineConverter::pathName(YCbCrLineConverter::bestPath()));
    std::printf("%-7s %-6s %10s %10s %10s %14s %10s\n", "format", "range", "median ms", "fastest", "target",
                "per-pixel ms", "identical");
    bool allIdentical = true;
    for (const Case &c : cases) {
        const QByteArray frame = makeFrame(c.format);
        const FrameHeader header = *FrameHeader::parse(frame);
        QImage fast(Width, Height, QImage::Format_ARGB32_Premultiplied);
        QImage reference(Width, Height, QImage::Format_ARGB32_Premultiplied);
        const Timing fastMs = timeRuns(runs, [&] { FrameDecoder::decode(formulas, frame, header, c.range, fast); });
        const Timing referenceMs = timeRuns(std::max(1, runs / 4), [&] {
            FrameDecoder::decodeReference(formulas, frame, header, c.range, reference);
        });
        const bool identical = fast == reference;
        const bool met = fastMs.medianMs < c.targetMs;
        allIdentical = allIdentical && identical;
        std::printf("%-7d %-6u %10.2f %10.2f %7.0f %s %14.2f %10s\n", c.format, c.range, fastMs.medianMs,
                    fastMs.fastestMs, c.targetMs, met ? "ok" : "!!", referenceMs.medianMs, identical ? "yes" : "NO");
        const QByteArray name = "frame decode 1920x1080 format " + QByteArray::number(c.format);
        Bench::result(name.constData(), fastMs.medianMs, "ms", c.targetMs, Bench::Goal::Below);
    }
    // A missed target is a figure; pixels that differ from the exact arithmetic are a failure.
    if (!allIdentical)
        std::fprintf(stderr, "bench_capture: the decoder's pixels differ from the exact per-pixel decode\n");
    return allIdentical ? 0 : 1;
}
