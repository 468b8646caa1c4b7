#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class CliArguments;

// The offline frame subcommand: decode.
class FrameCommands
{
public:
    // The words after "frame"; returns the exit status.
    static int run(CliArguments &arguments);

    // Decodes the bytes of a raw frame file as the capture item wrote them; on failure the
    // image is null and `error` says why.
    static QImage decodeRawFile(const QByteArray &file, uint range, QString *error, QString *summary);

    // Picture suffixes QImage writes that the capture window offers, plus PNG.
    static bool isPictureSuffix(const QString &path);

private:
    static int decode(CliArguments &arguments);
};
