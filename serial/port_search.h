#pragma once

#include "win/windows.h"

// The TickTimer tick: search or update, then shut down or re-arm.
void TickTimerTick(HWND window);
void SearchPorts(HWND window);
void ShutdownSequence(HWND window);
