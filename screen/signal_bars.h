#pragma once

#include "win/windows.h"

// Composes the signal bars on BarSurface, clears the in-view flag of each
// satellite drawn, redraws the band and copies the strip to the window at 0, 220.
void DrawSignalBars(HDC dc);
