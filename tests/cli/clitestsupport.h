#pragma once

// Running brevanto-cli as a user would, and expected results built straight from their
// definitions (never from the code the tool uses).

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtEndian>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace CliTest {

struct Result {
    int exitCode = -1;
    bool crashed = false;
    bool timedOut = false;
    QString out;
    QString err;
    qint64 elapsedMs = 0;

    // The exit status, or a note of what went wrong with the process itself.
    QString describe() const
    {
        return QStringLiteral("exit %1%2%3\n--- stdout\n%4\n--- stderr\n%5")
            .arg(exitCode)
            .arg(crashed ? QStringLiteral(" (crashed)") : QString(), timedOut ? QStringLiteral(" (timed out)") : QString(),
                 out, err);
    }
    bool clean() const { return !crashed && !timedOut; }
};

inline QString executable()
{
    return QStringLiteral(BREVANTO_CLI_PATH);
}

// Runs `program` to completion (bounded); stdout and stderr kept apart.
inline Result runProgram(const QString &program, const QStringList &arguments, int timeoutMs = 60000,
                         const QString &workingDir = QString())
{
    Result result;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        result.crashed = true;
        return result;
    }
    if (!process.waitForFinished(timeoutMs)) {
        result.timedOut = true;
        process.kill();
        process.waitForFinished(5000);
    }
    result.elapsedMs = timer.elapsed();
    result.crashed = result.crashed || process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// Runs the tool to completion (bounded); stdout and stderr kept apart.
inline Result run(const QStringList &arguments, int timeoutMs = 60000, const QString &workingDir = QString())
{
    return runProgram(executable(), arguments, timeoutMs, workingDir);
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The binary 3D LUT image of 17-point values in file order: 128-byte header (fixed bytes,
// little-endian data checksum and length, header checksum) and big-endian words of three
// 10-bit codes, code = trunc(v * 1023 + 0.5) clamped to 0..1023.
inline QByteArray binaryImage(const std::vector<std::array<float, 3>> &entries)
{
    QByteArray image(128, '\0');
    const uchar magic[8] = {0x99, 0x02, 0x34, 0x42, 0, 0, 0, 0x02};
    for (int i = 0; i < 8; ++i)
        image[i] = char(magic[i]);
    QByteArray data;
    for (const auto &entry : entries) {
        quint32 word = 0;
        for (int c = 0; c < 3; ++c) {
            volatile float product = entry[c] * 1023.0f;
            const float scaled = product + 0.5f;
            const long code = scaled < 0 ? 0 : std::min(1023L, long(scaled));
            word |= quint32(code) << (10 * c);
        }
        char bytes[4];
        qToBigEndian(word, bytes);
        data.append(bytes, 4);
    }
    quint32 sum = 0;
    for (char c : data)
        sum += uchar(c);
    // Through a plain buffer: GCC takes a fresh QByteArray's data() for the shared empty array
    // and warns about writes into it.
    char fields[8];
    qToLittleEndian(sum, fields);
    qToLittleEndian(quint32(data.size()), fields + 4);
    image.replace(40, 8, fields, 8);
    uchar headerSum = 0;
    for (int i = 0; i < 127; ++i)
        headerSum = uchar(headerSum + uchar(image[i]));
    image[127] = char(headerSum);
    return image + data;
}

// The sample lines of an identity table, as a list of (r, g, b) float triples in file order.
inline std::vector<std::array<float, 3>> identityEntries(int points)
{
    std::vector<std::array<float, 3>> entries;
    for (int b = 0; b < points; ++b)
        for (int g = 0; g < points; ++g)
            for (int r = 0; r < points; ++r)
                entries.push_back({float(r) / float(points - 1), float(g) / float(points - 1), float(b) / float(points - 1)});
    return entries;
}

// Entry lines of a .cube text read back as numbers (strtod), keyword and blank lines dropped.
inline std::vector<std::array<double, 3>> parseEntries(const QByteArray &text)
{
    std::vector<std::array<double, 3>> entries;
    for (const QByteArray &line : text.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith("LUT_") || trimmed.startsWith('#') || trimmed.startsWith("TITLE"))
            continue;
        const QList<QByteArray> pieces = trimmed.simplified().split(' ');
        if (pieces.size() != 3)
            continue;
        entries.push_back({pieces[0].toDouble(), pieces[1].toDouble(), pieces[2].toDouble()});
    }
    return entries;
}

} // namespace CliTest
