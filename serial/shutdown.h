#pragma once

#include "win/windows.h"

// The end of the program's run: the timers stop, the port is let go (with
// a few tries while it is busy), the gpsd session ends and the window is
// destroyed.
void ShutdownSequence(HWND window);
