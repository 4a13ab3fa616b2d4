// The program's entry on the host: the display, the instance with the
// program's resources, then the application's WinMain.
#include "host/host.h"
#include "win/user.h"

int main() {
    host::StartDisplay();
    HINSTANCE instance = host::CreateInstance(host::ProgramResources());
    // The program takes no arguments: WinMain gets an empty command line.
    WCHAR command_line[] = u"";
    int result = WinMain(instance, nullptr, command_line, SW_SHOW);
    host::StopDisplay();
    return result;
}
