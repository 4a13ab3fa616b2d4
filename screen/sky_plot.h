#pragma once

#include "win/windows.h"

// Composes the sky plot on SkySurface and copies it to the window at 0, 100.
void DrawSkyPlot(HDC dc);
