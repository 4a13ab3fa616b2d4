#include "serial/port_search.h"

#include "screen/drawing_resources.h"
#include "screen/main_screen.h"
#include "serial/com_port.h"
#include "serial/line_rate.h"
#include "serial/serial_state.h"
#include "serial/update_cycle.h"

namespace {

constexpr int kPortCount = 9;
constexpr int kProbeCount = 3;
constexpr DWORD kSettleMs = 1000;
constexpr DWORD kProbeMs = 300;
constexpr DWORD kShutdownPauseMs = 100;
constexpr int kCloseAttempts = 50;
constexpr UINT kTickMs = 300;

// Each message is drawn over the previous one; the trailing spaces wipe what a longer one left.
// Some stand only until the next is drawn, with no pause between: each is handed to the display
// at once so that none is lost.
void ShowStatus(HDC dc, const WCHAR* format, int portNumber = 0) {
    WCHAR text[32];
    wsprintfW(text, format, portNumber);
    DrawTextInRect(dc, 5, 320, 200, 215, text);
    GdiFlush();
}

bool IsOpenHandle(HANDLE h) {
    return h != nullptr && h != INVALID_HANDLE_VALUE;
}

}  // namespace

void TickTimerTick(HWND window) {
    // Stopped on entry and armed on exit, so a long tick only delays the next one.
    KillTimer(window, TickTimer);
    if (SearchPending) {
        SearchPorts(window);
    } else {
        UpdateTick(window);
    }
    if (ExitRequested) {
        ShutdownSequence(window);
        return;
    }
    TickTimer = SetTimer(window, kTickTimerId, kTickMs, nullptr);
}

void SearchPorts(HWND window) {
    HDC dc = GetDC(window);
    DrawStaticScreen(dc);

    // All ports are opened first so every receiver gets the same time to queue data.
    HANDLE ports[kPortCount];
    for (int i = 0; i < kPortCount; ++i)
        ports[i] = OpenComPort(i + 1);
    Sleep(kSettleMs);

    int chosen = 0;
    for (int n = 1; n <= kPortCount && chosen == 0; ++n) {
        HANDLE port = ports[n - 1];
        if (port == INVALID_HANDLE_VALUE) continue;
        ShowStatus(dc, u"Read Com%x     ", n);
        for (int probe = 0; probe < kProbeCount; ++probe) {
            Sleep(kProbeMs);
            if (ReadAvailable(port) > 0) {
                ShowStatus(dc, u"Detect Data Com%x     ", n);
                ComPort = port;
                StartLineRate(port, n);
                SearchPending = 0;
                chosen = n;
                break;
            }
        }
        if (chosen != 0) break;
        ShowStatus(dc, u"Com%x Not Read     ", n);
        CloseHandle(port);
    }

    // Ports above the chosen one are let go unread, so other programs can use them.
    if (chosen != 0) {
        for (int n = chosen + 1; n <= kPortCount; ++n) {
            if (ports[n - 1] != INVALID_HANDLE_VALUE) CloseHandle(ports[n - 1]);
        }
    }

    ShowStatus(dc, u"Search end           ");
    ReleaseDC(window, dc);
}

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
        ShowStatus(dc, u"Wait Close          ");
        if (!held) break;
        if (CloseHandle(ComPort)) {
            ComPort = nullptr;
            break;
        }
    }

    ReleaseDC(window, dc);
    DestroyWindow(window);
}
