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

void FillScratch(HDC dc, const RECT& box, HBRUSH brush) {
    ScratchRect = box;
    FillRect(dc, &ScratchRect, brush);
}

void EllipseScratch(HDC dc, const RECT& box) {
    ScratchRect = box;
    Ellipse(dc, ScratchRect.left, ScratchRect.top, ScratchRect.right, ScratchRect.bottom);
}

void RectangleScratch(HDC dc, const RECT& box) {
    ScratchRect = box;
    Rectangle(dc, ScratchRect.left, ScratchRect.top, ScratchRect.right, ScratchRect.bottom);
}

void DrawTextScratch(HDC dc, const WCHAR* text, int count, const RECT& box, UINT format) {
    ScratchRect = box;
    DrawTextW(dc, text, count, &ScratchRect, format);
}

void DrawTextInRect(HDC dc, int32_t left, int32_t right, int32_t top, int32_t bottom,
                    const WCHAR* text) {
    ScratchRect = {left, top, right, bottom};
    if (text == nullptr) return;
    DrawTextW(dc, text, TextLength(text), &ScratchRect, DT_SINGLELINE);
}
