// The program's entry on the host: the display, the instance with the
// program's resources, then the application's WinMain.
#include "host/host.h"
#include "win/user.h"

int main() {
    // Without a font every text on the screen would silently draw nothing.
    if (!host::DefaultFontUsable()) {
        host::Report(
            "no usable font found: install fonts-dejavu-core "
            "(sudo apt install fonts-dejavu-core)");
        return 1;
    }
    host::StartDisplay();
    HINSTANCE instance = host::CreateInstance(host::ProgramResources());
    // The program takes no arguments: WinMain gets an empty command line.
    WCHAR command_line[] = u"";
    int result = WinMain(instance, nullptr, command_line, SW_SHOW);
    host::StopDisplay();
    return result;
}
