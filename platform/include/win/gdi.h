// GDI: device contexts, pens, brushes, bitmaps and the drawing calls.
#pragma once

#include "win/types.h"

inline constexpr int PS_SOLID = 0;

// The stock objects: the class background, the desktop and the pen of a fresh
// device context.
inline constexpr int WHITE_BRUSH = 0;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int BLACK_PEN = 7;

inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

inline constexpr UINT DT_LEFT = 0x00;
inline constexpr UINT DT_CENTER = 0x01;
inline constexpr UINT DT_VCENTER = 0x04;
inline constexpr UINT DT_SINGLELINE = 0x20;
// Measures instead of drawing: the rectangle's right becomes its left plus
// the text's width and its bottom its top plus the line's height.
inline constexpr UINT DT_CALCRECT = 0x400;

inline constexpr DWORD SRCCOPY = 0x00CC0020;

// System colour indexes as the target platform passes them (with its flag bit).
inline constexpr int SYS_COLOR_INDEX_FLAG = 0x40000000;
inline constexpr int COLOR_WINDOW = 5 | SYS_COLOR_INDEX_FLAG;
inline constexpr int COLOR_WINDOWTEXT = 8 | SYS_COLOR_INDEX_FLAG;
inline constexpr int COLOR_HIGHLIGHT = 13 | SYS_COLOR_INDEX_FLAG;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14 | SYS_COLOR_INDEX_FLAG;
inline constexpr int COLOR_BTNFACE = 15 | SYS_COLOR_INDEX_FLAG;
inline constexpr int COLOR_BTNSHADOW = 16 | SYS_COLOR_INDEX_FLAG;
inline constexpr int COLOR_BTNTEXT = 18 | SYS_COLOR_INDEX_FLAG;
inline constexpr int COLOR_STATICTEXT = 26 | SYS_COLOR_INDEX_FLAG;

HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HGDIOBJ GetStockObject(int object);
HDC CreateCompatibleDC(HDC dc);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
BOOL DeleteDC(HDC dc);

int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format);
int SetBkMode(HDC dc, int mode);
COLORREF SetTextColor(HDC dc, COLORREF color);
DWORD GetSysColor(int index);
// Hands what has been drawn on the screen to the display now, rather than at
// the next wait of the message loop or pause.
BOOL GdiFlush();
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int source_x, int source_y,
            DWORD raster_op);
