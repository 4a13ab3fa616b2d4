#pragma once

#include "win/windows.h"

// Composes the signal strip on BarSurface, one bar per satellite in view up to
// sixteen, redraws the band and copies the strip to the window at 0, 220.
void DrawSignalBars(HDC dc);
