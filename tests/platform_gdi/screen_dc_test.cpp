// Window device contexts on the device screen: origin, visible rectangles and
// damage tracking.

#include <gtest/gtest.h>

#include "platform/gdi/window_dc.h"
#include "surface.h"

namespace {

using namespace gdi_test;

const RECT kWholeScreen{0, 0, host::kScreenWidth, host::kScreenHeight};

// Everything that changed since the last call, as one rectangle.
bool TakeDamage(RECT* all) {
    return gdi::TakeScreenDamageRects(all, 1) == 1;
}

void ClearScreen() {
    const HDC dc = gdi::CreateScreenDC(0, 0, &kWholeScreen, 1);
    FillRect(dc, &kWholeScreen, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    gdi::DeleteScreenDC(dc);
    RECT ignored;
    TakeDamage(&ignored);
}

class ScreenDc : public ::testing::Test {
  protected:
    void SetUp() override { ClearScreen(); }
};

TEST_F(ScreenDc, DrawsInClientCoordinatesClippedToTheVisibleRectangles) {
    // A window whose client area starts at (100, 50) and shows two pieces.
    const RECT visible[] = {{100, 50, 110, 60}, {120, 55, 130, 70}};
    const HDC dc = gdi::CreateScreenDC(100, 50, visible, 2);
    ASSERT_NE(dc, nullptr);
    const RECT all{-100, -100, 1000, 1000};
    EXPECT_EQ(FillRect(dc, &all, CreateSolidBrush(kRed)), 1);
    const host::PixelView screen = host::ScreenPixels();
    for (int y = 0; y < host::kScreenHeight; ++y) {
        for (int x = 0; x < host::kScreenWidth; ++x) {
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
    EXPECT_EQ(host::DcPixels(dc).pixels, screen.pixels);
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
    }
    const host::PixelView screen = host::ScreenPixels();
    int ink = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x) {
            ASSERT_EQ(screen.At(x, y), screen.At(x, y + 100)) << x << "," << y;
            ink += screen.At(x, y) != kWhite;
        }
    EXPECT_GT(ink, 20);
    gdi::DeleteScreenDC(a);
    gdi::DeleteScreenDC(b);
}

TEST_F(ScreenDc, NothingVisibleDrawsNothing) {
    const HDC dc = gdi::CreateScreenDC(0, 0, nullptr, 0);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(FillRect(dc, &kWholeScreen, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 1);
    const RECT outside{400, 400, 500, 500};
    const HDC off = gdi::CreateScreenDC(-50, -50, &outside, 1);
    EXPECT_EQ(FillRect(off, &kWholeScreen, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 1);
    RECT damage;
    EXPECT_FALSE(TakeDamage(&damage));
    gdi::DeleteScreenDC(dc);
    gdi::DeleteScreenDC(off);
}

TEST_F(ScreenDc, DamageIsTheUnionOfChangedPixelsOnly) {
    const HDC dc = gdi::CreateScreenDC(10, 20, &kWholeScreen, 1);
    const HBRUSH blue = CreateSolidBrush(kBlue);
    RECT damage;
    EXPECT_FALSE(TakeDamage(&damage));

    const RECT box{5, 5, 15, 10};
    FillRect(dc, &box, blue);
    ASSERT_TRUE(TakeDamage(&damage));
    EXPECT_TRUE(SameRect(damage, RECT{15, 25, 25, 30}));
    EXPECT_FALSE(TakeDamage(&damage));

    SCOPED_TRACE("identical redraws are no damage");
    FillRect(dc, &box, blue);
    EXPECT_FALSE(TakeDamage(&damage));

    SCOPED_TRACE("only the changed part of a larger fill");
    const RECT wider{0, 5, 15, 10};
    FillRect(dc, &wider, blue);
    ASSERT_TRUE(TakeDamage(&damage));
    EXPECT_TRUE(SameRect(damage, RECT{10, 25, 15, 30}));

    SCOPED_TRACE("text drawn twice the same way");
    RECT field{100, 100, 190, 115};
    DrawTextW(dc, u"HDOP:1.20   ", -1, &field, DT_SINGLELINE);
    ASSERT_TRUE(TakeDamage(&damage));
    EXPECT_GE(damage.left, 110);
    EXPECT_GE(damage.top, 120);
    EXPECT_LE(damage.right, 200);
    EXPECT_LE(damage.bottom, 135);
    DrawTextW(dc, u"HDOP:1.20   ", -1, &field, DT_SINGLELINE);
    EXPECT_FALSE(TakeDamage(&damage));

    SCOPED_TRACE("a blit of the same pixels");
    Surface s(20, 20, kBlue);
    BitBlt(dc, 5, 5, 10, 5, s.dc(), 0, 0, SRCCOPY);
    EXPECT_FALSE(TakeDamage(&damage));
    BitBlt(dc, 13, 5, 10, 5, s.dc(), 0, 0, SRCCOPY);
    ASSERT_TRUE(TakeDamage(&damage));
    EXPECT_TRUE(SameRect(damage, RECT{25, 25, 33, 30}));

    gdi::DeleteScreenDC(dc);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));  // a deleted DC: ignored
    DeleteObject(blue);
}

TEST_F(ScreenDc, BlitsFromAMemorySurfaceToTheWindow) {
    Surface sky(200, 200, kBlue);
    const RECT visible{0, 0, 60, 294};
    const HDC dc = gdi::CreateScreenDC(0, 25, &visible, 1);
    EXPECT_TRUE(BitBlt(dc, 0, 100, 100, 100, sky.dc(), 0, 0, SRCCOPY));
    const host::PixelView screen = host::ScreenPixels();
    EXPECT_EQ(screen.At(0, 125), kBlue);
    EXPECT_EQ(screen.At(59, 224), kBlue);
    EXPECT_EQ(screen.At(60, 125), kWhite);  // outside the visible part
    EXPECT_EQ(screen.At(0, 124), kWhite);
    EXPECT_EQ(screen.At(0, 225), kWhite);
    RECT damage;
    ASSERT_TRUE(TakeDamage(&damage));
    EXPECT_TRUE(SameRect(damage, RECT{0, 125, 60, 225}));
    // And back from the screen into memory.
    Surface copy(10, 10);
    EXPECT_TRUE(BitBlt(copy.dc(), 0, 0, 10, 10, dc, 0, 100, SRCCOPY));
    EXPECT_EQ(copy.At(9, 9), kBlue);
    gdi::DeleteScreenDC(dc);
}

// What changed comes back as separate rectangles; with room for one, the one
// holds them all.
TEST_F(ScreenDc, SeparateChangesComeBackSeparately) {
    const RECT screen{0, 0, host::kScreenWidth, host::kScreenHeight};
    const HDC dc = gdi::CreateScreenDC(0, 0, &screen, 1);
    FillRect(dc, &screen, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT rects[gdi::kMaxDamageRects];
    gdi::TakeScreenDamageRects(rects, gdi::kMaxDamageRects);
    EXPECT_EQ(gdi::TakeScreenDamageRects(rects, gdi::kMaxDamageRects), 0);

    const HBRUSH blue = CreateSolidBrush(kBlue);
    const RECT mark{150, 30, 160, 40};
    const RECT bars{0, 220, 200, 270};
    FillRect(dc, &mark, blue);
    FillRect(dc, &bars, blue);
    FillRect(dc, &mark, blue);  // no change: adds nothing
    ASSERT_EQ(gdi::TakeScreenDamageRects(rects, gdi::kMaxDamageRects), 2);
    const bool in_order = rects[0].top == 30;
    const RECT& first = in_order ? rects[0] : rects[1];
    const RECT& second = in_order ? rects[1] : rects[0];
    EXPECT_TRUE(SameRect(first, RECT{150, 30, 160, 40}));
    EXPECT_TRUE(SameRect(second, RECT{0, 220, 200, 270}));
    EXPECT_EQ(gdi::TakeScreenDamageRects(rects, gdi::kMaxDamageRects), 0);

    // With room for one, the one holds both.
    const HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    FillRect(dc, &mark, white);
    FillRect(dc, &bars, white);
    ASSERT_EQ(gdi::TakeScreenDamageRects(rects, 1), 1);
    EXPECT_TRUE(SameRect(rects[0], RECT{0, 30, 200, 270}));

    // Bad arguments take nothing.
    FillRect(dc, &mark, blue);
    EXPECT_EQ(gdi::TakeScreenDamageRects(nullptr, 4), 0);
    EXPECT_EQ(gdi::TakeScreenDamageRects(rects, 0), 0);
    gdi::DeleteScreenDC(dc);
    DeleteObject(blue);
}

}  // namespace
