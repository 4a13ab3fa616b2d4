// Drawing straight onto the device screen: clipping of window device
// contexts, erasing uncovered areas and WM_PAINT, read back in pixels.
#include "wm_fixture.h"

namespace wmtest {
namespace {

using PaintTest = WmTest;

TEST_F(PaintTest, DrawingOnTheMainWindowLeavesPopupsAndChildrenAlone) {
    HWND main = CreateMain();
    HWND popup = CreatePopup(main, 100, 100, 50, 40);
    CreateChild(main, 1, 250, 25, 60, 30);
    Pump();
    FillWindow(main, kRed);
    struct Case {
        const char* name;
        int left, top, right, bottom;
    };
    for (const Case& c : {Case{"popup", 100, 100, 150, 140}, Case{"child", 250, 25, 310, 55}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScreenAt(c.left - 1, c.top), kRed);
        EXPECT_EQ(ScreenAt(c.left, c.top), kBlue);
        EXPECT_EQ(ScreenAt(c.right - 1, c.bottom - 1), kBlue);
        EXPECT_EQ(ScreenAt(c.right, c.bottom - 1), kRed);
        EXPECT_EQ(ScreenAt(c.right - 1, c.bottom), kRed);
    }
    EXPECT_TRUE(IsWindow(popup));
}

TEST_F(PaintTest, DestroyedPopupUncoversBackgroundAndPaint) {
    HWND main = CreateMain();
    HWND popup = CreatePopup(main, 100, 100, 50, 40);
    Pump();
    FillWindow(main, kRed);
    Log().clear();
    RECT painted{0, 0, 0, 0};
    SetHook([&](HWND window, UINT message, WPARAM, LPARAM, LRESULT* result) {
        if (message != WM_PAINT || window != main) return false;
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        painted = ps.rcPaint;
        EndPaint(window, &ps);
        *result = 0;
        return true;
    });
    ASSERT_TRUE(DestroyWindow(popup));
    // The uncovered part shows the white class background at once ...
    EXPECT_EQ(ScreenAt(100, 100), kWhite);
    EXPECT_EQ(ScreenAt(149, 139), kWhite);
    EXPECT_EQ(ScreenAt(99, 100), kRed);
    EXPECT_EQ(ScreenAt(150, 139), kRed);
    // ... and the window is told to paint it.
    Pump();
    ASSERT_EQ(Filtered({WM_PAINT}).size(), 1u);
    EXPECT_TRUE(SameRect(painted, RECT{100, 100, 150, 140}));
    EXPECT_EQ(GetFocus(), main);
}

TEST_F(PaintTest, MovingAPopupRepaintsBothPlaces) {
    HWND main = CreateMain();
    HWND popup = CreatePopup(main, 0, 0, 40, 40);
    Pump();
    FillWindow(main, kRed);
    FillWindow(popup, kRed);
    ASSERT_TRUE(SetWindowPos(popup, nullptr, 100, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    EXPECT_EQ(ScreenAt(10, 10), kWhite);  // main's background where the popup was
    EXPECT_EQ(ScreenAt(110, 10), kBlue);  // the popup's background where it is now
    EXPECT_EQ(ScreenAt(150, 10), kRed);
    Log().clear();
    Pump();
    std::vector<Record> paints = Filtered({WM_PAINT});
    std::vector<Record> expected{{main, WM_PAINT, 0}, {popup, WM_PAINT, 0}};
    EXPECT_EQ(paints, expected) << Describe(paints);
}

TEST_F(PaintTest, BeginPaintClipsToTheUpdateRegionAndErasesFirst) {
    HWND main = CreateMain();
    Pump();
    FillWindow(main, kRed);
    RECT area{10, 10, 20, 20};
    InvalidateRect(main, &area, TRUE);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(main, &ps);
    ASSERT_NE(dc, nullptr);
    EXPECT_FALSE(ps.fErase);
    EXPECT_EQ(ScreenAt(10, 10), kWhite);
    EXPECT_EQ(ScreenAt(9, 10), kRed);
    RECT all{0, 0, 320, 294};
    HBRUSH blue = CreateSolidBrush(kBlue);
    FillRect(dc, &all, blue);
    DeleteObject(blue);
    EndPaint(main, &ps);
    EXPECT_EQ(ScreenAt(19, 19), kBlue);
    EXPECT_EQ(ScreenAt(20, 19), kRed);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, main, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

TEST_F(PaintTest, UpdateWindowPaintsAtOnceOnlyWhenInvalid) {
    HWND main = CreateMain();
    Log().clear();
    EXPECT_TRUE(UpdateWindow(main));
    EXPECT_EQ(Filtered({WM_PAINT}).size(), 1u);
    EXPECT_TRUE(UpdateWindow(main));
    EXPECT_EQ(Filtered({WM_PAINT}).size(), 1u);
}

TEST_F(PaintTest, PaintHandlerThatDrawsNothingDoesNotRepeatForever) {
    HWND main = CreateMain();
    SetHook([](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
        if (message != WM_PAINT) return false;
        *result = 0;  // no BeginPaint
        return true;
    });
    Log().clear();
    Pump();
    EXPECT_EQ(Filtered({WM_PAINT}).size(), 1u);
    EXPECT_TRUE(IsWindow(main));
}

TEST_F(PaintTest, HidingAWindowUncoversWhatIsBelow) {
    HWND main = CreateMain();
    HWND popup = CreatePopup(main, 0, 0, 30, 30);
    Pump();
    EXPECT_EQ(ScreenAt(5, 5), kBlue);
    EXPECT_TRUE(ShowWindow(popup, SW_HIDE));
    EXPECT_EQ(ScreenAt(5, 5), kWhite);
    EXPECT_FALSE(ShowWindow(popup, SW_SHOW));
    EXPECT_EQ(ScreenAt(5, 5), kBlue);
}

TEST_F(PaintTest, RaisingAWindowPutsItAboveTheOthers) {
    HWND main = CreateMain();
    HWND lower = CreatePopup(main, 0, 0, 40, 40);
    HWND upper = CreatePopup(main, 20, 0, 40, 40, kTestClass);
    Pump();
    EXPECT_EQ(ScreenAt(25, 5), kWhite);
    ASSERT_TRUE(SetWindowPos(lower, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ(ScreenAt(25, 5), kBlue);
    FillWindow(upper, kRed);
    EXPECT_EQ(ScreenAt(39, 5), kBlue);
    EXPECT_EQ(ScreenAt(40, 5), kRed);
}

}  // namespace
}  // namespace wmtest
