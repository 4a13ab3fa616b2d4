// The search for the port a receiver speaks on.
#pragma once

#include "win/windows.h"

// One step of the port search; returns the pause until the next one. The
// search opens COM1 to COM9, rests, probes each port that opened in turn and
// takes the first that delivers. Between its steps the window takes its
// messages as at any other time.
UINT SearchStep(HWND window);
// A search under way that will not be finished: its ports are let go.
void AbandonSearch();
