#pragma once

#include "win/windows.h"

// The TickTimer tick: a step of the search or an update, then shut down or
// re-arm (after the pause the search step asks for, or the tick period).
void TickTimerTick(HWND window);
// One step of the port search; returns the pause until the next one. The
// search opens COM1 to COM9, rests, probes each port that opened in turn and
// takes the first that delivers. Between its steps the window takes its
// messages as at any other time.
UINT SearchStep(HWND window);
// The window was asked to close: the next tick comes at once and shuts down,
// leaving a search under way unfinished.
void RequestExit(HWND window);
void ShutdownSequence(HWND window);
