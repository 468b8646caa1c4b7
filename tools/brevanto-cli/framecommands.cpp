#include "framecommands.h"

#include "cliarguments.h"
#include "console.h"
#include "helptexts.h"

#include "capture/formulas.h"
#include "capture/framedecoder.h"
#include "capture/frameheader.h"
#include "capture/rawframefile.h"
#include "mncp/sockethandler.h"

#include <QFile>
#include <QFileInfo>

using CubrixUtils::Formulas;

namespace {

int usage(const QString &message, const QString &topic)
{
    Console::err(QStringLiteral("brevanto-cli: %1").arg(message));
    Console::err(QStringLiteral("Run \"brevanto-cli %1 --help\" for usage.").arg(topic));
    return ExitUsage;
}

QString formatName(int format)
{
    switch (format) {
    case Formulas::FormatYCbCr422: return QStringLiteral("YCbCr 4:2:2");
    case Formulas::FormatYCbCr444: return QStringLiteral("YCbCr 4:4:4");
    case Formulas::FormatYCbCr444Le: return QStringLiteral("YCbCr 4:4:4 little-endian");
    case Formulas::FormatRgb444Le: return QStringLiteral("RGB 4:4:4 little-endian");
    default: return QString();
    }
}

} // namespace

bool FrameCommands::isPictureSuffix(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")
           || suffix == QLatin1String("bmp");
}

QImage FrameCommands::decodeRawFile(const QByteArray &file, uint range, QString *error, QString *summary)
{
    const std::optional<FrameHeader> header = FrameHeader::parse(file);
    if (!header) {
        *error = QStringLiteral("%1 bytes do not hold the 12-byte frame header").arg(file.size());
        return QImage();
    }
    const QString problem = header->problemWith(file.size());
    if (!problem.isEmpty()) {
        *error = QStringLiteral("not a whole frame: %1").arg(problem);
        return QImage();
    }
    if (header->width == 0 || header->height == 0) {
        *error = QStringLiteral("the frame is empty (%1 x %2 pixels)").arg(header->width).arg(header->height);
        return QImage();
    }
    if (formatName(header->format).isEmpty()) {
        *error = QStringLiteral("pixel format %1 is not one the devices capture (1, 2, 258 or 259)").arg(header->format);
        return QImage();
    }
    // The capture item stores formats 258 and 259 with their outer fields exchanged; the same
    // exchange turns the file back into the frame as it arrived.
    const QByteArray frame = RawFrameFile::fileBytes(file, *header);
    QImage image(header->width, header->height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        *error = QStringLiteral("no memory for a %1 x %2 picture").arg(header->width).arg(header->height);
        return QImage();
    }
    const Formulas formulas;
    if (!FrameDecoder::decode(formulas, frame, *header, range, image)) {
        *error = QStringLiteral("the frame could not be decoded");
        return QImage();
    }
    *summary = QStringLiteral("%1 x %2, format %3 (%4), timecode bytes %5 %6 %7 %8")
                   .arg(header->width)
                   .arg(header->height)
                   .arg(header->format)
                   .arg(formatName(header->format))
                   .arg(header->timecode[0], 2, 16, QLatin1Char('0'))
                   .arg(header->timecode[1], 2, 16, QLatin1Char('0'))
                   .arg(header->timecode[2], 2, 16, QLatin1Char('0'))
                   .arg(header->timecode[3], 2, 16, QLatin1Char('0'));
    return image;
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

    QFile file(input);
    if (!file.open(QIODevice::ReadOnly)) {
        Console::err(QStringLiteral("brevanto-cli: cannot read %1: %2").arg(input, file.errorString()));
        return ExitFailure;
    }
    // A frame is never larger than the biggest payload a device may send.
    if (file.size() > qint64(SocketHandler::MaxPayloadLength)) {
        Console::err(QStringLiteral("brevanto-cli: %1: %2 bytes is larger than any frame").arg(input).arg(file.size()));
        return ExitFailure;
    }
    const QByteArray bytes = file.readAll();
    file.close();

    QString error;
    QString summary;
    const QImage image = decodeRawFile(bytes, uint(*range), &error, &summary);
    if (image.isNull()) {
        Console::err(QStringLiteral("brevanto-cli: %1: %2").arg(input, error));
        return ExitFailure;
    }
    if (!image.save(output)) {
        Console::err(QStringLiteral("brevanto-cli: cannot write %1").arg(output));
        return ExitFailure;
    }
    Console::out(QStringLiteral("wrote %1: %2, range %3").arg(output, summary).arg(*range));
    return ExitSuccess;
}
