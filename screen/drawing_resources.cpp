#include "screen/drawing_resources.h"

RECT ScratchRect;

HPEN BlackPen;
HPEN BluePen;
HBRUSH WhiteBrush;
HBRUSH RedBrush;
HBRUSH BlueBrush;
HDC SkySurface;
HDC BarSurface;

namespace {

HDC CreateSurface(HDC windowDc, int width, int height) {
    HDC surface = CreateCompatibleDC(windowDc);
    if (surface == nullptr) return nullptr;
    // The bitmap stays selected for the life of the process.
    SelectObject(surface, CreateCompatibleBitmap(windowDc, width, height));
    return surface;
}

}  // namespace

void CreateDrawingResourcesForDc(HDC windowDc) {
    if (BlackPen == nullptr) BlackPen = CreatePen(PS_SOLID, 1, kBlack);
    if (BluePen == nullptr) BluePen = CreatePen(PS_SOLID, 1, kBlue);
    if (WhiteBrush == nullptr) WhiteBrush = CreateSolidBrush(kWhite);
    if (RedBrush == nullptr) RedBrush = CreateSolidBrush(kRed);
    if (BlueBrush == nullptr) BlueBrush = CreateSolidBrush(kBlue);
    if (SkySurface == nullptr) SkySurface = CreateSurface(windowDc, 200, 200);
    if (BarSurface == nullptr) BarSurface = CreateSurface(windowDc, 320, 50);
}

void DrawTextInRect(HDC dc, int32_t left, int32_t right, int32_t top, int32_t bottom,
                    const WCHAR* text) {
    ScratchRect = {left, top, right, bottom};
    if (text == nullptr) return;
    int count = 0;
    while (text[count] != 0)
        ++count;
    DrawTextW(dc, text, count, &ScratchRect, DT_SINGLELINE);
}
