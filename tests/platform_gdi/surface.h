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
    Surface(int width, int height, COLORREF fill = kWhite) {
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateCompatibleBitmap(dc_, width, height);
        old_bitmap_ = SelectObject(dc_, bitmap_);
        Fill(fill);
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

    void Fill(COLORREF color) {
        const host::PixelView view = pixels();
        for (int y = 0; y < view.height; ++y)
            for (int x = 0; x < view.width; ++x)
                view.pixels[y * view.stride + x] = color;
    }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_bitmap_;
};

using test_support::SameRect;

// One character per pixel: '.' white, '#' black, 'r' red, 'b' blue, 'g' green,
// '?' anything else.
inline char Letter(COLORREF c) {
    switch (c) {
        case kWhite:
            return '.';
        case kBlack:
            return '#';
        case kRed:
            return 'r';
        case kBlue:
            return 'b';
        case kGreen:
            return 'g';
        default:
            return '?';
    }
}

inline std::vector<std::string> Picture(const host::PixelView& view, int left = 0, int top = 0,
                                        int right = -1, int bottom = -1) {
    if (right < 0) right = view.width;
    if (bottom < 0) bottom = view.height;
    std::vector<std::string> rows;
    for (int y = top; y < bottom; ++y) {
        std::string row;
        for (int x = left; x < right; ++x)
            row += Letter(view.At(x, y));
        rows.push_back(row);
    }
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

// Writes the pixels to the test folder for a failure message to point at.
inline std::string Saved(const host::PixelView& view, const std::string& name) {
    const std::string path = ::testing::TempDir() + "gdi_" + name + ".png";
    return host::WritePng(view, path.c_str()) ? "picture: " + path : "picture not written";
}

}  // namespace gdi_test
