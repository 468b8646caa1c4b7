#pragma once

#include <QString>

class CliArguments;

// The offline frame subcommand: decode.
class FrameCommands
{
public:
    // The words after "frame"; returns the exit status.
    static int run(CliArguments &arguments);

    // Picture suffixes QImage writes that the capture window offers, plus PNG.
    static bool isPictureSuffix(const QString &path);

private:
    static int decode(CliArguments &arguments);
};
