// The TickTimer's tick, which drives the search, the updates and the
// shutdown.
#pragma once

#include "win/windows.h"

// A step of the search or an update, then shut down or re-arm (after the
// pause the search step asks for, or the tick period).
void TickTimerTick(HWND window);
// The window was asked to close: the next tick comes at once and shuts down,
// leaving a search under way unfinished.
void RequestExit(HWND window);
