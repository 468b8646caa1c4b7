#include "lutcommands.h"

#include "cliarguments.h"
#include "console.h"
#include "helptexts.h"
#include "lut/lutcheck.h"
#include "lutcomparison.h"
#include "mappedfile.h"
#include "outputfile.h"
#include "readbackthread.h"

#include "lut/cubeentryreader.h"
#include "lut/cubrixutils.h"

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

// Opens a source file; false, with `report` saying why, when it is missing or cannot be read.
bool openSource(const QString &path, MappedFile &source, LutCheck::Report &report)
{
    report = LutCheck::Report();
    report.path = path;
    if (!QFileInfo::exists(path)) {
        Console::err(QStringLiteral("brevanto-cli: %1: no such file").arg(path));
        return false;
    }
    if (source.open(path, LutCheck::MaxFileSize))
        return true;
    report.problems << QStringLiteral("cannot read %1: %2").arg(path, source.errorString());
    return false;
}

// Prints why a source file is refused.
void printRefusal(const LutCheck::Report &report)
{
    Console::err(QStringLiteral("brevanto-cli: %1 is not a LUT the devices take whole:").arg(report.path));
    for (const QString &problem : report.problems)
        Console::err(QStringLiteral("  %1").arg(problem));
    Console::err(QStringLiteral("Run \"brevanto-cli lut check %1\" for every skipped line.").arg(report.path));
}

// Reads and checks a source file before it is converted; prints why it is refused. The file is
// read once: the check, the conversion and the comparison all use `source`.
bool sourcePasses(const QString &path, MappedFile &source, LutCheck::Report &report)
{
    if (!openSource(path, source, report)) {
        if (!report.problems.isEmpty())
            printRefusal(report);
        return false;
    }
    report = LutCheck::checkCubeText(path, source.bytes());
    if (report.ok())
        return true;
    printRefusal(report);
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

    // Mapped and read with the tool's bound, like every source it converts.
    MappedFile source;
    LutCheck::Report report;
    if (openSource(path, source, report))
        report = LutCheck::checkCubeText(path, source.bytes());
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

    MappedFile source;
    LutCheck::Report report;
    if (!openSource(input, source, report)) {
        if (!report.problems.isEmpty())
            printRefusal(report);
        return ExitFailure;
    }
    const QByteArray &text = source.bytes();
    // The grid the check will recognise, told by the same size tests.
    const int recognisedSize =
        CubrixUtils::isCubeTextSize33(text) ? 33 : CubrixUtils::isCubeTextSize17(text) ? 17 : 0;
    // A file of the other size is converted and compared; its entries go to the comparison as
    // the check reads them.
    LutComparison comparison(size == 17 ? 33 : 17, size);
    const LutCheck::EntrySink toComparison = [&comparison](const LutEntry &entry) { comparison.addSource(entry); };

    QString how;
    QString writeError;
    {
        Console::Capture capture;
        OutputFile file(output);
        writeError = file.open();
        if (recognisedSize == size || !writeError.isEmpty()) {
            // Nothing to convert, or nowhere to write: the check comes first and says what is wrong.
            report = LutCheck::checkCubeText(input, text, toComparison);
            if (!report.ok()) {
                printRefusal(report);
                return ExitFailure;
            }
            how = QStringLiteral("already a %1-point LUT: written unchanged, as the devices send it").arg(size);
            if (writeError.isEmpty())
                writeError = file.write(text);
        } else {
            how = size == 17 ? QStringLiteral("downsampled from 33 points")
                             : QStringLiteral("upsampled from 17 points (tetrahedral interpolation)");
            // A second thread checks the source while this one converts it, then reads the text
            // back from the file as a device would read it, for the comparison, while this one
            // goes on writing it. No copy of the result is held, and neither thread waits for the
            // other until the end. A file that fails the check is dropped unwritten.
            ReadBackThread readBack(
                [&] { report = LutCheck::checkCubeText(input, text, toComparison); }, file.pathAside(),
                [&comparison](const QByteArray &piece) {
                    CubeEntryReader reader(piece);
                    while (reader.nextCandidate()) {
                        LutEntry entry;
                        if (reader.convert(entry))
                            comparison.addResult(entry);
                    }
                });
            const CubrixUtils::CubeTextSink sink = [&file, &readBack, &writeError](const QByteArray &piece) {
                writeError = file.write(piece);
                if (!writeError.isEmpty())
                    return false;
                readBack.written(piece.size());
                return true;
            };
            const bool converted = size == 17 ? CubrixUtils::downsampleCubeText33to17(text, sink)
                                              : CubrixUtils::upsampleCubeText17to33(text, sink);
            const QString readBackError = readBack.finish();
            if (!report.ok()) {
                printRefusal(report);
                return ExitFailure;
            }
            if (!converted && writeError.isEmpty()) {
                Console::err(QStringLiteral("brevanto-cli: %1: conversion failed: %2").arg(input, capture.reason()));
                return ExitFailure;
            }
            if (writeError.isEmpty() && !readBackError.isEmpty())
                writeError = QStringLiteral("cannot read %1 back: %2").arg(output, readBackError);
        }
        if (writeError.isEmpty())
            writeError = file.commit();
    }
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
    // grid, every piece a number) against the result as a device reads it back.
    Console::out(QStringLiteral("shared lattice points: %1").arg(formatDifference(comparison.atSharedPoints())));
    if (size > report.recognisedSize)
        Console::out(QStringLiteral("against trilinear interpolation: %1").arg(formatDifference(comparison.againstTrilinear())));
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

    MappedFile source;
    LutCheck::Report report;
    if (!sourcePasses(input, source, report))
        return ExitFailure;

    QByteArray image;
    {
        Console::Capture capture;
        const QByteArray text =
            report.recognisedSize == 33 ? CubrixUtils::downsampleCubeText33to17(source.bytes()) : source.bytes();
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
