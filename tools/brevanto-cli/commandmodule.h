#pragma once

// The frame and device commands need Qt's GUI, QML and network libraries, whose loading alone
// takes longer than a LUT conversion. They are built into a module beside the executable,
// which loads it only when one of them is run.
class CommandModule
{
public:
    // True for the command words ("frame", "device") that the module runs.
    static bool runs(const char *command);
    // Loads the module and hands it the whole command line; the exit status. No application
    // object may exist yet: the module creates the one its command needs.
    static int run(int &argc, char **argv);
};
