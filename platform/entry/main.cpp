// The program's entry on the host: the display, the instance with the
// program's resources, then the application's WinMain.
#include "command_line.h"
#include "host/host.h"
#include "win/user.h"

int main(int argc, char** argv) {
    host::StartDisplay();
    HINSTANCE instance = host::CreateInstance(host::ProgramResources());
    std::u16string command_line = entry::CommandLineFromArguments(argc, argv);
    int result = WinMain(instance, nullptr, command_line.data(), SW_SHOW);
    host::StopDisplay();
    return result;
}
