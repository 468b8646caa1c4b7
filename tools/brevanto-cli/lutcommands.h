#pragma once

class CliArguments;

// The offline LUT subcommands: check, resample and binary.
class LutCommands
{
public:
    // The words after "lut"; returns the exit status.
    static int run(CliArguments &arguments);

private:
    static int check(CliArguments &arguments);
    static int resample(CliArguments &arguments);
    static int binary(CliArguments &arguments);
};
