// brevanto-cli as a whole process against the tools users would otherwise reach for:
//   lut resample 33 -> 17 and 17 -> 33 at most 0.4 times the time of ociobakelut --format resolve_cube
//   on the same real-size six-decimal graded file;
//   frame decode of a 1920x1080 format-259 raw frame to BMP no slower than ffmpeg turning the
//   same pixels (x2bgr10le) into rgb24.
// Runs alternate between the tool and its reference, files sit in a temporary directory, and
// every result is checked first: the resampled files must equal byte for byte what the program's
// own resamplers give, the BMP must hold the pixels of the exact per-pixel decode, and
// ociobakelut must write a resolve_cube of the requested size.
// Usage: bench_cli [runs]   (default 21: a process start varies by milliseconds on a busy host)

#include "bench/common/benchsupport.h"
#include "bench/common/benchresult.h"
#include "capture/formulas.h"
#include "capture/framedecoder.h"
#include "capture/frameheader.h"
#include "capture/rawframefile.h"
#include "lut/cubrixutils.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int FrameWidth = 1920;
constexpr int FrameHeight = 1080;
constexpr int ProcessTimeoutMs = 60000;

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "bench_cli: %s\n", qPrintable(message));
    std::exit(1);
}

// A captured format-259 frame as it arrives from a device: header and deterministic noise.
QByteArray frame259()
{
    const int pitch = 4 * FrameWidth;
    QByteArray frame(FrameHeader::Size + FrameHeight * pitch, '\0');
    auto *p = reinterpret_cast<uchar *>(frame.data());
    qToBigEndian<quint16>(FrameWidth, p);
    qToBigEndian<quint16>(FrameHeight, p + 2);
    qToBigEndian<quint16>(quint16(pitch), p + 4);
    qToBigEndian<quint16>(CubrixUtils::Formulas::FormatRgb444Le, p + 6);
    quint32 state = 0x2591u;
    for (int i = FrameHeader::Size; i < frame.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        p[i] = uchar(state >> 24);
    }
    return frame;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &contents)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        fail(QStringLiteral("cannot write %1").arg(path));
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Command
{
    QString program;
    QStringList arguments;
};

// Runs to completion; the wall time from start to exit in milliseconds. A failed run ends the
// benchmark: its figures would mean nothing.
double runTimed(const Command &command)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(command.program, command.arguments);
    if (!process.waitForStarted(ProcessTimeoutMs))
        fail(QStringLiteral("%1 does not start").arg(command.program));
    if (!process.waitForFinished(ProcessTimeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        fail(QStringLiteral("%1 did not finish within %2 s").arg(command.program).arg(ProcessTimeoutMs / 1000));
    }
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        fail(QStringLiteral("%1 %2 failed with exit status %3")
                 .arg(command.program, command.arguments.join(QLatin1Char(' ')))
                 .arg(process.exitCode()));
    return elapsed;
}

// Once, with its output shown when it fails: the check run before the timed ones.
void runChecked(const Command &command)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.program, command.arguments);
    if (!process.waitForStarted(ProcessTimeoutMs) || !process.waitForFinished(ProcessTimeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        fail(QStringLiteral("%1 did not run").arg(command.program));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        fail(QStringLiteral("%1 %2 failed:\n%3")
                 .arg(command.program, command.arguments.join(QLatin1Char(' ')),
                      QString::fromLocal8Bit(process.readAll())));
}

struct Pair
{
    double tool;
    double reference;
};

// `runs` runs of each, alternating, the tool first in even runs and second in odd ones.
Pair medians(const Command &tool, const Command &reference, int runs)
{
    std::vector<double> toolTimes, referenceTimes;
    for (int i = 0; i < runs; ++i) {
        if (i % 2 == 0) {
            toolTimes.push_back(runTimed(tool));
            referenceTimes.push_back(runTimed(reference));
        } else {
            referenceTimes.push_back(runTimed(reference));
            toolTimes.push_back(runTimed(tool));
        }
    }
    return {Bench::median(toolTimes), Bench::median(referenceTimes)};
}

// The number of entry lines of a resolve_cube file and its declared size; fails otherwise.
void checkResolveCube(const QString &path, int points)
{
    const QByteArray text = readFile(path);
    int declared = 0;
    int entries = 0;
    for (const QByteArray &raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith("LUT_3D_SIZE"))
            declared = line.mid(11).trimmed().toInt();
        else if (!line.isEmpty() && (line[0] == '-' || line[0] == '.' || (line[0] >= '0' && line[0] <= '9'))
                 && line.split(' ').size() == 3)
            ++entries;
    }
    if (declared != points || entries != points * points * points)
        fail(QStringLiteral("ociobakelut wrote %1 with size %2 and %3 entries, not %4 and %5")
                 .arg(path)
                 .arg(declared)
                 .arg(entries)
                 .arg(points)
                 .arg(points * points * points));
}

