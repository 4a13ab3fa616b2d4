// The program's own options, as WinMain receives them: "--baud RATE|auto".
#pragma once

#include "win/windows.h"

// Applies the options to the serial input's settings. False, with the reason
// said on the diagnostics channel, when the line holds anything else.
bool ApplyCommandLine(LPCWSTR commandLine);
