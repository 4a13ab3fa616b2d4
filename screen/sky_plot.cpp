#include "screen/sky_plot.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>

#include "nmea/nav_record.h"
#include "nmea/number_text.h"
#include "nmea/sky_view.h"
#include "screen/drawing_resources.h"
#include "screen/satellite_look.h"
#include "screen/sky_layout.h"

namespace {

WCHAR labelBuffer[1024];

// What the plot shows: its markers in drawing order, each in its form and
// place, the fix type and the no-fix count. A pass that would draw the same
// is left out.
struct PlotMarker {
    GnssSystem system;
    uint16_t number;
    MarkerForm form;
    bool used;
    int32_t cx, cy;
    int32_t left, top, right, bottom;
    bool operator==(const PlotMarker&) const = default;
};
struct PlotContent {
    int32_t markerCount;
    PlotMarker markers[kMaxSkySatellites];
    int32_t fixType;
    int32_t noFixSeconds;
};
PlotContent shown;
bool shownKnown;  // false until a pass has drawn, and after a forget
SkyLayout layout;
int32_t labelWidths[kMaxSkySatellites];

constexpr double kDegree = std::numbers::pi / 180.0;
constexpr double kRadius = 40.0;  // elevation 0 lies on the outer circle
constexpr int32_t kCentre = 50;

void FillScratch(HDC dc, const RECT& rect, HBRUSH brush) {
    ScratchRect = rect;
    FillRect(dc, &ScratchRect, brush);
}

void EllipseScratch(HDC dc, const RECT& rect) {
    ScratchRect = rect;
    Ellipse(dc, ScratchRect.left, ScratchRect.top, ScratchRect.right, ScratchRect.bottom);
}

void DrawTextScratch(HDC dc, const WCHAR* text, int count, const RECT& rect) {
    ScratchRect = rect;
    DrawTextW(dc, text, count, &ScratchRect, 0);
}

const WCHAR* FixTypeText(int32_t fixType) {
    switch (fixType) {
        case 0:
        case 1:
            return u"NONE";
        case 2:
            return u"2D   ";
        case 3:
            return u"3D   ";
        default:
            return u"?   ";
    }
}

int Length(const WCHAR* text) {
    int count = 0;
    while (text[count] != 0)
        ++count;
    return count;
}

// The width of each used satellite's label, which a tag must hold.
void MeasureLabels(HDC surface, const SkyView& sky) {
    for (int32_t i = 0; i < sky.count; ++i) {
        const SkySatellite& s = sky.satellites[i];
        labelWidths[i] = 0;
        if (!s.used || !s.located) continue;
        const int count = SatelliteLabel(s, labelBuffer);
        RECT measured{0, 0, 0, 0};
        DrawTextW(surface, labelBuffer, count, &measured, DT_CALCRECT | DT_SINGLELINE);
        labelWidths[i] = measured.right;
    }
}

bool SameAsShown(const SkyView& sky) {
    static PlotContent next;
    next.markerCount = layout.count;
    for (int32_t k = 0; k < layout.count; ++k) {
        const PlacedMarker& m = layout.markers[k];
        const SkySatellite& s = sky.satellites[m.satellite];
        next.markers[k] = {s.system, s.number,   m.form,    s.used,      m.cx,
                           m.cy,     m.box.left, m.box.top, m.box.right, m.box.bottom};
    }
    next.fixType = Nav.fixType;
    next.noFixSeconds = Nav.noFixSeconds;
    const bool same = shownKnown && shown.markerCount == next.markerCount &&
                      shown.fixType == next.fixType && shown.noFixSeconds == next.noFixSeconds &&
                      std::equal(next.markers, next.markers + next.markerCount, shown.markers);
    if (same) return true;
    // Only the markers in use: the rest of the array was never written.
    shown.markerCount = next.markerCount;
    std::copy(next.markers, next.markers + next.markerCount, shown.markers);
    shown.fixType = next.fixType;
    shown.noFixSeconds = next.noFixSeconds;
    shownKnown = true;
    return false;
}

}  // namespace

void SkyMarkerCentre(uint16_t azimuth, uint16_t elevation, int32_t* cx, int32_t* cy) {
    double a = static_cast<double>(azimuth) * kDegree;
    double e = static_cast<double>(elevation) * kDegree;
    int32_t dx = TruncateToInt32((std::sin(a) * kRadius) * std::cos(e));
    int32_t dy = TruncateToInt32((std::cos(e) * -kRadius) * std::cos(a));
    *cx = dx + kCentre;
    *cy = dy + kCentre;
}

void ForgetSkyPlot() {
    shownKnown = false;
}

bool RepaintSkyPlot(HDC dc) {
    if (!shownKnown) return false;
    BitBlt(dc, 0, 100, 100, 100, SkySurface, 0, 0, SRCCOPY);
    return true;
}

bool DrawSkyPlot(HDC dc, const SkyView& sky) {
    HDC surface = SkySurface;
    MeasureLabels(surface, sky);
    LayOutSky(sky, labelWidths, &layout);
    if (SameAsShown(sky)) return false;

    SetBkMode(surface, TRANSPARENT);
    SelectObject(surface, BlackPen);
    SelectObject(surface, WhiteBrush);

    FillScratch(surface, {0, 0, 100, 100}, WhiteBrush);
    EllipseScratch(surface, {10, 10, 90, 90});
    EllipseScratch(surface, {30, 30, 70, 70});
    FillScratch(surface, {10, 49, 90, 51}, BlueBrush);
    FillScratch(surface, {49, 10, 51, 90}, BlueBrush);

    // The letters keep whatever text colour the previous pass left.
    DrawTextScratch(surface, u"N", 1, {45, 0, 55, 15});
    DrawTextScratch(surface, u"S", 1, {48, 83, 54, 98});
    DrawTextScratch(surface, u"E", 1, {85, 43, 98, 58});
    DrawTextScratch(surface, u"W", 1, {5, 43, 17, 58});

    // Full markers where there is room, the others giving way: no marker or
    // label covers a used satellite's.
    for (int32_t k = 0; k < layout.count; ++k) {
        const PlacedMarker& m = layout.markers[k];
        const SkySatellite& satellite = sky.satellites[m.satellite];
        switch (m.form) {
            case MarkerForm::kFull:
                DrawSatelliteMarker(surface, satellite, m.cx, m.cy);
                break;
            case MarkerForm::kTag:
                DrawSatelliteTag(surface, satellite, m.box);
                break;
            case MarkerForm::kMark:
                DrawSatelliteMark(surface, satellite, m.box);
                break;
        }
    }

    SetTextColor(surface, GetSysColor(COLOR_STATICTEXT));
    const WCHAR* fixText = FixTypeText(Nav.fixType);
    DrawTextScratch(surface, fixText, Length(fixText), {70, 0, 110, 15});
    int count = wsprintfW(labelBuffer, u"%3ds", Nav.noFixSeconds);
    DrawTextScratch(surface, labelBuffer, count, {0, 0, 30, 15});

    BitBlt(dc, 0, 100, 100, 100, surface, 0, 0, SRCCOPY);
    return true;
}
