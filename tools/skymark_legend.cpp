// skymark-legend: the picture that explains how each system's satellites
// look (full markers, and where a sky crowds the tags of used ones and the
// marks of the others), drawn by the program's own marker and bar routines
// through the real rasteriser. Usage: skymark-legend OUT.png
#include <cstdio>

#include "host/host.h"
#include "nmea/sky_view.h"
#include "screen/drawing_resources.h"
#include "screen/satellite_look.h"
#include "screen/sky_layout.h"
#include "win/windows.h"

namespace {

constexpr int kNameWidth = 44;  // the column of the row names
constexpr int kColumn = 48;     // one column per system
constexpr int kWidth = kNameWidth + 7 * kColumn;
constexpr int kNameRow = 2;
constexpr int kUsedRow = 30;  // marker centres
constexpr int kInViewRow = 56;
// Where a sky crowds: a used satellite's tag and the mark of one in view.
constexpr int kTagRow = 78;
constexpr int kMarkRow = 94;
constexpr int kBarsTop = 106;
constexpr int kHeight = kBarsTop + kStripHeight;

struct Example {
    const char16_t* name;
    GnssSystem system;
    uint16_t number;
};

// The same number in three systems is three satellites.
constexpr Example kExamples[] = {
    {u"GPS", GnssSystem::kGps, 5},          {u"SBAS", GnssSystem::kSbas, 44},
    {u"GLONASS", GnssSystem::kGlonass, 72}, {u"Galileo", GnssSystem::kGalileo, 5},
    {u"BeiDou", GnssSystem::kBeidou, 5},    {u"QZSS", GnssSystem::kQzss, 2},
    {u"NavIC", GnssSystem::kNavic, 3},
};

void Text(HDC dc, const char16_t* text, int left, int top, int right, UINT format) {
    RECT box{left, top, right, top + 15};
    DrawTextW(dc, text, TextLength(text), &box, format | DT_SINGLELINE);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: skymark-legend OUT.png\n", stderr);
        return 2;
    }
    HDC legend = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(legend, kWidth, kHeight);
    if (legend == nullptr || bitmap == nullptr) {
        std::fputs("skymark-legend: cannot create the picture\n", stderr);
        return 1;
    }
    SelectObject(legend, bitmap);
    CreateDrawingResourcesForDc(legend);
    RECT whole{0, 0, kWidth, kHeight};
    FillRect(legend, &whole, WhiteBrush);
    SetBkMode(legend, TRANSPARENT);
    SelectObject(legend, BlackPen);
    SetTextColor(legend, GetSysColor(COLOR_STATICTEXT));
    Text(legend, u"used", 2, kUsedRow - 6, kNameWidth, 0);
    Text(legend, u"in view", 2, kInViewRow - 6, kNameWidth, 0);
    Text(legend, u"crowded", 2, (kTagRow + kMarkRow) / 2 - 6, kNameWidth, 0);
    Text(legend, u"bars", 2, kBarsTop + 14, kNameWidth, 0);

    // The bars are composed on the strip's own surface, two at a time.
    HDC strip = BarSurface;
    SelectObject(strip, BlackPen);
    SetBkMode(strip, TRANSPARENT);
    for (int k = 0; k < 7; ++k) {
        const Example& e = kExamples[k];
        const int left = kNameWidth + k * kColumn;
        const int cx = left + kColumn / 2;
        SetTextColor(legend, GetSysColor(COLOR_STATICTEXT));
        Text(legend, e.name, left, kNameRow, left + kColumn, DT_CENTER);
        const SkySatellite used{e.system, e.number, 0, 0, true, true, 42.0f};
        const SkySatellite inView{e.system, e.number, 0, 0, true, false, 30.0f};
        DrawSatelliteMarker(legend, used, cx, kUsedRow);
        DrawSatelliteMarker(legend, inView, cx, kInViewRow);
        int32_t width = 0, height = 0;
        TagSize(used, SatelliteLabelWidth(legend, used), &width, &height);
        DrawSatelliteTag(legend, used,
                         {cx - width / 2, kTagRow - height / 2, cx - width / 2 + width,
                          kTagRow - height / 2 + height});
        DrawSatelliteMark(legend, inView,
                          {cx - kMarkSize / 2, kMarkRow - kMarkSize / 2,
                           cx - kMarkSize / 2 + kMarkSize, kMarkRow - kMarkSize / 2 + kMarkSize});
        SetBkMode(legend, TRANSPARENT);

        RECT stripArea{0, 0, kStripWidth, kStripHeight};
        FillRect(strip, &stripArea, WhiteBrush);
        DrawSatelliteBar(strip, used, 0);
        DrawSatelliteBar(strip, inView, kBarPitch);
        BitBlt(legend, cx - kBarPitch, kBarsTop, 2 * kBarPitch, kStripHeight, strip, 0, 0, SRCCOPY);
    }
    if (!host::WritePng(host::DcPixels(legend), argv[1])) {
        std::fprintf(stderr, "skymark-legend: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
