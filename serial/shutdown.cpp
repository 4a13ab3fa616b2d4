#include "serial/shutdown.h"

#include "serial/com_port.h"
#include "serial/gpsd_session.h"
#include "serial/serial_state.h"
#include "serial/status_message.h"

namespace {

constexpr DWORD kShutdownPauseMs = 100;
constexpr int kCloseAttempts = 50;

}  // namespace

void ShutdownSequence(HWND window) {
    HDC dc = GetDC(window);
    ShowStatus(dc, u"Search Com Port");

    KillTimer(window, TickTimer);
    Sleep(kShutdownPauseMs);
    KillTimer(window, NoFixTimer);

    const bool held = IsOpenHandle(ComPort);
    if (held) PurgeComm(ComPort, PURGE_RXCLEAR);
    Sleep(kShutdownPauseMs);

    for (int attempt = 0; attempt < kCloseAttempts; ++attempt) {
        Sleep(kShutdownPauseMs);
        ShowStatus(dc, u"Wait Close");
        if (!held) break;
        if (CloseHandle(ComPort)) {
            ComPort = nullptr;
            break;
        }
    }

    EndGpsdSession();
    ReleaseDC(window, dc);
    DestroyWindow(window);
}
