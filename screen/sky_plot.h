#pragma once

#include <cstdint>

#include "nmea/sky_view.h"
#include "win/windows.h"

// Composes the sky plot on SkySurface and copies it to the window at 0, 100.
// Draws nothing when the plot would show the same as the last pass; true
// when it drew.
bool DrawSkyPlot(HDC dc, const SkyView& sky);
// Copies the last pass to the window again; false when the window shows none.
bool RepaintSkyPlot(HDC dc);
// The window no longer shows the last pass: the next one draws.
void ForgetSkyPlot();

// Where the marker of a satellite at this azimuth and elevation (whole
// degrees) is centred on the plot, in surface pixels.
void SkyMarkerCentre(uint16_t azimuth, uint16_t elevation, int32_t* cx, int32_t* cy);
