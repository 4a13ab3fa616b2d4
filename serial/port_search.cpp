#include "serial/port_search.h"

#include "screen/main_screen.h"
#include "serial/com_port.h"
#include "serial/gpsd_session.h"
#include "serial/line_rate.h"
#include "serial/serial_state.h"
#include "serial/source_silence.h"
#include "serial/status_message.h"

namespace {

constexpr int kProbeCount = 3;
constexpr UINT kSettleMs = 1000;
constexpr UINT kProbeMs = 300;

// The search lets port n go, if it holds it.
void ReleaseSearchPort(int n) {
    HANDLE& port = SearchHandles[n - 1];
    if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
    port = INVALID_HANDLE_VALUE;
}

void EndSearch(HDC dc) {
    ShowStatus(dc, u"Search end");
    SearchStage = kSearchIdle;
    SearchPort = 0;
}

// Shows the first port from n on that opened and starts its probes; ends the
// search when none is left. The pause until the next step.
UINT VisitPortFrom(HDC dc, int n) {
    while (n <= kComPortCount && SearchHandles[n - 1] == INVALID_HANDLE_VALUE)
        ++n;
    if (n > kComPortCount) {
        EndSearch(dc);
        return kTickMs;
    }
    ShowStatus(dc, u"Read Com%x", n);
    SearchStage = kSearchProbing;
    SearchPort = n;
    SearchProbe = 0;
    return kProbeMs;
}

// gpsd greets a connection at once, so the ports need no time to queue data
// when only gpsd answered; and when nothing answered and one port leads to
// gpsd, the search ends at once and the next tick tries again, so that a
// gpsd that comes back is found within a tick.
bool OnlyGpsdToWaitFor() {
    bool anyOpened = false;
    for (int i = 0; i < kComPortCount; ++i) {
        if (SearchHandles[i] == INVALID_HANDLE_VALUE) continue;
        if (!PortSpeaksGpsd(i + 1)) return false;
        anyOpened = true;
    }
    if (anyOpened) return true;
    for (int i = 0; i < kComPortCount; ++i) {
        if (PortSpeaksGpsd(i + 1)) return true;
    }
    return false;
}

UINT OpenAllPorts(HDC dc) {
    DrawStaticScreen(dc);
    // All ports are opened first so every receiver gets the same time to queue data.
    for (int i = 0; i < kComPortCount; ++i)
        SearchHandles[i] = OpenComPort(i + 1);
    SearchStage = kSearchResting;
    return OnlyGpsdToWaitFor() ? 0 : kSettleMs;
}

UINT ProbePort(HDC dc) {
    const int n = SearchPort;
    HANDLE port = SearchHandles[n - 1];
    if (ReadAvailable(port) > 0) {
        ShowStatus(dc, u"Detect Data Com%x", n);
        ComPort = port;
        SearchHandles[n - 1] = INVALID_HANDLE_VALUE;
        StartLineRate(port, n);
        StartSilenceWatch(port);
        StartGpsdSession(port, n);
        SearchPending = 0;
        // Ports above the chosen one are let go unread, so other programs can use them.
        for (int above = n + 1; above <= kComPortCount; ++above)
            ReleaseSearchPort(above);
        EndSearch(dc);
        return kTickMs;
    }
    if (++SearchProbe < kProbeCount) return kProbeMs;
    ShowStatus(dc, u"Com%x Not Read", n);
    ReleaseSearchPort(n);
    return VisitPortFrom(dc, n + 1);
}

}  // namespace

UINT SearchStep(HWND window) {
    HDC dc = GetDC(window);
    UINT next = kTickMs;
    switch (SearchStage) {
        case kSearchIdle:
            next = OpenAllPorts(dc);
            break;
        case kSearchResting:
            next = VisitPortFrom(dc, 1);
            break;
        case kSearchProbing:
            next = ProbePort(dc);
            break;
    }
    ReleaseDC(window, dc);
    return next;
}

void AbandonSearch() {
    for (int n = 1; n <= kComPortCount; ++n)
        ReleaseSearchPort(n);
    SearchStage = kSearchIdle;
    SearchPort = 0;
}
