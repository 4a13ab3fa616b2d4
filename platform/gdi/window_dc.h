// How the window manager gets device contexts onto the device screen. Internal
// to the platform layer.
#pragma once

#include "win/types.h"

namespace gdi {

// A device context that draws on the device screen with its origin at
// (origin_x, origin_y) in screen pixels, clipped to the union of the given
// screen rectangles (the visible part of a window's client area). It has the
// defaults of a fresh window DC: black pen, white brush, black text, opaque
// mode, white background, the default font.
HDC CreateScreenDC(int origin_x, int origin_y, const RECT* visible, int visible_count);
void DeleteScreenDC(HDC dc);
// The whole device screen, in screen pixels.
RECT ScreenBounds();

// The most rectangles the screen damage is kept in.
inline constexpr int kMaxDamageRects = 8;

// What has been drawn on the device screen since the last call, as at most
// capacity rectangles in screen pixels (they may overlap); returns how many
// were written, 0 when nothing changed or rects is null or capacity < 1.
int TakeScreenDamageRects(RECT* rects, int capacity);

// Metrics of the default font, for dialog units and control layout.
struct FontMetrics {
    int average_char_width;  // pixels
    int line_height;         // pixels
};
FontMetrics DefaultFontMetrics();
// Width in pixels of the text in the default font.
int MeasureText(LPCWSTR text, int count);

}  // namespace gdi
