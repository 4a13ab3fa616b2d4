// Kept apart from the rest of the palette code: this is the only part of the
// screen that needs the window manager.
#include "screen/drawing_resources.h"

void CreateDrawingResources(HWND window) {
    HDC dc = GetDC(window);
    CreateDrawingResourcesForDc(dc);
    ReleaseDC(window, dc);
}
