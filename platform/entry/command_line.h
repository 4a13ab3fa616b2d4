// The program's arguments: the host's options become the settings of their
// SKYMARK_* variables (an option wins over its variable), sources take COM1,
// COM2 and so on, and the program's own options go on in WinMain's UTF-16
// command line.
#pragma once

#include <string>

#include "host/host.h"

namespace entry {

enum class Outcome { kRun, kHelp, kVersion, kError };

struct Arguments {
    std::u16string command_line;  // the program's own options, for WinMain
    std::string error;            // for kError: one line, without the program's name
};

// Parses argv and, for kRun, sets the variables. Sets nothing otherwise.
Outcome ParseArguments(int argc, const char* const* argv, const host::ProgramCommandLine& program,
                       Arguments* arguments);
std::string Usage(const host::ProgramCommandLine& program);

}  // namespace entry
