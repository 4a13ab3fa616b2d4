#include "screen/sky_plot.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>

#include "nmea/nav_record.h"
#include "nmea/number_text.h"
#include "nmea/sky_view.h"
#include "screen/drawing_resources.h"
#include "screen/plot_face.h"
#include "screen/satellite_look.h"
#include "screen/screen_areas.h"
#include "screen/sky_layout.h"

namespace {

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

// The width of each used satellite's label, which a tag must hold.
void MeasureLabels(HDC surface, const SkyView& sky) {
    for (int32_t i = 0; i < sky.count; ++i) {
        const SkySatellite& s = sky.satellites[i];
        labelWidths[i] = 0;
        if (!s.used || !s.located) continue;
        labelWidths[i] = SatelliteLabelWidth(surface, s);
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

// Copies the plot's surface to its place in the window.
void ShowPlot(HDC dc) {
    BitBlt(dc, kPlotArea.left, kPlotArea.top, kPlotArea.right - kPlotArea.left,
           kPlotArea.bottom - kPlotArea.top, SkySurface, 0, 0, SRCCOPY);
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
    ShowPlot(dc);
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
    // The letters keep whatever text colour the previous pass left.
    DrawPlotFace(surface, 0);

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
    DrawTextScratch(surface, fixText, TextLength(fixText), {70, 0, 110, 15}, 0);
    WCHAR count[kNoFixCountChars];
    DrawTextScratch(surface, count, FormatNoFixCount(count), {0, 0, 30, 15}, 0);

    ShowPlot(dc);
    return true;
}
