#include "screen/signal_bars.h"

#include <cmath>

#include "nmea/nav_record.h"
#include "nmea/number_text.h"
#include "screen/drawing_resources.h"

namespace {

WCHAR labelBuffer[1024];

constexpr int32_t kBarBottom = 40;
constexpr int32_t kBarWidth = 18;
constexpr int32_t kBarPitch = 20;
constexpr int32_t kLastBarX = 240;
// Even a satellite without a usable SNR gets a visible stub.
constexpr int32_t kLowestBarTop = kBarBottom - 2;
constexpr int32_t kLabelHeight = 15;
// A label this tall does not fit inside a shorter bar; it goes above it.
constexpr int32_t kLabelInsideMinHeight = 10;

void DrawTextScratch(HDC dc, const WCHAR* text, int count, const RECT& rect) {
    ScratchRect = rect;
    DrawTextW(dc, text, count, &ScratchRect, 0);
}

}  // namespace

void DrawSignalBars(HDC dc) {
    HDC bars = BarSurface;
    SelectObject(bars, BlackPen);
    SelectObject(bars, WhiteBrush);
    ScratchRect = {0, 0, 200, 50};
    FillRect(bars, &ScratchRect, WhiteBrush);
    SetBkMode(bars, TRANSPARENT);

    ScratchRect = {0, 90, 320, 95};
    FillRect(dc, &ScratchRect, BlueBrush);

    int32_t x = 0;
    for (int id = 1; id < kSatelliteTableSize; ++id) {
        if (x > kLastBarX || Nav.satInView[id] == 0) continue;
        Nav.satInView[id] = 0;
        bool used = Nav.satUsed[id] != 0 && Nav.fixType != 1;
        SelectObject(bars, WhiteBrush);
        if (used) {
            SelectObject(bars, BlueBrush);
            SelectObject(bars, BlackPen);
        }

        double snr = static_cast<double>(Nav.satSnr[id]);
        // A value that is no number at all counts as no SNR.
        if (std::isnan(snr)) snr = 0.0;
        int32_t top = TruncateToInt32(40.0 - snr * 0.8);
        if (top > kLowestBarTop) top = kLowestBarTop;
        ScratchRect = {x, top, x + kBarWidth, kBarBottom};
        Rectangle(bars, ScratchRect.left, ScratchRect.top, ScratchRect.right, ScratchRect.bottom);

        SetTextColor(bars, GetSysColor(used ? COLOR_HIGHLIGHTTEXT : COLOR_STATICTEXT));
        bool shortBar = top > kBarBottom - kLabelInsideMinHeight;
        int32_t labelTop = shortBar ? top - kLabelHeight : top;
        int count = wsprintfW(labelBuffer, u"%2d", TruncateToInt32(snr));
        DrawTextScratch(bars, labelBuffer, count,
                        {x, labelTop, x + kBarWidth, labelTop + kLabelHeight});

        SetTextColor(bars, GetSysColor(COLOR_STATICTEXT));
        count = wsprintfW(labelBuffer, u"%2d", id);
        DrawTextScratch(bars, labelBuffer, count, {x, 37, x + kBarWidth, 52});
        x += kBarPitch;
    }

    BitBlt(dc, 0, 220, 200, 50, bars, 0, 0, SRCCOPY);
}
