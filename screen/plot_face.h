// What the sky plot shows whether or not any satellite is on it: its face
// and the no-fix count in its top-left corner. The window draws them where
// no plot has been composed yet, the plot's surface on every pass.
#pragma once

#include <cstdint>

#include "win/windows.h"

// The two circles, the blue crosshair and the compass letters, with the
// plot's top-left corner at (0, top), drawn with the pen, brush and text
// colour the device context holds.
void DrawPlotFace(HDC dc, int32_t top);

// Room for the no-fix count's text with its terminator, whatever the count.
inline constexpr int kNoFixCountChars = 16;
// The no-fix count as the plot's corner shows it: the seconds without a
// fix, right-aligned in three places, then "s". Returns its length.
int FormatNoFixCount(WCHAR (&text)[kNoFixCountChars]);