void checkSameBytes(const QString &path, const QByteArray &expected, const char *what)
{
    if (expected.isEmpty())
        fail(QStringLiteral("the program's own %1 gave nothing").arg(QLatin1String(what)));
    if (readFile(path) != expected)
        fail(QStringLiteral("brevanto-cli's %1 (%2) differs from the program's own").arg(QLatin1String(what), path));
}

void report(const char *name, const char *reference, const Pair &pair, double share, int runs)
{
    const double target = share * pair.reference;
    std::printf("%-28s brevanto-cli median %7.2f ms   %-12s median %7.2f ms   ratio %.2f (target %.2f)   %d runs\n",
                name, pair.tool, reference, pair.reference, pair.tool / pair.reference, share, runs);
    Bench::result(name, pair.tool, "ms", target, Bench::Goal::Below);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // the generated files use a decimal point
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;

    const QString cli = Bench::buildPath(QStringLiteral("tools/brevanto-cli/brevanto-cli"));
    if (!QFileInfo(cli).isExecutable())
        fail(QStringLiteral("no brevanto-cli at %1").arg(cli));
    const QString ocio = QStandardPaths::findExecutable(QStringLiteral("ociobakelut"));
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ocio.isEmpty() || ffmpeg.isEmpty())
        fail(QStringLiteral("ociobakelut and ffmpeg are needed (scripts/install-deps.sh installs them)"));

    QTemporaryDir dir;
    if (!dir.isValid())
        fail(QStringLiteral("no temporary directory"));
    const QString grade33 = writeFile(dir, QStringLiteral("grade33.cube"), Bench::gradeFile(33));
    const QString grade17 = writeFile(dir, QStringLiteral("grade17.cube"), Bench::gradeFile(17));
    QByteArray frame = frame259();
    const FrameHeader header = *FrameHeader::parse(frame);
    // The raw file as the capture item saves it, and the same pixels as they arrived for ffmpeg.
    const QString rawFile = writeFile(dir, QStringLiteral("frame259.raw"), RawFrameFile::fileBytes(frame, header));
    const QString pixels = writeFile(dir, QStringLiteral("frame259.x2bgr10le"), frame.mid(FrameHeader::Size));
    std::printf("brevanto-cli: %s\n33-point file %lld bytes, 17-point file %lld bytes, frame %dx%d format 259, %d runs each\n",
                qPrintable(cli), QFileInfo(grade33).size(), QFileInfo(grade17).size(), FrameWidth, FrameHeight, runs);

    const auto resample = [&](const QString &in, const QString &out, int size) {
        return Command{cli, {QStringLiteral("lut"), QStringLiteral("resample"), in, out, QStringLiteral("--size"),
                             QString::number(size)}};
    };
    const auto bake = [&](const QString &in, const QString &out, int size) {
        return Command{ocio, {QStringLiteral("--lut"), in, QStringLiteral("--cubesize"), QString::number(size),
                              QStringLiteral("--format"), QStringLiteral("resolve_cube"), out}};
    };
    const Command down = resample(grade33, dir.filePath(QStringLiteral("cli17.cube")), 17);
    const Command up = resample(grade17, dir.filePath(QStringLiteral("cli33.cube")), 33);
    const Command bakeDown = bake(grade33, dir.filePath(QStringLiteral("ocio17.cube")), 17);
    const Command bakeUp = bake(grade17, dir.filePath(QStringLiteral("ocio33.cube")), 33);
    const Command decode{cli, {QStringLiteral("frame"), QStringLiteral("decode"), rawFile, dir.filePath(QStringLiteral("cli.bmp"))}};
    const Command convert{ffmpeg,
                          {QStringLiteral("-y"), QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-nostdin"),
                           QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-pix_fmt"), QStringLiteral("x2bgr10le"),
                           QStringLiteral("-s"), QStringLiteral("1920x1080"), QStringLiteral("-i"), pixels,
                           QStringLiteral("-pix_fmt"), QStringLiteral("rgb24"), QStringLiteral("-f"), QStringLiteral("rawvideo"),
                           dir.filePath(QStringLiteral("ffmpeg.rgb")), QStringLiteral("-threads"), QStringLiteral("1")}};

    // Every result once, checked, before anything is timed.
    for (const Command *command : {&down, &up, &bakeDown, &bakeUp, &decode, &convert})
        runChecked(*command);
    checkSameBytes(dir.filePath(QStringLiteral("cli17.cube")), CubrixUtils::downsampleCube33to17(grade33),
                   "33 to 17 resampling");
    checkSameBytes(dir.filePath(QStringLiteral("cli33.cube")), CubrixUtils::upsampleCube17to33(grade17),
                   "17 to 33 resampling");
    checkResolveCube(dir.filePath(QStringLiteral("ocio17.cube")), 17);
    checkResolveCube(dir.filePath(QStringLiteral("ocio33.cube")), 33);
    if (QFileInfo(dir.filePath(QStringLiteral("ffmpeg.rgb"))).size() != qint64(FrameWidth) * FrameHeight * 3)
        fail(QStringLiteral("ffmpeg did not write a %1x%2 rgb24 picture").arg(FrameWidth).arg(FrameHeight));
    {
        QImage exact(FrameWidth, FrameHeight, QImage::Format_ARGB32_Premultiplied);
        if (!FrameDecoder::decodeReference(CubrixUtils::Formulas(), frame, header, 0, exact))
            fail(QStringLiteral("the frame does not decode"));
        const QImage bmp(dir.filePath(QStringLiteral("cli.bmp")), "BMP");
        if (bmp.isNull() || bmp.convertToFormat(QImage::Format_RGB32) != exact.convertToFormat(QImage::Format_RGB32))
            fail(QStringLiteral("brevanto-cli's BMP does not hold the pixels of the exact decode"));
    }
    std::printf("results checked: resampled files equal the program's own resamplers, ociobakelut wrote 17- and "
                "33-point resolve_cube files, the BMP holds the exact pixels\n");
    // A small process forks faster: the frame goes before the timed runs.
    frame = QByteArray();

    // What starting any process costs here, in both figures of every pair.
    const QString trueProgram = QStandardPaths::findExecutable(QStringLiteral("true"));
    if (!trueProgram.isEmpty()) {
        std::vector<double> times;
        for (int i = 0; i < runs; ++i)
            times.push_back(runTimed(Command{trueProgram, {}}));
        std::printf("starting a process that does nothing (%s): median %.2f ms\n", qPrintable(trueProgram),
                    Bench::median(times));
    }

    report("cli lut resample 33 to 17", "ociobakelut", medians(down, bakeDown, runs), 0.4, runs);
    report("cli lut resample 17 to 33", "ociobakelut", medians(up, bakeUp, runs), 0.4, runs);
    report("cli frame decode 259 to BMP", "ffmpeg", medians(decode, convert, runs), 1.0, runs);
    return 0;
}
