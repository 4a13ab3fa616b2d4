#include "screen/signal_bars.h"

#include <algorithm>
#include <cmath>

#include "nmea/nav_record.h"
#include "nmea/sky_view.h"
#include "screen/drawing_resources.h"
#include "screen/satellite_look.h"
#include "screen/screen_areas.h"

namespace {

// Indexes into the view of the satellites that get a bar.
int32_t shown[kMaxSkySatellites];

// What each bar position of the strip shows. A bar and its labels stay
// inside their column, from one pixel left of the bar to the next bar's
// label, so only the columns that change are drawn again.
struct BarContent {
    bool present;
    GnssSystem system;
    uint16_t number;
    float snr;  // a value that is no number as 0, as the bar draws it
    bool used;
    bool operator==(const BarContent&) const = default;
};
BarContent strip[kMaxBars];
bool stripKnown;

// A value that is no number counts as no SNR.
float SnrOf(const SkySatellite& s) {
    return std::isnan(s.snr) ? 0.0f : s.snr;
}

BarContent ContentOf(const SkySatellite& s) {
    return {true, s.system, s.number, SnrOf(s), s.used};
}

// The satellites that get a bar, in the order of the view (system, then
// number): all of them when they fit, else those a user most wants to see,
// the used ones first, then the others by falling SNR.
int32_t ChooseBars(const SkyView& sky) {
    const int32_t count = sky.count;
    for (int32_t i = 0; i < count; ++i)
        shown[i] = i;
    if (count <= kMaxBars) return count;
    // A strict order, ties going to the view's order: no stable sort needed.
    std::sort(shown, shown + count, [&sky](int32_t a, int32_t b) {
        const SkySatellite& sa = sky.satellites[a];
        const SkySatellite& sb = sky.satellites[b];
        if (sa.used != sb.used) return sa.used;
        if (SnrOf(sa) != SnrOf(sb)) return SnrOf(sa) > SnrOf(sb);
        return a < b;
    });
    std::sort(shown, shown + kMaxBars);
    return kMaxBars;
}

}  // namespace

void ForgetSignalBars() {
    stripKnown = false;
}

bool RepaintSignalBars(HDC dc) {
    if (!stripKnown) return false;
    FillScratch(dc, kBandArea, BlueBrush);
    BitBlt(dc, kStripArea.left, kStripArea.top, kStripWidth, kStripHeight, BarSurface, 0, 0,
           SRCCOPY);
    return true;
}

void DrawSignalBars(HDC dc, const SkyView& sky) {
    HDC bars = BarSurface;
    SelectObject(bars, BlackPen);
    SelectObject(bars, WhiteBrush);
    SetBkMode(bars, TRANSPARENT);
    if (!stripKnown) {
        FillScratch(bars, {0, 0, kStripWidth, kStripHeight}, WhiteBrush);
        for (BarContent& bar : strip)
            bar = {};
        stripKnown = true;
    }

    FillScratch(dc, kBandArea, BlueBrush);

    const int32_t barCount = ChooseBars(sky);
    for (int32_t n = 0; n < kMaxBars; ++n) {
        const BarContent content =
            n < barCount ? ContentOf(sky.satellites[shown[n]]) : BarContent{};
        if (content == strip[n]) continue;
        strip[n] = content;
        const int32_t x = n * kBarPitch;
        FillScratch(bars, {x == 0 ? 0 : x - 1, 0, x + kBarPitch - 1, kStripHeight}, WhiteBrush);
        if (content.present) DrawSatelliteBar(bars, sky.satellites[shown[n]], x);
    }

    BitBlt(dc, kStripArea.left, kStripArea.top, kStripWidth, kStripHeight, bars, 0, 0, SRCCOPY);
}
