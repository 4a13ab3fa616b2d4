#include "screen/satellite_look.h"

#include <cmath>

#include "nmea/number_text.h"
#include "screen/drawing_resources.h"

namespace {

WCHAR labelBuffer[1024];

constexpr int32_t kMarkerRadius = 10;
// A line of the screen's font has three rows above the tops of its digits
// and capitals; the tag's text rises by one less.
constexpr int32_t kTagTextRise = 2;
constexpr int32_t kBarBottom = 40;
// Even a satellite without a usable SNR gets a visible stub.
constexpr int32_t kLowestBarTop = kBarBottom - 2;
constexpr int32_t kLabelHeight = 15;
// A label this tall does not fit inside a shorter bar; it goes above it.
constexpr int32_t kLabelInsideMinHeight = 10;

void SelectFill(HDC surface, bool used) {
    SelectObject(surface, WhiteBrush);
    if (used) {
        SelectObject(surface, BlueBrush);
        SelectObject(surface, BlackPen);
    }
}

// A GPS satellite's shape is round, every other system's square.
void DrawShape(HDC surface, const SkySatellite& s, const RECT& box) {
    if (s.system == GnssSystem::kGps) {
        EllipseScratch(surface, box);
    } else {
        RectangleScratch(surface, box);
    }
}

}  // namespace

int32_t MarkerHalfWidth(const SkySatellite& s) {
    if (s.system == GnssSystem::kGps || s.number < 10) return kMarkerRadius;
    // Room for the letter and two digits, or three, clear of the outline.
    return s.number < 100 ? 12 : 14;
}

char16_t SystemLetter(GnssSystem system) {
    switch (system) {
        case GnssSystem::kGps:
            return u'G';
        case GnssSystem::kSbas:
            return u'S';
        case GnssSystem::kGlonass:
            return u'R';
        case GnssSystem::kGalileo:
            return u'E';
        case GnssSystem::kBeidou:
            return u'C';
        case GnssSystem::kQzss:
            return u'J';
        case GnssSystem::kNavic:
            return u'I';
    }
    return u'?';
}

void DrawSatelliteMarker(HDC surface, const SkySatellite& s, int32_t cx, int32_t cy) {
    SelectFill(surface, s.used);
    const int32_t half = MarkerHalfWidth(s);
    DrawShape(surface, s, {cx - half, cy - kMarkerRadius, cx + half, cy + kMarkerRadius});
    SetTextColor(surface, GetSysColor(s.used ? COLOR_HIGHLIGHTTEXT : COLOR_STATICTEXT));
    if (s.system == GnssSystem::kGps) {
        const int count = wsprintfW(labelBuffer, u"%2d", s.number);
        DrawTextScratch(surface, labelBuffer, count, {cx - 7, cy - 7, cx + 10, cy + 10}, 0);
        return;
    }
    const int count = SatelliteLabel(s, labelBuffer);
    DrawTextScratch(surface, labelBuffer, count, {cx - half, cy - 7, cx + half, cy + 10},
                    DT_CENTER);
}

int SatelliteLabel(const SkySatellite& s, WCHAR* out) {
    if (s.system == GnssSystem::kGps) return wsprintfW(out, u"%d", s.number);
    out[0] = SystemLetter(s.system);
    return 1 + wsprintfW(out + 1, u"%d", s.number);
}

int32_t SatelliteLabelWidth(HDC dc, const SkySatellite& s) {
    const int count = SatelliteLabel(s, labelBuffer);
    RECT measured{0, 0, 0, 0};
    DrawTextW(dc, labelBuffer, count, &measured, DT_CALCRECT | DT_SINGLELINE);
    return measured.right;
}

void DrawSatelliteTag(HDC surface, const SkySatellite& s, const RECT& box) {
    SelectObject(surface, BluePen);
    SelectObject(surface, BlueBrush);
    DrawShape(surface, s, box);
    SelectObject(surface, BlackPen);
    SetTextColor(surface, GetSysColor(COLOR_HIGHLIGHTTEXT));
    const int count = SatelliteLabel(s, labelBuffer);
    // The line's first rows hold no ink of a digit or a capital: the text
    // starts above the box so that its ink sits a pixel inside it.
    DrawTextScratch(surface, labelBuffer, count,
                    {box.left, box.top - kTagTextRise, box.right, box.bottom}, DT_CENTER);
}

void DrawSatelliteMark(HDC surface, const SkySatellite& s, const RECT& box) {
    SelectObject(surface, BlackPen);
    SelectObject(surface, WhiteBrush);
    DrawShape(surface, s, box);
}

void DrawSatelliteBar(HDC surface, const SkySatellite& s, int32_t x) {
    SelectFill(surface, s.used);
    double snr = static_cast<double>(s.snr);
    // A value that is no number at all counts as no SNR.
    if (std::isnan(snr)) snr = 0.0;
    int32_t top = TruncateToInt32(40.0 - snr * 0.8);
    if (top > kLowestBarTop) top = kLowestBarTop;
    // From 50 dB-Hz on the bar stands the strip's whole height, its label inside.
    if (top < 0) top = 0;
    RectangleScratch(surface, {x, top, x + kBarWidth, kBarBottom});

    // Inside the bar the label reads on the bar's fill; above a short bar it
    // stands on the strip's white, where only the dark colour reads.
    const bool shortBar = top > kBarBottom - kLabelInsideMinHeight;
    const int32_t labelTop = shortBar ? top - kLabelHeight : top;
    SetTextColor(surface,
                 GetSysColor(s.used && !shortBar ? COLOR_HIGHLIGHTTEXT : COLOR_STATICTEXT));
    int count = wsprintfW(labelBuffer, u"%2d", TruncateToInt32(snr));
    DrawTextScratch(surface, labelBuffer, count,
                    {x, labelTop, x + kBarWidth, labelTop + kLabelHeight}, 0);

    SetTextColor(surface, GetSysColor(COLOR_STATICTEXT));
    if (s.system == GnssSystem::kGps) {
        count = wsprintfW(labelBuffer, u"%2d", s.number);
        DrawTextScratch(surface, labelBuffer, count, {x, 37, x + kBarWidth, 52}, 0);
        return;
    }
    // Under the bar and the gap after it; a letter and three digits would not fit.
    count =
        s.number < 100 ? SatelliteLabel(s, labelBuffer) : wsprintfW(labelBuffer, u"%d", s.number);
    DrawTextScratch(surface, labelBuffer, count, {x - 1, 37, x + kBarPitch - 1, 52}, DT_CENTER);
}
