#include "framecommands.h"

#include "cliarguments.h"
#include "console.h"
#include "helptexts.h"

#include "bmpwriter.h"
#include "mappedfile.h"
#include "outputfile.h"
#include "rawframebands.h"

#include "mncp/sockethandler.h"

#include <QFileInfo>
#include <QImage>

#include <algorithm>

namespace {

int usage(const QString &message, const QString &topic)
{
    Console::err(QStringLiteral("brevanto-cli: %1").arg(message));
    Console::err(QStringLiteral("Run \"brevanto-cli %1 --help\" for usage.").arg(topic));
    return ExitUsage;
}

// Bands of decoded lines of about this size: a few hundred kilobytes stay in the cache.
constexpr int BandBytes = 256 * 1024;

// BMP, the format of the capture window's quick saves, is written band by band as the lines are
// decoded; the other formats need the whole picture for Qt's writers.
bool writeBmp(RawFrameBands &frame, QIODevice &file)
{
    const FrameHeader &header = frame.header();
    // The resolution a new picture carries here, as Qt's BMP writer would state it.
    const QImage resolution(1, 1, QImage::Format_ARGB32);
    BmpWriter writer(&file, header.width, header.height, resolution.dotsPerMeterX(), resolution.dotsPerMeterY());
    if (!writer.writeHeader())
        return false;
    const int bandLines = frame.linesPerBand(BandBytes);
    const int bytesPerLine = 4 * header.width;
    QByteArray band(bandLines * bytesPerLine, Qt::Uninitialized);
    for (int end = header.height; end > 0;) {
        const int first = std::max(0, end - bandLines);
        auto *pixels = reinterpret_cast<uchar *>(band.data());
        if (!frame.decode(first, end - first, pixels, bytesPerLine) || !writer.writeBand(pixels, end - first, bytesPerLine))
            return false;
        end = first;
    }
    return true;
}

} // namespace

bool FrameCommands::isPictureSuffix(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")
           || suffix == QLatin1String("bmp");
}

int FrameCommands::run(CliArguments &arguments)
{
    const QString command = arguments.takeWord();
    if (command == QLatin1String("decode"))
        return decode(arguments);
    if (command.isEmpty() && arguments.hasHelp()) {
        Console::out(HelpTexts::text(QStringLiteral("frame")));
        return ExitSuccess;
    }
    return usage(command.isEmpty() ? QStringLiteral("frame needs a command: decode")
                                   : QStringLiteral("unknown frame command '%1'").arg(command),
                 QStringLiteral("frame"));
}

int FrameCommands::decode(CliArguments &arguments)
{
    const QString topic = QStringLiteral("frame decode");
    if (arguments.hasHelp()) {
        Console::out(HelpTexts::text(topic));
        return ExitSuccess;
    }
    const std::optional<QString> rangeText = arguments.takeValue(QStringLiteral("range"));
    const QString input = arguments.takeWord();
    const QString output = arguments.takeWord();
    if (!arguments.checkNothingLeft())
        return usage(arguments.error(), topic);
    if (input.isEmpty() || output.isEmpty())
        return usage(QStringLiteral("frame decode needs IN.raw and OUT"), topic);
    std::optional<int> range = 0;
    if (rangeText) {
        range = CliArguments::toInt(*rangeText, 0, 4);
        if (!range)
            return usage(QStringLiteral("--range must be 0 to 4, not '%1'").arg(*rangeText), topic);
    }
    if (!isPictureSuffix(output))
        return usage(QStringLiteral("%1: the picture must end in .png, .jpg or .bmp").arg(output), topic);

    // A frame is never larger than the biggest payload a device may send.
    MappedFile file;
    if (!file.open(input, qint64(SocketHandler::MaxPayloadLength))) {
        if (file.tooLarge() && file.size() < 0)
            Console::err(QStringLiteral("brevanto-cli: %1: more than %2 bytes is larger than any frame")
                             .arg(input).arg(SocketHandler::MaxPayloadLength));
        else if (file.tooLarge())
            Console::err(QStringLiteral("brevanto-cli: %1: %2 bytes is larger than any frame").arg(input).arg(file.size()));
        else
            Console::err(QStringLiteral("brevanto-cli: cannot read %1: %2").arg(input, file.errorString()));
        return ExitFailure;
    }

    RawFrameBands frame;
    QString error;
    if (!frame.open(file.bytes(), uint(*range), &error)) {
        Console::err(QStringLiteral("brevanto-cli: %1: %2").arg(input, error));
        return ExitFailure;
    }
    const FrameHeader &header = frame.header();
    OutputFile picture(output);
    QString writeError = picture.open();
    if (!writeError.isEmpty()) {
        Console::err(QStringLiteral("brevanto-cli: %1").arg(writeError));
        return ExitFailure;
    }
    // The format Qt's writers take from the name's suffix.
    const QByteArray format = QFileInfo(output).suffix().toLower().toLatin1();
    bool written = false;
    if (format == "bmp") {
        written = writeBmp(frame, picture.device());
    } else {
        // The pixels are opaque: plain ARGB32 holds them as the premultiplied form would, and
        // Qt's writers take it without converting it first.
        QImage image(header.width, header.height, QImage::Format_ARGB32);
        if (image.isNull()) {
            Console::err(QStringLiteral("brevanto-cli: %1: no memory for a %2 x %3 picture")
                             .arg(input).arg(header.width).arg(header.height));
            return ExitFailure;
        }
        const int bandLines = frame.linesPerBand(BandBytes);
        for (int first = 0; first < header.height; first += bandLines) {
            if (!frame.decode(first, std::min(bandLines, header.height - first), image.scanLine(first),
                              int(image.bytesPerLine()))) {
                Console::err(QStringLiteral("brevanto-cli: %1: the frame could not be decoded").arg(input));
                return ExitFailure;
            }
        }
        written = image.save(&picture.device(), format.constData());
    }
    if (!written) {
        Console::err(QStringLiteral("brevanto-cli: cannot write %1").arg(output));
        return ExitFailure;
    }
    writeError = picture.commit();
    if (!writeError.isEmpty()) {
        Console::err(QStringLiteral("brevanto-cli: %1").arg(writeError));
        return ExitFailure;
    }
    const QString summary = frame.summary();
    Console::out(QStringLiteral("wrote %1: %2, range %3").arg(output, summary).arg(*range));
    return ExitSuccess;
}
