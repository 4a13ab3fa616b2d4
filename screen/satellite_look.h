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

// The satellite's label without padding: a GPS number alone ("5"), any
// other with its system's letter ("C19"). Returns its length.
int SatelliteLabel(const SkySatellite& satellite, WCHAR* out);
// How wide that label draws on one line in the font the device context holds.
int32_t SatelliteLabelWidth(HDC dc, const SkySatellite& satellite);

// Where a crowded sky has no room for the full marker: a used satellite's
// label, light on a blue shape of its system (an ellipse for GPS, a
// rectangle for the others) filling the box.
void DrawSatelliteTag(HDC surface, const SkySatellite& satellite, const RECT& box);
// And one only in view: an unlabelled circle or square, white with a black
// outline, filling the box.
void DrawSatelliteMark(HDC surface, const SkySatellite& satellite, const RECT& box);

// The bar of the strip whose left edge is x: as tall as the SNR warrants,
// the SNR at its top and the satellite's label under it.
void DrawSatelliteBar(HDC surface, const SkySatellite& satellite, int32_t x);

// Bars of the strip: 18 pixels wide at a 20-pixel pitch, 16 across the screen.
inline constexpr int32_t kBarPitch = 20;
inline constexpr int32_t kBarWidth = 18;
inline constexpr int32_t kStripWidth = 320;
inline constexpr int32_t kStripHeight = 50;
inline constexpr int kMaxBars = kStripWidth / kBarPitch;
