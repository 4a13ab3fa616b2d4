// How one satellite looks on the sky plot and in the signal strip. GPS
// satellites are numbered circles; every other system's are squares, and
// their numbers carry the system's letter.
#pragma once

#include <cstdint>

#include "nmea/sky_view.h"
#include "win/windows.h"

// The one-letter prefix of a system: G GPS (never drawn: GPS numbers stand
// alone), S SBAS, R GLONASS, E Galileo, C BeiDou, J QZSS, I NavIC.
char16_t SystemLetter(GnssSystem system);

// Half the width of the satellite's marker: 10 for the circle of GPS and for
// a square with a one-digit label, more for the longer labels.
int32_t MarkerHalfWidth(const SkySatellite& satellite);

// The marker centred on cx, cy: blue when used, white otherwise, with the
// satellite's label in the text colour that reads on it.
void DrawSatelliteMarker(HDC surface, const SkySatellite& satellite, int32_t cx, int32_t cy);

// The bar of the strip whose left edge is x: as tall as the SNR warrants,
// the SNR at its top and the satellite's label under it.
void DrawSatelliteBar(HDC surface, const SkySatellite& satellite, int32_t x);

// Bars of the strip: 18 pixels wide at a 20-pixel pitch, 16 across the screen.
inline constexpr int32_t kBarPitch = 20;
inline constexpr int32_t kBarWidth = 18;
inline constexpr int32_t kStripWidth = 320;
inline constexpr int32_t kStripHeight = 50;
inline constexpr int kMaxBars = kStripWidth / kBarPitch;
