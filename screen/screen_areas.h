// Where the parts of the main screen stand, in window pixels.
#pragma once

#include "win/windows.h"

// The blue band under the text fields.
inline constexpr RECT kBandArea{0, 90, 320, 95};
// The sky plot, composed on SkySurface and copied here.
inline constexpr RECT kPlotArea{0, 100, 100, 200};
// The signal strip, composed on BarSurface and copied here.
inline constexpr RECT kStripArea{0, 220, 320, 270};
inline constexpr RECT kStatusLineArea{5, 200, 320, 215};
