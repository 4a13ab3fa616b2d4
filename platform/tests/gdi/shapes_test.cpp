// Pixels of FillRect, Rectangle and Ellipse on small bitmaps, every pixel
// compared, including clipping and hostile coordinates.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "surface.h"

namespace {

using namespace gdi_test;
using Rows = std::vector<std::string>;

// A 10 x 10 picture of background with [left, right) x [top, bottom) set to
// c, or to a frame of c around '.' when hollow.
Rows Block(int left, int top, int right, int bottom, char c, bool hollow = false,
           char background = '.') {
    Rows rows(10, std::string(10, background));
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const bool inner = x > left && x < right - 1 && y > top && y < bottom - 1;
            rows[y][x] = hollow && inner ? '.' : c;
        }
    return rows;
}

TEST(FillRect, ExclusiveEdgesAndClipping) {
    struct Case {
        const char* name;
        RECT rect;
        int left, top, right, bottom;  // the pixels expected red
    };
    const Case cases[] = {
        {"inside", {2, 3, 5, 6}, 2, 3, 5, 6},
        {"single pixel", {4, 4, 5, 5}, 4, 4, 5, 5},
        {"whole", {0, 0, 10, 10}, 0, 0, 10, 10},
        {"cut left", {-5, 2, 3, 4}, 0, 2, 3, 4},
        {"cut right", {7, 2, 25, 4}, 7, 2, 10, 4},
        {"huge", {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 0, 0, 10, 10},
        {"empty width", {5, 5, 5, 9}, 0, 0, 0, 0},
        {"inverted x", {6, 2, 3, 8}, 0, 0, 0, 0},
        {"far right", {INT_MAX - 1, 0, INT_MAX, 10}, 0, 0, 0, 0},
        {"left of canvas", {-3, 0, 0, 10}, 0, 0, 0, 0},
        {"below canvas", {0, 10, 10, 12}, 0, 0, 0, 0},
    };
    const HBRUSH red = CreateSolidBrush(kRed);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Surface s(10, 10);
        EXPECT_EQ(FillRect(s.dc(), &c.rect, red), 1);
        EXPECT_EQ(Picture(s.pixels()), Block(c.left, c.top, c.right, c.bottom, 'r'));
    }
    EXPECT_TRUE(DeleteObject(red));
}

// Stock brushes and system colour indexes plus one.
TEST(FillRect, TakesStockAndSystemBrushes) {
    const std::uintptr_t window_text = COLOR_WINDOWTEXT + 1;
    for (const HGDIOBJ brush :
         {GetStockObject(BLACK_BRUSH), reinterpret_cast<HGDIOBJ>(window_text)}) {
        Surface s(10, 10, kRed);
        const RECT r{0, 0, 10, 10};
        EXPECT_EQ(FillRect(s.dc(), &r, static_cast<HBRUSH>(brush)), 1);
        EXPECT_EQ(Picture(s.pixels()), Block(0, 0, 10, 10, '#'));
    }
}

