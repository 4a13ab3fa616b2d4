// Drawing straight onto the device screen: clipping of window device
// contexts, erasing uncovered areas and WM_PAINT, read back in pixels.
#include "test_window.h"

namespace testwin {
namespace {

using PaintTest = WmTest;

TEST_F(PaintTest, DrawingOnTheMainWindowLeavesPopupsAndChildrenAlone) {
    HWND main = CreateParent();
    CreatePopup(main, 100, 100, 50, 40);
    CreateChild(main, 1, 250, 25, 60, 30);
    Pump();
    FillWindow(main, kRed);
    for (const RECT& c : {RECT{100, 100, 150, 140}, RECT{250, 25, 310, 55}}) {
        SCOPED_TRACE(c.left);
        EXPECT_EQ(ScreenAt(c.left - 1, c.top), kRed);
        EXPECT_EQ(ScreenAt(c.left, c.top), kBlue);
        EXPECT_EQ(ScreenAt(c.right - 1, c.bottom - 1), kBlue);
        EXPECT_EQ(ScreenAt(c.right, c.bottom - 1), kRed);
        EXPECT_EQ(ScreenAt(c.right - 1, c.bottom), kRed);
    }
}

// Destroying, moving or hiding a popup shows the class background at once
// where it was, and asks for paint there.
TEST_F(PaintTest, UncoveredPartsAreErasedAndPainted) {
    const struct {
        const char* name;
        std::function<BOOL(HWND)> uncover;
        bool moved;  // the popup shows in its new place and paints there
    } cases[] = {
        {"destroyed", [](HWND popup) { return DestroyWindow(popup); }, false},
        {"moved",
         [](HWND popup) {
             return SetWindowPos(popup, nullptr, 200, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
         },
         true},
        {"hidden", [](HWND popup) { return ShowWindow(popup, SW_HIDE); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        HWND main = CreateParent();
        HWND popup = CreatePopup(main, 100, 100, 50, 40);
        Pump();
        FillWindow(main, kRed);
        FillWindow(popup, kRed);
        RECT painted{};
        SetHook([&](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
            if (message != WM_PAINT || window != main) return false;
            PAINTSTRUCT ps;
            BeginPaint(window, &ps);
            painted = ps.rcPaint;
            EndPaint(window, &ps);
            return true;
        });
        EXPECT_TRUE(c.uncover(popup));
        EXPECT_EQ(ScreenAt(100, 100), kWhite);
        EXPECT_EQ(ScreenAt(149, 139), kWhite);
        EXPECT_EQ(ScreenAt(99, 100), kRed);
        EXPECT_EQ(ScreenAt(150, 139), kRed);
        Log().clear();
        Pump();
        ASSERT_EQ(Count(WM_PAINT), c.moved ? 2 : 1);
        EXPECT_EQ(Filtered({WM_PAINT})[0], (Recorded{main, WM_PAINT, 0, 0}));
        EXPECT_TRUE(SameRect(painted, RECT{100, 100, 150, 140}));
        EXPECT_EQ(ScreenAt(200, 0), c.moved ? kBlue : kRed);
        EXPECT_EQ(GetFocus(), main);
        SetHook(nullptr);
    }
}

// Children shown while their popup is still hidden, as a dialog's controls
// are before the dialog is placed and shown, uncover nothing of what lies
// under them; they appear with the popup, where it stands by then.
TEST_F(PaintTest, ChildrenOfAHiddenPopupUncoverNothing) {
    HWND main = CreateParent();
    Pump();
    FillWindow(main, kRed);
    HWND popup = CreateWindowExW(0, kBlueClass, u"Popup", WS_POPUP, 0, 0, 60, 40, main, nullptr,
                                 nullptr, nullptr);
    HWND child = CreateChild(popup, 1, 5, 5, 20, 10);
    ASSERT_NE(child, nullptr);
    ShowWindow(child, SW_HIDE);
    ShowWindow(child, SW_SHOW);
    SetWindowPos(popup, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Log().clear();
    Pump();
    EXPECT_EQ(Count(WM_PAINT), 0);
    for (const POINT p : {POINT{0, 0}, POINT{10, 10}, POINT{59, 39}})
        EXPECT_EQ(ScreenAt(p.x, p.y), kRed) << p.x << "," << p.y;

    ShowWindow(popup, SW_SHOW);
    Pump();
    EXPECT_EQ(ScreenAt(10, 10), kRed);
    EXPECT_EQ(ScreenAt(100, 100), kBlue);
    EXPECT_EQ(ScreenAt(110, 110), kBlue) << "the child, in its place";
    EXPECT_EQ(ScreenAt(160, 100), kRed);
}

TEST_F(PaintTest, BeginPaintClipsToTheUpdateRegionAndErasesFirst) {
    HWND main = CreateParent();
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
    FillWindow(main, kBlue);  // outside the update region: still drawn
    RECT all{0, 0, 320, 294};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(main, &ps);
    EXPECT_EQ(ScreenAt(19, 19), RGB(0, 0, 0));
    EXPECT_EQ(ScreenAt(20, 19), kBlue);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, main, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

TEST_F(PaintTest, PaintComesOnceWhenInvalidEvenIfTheHandlerDrawsNothing) {
    HWND main = CreateParent();
    SetHook([](HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
        return message == WM_PAINT;  // no BeginPaint
    });
    Log().clear();
    EXPECT_TRUE(UpdateWindow(main));
    EXPECT_TRUE(UpdateWindow(main));
    Pump();
    EXPECT_EQ(Count(WM_PAINT), 1);
    EXPECT_TRUE(IsWindow(main));
}

}  // namespace
}  // namespace testwin
