#include "serial/tick.h"

#include "serial/port_search.h"
#include "serial/serial_state.h"
#include "serial/shutdown.h"
#include "serial/update_cycle.h"

namespace {

// Set while a tick runs: a close asked for meanwhile (from a message box the
// tick shows) is taken when the tick ends, not by a tick inside it.
bool tickRunning = false;

}  // namespace

void TickTimerTick(HWND window) {
    // Stopped on entry and armed on exit, so a long tick only delays the next one.
    KillTimer(window, TickTimer);
    tickRunning = true;
    UINT next = kTickMs;
    if (!SearchPending) {
        UpdateTick(window);
    } else if (ExitRequested) {
        AbandonSearch();
    } else {
        next = SearchStep(window);
    }
    tickRunning = false;
    if (ExitRequested) {
        ShutdownSequence(window);
        return;
    }
    TickTimer = SetTimer(window, kTickTimerId, next, nullptr);
}

void RequestExit(HWND window) {
    ExitRequested = 1;
    if (!tickRunning) TickTimer = SetTimer(window, kTickTimerId, 0, nullptr);
}
