// What the program's screen shows, read from a picture of it and compared
// with the real rasteriser's drawing of what should stand there.
#pragma once

#include <string>

#include "host/host.h"
#include "screen/drawing_resources.h"
#include "tests/support/png_file.h"
#include "tests/support/program_host.h"
#include "win/windows.h"

namespace test_support {

// A white surface the size of the screen, for drawing what the program
// should show.
inline HDC Canvas() {
    static HDC dc = [] {
        HDC canvas = CreateCompatibleDC(nullptr);
        SelectObject(canvas, CreateCompatibleBitmap(canvas, kScreenWidth, kScreenHeight));
        CreateDrawingResourcesForDc(canvas);
        return canvas;
    }();
    ScratchRect = {0, 0, kScreenWidth, kScreenHeight};
    FillRect(dc, &ScratchRect, WhiteBrush);
    return dc;
}

// Whether the picture holds, pixel for pixel, what the canvas holds in the
// box; only where the canvas is not white when ink is enough.
inline bool Same(const Picture& picture, HDC canvas, RECT box, bool ink = false) {
    if (picture.width != kScreenWidth || picture.height != kScreenHeight) return false;
    const host::PixelView drawn = host::DcPixels(canvas);
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            if (ink && drawn.At(x, y) == 0xFFFFFF) continue;
            if (picture.At(x, y) != drawn.At(x, y)) return false;
        }
    }
    return true;
}

// Whether a field, a text of the fix panel or the status line shows exactly
// this text, or with ink its glyphs whatever stands beside them.
inline bool ShowsText(const Picture& picture, RECT box, const std::u16string& text,
                      bool ink = false) {
    HDC canvas = Canvas();
    RECT r = box;
    DrawTextW(canvas, text.data(), static_cast<int>(text.size()), &r, DT_SINGLELINE);
    return Same(picture, canvas, box, ink);
}

}  // namespace test_support
