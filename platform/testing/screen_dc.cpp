// A device context on the whole device screen, without a window.
#include "gdi/window_dc.h"
#include "host/testing.h"

namespace host {

HDC CreateScreenDc() {
    const PixelView screen = ScreenPixels();
    const RECT whole{0, 0, screen.width, screen.height};
    return gdi::CreateScreenDC(0, 0, &whole, 1);
}

void DeleteScreenDc(HDC dc) {
    gdi::DeleteScreenDC(dc);
}

}  // namespace host
