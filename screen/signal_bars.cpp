#include "screen/signal_bars.h"

#include "nmea/nav_record.h"
#include "nmea/sky_view.h"
#include "screen/drawing_resources.h"
#include "screen/satellite_look.h"

namespace {

SkyView sky;
// Indexes into sky of the satellites that get a bar.
int32_t shown[kMaxSkySatellites];

// Used satellites first, then the others by falling SNR.
bool Wanted(const SkySatellite& a, const SkySatellite& b) {
    if (a.used != b.used) return a.used;
    return a.snr > b.snr;
}

// The satellites that get a bar, in the order of the view (system, then
// number): all of them when they fit, else those a user most wants to see.
int32_t ChooseBars() {
    const int32_t count = sky.count;
    for (int32_t i = 0; i < count; ++i)
        shown[i] = i;
    if (count <= kMaxBars) return count;
    // Stable insertion sorts, a few dozen entries: by want, then back by index.
    for (int32_t i = 1; i < count; ++i) {
        const int32_t index = shown[i];
        int32_t j = i;
        for (; j > 0 && Wanted(sky.satellites[index], sky.satellites[shown[j - 1]]); --j)
            shown[j] = shown[j - 1];
        shown[j] = index;
    }
    for (int32_t i = 1; i < kMaxBars; ++i) {
        const int32_t index = shown[i];
        int32_t j = i;
        for (; j > 0 && index < shown[j - 1]; --j)
            shown[j] = shown[j - 1];
        shown[j] = index;
    }
    return kMaxBars;
}

}  // namespace

void DrawSignalBars(HDC dc) {
    HDC bars = BarSurface;
    SelectObject(bars, BlackPen);
    SelectObject(bars, WhiteBrush);
    ScratchRect = {0, 0, kStripWidth, kStripHeight};
    FillRect(bars, &ScratchRect, WhiteBrush);
    SetBkMode(bars, TRANSPARENT);

    ScratchRect = {0, 90, 320, 95};
    FillRect(dc, &ScratchRect, BlueBrush);

    BuildSkyView(Nav, &sky);
    const int32_t barCount = ChooseBars();
    for (int32_t n = 0; n < barCount; ++n)
        DrawSatelliteBar(bars, sky.satellites[shown[n]], n * kBarPitch);

    BitBlt(dc, 0, 220, kStripWidth, kStripHeight, bars, 0, 0, SRCCOPY);
}
