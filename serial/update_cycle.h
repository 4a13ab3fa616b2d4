#pragma once

#include "win/windows.h"

// One update: read, log, button caption, no-fix counter, decode.
void UpdateTick(HWND window);
// The Log command: switches raw logging on or off.
void ToggleLogging(HWND window);
