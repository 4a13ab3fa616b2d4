// The program's GUI entry: the main window, then the message loop until the
// window is gone. The command line is not read here: the program's main has
// taken its options.
#include "app/main_window.h"
#include "win/windows.h"

namespace {

// As a program that could not start: the window is the whole program.
constexpr int kNoWindowExit = 1;

}  // namespace

int WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPWSTR /*commandLine*/, int showCommand) {
    if (!CreateMainWindow(instance, showCommand)) {
        OutputDebugStringW(u"the main window could not be created");
        return kNoWindowExit;
    }

    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(kAcceleratorTableId));
    MSG message{};
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        // Offered for the window it is addressed to, so that the shortcuts also
        // work while a dialog of the program has the focus.
        if (!TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return got == 0 ? static_cast<int>(message.wParam) : 0;
}
