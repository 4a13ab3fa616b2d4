// Objects, selection, bad and stale handles, and BitBlt.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "surface.h"

namespace {

using namespace gdi_test;

TEST(Objects, SelectionReturnsThePreviousObjectAndKeepsTheSelectedAlive) {
    Surface s(4, 4);
    const HBRUSH brush = CreateSolidBrush(kRed);
    const HGDIOBJ old = SelectObject(s.dc(), brush);
    EXPECT_EQ(old, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(s.dc(), brush), brush);  // already selected
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(s.bitmap()));
    EXPECT_TRUE(Rectangle(s.dc(), 0, 0, 4, 4));  // still draws with it
    EXPECT_EQ(s.At(1, 1), kRed);
    EXPECT_EQ(SelectObject(s.dc(), old), brush);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush));  // stale now
    EXPECT_EQ(SelectObject(s.dc(), brush), nullptr);

    // Stock objects survive deletion.
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
    SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
    Rectangle(s.dc(), 0, 0, 4, 4);
    EXPECT_EQ(s.At(1, 1), kBlack);

    // A bitmap lives in one DC at a time; a fresh DC draws on a 1 x 1 bitmap.
    const HDC other = CreateCompatibleDC(s.dc());
    EXPECT_EQ(SelectObject(other, s.bitmap()), nullptr);
    EXPECT_EQ(host::DcPixels(other).width, 1);
    EXPECT_TRUE(DeleteDC(other));
}

// Every handle goes through the one handle table (its own test refuses stale,
// foreign and made-up handles); here each kind of GDI call is shown to ask it.
TEST(Objects, BadAndStaleHandlesAndArgumentsFailQuietly) {
    Surface s(4, 4);
    const HDC bad = reinterpret_cast<HDC>(std::uintptr_t{0x12345678});
    const HDC gone = CreateCompatibleDC(nullptr);
    EXPECT_TRUE(DeleteDC(gone));
    const HBRUSH deleted = CreateSolidBrush(kRed);
    DeleteObject(deleted);
    const RECT r{0, 0, 4, 4};

    EXPECT_EQ(CreatePen(PS_SOLID, 2, kRed), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(s.dc(), INT_MAX, INT_MAX), nullptr);
    EXPECT_EQ(SelectObject(s.dc(), reinterpret_cast<HGDIOBJ>(s.dc())), nullptr);
    EXPECT_FALSE(DeleteDC(gone));
    EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(GetStockObject(WHITE_BRUSH))));
    EXPECT_FALSE(Rectangle(gone, 0, 0, 1, 1));
    EXPECT_EQ(SetTextColor(bad, 0), 0xFFFFFFFFu);
    EXPECT_EQ(FillRect(s.dc(), &r, deleted), 0);
    EXPECT_EQ(FillRect(s.dc(), &r, static_cast<HBRUSH>(GetStockObject(BLACK_PEN))), 0);
    EXPECT_FALSE(BitBlt(s.dc(), 0, 0, 4, 4, gone, 0, 0, SRCCOPY));
    EXPECT_EQ(CountOther(s.pixels(), kWhite, 0, 0, 4, 4), 0);
}

// A 20x20 picture whose every pixel differs: value x + 100 * y.
void Pattern(Surface& s) {
    const host::PixelView v = s.pixels();
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x)
            v.pixels[y * v.stride + x] = static_cast<std::uint32_t>(x + 100 * y);
}

TEST(BitBlt, CopiesAndClipsOnBothSidesAndWithinOneBitmap) {
    struct Case {
        const char* name;
        int x, y, w, h, sx, sy;
        bool same;  // source and destination are one bitmap
    };
    const Case cases[] = {
        {"inside", 2, 3, 5, 4, 1, 1, false},
        {"dest past right and bottom", 15, 16, 10, 10, 0, 0, false},
        {"dest past left and top", -3, -4, 10, 10, 0, 0, false},
        {"source past right and bottom", 0, 0, 10, 10, 15, 17, false},
        {"source past left and top", 5, 5, 10, 10, -3, -2, false},
        {"huge size", 0, 0, INT_MAX, INT_MAX, 0, 0, false},
        {"huge offsets", INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MIN, INT_MIN, false},
        {"negative huge", INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0, false},
        {"zero width", 0, 0, 0, 4, 0, 0, false},
        {"overlap down", 3, 3, 20, 20, 0, 0, true},
        {"overlap up", -3, -3, 20, 20, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Surface source(20, 20);
        Pattern(source);
        Surface other(20, 20, kGreen);
        Surface& dest = c.same ? source : other;
        EXPECT_TRUE(BitBlt(dest.dc(), c.x, c.y, c.w, c.h, source.dc(), c.sx, c.sy, SRCCOPY));
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                const std::int64_t sx = std::int64_t{x} - c.x + c.sx;
                const std::int64_t sy = std::int64_t{y} - c.y + c.sy;
                const bool in_dest = x >= c.x && y >= c.y && x < std::int64_t{c.x} + c.w &&
                                     y < std::int64_t{c.y} + c.h;
                const bool in_source = sx >= 0 && sy >= 0 && sx < 20 && sy < 20;
                const COLORREF before = c.same ? static_cast<COLORREF>(x + 100 * y) : kGreen;
                const COLORREF want =
                    in_dest && in_source ? static_cast<COLORREF>(sx + 100 * sy) : before;
                ASSERT_EQ(dest.At(x, y), want) << x << "," << y;
            }
        }
    }
}

}  // namespace
