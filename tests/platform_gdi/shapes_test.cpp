// Pixels of FillRect, Rectangle and Ellipse on small bitmaps, every pixel
// compared, including clipping and hostile coordinates.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "surface.h"

namespace {

using namespace gdi_test;

// Shown as '?' in pictures.
HBRUSH GrayBrush() {
    static const HBRUSH brush = CreateSolidBrush(0x808080);
    return brush;
}
using Rows = std::vector<std::string>;

Rows Blank(int width, int height, char c = '.') {
    return Rows(static_cast<std::size_t>(height), std::string(static_cast<std::size_t>(width), c));
}

// Rows with a block [left, right) x [top, bottom) set to c.
Rows Block(int width, int height, int left, int top, int right, int bottom, char c) {
    Rows rows = Blank(width, height);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            rows[y][x] = c;
    return rows;
}

// Rows with a one-pixel black frame on the edges of [left, right) x [top, bottom).
Rows Outline(int left, int top, int right, int bottom) {
    Rows rows = Block(10, 10, left, top, right, bottom, '#');
    for (int y = top + 1; y < bottom - 1; ++y)
        for (int x = left + 1; x < right - 1; ++x)
            rows[y][x] = '.';
    return rows;
}

struct FillCase {
    const char* name;
    RECT rect;
    int left, top, right, bottom;  // the pixels expected red
};

TEST(FillRect, ExclusiveEdgesAndClipping) {
    const FillCase cases[] = {
        {"inside", {2, 3, 5, 6}, 2, 3, 5, 6},
        {"single pixel", {4, 4, 5, 5}, 4, 4, 5, 5},
        {"whole", {0, 0, 10, 10}, 0, 0, 10, 10},
        {"cut left", {-5, 2, 3, 4}, 0, 2, 3, 4},
        {"cut top", {2, -5, 4, 3}, 2, 0, 4, 3},
        {"cut right", {7, 2, 25, 4}, 7, 2, 10, 4},
        {"cut bottom", {2, 8, 4, 30}, 2, 8, 4, 10},
        {"huge", {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 0, 0, 10, 10},
        {"empty width", {5, 5, 5, 9}, 0, 0, 0, 0},
        {"empty height", {1, 5, 9, 5}, 0, 0, 0, 0},
        {"inverted x", {6, 2, 3, 8}, 0, 0, 0, 0},
        {"inverted y", {2, 8, 6, 3}, 0, 0, 0, 0},
        {"inverted huge", {INT_MAX, INT_MAX, INT_MIN, INT_MIN}, 0, 0, 0, 0},
        {"far right", {INT_MAX - 1, 0, INT_MAX, 10}, 0, 0, 0, 0},
        {"far left", {INT_MIN, 0, INT_MIN + 1, 10}, 0, 0, 0, 0},
        {"left of canvas", {-3, 0, 0, 10}, 0, 0, 0, 0},
        {"below canvas", {0, 10, 10, 12}, 0, 0, 0, 0},
    };
    const HBRUSH red = CreateSolidBrush(kRed);
    for (const FillCase& c : cases) {
        SCOPED_TRACE(c.name);
        Surface s(10, 10);
        EXPECT_EQ(FillRect(s.dc(), &c.rect, red), 1);
        EXPECT_EQ(Picture(s.pixels()), Block(10, 10, c.left, c.top, c.right, c.bottom, 'r'))
            << Saved(s.pixels(), "fill");
    }
    EXPECT_TRUE(DeleteObject(red));
}

TEST(FillRect, IgnoresSelectedPenAndBrushAndTakesStockAndSystemBrushes) {
    Surface s(10, 10);
    SelectObject(s.dc(), CreatePen(PS_SOLID, 1, kRed));
    const RECT r{1, 1, 4, 4};
    EXPECT_EQ(FillRect(s.dc(), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 1);
    EXPECT_EQ(Picture(s.pixels()), Block(10, 10, 1, 1, 4, 4, '#'));
    // A system colour index plus one stands for that colour's brush.
    const HBRUSH window = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_WINDOW + 1));
    EXPECT_EQ(FillRect(s.dc(), &r, window), 1);
    EXPECT_EQ(Picture(s.pixels()), Blank(10, 10));
}

TEST(FillRect, BadArgumentsFail) {
    Surface s(10, 10);
    const RECT r{0, 0, 10, 10};
    const HBRUSH red = CreateSolidBrush(kRed);
    EXPECT_EQ(FillRect(nullptr, &r, red), 0);
    EXPECT_EQ(FillRect(s.dc(), nullptr, red), 0);
    EXPECT_EQ(FillRect(s.dc(), &r, nullptr), 0);
    EXPECT_EQ(FillRect(reinterpret_cast<HDC>(0x1234), &r, red), 0);
    EXPECT_EQ(FillRect(s.dc(), &r, reinterpret_cast<HBRUSH>(0xdeadbeef0ULL)), 0);
    EXPECT_EQ(FillRect(s.dc(), &r, static_cast<HBRUSH>(GetStockObject(BLACK_PEN))), 0);
    DeleteObject(red);
    EXPECT_EQ(FillRect(s.dc(), &r, red), 0);  // deleted
    EXPECT_EQ(Picture(s.pixels()), Blank(10, 10));
}

TEST(Rectangle, OutlinesWithPenAndFillsWithBrush) {
    Surface s(10, 10);
    SelectObject(s.dc(), CreateSolidBrush(kBlue));
    EXPECT_TRUE(Rectangle(s.dc(), 1, 1, 6, 5));
    const Rows expected = {
        "..........",  //
        ".#####....",  //
        ".#bbb#....",  //
        ".#bbb#....",  //
        ".#####....",  //
        "..........", "..........", "..........", "..........", "..........",
    };
    EXPECT_EQ(Picture(s.pixels()), expected) << Saved(s.pixels(), "rectangle");
    DeleteObject(SelectObject(s.dc(), GetStockObject(WHITE_BRUSH)));
}

TEST(Rectangle, CornersInAnyOrderDrawTheSameBox) {
    for (const RECT r : {RECT{1, 1, 6, 5}, RECT{6, 5, 1, 1}, RECT{6, 1, 1, 5}, RECT{1, 5, 6, 1}}) {
        SCOPED_TRACE(std::to_string(r.left) + "," + std::to_string(r.top));
        Surface s(10, 10);
        Rectangle(s.dc(), r.left, r.top, r.right, r.bottom);
        EXPECT_EQ(Picture(s.pixels()), Outline(1, 1, 6, 5));
    }
}

TEST(Rectangle, ClippedOutlinesAndHugeCoordinates) {
    struct Case {
        const char* name;
        int l, t, r, b;
        Rows expected;
    };
    const Case cases[] = {
        {"outline past every edge", -1, -1, 11, 11, Blank(10, 10)},
        {"outline on the edges", 0, 0, 10, 10, Outline(0, 0, 10, 10)},
        {"huge", INT_MIN, INT_MIN, INT_MAX, INT_MAX, Blank(10, 10)},
        {"huge left edge inside", 3, INT_MIN, INT_MAX, INT_MAX, Block(10, 10, 3, 0, 4, 10, '#')},
        {"zero width", 4, 0, 4, 10, Blank(10, 10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Surface s(10, 10);
        EXPECT_TRUE(Rectangle(s.dc(), c.l, c.t, c.r, c.b));
        EXPECT_EQ(Picture(s.pixels()), c.expected);
    }
}

TEST(Ellipse, TenByTenIsSymmetricInscribedAndClosed) {
    Surface s(12, 12, kGreen);
    SelectObject(s.dc(), GrayBrush());
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
    EXPECT_EQ(Picture(s.pixels()), expected) << Saved(s.pixels(), "ellipse10");
}

// The outline is one 8-connected piece and the inside never touches the
// outside: no gap lets the fill leak.
void ExpectClosedOutline(const host::PixelView& v, COLORREF pen, COLORREF outside) {
    std::vector<std::pair<int, int>> todo;
    std::vector<bool> seen(static_cast<std::size_t>(v.width * v.height));
    int outline = 0;
    bool seeded = false;
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) {
            if (v.At(x, y) != pen) continue;
            ++outline;
            if (!seeded) {
                seeded = true;
                todo.emplace_back(x, y);
                seen[static_cast<std::size_t>(y * v.width + x)] = true;
            }
        }
    int reached = 0;
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        ++reached;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx;
                const int ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= v.width || ny >= v.height) continue;
                const std::size_t i = static_cast<std::size_t>(ny * v.width + nx);
                if (seen[i] || v.At(nx, ny) != pen) continue;
                seen[i] = true;
                todo.emplace_back(nx, ny);
            }
    }
    EXPECT_EQ(reached, outline);
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) {
            if (v.At(x, y) == pen || v.At(x, y) == outside) continue;
            for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                const int nx = x + dx;
                const int ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= v.width || ny >= v.height) continue;
                EXPECT_NE(v.At(nx, ny), outside) << "leak at " << x << "," << y;
            }
        }
}

