#include "lutcommands.h"

#include "cliarguments.h"
#include "console.h"
#include "helptexts.h"
#include "lutcheck.h"
#include "lutcomparison.h"
#include "outputfile.h"

#include "lut/cubeentryreader.h"
#include "lut/cubrixutils.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

using CubrixUtils::CubeEntryReader;
using CubrixUtils::LutEntry;

namespace {

int usage(const QString &message, const QString &topic)
{
    Console::err(QStringLiteral("brevanto-cli: %1").arg(message));
    Console::err(QStringLiteral("Run \"brevanto-cli %1 --help\" for usage.").arg(topic));
    return ExitUsage;
}

// Reads and checks a source file before it is converted; prints why it is refused. The file is
// read once: the check, the conversion and the comparison all work on `text` and `entries`.
bool sourcePasses(const QString &path, QByteArray &text, LutCheck::Report &report, std::vector<LutEntry> &entries)
{
    if (!QFileInfo::exists(path)) {
        Console::err(QStringLiteral("brevanto-cli: %1: no such file").arg(path));
        return false;
    }
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        text = file.readAll();
        file.close();
        report = LutCheck::checkCubeText(path, text, &entries);
    } else {
        report = LutCheck::checkCube(path); // says why it cannot be read
    }
    if (report.ok())
        return true;
    Console::err(QStringLiteral("brevanto-cli: %1 is not a LUT the devices take whole:").arg(path));
    for (const QString &problem : report.problems)
        Console::err(QStringLiteral("  %1").arg(problem));
    Console::err(QStringLiteral("Run \"brevanto-cli lut check %1\" for every skipped line.").arg(path));
    return false;
}

QString formatDifference(const LutComparison::Difference &difference)
{
    return QStringLiteral("max difference %1, mean %2 (%3 points)")
        .arg(difference.maximum, 0, 'g', 6)
        .arg(difference.mean, 0, 'g', 6)
        .arg(difference.points);
}

} // namespace

int LutCommands::run(CliArguments &arguments)
{
    const QString command = arguments.takeWord();
    if (command == QLatin1String("check"))
        return check(arguments);
    if (command == QLatin1String("resample"))
        return resample(arguments);
    if (command == QLatin1String("binary"))
        return binary(arguments);
    if (command.isEmpty() && arguments.hasHelp()) {
        Console::out(HelpTexts::text(QStringLiteral("lut")));
        return ExitSuccess;
    }
    return usage(command.isEmpty() ? QStringLiteral("lut needs a command: check, resample or binary")
                                   : QStringLiteral("unknown lut command '%1'").arg(command),
                 QStringLiteral("lut"));
}

int LutCommands::check(CliArguments &arguments)
{
    const QString topic = QStringLiteral("lut check");
    if (arguments.hasHelp()) {
        Console::out(HelpTexts::text(topic));
        return ExitSuccess;
    }
    const bool json = arguments.takeFlag(QStringLiteral("json"));
    const QString path = arguments.takeWord();
    if (path.isEmpty())
        return usage(QStringLiteral("lut check needs a FILE"), topic);
    if (!arguments.checkNothingLeft())
        return usage(arguments.error(), topic);
    if (!QFileInfo::exists(path)) {
        Console::err(QStringLiteral("brevanto-cli: %1: no such file").arg(path));
        return ExitFailure;
    }

    const LutCheck::Report report = LutCheck::checkCube(path);
    if (json) {
        Console::out(QString::fromUtf8(QJsonDocument(report.toJson()).toJson(QJsonDocument::Indented)).trimmed());
    } else {
        for (const QString &line : report.toText())
            Console::out(line);
    }
    if (!report.ok())
        Console::err(QStringLiteral("brevanto-cli: %1: %2").arg(path, report.problems.join(QStringLiteral("; "))));
    return report.ok() ? ExitSuccess : ExitFailure;
}

