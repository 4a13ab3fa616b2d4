// A memory DC with its own bitmap, and pixel pictures for exact comparisons.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host.h"
#include "tests/support/rect.h"
#include "win/gdi.h"

namespace gdi_test {

inline constexpr COLORREF kWhite = 0xFFFFFF;
inline constexpr COLORREF kBlack = 0x000000;
inline constexpr COLORREF kRed = 0x0000FF;
inline constexpr COLORREF kBlue = 0xFF0000;
inline constexpr COLORREF kGreen = 0x00FF00;

class Surface {
  public:
    Surface(int width, int height, COLORREF fill = kWhite)
        : dc_(CreateCompatibleDC(nullptr)),
          bitmap_(CreateCompatibleBitmap(dc_, width, height)),
          old_bitmap_(SelectObject(dc_, bitmap_)) {
        const host::PixelView v = pixels();
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x)
                v.pixels[y * v.stride + x] = fill;
    }
    ~Surface() {
        SelectObject(dc_, old_bitmap_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    host::PixelView pixels() const { return host::DcPixels(dc_); }
    COLORREF At(int x, int y) const { return pixels().At(x, y); }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_bitmap_;
};

using test_support::SameRect;

// One character per pixel: '.' white, '#' black, 'r' red, 'b' blue, 'g' green,
// '?' anything else; up to column right when given.
inline std::vector<std::string> Picture(const host::PixelView& view, int right = -1) {
    const std::pair<COLORREF, char> letters[] = {
        {kWhite, '.'}, {kBlack, '#'}, {kRed, 'r'}, {kBlue, 'b'}, {kGreen, 'g'}};
    std::vector<std::string> rows(view.height, std::string(right < 0 ? view.width : right, '?'));
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < static_cast<int>(rows[y].size()); ++x)
            for (const auto& [color, letter] : letters)
                if (view.At(x, y) == color) rows[y][x] = letter;
    return rows;
}

// Count of pixels that are not the given colour inside the box.
inline int CountOther(const host::PixelView& view, COLORREF color, int left, int top, int right,
                      int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            n += view.At(x, y) != color;
    return n;
}

}  // namespace gdi_test