TEST(Ellipse, SkyPlotCircleTouchesTenToEightyNine) {
    Surface s(100, 100, kGreen);
    SelectObject(s.dc(), GetStockObject(WHITE_BRUSH));
    Ellipse(s.dc(), 10, 10, 90, 90);
    const host::PixelView v = s.pixels();
    int min_x = 100, max_x = -1, min_y = 100, max_y = -1;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            // Mirror symmetry across both axes and the diagonal.
            ASSERT_EQ(v.At(x, y), v.At(99 - x, y)) << x << "," << y;
            ASSERT_EQ(v.At(x, y), v.At(x, 99 - y)) << x << "," << y;
            ASSERT_EQ(v.At(x, y), v.At(y, x)) << x << "," << y;
            if (v.At(x, y) == kGreen) continue;
            min_x = std::min(min_x, x);
            max_x = std::max(max_x, x);
            min_y = std::min(min_y, y);
            max_y = std::max(max_y, y);
        }
    }
    EXPECT_EQ(min_x, 10);
    EXPECT_EQ(max_x, 89);
    EXPECT_EQ(min_y, 10);
    EXPECT_EQ(max_y, 89);
    EXPECT_EQ(v.At(10, 49), kBlack);
    EXPECT_EQ(v.At(89, 50), kBlack);
    EXPECT_EQ(v.At(49, 10), kBlack);
    EXPECT_EQ(v.At(50, 50), kWhite);
    EXPECT_EQ(v.At(11, 50), kWhite);
    EXPECT_EQ(v.At(12, 12), kGreen);  // the box corner stays outside
    ExpectClosedOutline(v, kBlack, kGreen);
    if (HasFailure()) ADD_FAILURE() << Saved(v, "sky_circle");
}

