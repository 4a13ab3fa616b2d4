// Window device contexts on the device screen: origin, visible rectangles and
// damage tracking.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/window_dc.h"
#include "surface.h"
#include "test_screen.h"

namespace {

using namespace gdi_test;

const RECT kWholeScreen{0, 0, test_screen::kWidth, test_screen::kHeight};

// Up to two rectangles of what changed since the last call, in order of top.
std::vector<RECT> TakeDamage(int capacity = 2) {
    RECT rects[2];
    std::vector<RECT> out(rects, rects + gdi::TakeScreenDamageRects(rects, capacity));
    if (out.size() == 2 && out[1].top < out[0].top) std::swap(out[0], out[1]);
    return out;
}

class ScreenDc : public ::testing::Test {
  protected:
    void SetUp() override {
        FillRect(dc_, &kWholeScreen, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        TakeDamage();
    }
    void TearDown() override { gdi::DeleteScreenDC(dc_); }
    const HDC dc_ = gdi::CreateScreenDC(0, 0, &kWholeScreen, 1);
};

TEST_F(ScreenDc, DrawsInClientCoordinatesClippedToTheVisibleRectangles) {
    // A window whose client area starts at (100, 50) and shows two pieces.
    const RECT visible[] = {{100, 50, 110, 60}, {120, 55, 130, 70}};
    const HDC dc = gdi::CreateScreenDC(100, 50, visible, 2);
    ASSERT_NE(dc, nullptr);
    const RECT all{-100, -100, 1000, 1000};
    EXPECT_EQ(FillRect(dc, &all, CreateSolidBrush(kRed)), 1);
    // Nothing visible, or visible off the screen, draws nothing.
    const RECT off_screen{400, 400, 500, 500};
    const HDC hidden[] = {gdi::CreateScreenDC(0, 0, nullptr, 0),
                          gdi::CreateScreenDC(-50, -50, &off_screen, 1)};
    for (const HDC h : hidden) {
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(FillRect(h, &kWholeScreen, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 1);
        gdi::DeleteScreenDC(h);
    }
    const host::PixelView screen = host::ScreenPixels();
    for (int y = 0; y < test_screen::kHeight; ++y) {
        for (int x = 0; x < test_screen::kWidth; ++x) {
            const bool shown = (x >= 100 && x < 110 && y >= 50 && y < 60) ||
                               (x >= 120 && x < 130 && y >= 55 && y < 70);
            ASSERT_EQ(screen.At(x, y), shown ? kRed : kWhite) << x << "," << y;
        }
    }
    // Client (0, 0) is screen (100, 50).
    Rectangle(dc, 0, 0, 3, 3);
    EXPECT_EQ(screen.At(100, 50), kBlack);
    EXPECT_EQ(screen.At(101, 51), kWhite);
    EXPECT_EQ(screen.At(103, 53), kRed);
    EXPECT_EQ(SelectObject(dc, CreateCompatibleBitmap(dc, 2, 2)), nullptr);
    gdi::DeleteScreenDC(dc);
}

TEST_F(ScreenDc, OverlappingVisibleRectanglesBlendTextOnce) {
    const RECT overlapping[] = {{0, 0, 60, 20}, {20, 0, 80, 20}, {10, 5, 70, 15}};
    const RECT single[] = {{0, 100, 80, 120}};
    const HDC a = gdi::CreateScreenDC(0, 0, overlapping, 3);
    const HDC b = gdi::CreateScreenDC(0, 100, single, 1);
    for (const HDC dc : {a, b}) {
        SetBkMode(dc, TRANSPARENT);
        RECT r{0, 0, 80, 20};
        EXPECT_GT(DrawTextW(dc, u"Overlap", -1, &r, DT_SINGLELINE), 0);
        gdi::DeleteScreenDC(dc);
    }
    const host::PixelView screen = host::ScreenPixels();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(screen.At(x, y), screen.At(x, y + 100)) << x << "," << y;
    EXPECT_GT(CountOther(screen, kWhite, 0, 0, 80, 20), 20);
}

// Takes what changed and compares it with the expected rectangles.
void ExpectDamage(const std::vector<RECT>& expected) {
    const std::vector<RECT> got = TakeDamage();
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_TRUE(SameRect(got[i], expected[i])) << i;
}

TEST_F(ScreenDc, DamageHoldsOnlyPixelsThatChanged) {
    const HDC dc = gdi::CreateScreenDC(10, 20, &kWholeScreen, 1);
    const HBRUSH blue = CreateSolidBrush(kBlue);
    const HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    const RECT box{5, 5, 15, 10};
    FillRect(dc, &box, blue);
    ExpectDamage({{15, 25, 25, 30}});
    FillRect(dc, &box, blue);
    ExpectDamage({});
    const RECT wider{0, 5, 15, 10};
    FillRect(dc, &wider, blue);
    ExpectDamage({{10, 25, 15, 30}});
    Surface s(20, 20, kBlue);
    BitBlt(dc, 5, 5, 10, 5, s.dc(), 0, 0, SRCCOPY);
    ExpectDamage({});
    BitBlt(dc, 13, 5, 10, 5, s.dc(), 0, 0, SRCCOPY);
    ExpectDamage({{25, 25, 33, 30}});

    RECT field{100, 100, 190, 115};
    DrawTextW(dc, u"HDOP:1.20   ", -1, &field, DT_SINGLELINE);
    const std::vector<RECT> text = TakeDamage();
    ASSERT_EQ(text.size(), 1u);
    EXPECT_GE(text[0].left, 110);
    EXPECT_GE(text[0].top, 120);
    EXPECT_LE(text[0].right, 200);
    EXPECT_LE(text[0].bottom, 135);
    DrawTextW(dc, u"HDOP:1.20   ", -1, &field, DT_SINGLELINE);
    ExpectDamage({});

    // Distant changes come apart; with room for one, the one holds them all.
    FillRect(dc, &field, blue);
    FillRect(dc, &wider, white);
    ExpectDamage({{10, 25, 25, 30}, {110, 120, 200, 135}});
    FillRect(dc, &field, white);
    FillRect(dc, &wider, blue);
    std::vector<RECT> one = TakeDamage(1);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_TRUE(SameRect(one[0], RECT{10, 25, 200, 135}));
    FillRect(dc, &box, white);
    EXPECT_EQ(gdi::TakeScreenDamageRects(nullptr, 4), 0);
    EXPECT_EQ(gdi::TakeScreenDamageRects(one.data(), 0), 0);
    gdi::DeleteScreenDC(dc);
    DeleteObject(blue);
}

// The screen is as large as the program says, white when it changes size,
// and keeps its pixels when given the size it has.
TEST(ScreenSize, IsTheProgramsAndStartsWhite) {
    const int bad[][2] = {{0, 10}, {10, 0}, {-1, 10}, {4097, 10}, {10, 4097}};
    for (const auto& size : bad) {
        EXPECT_FALSE(host::SetScreenSize(size[0], size[1])) << size[0] << " x " << size[1];
        EXPECT_EQ(host::ScreenPixels().width, test_screen::kWidth);
        EXPECT_EQ(host::ScreenPixels().height, test_screen::kHeight);
    }
    const RECT spot{3, 4, 5, 6};
    HDC dc = gdi::CreateScreenDC(0, 0, &kWholeScreen, 1);
    FillRect(dc, &spot, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    gdi::DeleteScreenDC(dc);
    ASSERT_TRUE(host::SetScreenSize(test_screen::kWidth, test_screen::kHeight));
    EXPECT_EQ(host::ScreenPixels().At(3, 4), 0x000000u) << "the same size keeps the pixels";

    ASSERT_TRUE(host::SetScreenSize(100, 40));
    const host::PixelView small = host::ScreenPixels();
    EXPECT_EQ(small.width, 100);
    EXPECT_EQ(small.height, 40);
    EXPECT_EQ(small.stride, 100);
    int white = 0;
    for (int y = 0; y < small.height; ++y) {
        for (int x = 0; x < small.width; ++x)
            white += small.At(x, y) == 0xFFFFFF ? 1 : 0;
    }
    EXPECT_EQ(white, 100 * 40);
    // A DC asked for more than the screen draws only on it.
    dc = gdi::CreateScreenDC(0, 0, &kWholeScreen, 1);
    FillRect(dc, &kWholeScreen, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    gdi::DeleteScreenDC(dc);
    EXPECT_EQ(host::ScreenPixels().At(99, 39), 0x000000u);
    ASSERT_TRUE(host::SetScreenSize(test_screen::kWidth, test_screen::kHeight));
}

}  // namespace
