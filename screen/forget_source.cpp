#include "screen/forget_source.h"

#include "nmea/nmea_state.h"
#include "screen/drawing_resources.h"
#include "screen/main_screen.h"

namespace {

// What the static screen draws over but does not clear: the plot's whole
// area (markers reach past its circles), the strip with the bars' tops above
// their frames, and the checksum mark.
constexpr RECT kLeftBySource[] = {{0, 100, 100, 200}, {0, 220, 320, 270}, {5, 30, 10, 35}};

}  // namespace

void ForgetSource(HDC dc) {
    ForgetDecodedState();
    for (const RECT& area : kLeftBySource) {
        ScratchRect = area;
        FillRect(dc, &ScratchRect, WhiteBrush);
    }
    DrawStaticScreen(dc);
}