TEST(Ellipse, SmallAndFlatBoxesHaveClosedOutlines) {
    for (int w = 1; w <= 24; ++w) {
        for (int h = 1; h <= 24; h += 5) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
            Surface s(30, 30, kGreen);
            SelectObject(s.dc(), GrayBrush());
            Ellipse(s.dc(), 2, 3, 2 + w, 3 + h);
            const host::PixelView v = s.pixels();
            EXPECT_EQ(CountOther(v, kGreen, 0, 0, 30, 30),
                      CountOther(v, kGreen, 2, 3, 2 + w, 3 + h));
            // Touches all four sides of its box.
            EXPECT_GT(CountOther(v, kGreen, 2, 3, 3, 3 + h), 0);
            EXPECT_GT(CountOther(v, kGreen, 1 + w, 3, 2 + w, 3 + h), 0);
            EXPECT_GT(CountOther(v, kGreen, 2, 3, 2 + w, 4), 0);
            EXPECT_GT(CountOther(v, kGreen, 2, 2 + h, 2 + w, 3 + h), 0);
            ExpectClosedOutline(v, kBlack, kGreen);
        }
    }
}

TEST(Ellipse, CornersMayComeInAnyOrder) {
    Surface b(12, 12, kGreen);
    SelectObject(b.dc(), GetStockObject(BLACK_BRUSH));
    Ellipse(b.dc(), 0, 0, 10, 10);
    Surface c(12, 12, kGreen);
    SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
    Ellipse(c.dc(), 10, 10, 0, 0);
    EXPECT_EQ(Picture(c.pixels()), Picture(b.pixels()));
}

TEST(Ellipse, ClippedAndHugeBoxesStayInsideAndFinish) {
    struct Case {
        const char* name;
        int l, t, r, b;
    };
    const Case cases[] = {
        {"whole range", INT_MIN, INT_MIN, INT_MAX, INT_MAX},
        {"tall", 0, INT_MIN, 10, INT_MAX},
        {"wide", INT_MIN, 0, INT_MAX, 10},
        {"far away", INT_MAX - 10, INT_MAX - 10, INT_MAX, INT_MAX},
        {"centred on the corner", -10, -10, 10, 10},
        {"inverted huge", INT_MAX, INT_MAX, INT_MIN, INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Surface s(10, 10);
        SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
        EXPECT_TRUE(Ellipse(s.dc(), c.l, c.t, c.r, c.b));
    }
    Surface s(10, 10);
    SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
    Ellipse(s.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_EQ(Picture(s.pixels()), Blank(10, 10, '#'));
}

}  // namespace
