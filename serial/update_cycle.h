#pragma once

#include "win/windows.h"

// One update: read what the source queued, log it, decode and draw it, then
// follow the line rate and the silence.
void UpdateTick(HWND window);
// The Log command: switches raw logging on or off.
void ToggleLogging(HWND window);
