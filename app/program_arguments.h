// The program's command line and the variables that stand in for its options,
// read once at start: --baud for the serial input; the display, its scale and
// snapshot, and the sources of COM1 to COM9 for the platform. An option wins
// over its variable.
#pragma once

#include <string>
#include <vector>

#include "host/host.h"
#include "win/types.h"

enum class ArgumentsOutcome { kRun, kHelp, kVersion, kError };

// Not copied: display.snapshot points into it.
struct ProgramArguments {
    ProgramArguments() = default;
    ProgramArguments(const ProgramArguments&) = delete;
    ProgramArguments& operator=(const ProgramArguments&) = delete;

    DWORD baud = 0;  // as BaudSetting takes it
    host::DisplayChoice display;
    // Given on the command line: they replace the whole port map. Otherwise
    // the variables map the ports they name.
    bool sources_given = false;
    std::vector<std::string> sources;  // COM1 first
    bool scale_given = false;
    std::string snapshot;  // what display.snapshot points at
    std::string error;     // kError: one line, without the program's name
};

// Parses argv; sets nothing unless it returns kRun.
ArgumentsOutcome ReadProgramArguments(int argc, const char* const* argv,
                                      ProgramArguments* arguments);
// Reads from the variables what the options left open, saying on stderr what
// of them is wrong.
void ReadProgramVariables(ProgramArguments* arguments);
// Gives each port its source as the arguments say.
void MapPorts(const ProgramArguments& arguments);
// The text of --help.
std::string ProgramUsage();
