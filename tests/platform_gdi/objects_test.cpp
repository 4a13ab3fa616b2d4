// Objects, selection, colours and BitBlt.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "surface.h"

namespace {

using namespace gdi_test;

HDC MadeUpDc() {
    return reinterpret_cast<HDC>(static_cast<std::uintptr_t>(0x12345678));
}
HGDIOBJ MadeUpObject() {
    return reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(0x2000001));
}

TEST(Objects, FreshMemoryDcHasTheDefaults) {
    const HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    const HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    const HBRUSH brush = CreateSolidBrush(kBlue);
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SetTextColor(dc, kRed), kBlack);
    EXPECT_EQ(SetTextColor(dc, kBlue), kRed);
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc, OPAQUE), TRANSPARENT);
    EXPECT_EQ(SetBkMode(dc, 7), 0);
    // The default bitmap is 1x1.
    const host::PixelView v = host::DcPixels(dc);
    EXPECT_EQ(v.width, 1);
    EXPECT_EQ(v.height, 1);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, 3, 2);
    const HGDIOBJ default_bitmap = SelectObject(dc, bitmap);
    ASSERT_NE(default_bitmap, nullptr);
    EXPECT_EQ(host::DcPixels(dc).width, 3);
    EXPECT_EQ(host::DcPixels(dc).pixels, host::BitmapPixels(bitmap).pixels);
    EXPECT_EQ(SelectObject(dc, default_bitmap), bitmap);
    EXPECT_EQ(SelectObject(dc, pen), pen);  // already selected
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(Objects, SelectedObjectsOutliveDeleteUntilDeselected) {
    Surface s(4, 4);
    const HBRUSH brush = CreateSolidBrush(kRed);
    const HGDIOBJ old = SelectObject(s.dc(), brush);
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(s.bitmap()));
    EXPECT_TRUE(Rectangle(s.dc(), 0, 0, 4, 4));  // still draws with it
    EXPECT_EQ(s.At(1, 1), kRed);
    EXPECT_EQ(SelectObject(s.dc(), old), brush);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush));  // stale now
    EXPECT_EQ(SelectObject(s.dc(), brush), nullptr);
}

TEST(Objects, StockObjectsSurviveDelete) {
    for (int i : {WHITE_BRUSH, BLACK_BRUSH, BLACK_PEN}) {
        SCOPED_TRACE(i);
        const HGDIOBJ stock = GetStockObject(i);
        ASSERT_NE(stock, nullptr);
        EXPECT_TRUE(DeleteObject(stock));
        EXPECT_EQ(GetStockObject(i), stock);
    }
    Surface s(4, 4);
    SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
    Rectangle(s.dc(), 0, 0, 4, 4);
    EXPECT_EQ(s.At(1, 1), kBlack);
    for (int other : {-1, 1, 5, 8, 13})
        EXPECT_EQ(GetStockObject(other), nullptr) << other;
    EXPECT_EQ(GetStockObject(INT_MAX), nullptr);
}

TEST(Objects, ABitmapLivesInOneDcAtATime) {
    Surface a(4, 4);
    const HDC other = CreateCompatibleDC(a.dc());
    EXPECT_EQ(SelectObject(other, a.bitmap()), nullptr);
    EXPECT_EQ(host::DcPixels(other).width, 1);
    EXPECT_TRUE(DeleteDC(other));
}

TEST(Objects, InvalidHandlesAndArgumentsFailQuietly) {
    Surface s(4, 4);
    const HDC bad = MadeUpDc();
    EXPECT_EQ(CreatePen(PS_SOLID, 2, kRed), nullptr);
    EXPECT_EQ(CreatePen(3, 1, kRed), nullptr);
    EXPECT_EQ(CreateCompatibleDC(bad), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 4, 4), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(bad, 4, 4), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(s.dc(), 0, 4), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(s.dc(), 4, -1), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(s.dc(), INT_MAX, INT_MAX), nullptr);
    EXPECT_EQ(SelectObject(bad, GetStockObject(BLACK_PEN)), nullptr);
    EXPECT_EQ(SelectObject(s.dc(), nullptr), nullptr);
    EXPECT_EQ(SelectObject(s.dc(), MadeUpObject()), nullptr);
    EXPECT_EQ(SelectObject(s.dc(), reinterpret_cast<HGDIOBJ>(s.dc())), nullptr);
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_FALSE(DeleteObject(MadeUpObject()));
    EXPECT_FALSE(DeleteDC(nullptr));
    EXPECT_FALSE(DeleteDC(bad));
    EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(GetStockObject(WHITE_BRUSH))));
    EXPECT_FALSE(Rectangle(bad, 0, 0, 1, 1));
    EXPECT_FALSE(Ellipse(nullptr, 0, 0, 1, 1));
    EXPECT_EQ(SetBkMode(bad, OPAQUE), 0);
    EXPECT_EQ(SetTextColor(bad, 0), 0xFFFFFFFFu);
    EXPECT_EQ(host::DcPixels(bad).pixels, nullptr);
    EXPECT_EQ(host::BitmapPixels(GetStockObject(BLACK_PEN)).pixels, nullptr);

    const HDC gone = CreateCompatibleDC(nullptr);
    EXPECT_TRUE(DeleteDC(gone));
    EXPECT_FALSE(DeleteDC(gone));
    EXPECT_FALSE(Rectangle(gone, 0, 0, 1, 1));
    EXPECT_EQ(CountOther(s.pixels(), kWhite, 0, 0, 4, 4), 0);
}