int LutCommands::resample(CliArguments &arguments)
{
    const QString topic = QStringLiteral("lut resample");
    if (arguments.hasHelp()) {
        Console::out(HelpTexts::text(topic));
        return ExitSuccess;
    }
    const std::optional<QString> sizeText = arguments.takeValue(QStringLiteral("size"));
    const QString input = arguments.takeWord();
    const QString output = arguments.takeWord();
    if (!arguments.checkNothingLeft())
        return usage(arguments.error(), topic);
    if (input.isEmpty() || output.isEmpty())
        return usage(QStringLiteral("lut resample needs IN and OUT"), topic);
    if (!sizeText)
        return usage(QStringLiteral("lut resample needs --size 17 or --size 33"), topic);
    const int size = sizeText->toInt();
    if (*sizeText != QLatin1String("17") && *sizeText != QLatin1String("33"))
        return usage(QStringLiteral("--size must be 17 or 33, not '%1'").arg(*sizeText), topic);

    QByteArray text;
    LutCheck::Report report;
    std::vector<LutEntry> source;
    if (!sourcePasses(input, text, report, source))
        return ExitFailure;

    QByteArray result;
    QString how;
    {
        Console::Capture capture;
        if (report.recognisedSize == size) {
            result = text;
            how = QStringLiteral("already a %1-point LUT: written unchanged, as the devices send it").arg(size);
        } else if (size == 17) {
            result = CubrixUtils::downsampleCubeText33to17(text);
            how = QStringLiteral("downsampled from 33 points");
        } else {
            result = CubrixUtils::upsampleCubeText17to33(text);
            how = QStringLiteral("upsampled from 17 points (tetrahedral interpolation)");
        }
        if (result.isEmpty()) {
            Console::err(QStringLiteral("brevanto-cli: %1: conversion failed: %2").arg(input, capture.reason()));
            return ExitFailure;
        }
    }
    const QString writeError = OutputFile::write(output, result);
    if (!writeError.isEmpty()) {
        Console::err(QStringLiteral("brevanto-cli: %1").arg(writeError));
        return ExitFailure;
    }
    Console::out(QStringLiteral("wrote %1: %2-point LUT, %3 decimals, %4").arg(output).arg(size).arg(report.decimals).arg(how));
    for (const QString &warning : report.warnings)
        Console::out(QStringLiteral("warning: %1").arg(warning));
    if (report.recognisedSize == size)
        return ExitSuccess;

    // The source as the resamplers read it (a file that passed the check holds exactly the full
    // grid, every piece a number), the result as a device would read it back.
    const int sourcePoints = report.recognisedSize;
    const auto converted = CubeEntryReader::read(result, CubeEntryReader::UnreadablePiece::SkipLine);
    Console::out(QStringLiteral("shared lattice points: %1")
                     .arg(formatDifference(LutComparison::atSharedPoints(source, sourcePoints, converted, size))));
    if (size > sourcePoints)
        Console::out(QStringLiteral("against trilinear interpolation: %1")
                         .arg(formatDifference(LutComparison::againstTrilinear(source, sourcePoints, converted))));
    return ExitSuccess;
}

int LutCommands::binary(CliArguments &arguments)
{
    const QString topic = QStringLiteral("lut binary");
    if (arguments.hasHelp()) {
        Console::out(HelpTexts::text(topic));
        return ExitSuccess;
    }
    const QString input = arguments.takeWord();
    const QString output = arguments.takeWord();
    if (!arguments.checkNothingLeft())
        return usage(arguments.error(), topic);
    if (input.isEmpty() || output.isEmpty())
        return usage(QStringLiteral("lut binary needs IN.cube and OUT.dat"), topic);

    QByteArray source;
    LutCheck::Report report;
    std::vector<LutEntry> entries;
    if (!sourcePasses(input, source, report, entries))
        return ExitFailure;

    QByteArray image;
    {
        Console::Capture capture;
        const QByteArray text = report.recognisedSize == 33 ? CubrixUtils::downsampleCubeText33to17(source) : source;
        if (!text.isEmpty())
            image = CubrixUtils::cubeToBinaryLut(text);
        if (image.isEmpty()) {
            Console::err(QStringLiteral("brevanto-cli: %1: conversion failed: %2").arg(input, capture.reason()));
            return ExitFailure;
        }
    }
    const QString writeError = OutputFile::write(output, image);
    if (!writeError.isEmpty()) {
        Console::err(QStringLiteral("brevanto-cli: %1").arg(writeError));
        return ExitFailure;
    }
    Console::out(QStringLiteral("wrote %1: binary 3D LUT image, %2 bytes%3")
                     .arg(output)
                     .arg(image.size())
                     .arg(report.recognisedSize == 33 ? QStringLiteral(", downsampled from 33 points") : QString()));
    for (const QString &warning : report.warnings)
        Console::out(QStringLiteral("warning: %1").arg(warning));
    return ExitSuccess;
}
