// The palette, the two memory surfaces, the shared rectangle and the text
// routine that every drawing step uses.
#pragma once

#include <string>

#include "win/windows.h"

extern RECT ScratchRect;

extern HPEN BlackPen;
extern HPEN BluePen;  // outlines shapes that are all blue
extern HBRUSH WhiteBrush;
extern HBRUSH RedBrush;
extern HBRUSH BlueBrush;
extern HDC SkySurface;  // 200 x 200, the top-left 100 x 100 used
extern HDC BarSurface;  // 320 x 50

inline constexpr COLORREF kBlack = 0x000000;
inline constexpr COLORREF kWhite = 0xFFFFFF;
inline constexpr COLORREF kRed = 0x0000FF;
inline constexpr COLORREF kBlue = 0xFF0000;

void CreateDrawingResources(HWND window);
// The same, given a device context of the main window (CreateDrawingResources
// gets one with GetDC). Creates only what does not exist yet, so a second call
// changes nothing.
void CreateDrawingResourcesForDc(HDC windowDc);

// The characters of a zero-terminated text.
inline int TextLength(const WCHAR* text) {
    return static_cast<int>(std::char_traits<WCHAR>::length(text));
}

// The drawing steps all go through ScratchRect: each of these sets it to
// the box and draws there.
void FillScratch(HDC dc, const RECT& box, HBRUSH brush);
void EllipseScratch(HDC dc, const RECT& box);
void RectangleScratch(HDC dc, const RECT& box);
void DrawTextScratch(HDC dc, const WCHAR* text, int count, const RECT& box, UINT format);

// Draws the zero-terminated text on one line into the box. Note the order of
// the coordinates: left, right, top, bottom.
void DrawTextInRect(HDC dc, int32_t left, int32_t right, int32_t top, int32_t bottom,
                    const WCHAR* text);
