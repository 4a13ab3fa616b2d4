#include "screen/sky_plot.h"

#include <cmath>
#include <numbers>

#include "nmea/nav_record.h"
#include "nmea/number_text.h"
#include "screen/drawing_resources.h"

namespace {

WCHAR labelBuffer[1024];

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

bool DrawnAsUsed(int id) {
    return Nav.satUsed[id] != 0 && Nav.fixType != 1;
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

}  // namespace

void SkyMarkerCentre(uint16_t azimuth, uint16_t elevation, int32_t* cx, int32_t* cy) {
    double a = static_cast<double>(azimuth) * kDegree;
    double e = static_cast<double>(elevation) * kDegree;
    int32_t dx = TruncateToInt32((std::sin(a) * kRadius) * std::cos(e));
    int32_t dy = TruncateToInt32((std::cos(e) * -kRadius) * std::cos(a));
    *cx = dx + kCentre;
    *cy = dy + kCentre;
}

void DrawSkyPlot(HDC dc) {
    HDC sky = SkySurface;
    SetBkMode(sky, TRANSPARENT);
    SelectObject(sky, BlackPen);
    SelectObject(sky, WhiteBrush);

    FillScratch(sky, {0, 0, 100, 100}, WhiteBrush);
    EllipseScratch(sky, {10, 10, 90, 90});
    EllipseScratch(sky, {30, 30, 70, 70});
    FillScratch(sky, {10, 49, 90, 51}, BlueBrush);
    FillScratch(sky, {49, 10, 51, 90}, BlueBrush);

    // The letters keep whatever text colour the previous pass left.
    DrawTextScratch(sky, u"N", 1, {45, 0, 55, 15});
    DrawTextScratch(sky, u"S", 1, {48, 83, 54, 98});
    DrawTextScratch(sky, u"E", 1, {85, 43, 98, 58});
    DrawTextScratch(sky, u"W", 1, {5, 43, 17, 58});

    for (int id = 1; id < kSatelliteTableSize; ++id) {
        if (Nav.satInView[id] == 0) continue;
        bool used = DrawnAsUsed(id);
        SelectObject(sky, WhiteBrush);
        if (used) {
            SelectObject(sky, BlueBrush);
            SelectObject(sky, BlackPen);
        }
        int32_t cx = 0, cy = 0;
        SkyMarkerCentre(Nav.satAzimuth[id], Nav.satElevation[id], &cx, &cy);
        EllipseScratch(sky, {cx - 10, cy - 10, cx + 10, cy + 10});
        SetTextColor(sky, GetSysColor(used ? COLOR_HIGHLIGHTTEXT : COLOR_STATICTEXT));
        int count = wsprintfW(labelBuffer, u"%2d", id);
        DrawTextScratch(sky, labelBuffer, count, {cx - 7, cy - 7, cx + 10, cy + 10});
    }

    SetTextColor(sky, GetSysColor(COLOR_STATICTEXT));
    const WCHAR* fixText = FixTypeText(Nav.fixType);
    DrawTextScratch(sky, fixText, Length(fixText), {70, 0, 110, 15});
    int count = wsprintfW(labelBuffer, u"%3ds", Nav.noFixSeconds);
    DrawTextScratch(sky, labelBuffer, count, {0, 0, 30, 15});

    BitBlt(dc, 0, 100, 100, 100, sky, 0, 0, SRCCOPY);
}
