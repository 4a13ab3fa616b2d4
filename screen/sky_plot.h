#pragma once

#include <cstdint>

#include "nmea/sky_view.h"
#include "win/windows.h"

// Composes the sky plot on SkySurface and copies it to the window at 0, 100.
// Draws nothing when the plot would show the same as the last pass.
void DrawSkyPlot(HDC dc, const SkyView& sky);
// The window may no longer show the last pass: the next one draws.
void ForgetSkyPlot();

// Where the marker of a satellite at this azimuth and elevation (whole
// degrees) is centred on the plot, in surface pixels.
void SkyMarkerCentre(uint16_t azimuth, uint16_t elevation, int32_t* cx, int32_t* cy);
