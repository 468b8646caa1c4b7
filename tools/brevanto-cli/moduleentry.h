#pragma once

// The one function the frame and device module exports: it runs "frame ..." and "device ..."
// command lines from start to end, application object included, and returns the exit status.
// argc stays alive for the whole run (the application object keeps a reference to it).
using ModuleMain = int (*)(int *argc, char **argv);
#define BREVANTO_CLI_MODULE_ENTRY "brevantoCliModuleMain"