TEST(Objects, SystemColoursWithAndWithoutTheFlag) {
    for (const int index : {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNSHADOW}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(GetSysColor(index & ~SYS_COLOR_INDEX_FLAG), GetSysColor(index));
    }
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), kWhite);
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), kBlack);
    // Highlight is a blue.
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_GT(GetBValue(highlight), 100);
    EXPECT_LT(GetRValue(highlight), 50);
    EXPECT_LT(GetGValue(highlight), 50);
    EXPECT_EQ(GetSysColor(-5), 0u);
    EXPECT_EQ(GetSysColor(1000), 0u);
}

// A 20x20 source whose every pixel differs: value x + 100 * y.
void Pattern(Surface& s) {
    const host::PixelView v = s.pixels();
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x)
            v.pixels[y * v.stride + x] = static_cast<std::uint32_t>(x + 100 * y);
}

TEST(BitBlt, CopiesAndClipsOnBothSides) {
    struct Case {
        const char* name;
        int x, y, w, h, sx, sy;
    };
    const Case cases[] = {
        {"inside", 2, 3, 5, 4, 1, 1},
        {"dest past right and bottom", 15, 16, 10, 10, 0, 0},
        {"dest past left and top", -3, -4, 10, 10, 0, 0},
        {"source past right and bottom", 0, 0, 10, 10, 15, 17},
        {"source past left and top", 5, 5, 10, 10, -3, -2},
        {"huge size", 0, 0, INT_MAX, INT_MAX, 0, 0},
        {"huge offsets", INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MIN, INT_MIN},
        {"negative huge", INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Surface source(20, 20);
        Pattern(source);
        Surface dest(20, 20, kGreen);
        EXPECT_TRUE(BitBlt(dest.dc(), c.x, c.y, c.w, c.h, source.dc(), c.sx, c.sy, SRCCOPY));
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                const std::int64_t sx = std::int64_t{x} - c.x + c.sx;
                const std::int64_t sy = std::int64_t{y} - c.y + c.sy;
                const bool in_dest = x >= c.x && y >= c.y && x < std::int64_t{c.x} + c.w &&
                                     y < std::int64_t{c.y} + c.h;
                const bool in_source = sx >= 0 && sy >= 0 && sx < 20 && sy < 20;
                const COLORREF want =
                    in_dest && in_source ? static_cast<COLORREF>(sx + 100 * sy) : kGreen;
                ASSERT_EQ(dest.At(x, y), want) << x << "," << y;
            }
        }
    }
}

TEST(BitBlt, OverlappingCopyWithinOneBitmap) {
    for (const int shift : {-3, 3}) {
        SCOPED_TRACE(shift);
        Surface s(20, 20);
        Pattern(s);
        EXPECT_TRUE(BitBlt(s.dc(), shift, shift, 20, 20, s.dc(), 0, 0, SRCCOPY));
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const int sx = x - shift;
                const int sy = y - shift;
                const bool moved = sx >= 0 && sy >= 0 && sx < 20 && sy < 20;
                const COLORREF want = moved ? static_cast<COLORREF>(sx + 100 * sy)
                                            : static_cast<COLORREF>(x + 100 * y);
                ASSERT_EQ(s.At(x, y), want) << x << "," << y;
            }
    }
}

TEST(BitBlt, RefusesOtherOperationsAndBadHandles) {
    Surface a(4, 4);
    Surface b(4, 4, kRed);
    EXPECT_FALSE(BitBlt(a.dc(), 0, 0, 4, 4, b.dc(), 0, 0, 0x00EE0086));  // SRCPAINT
    EXPECT_FALSE(BitBlt(a.dc(), 0, 0, 4, 4, MadeUpDc(), 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(nullptr, 0, 0, 4, 4, b.dc(), 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(a.dc(), 0, 0, -4, 4, b.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(a.dc(), 0, 0, 0, 4, b.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(CountOther(a.pixels(), kWhite, 0, 0, 4, 4), 0);
}

}  // namespace