// The pen draws the outline, the brush fills the inside.
TEST(Rectangle, OutlineFillClippingAndHugeCoordinates) {
    struct Case {
        const char* name;
        int l, t, r, b;
        Rows expected;
    };
    const Case cases[] = {
        {"inside", 1, 1, 6, 5, Block(1, 1, 6, 5, '#', true, 'g')},
        {"outline past every edge", -1, -1, 11, 11, Rows(10, "..........")},
        {"outline on the edges", 0, 0, 10, 10, Block(0, 0, 10, 10, '#', true)},
        {"huge", INT_MIN, INT_MIN, INT_MAX, INT_MAX, Rows(10, "..........")},
        {"huge left edge inside", 3, INT_MIN, INT_MAX, INT_MAX, Rows(10, "ggg#......")},
        {"zero width", 4, 0, 4, 10, Rows(10, "gggggggggg")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Surface s(10, 10, kGreen);
        EXPECT_TRUE(Rectangle(s.dc(), c.l, c.t, c.r, c.b));
        EXPECT_EQ(Picture(s.pixels()), c.expected);
    }
}

TEST(Shapes, CornersInAnyOrderDrawTheSameShape) {
    for (const auto draw : {Rectangle, Ellipse}) {
        Surface first(10, 10, kGreen);
        draw(first.dc(), 1, 1, 9, 7);
        for (const RECT r : {RECT{9, 7, 1, 1}, RECT{9, 1, 1, 7}, RECT{1, 7, 9, 1}}) {
            SCOPED_TRACE(std::to_string(r.left) + "," + std::to_string(r.top));
            Surface s(10, 10, kGreen);
            draw(s.dc(), r.left, r.top, r.right, r.bottom);
            EXPECT_EQ(Picture(s.pixels()), Picture(first.pixels()));
        }
    }
}

TEST(Ellipse, TenByTenIsSymmetricInscribedAndClosed) {
    Surface s(12, 12, kGreen);
    SelectObject(s.dc(), CreateSolidBrush(0x808080));
    EXPECT_TRUE(Ellipse(s.dc(), 0, 0, 10, 10));
    const Rows expected = {
        "ggg####ggggg",  //
        "g##????##ggg",  //
        "g#??????#ggg",  //
        "#????????#gg",  //
        "#????????#gg",  //
        "#????????#gg",  //
        "#????????#gg",  //
        "g#??????#ggg",  //
        "g##????##ggg",  //
        "ggg####ggggg",  //
        "gggggggggggg",  //
        "gggggggggggg",  //
    };
    EXPECT_EQ(Picture(s.pixels()), expected);
    DeleteObject(SelectObject(s.dc(), GetStockObject(WHITE_BRUSH)));
}

// The outline is one 8-connected piece and no fill pixel touches the outside:
// no gap lets the fill leak.
void ExpectClosedOutline(const host::PixelView& v, COLORREF pen, COLORREF outside) {
    auto at = [&](int x, int y) {
        return x < 0 || y < 0 || x >= v.width || y >= v.height ? outside : v.At(x, y);
    };
    std::vector<POINT> todo;
    std::vector<bool> seen(static_cast<std::size_t>(v.width * v.height));
    int outline = 0;
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) {
            if (at(x, y) == pen && outline++ == 0) todo.push_back({x, y});
            if (at(x, y) == pen || at(x, y) == outside) continue;
            for (const POINT d : {POINT{1, 0}, POINT{-1, 0}, POINT{0, 1}, POINT{0, -1}})
                EXPECT_NE(at(x + d.x, y + d.y), outside) << "leak at " << x << "," << y;
        }
    int reached = 0;
    while (!todo.empty()) {
        const POINT p = todo.back();
        todo.pop_back();
        if (seen[p.y * v.width + p.x]) continue;
        seen[p.y * v.width + p.x] = true;
        ++reached;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (at(p.x + dx, p.y + dy) == pen) todo.push_back({p.x + dx, p.y + dy});
    }
    EXPECT_EQ(reached, outline);
}

// Every box from a pixel wide up to the sky plot's 80 x 80 circle: the outline
// touches all four sides of the box and nothing outside it, is mirror
// symmetric and closed.
TEST(Ellipse, OutlinesFillTheirBoxSymmetricallyAndClosed) {
    std::vector<std::pair<int, int>> sizes = {{80, 80}, {81, 80}};
    for (int w = 1; w <= 24; ++w)
        for (int h = 1; h <= 24; h += 5)
            sizes.emplace_back(w, h);
    for (const auto& [w, h] : sizes) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        Surface s(w + 5, h + 6, kGreen);
        SelectObject(s.dc(), GetStockObject(WHITE_BRUSH));
        Ellipse(s.dc(), 2, 3, 2 + w, 3 + h);
        const host::PixelView v = s.pixels();
        EXPECT_EQ(CountOther(v, kGreen, 0, 0, w + 5, h + 6),
                  CountOther(v, kGreen, 2, 3, 2 + w, 3 + h));
        EXPECT_GT(CountOther(v, kGreen, 2, 3, 3, 3 + h), 0);
        EXPECT_GT(CountOther(v, kGreen, 1 + w, 3, 2 + w, 3 + h), 0);
        EXPECT_GT(CountOther(v, kGreen, 2, 3, 2 + w, 4), 0);
        EXPECT_GT(CountOther(v, kGreen, 2, 2 + h, 2 + w, 3 + h), 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(v.At(2 + x, 3 + y), v.At(1 + w - x, 3 + y)) << x << "," << y;
                ASSERT_EQ(v.At(2 + x, 3 + y), v.At(2 + x, 2 + h - y)) << x << "," << y;
                ASSERT_TRUE(w != h || v.At(2 + x, 3 + y) == v.At(2 + y, 3 + x)) << x << "," << y;
            }
        ExpectClosedOutline(v, kBlack, kGreen);
    }
}

}  // namespace
