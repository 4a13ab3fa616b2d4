// The program's entry on the host: the command line, the display, the
// instance with the program's resources, then the application's WinMain.
#include <cstdio>

#include "command_line.h"
#include "host/host.h"
#include "win/user.h"

namespace {

constexpr int kUsageError = 2;

}  // namespace

int main(int argc, char** argv) {
    const host::ProgramCommandLine& program = host::ProgramOptions();
    entry::Arguments arguments;
    switch (entry::ParseArguments(argc, argv, program, &arguments)) {
        case entry::Outcome::kHelp:
            std::fputs(entry::Usage(program).c_str(), stdout);
            return 0;
        case entry::Outcome::kVersion:
            std::printf("skymark %s\n", program.version);
            return 0;
        case entry::Outcome::kError:
            host::Report("%s (see skymark --help)", arguments.error.c_str());
            return kUsageError;
        case entry::Outcome::kRun:
            break;
    }
    // Without a font every text on the screen would silently draw nothing.
    if (!host::DefaultFontUsable()) {
        host::Report(
            "no usable font found: install fonts-dejavu-core "
            "(sudo apt install fonts-dejavu-core)");
        return 1;
    }
    host::StartDisplay();
    HINSTANCE instance = host::CreateInstance(host::ProgramResources());
    int result = WinMain(instance, nullptr, arguments.command_line.data(), SW_SHOW);
    host::StopDisplay();
    return result;
}
