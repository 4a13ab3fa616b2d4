// The program's entry on the host: its command line and variables, the font,
// the ports, the display, the instance with the program's resources, then
// WinMain.
#include <cstdio>

#include "app/program_arguments.h"
#include "app/program_name.h"
#include "host/host.h"
#include "resources/program_resources.h"
#include "resources/resource_ids.h"
#include "screen/device_screen.h"
#include "serial/serial_state.h"
#include "win/windows.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kTitleChars = 100;

}  // namespace

int main(int argc, char** argv) {
    host::SetProgramName(kProgramName);
    ProgramArguments arguments;
    switch (ReadProgramArguments(argc, argv, &arguments)) {
        case ArgumentsOutcome::kHelp:
            std::fputs(ProgramUsage().c_str(), stdout);
            return 0;
        case ArgumentsOutcome::kVersion:
            std::printf("%s %s\n", kProgramName, SKYMARK_VERSION);
            return 0;
        case ArgumentsOutcome::kError:
            host::Report("%s (see %s --help)", arguments.error.c_str(), kProgramName);
            return kUsageError;
        case ArgumentsOutcome::kRun:
            break;
    }
    // Without a font every text on the screen would silently draw nothing.
    if (!host::DefaultFontUsable()) {
        host::Report(
            "no usable font found: install fonts-dejavu-core "
            "(sudo apt install fonts-dejavu-core)");
        return 1;
    }
    ReadProgramVariables(&arguments);
    host::SetScreenSize(kScreenWidth, kScreenHeight);
    MapPorts(arguments);
    BaudSetting = arguments.baud;

    HINSTANCE instance = host::CreateInstance(ProgramResources());
    // The host window carries the title the main window is given.
    WCHAR title[kTitleChars] = {};
    LoadStringW(instance, kTitleStringId, title, kTitleChars);
    arguments.display.title = title;
    host::StartDisplay(arguments.display);
    // The program takes nothing more from its command line.
    WCHAR commandLine[1] = {};
    const int result = WinMain(instance, nullptr, commandLine, SW_SHOW);
    host::StopDisplay();
    return result;
}
