#pragma once

#include "nmea/sky_view.h"
#include "win/windows.h"

// Composes the signal strip on BarSurface, one bar per satellite in view up to
// sixteen, redraws the band and copies the strip to the window at 0, 220.
// Only the bars that changed since the last pass are drawn again.
void DrawSignalBars(HDC dc, const SkyView& sky);
// Copies the strip to the window again; false when the window shows none.
bool RepaintSignalBars(HDC dc);
// The window no longer shows the strip: it is drawn whole on the next pass.
void ForgetSignalBars();
