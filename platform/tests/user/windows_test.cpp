// Window creation and destruction, classes, geometry and stale handles. (The
// host's close reaching the main window: the frame test and the SDL test.)
#include "test_window.h"

namespace testwin {
namespace {

using WindowTest = WmTest;

TEST_F(WindowTest, CreationSendsCreateThenShowsAndFocusesTheFirstWindow) {
    HWND main = CreateParent();
    ASSERT_NE(main, nullptr);
    std::vector<Recorded> got = Log();
    for (Recorded& r : got) {
        if (r.message == WM_ERASEBKGND) r.wparam = 0;  // the device context varies
    }
    const std::vector<Recorded> expected{
        {main, WM_CREATE, 0, 0},        {main, WM_SIZE, 0, 0},       {main, WM_MOVE, 0, 0},
        {main, WM_SHOWWINDOW, TRUE, 0}, {main, WM_ERASEBKGND, 0, 0}, {main, WM_SETFOCUS, 0, 0}};
    EXPECT_EQ(got, expected);
    EXPECT_EQ(GetFocus(), main);
    RECT r;
    ASSERT_TRUE(GetWindowRect(main, &r));
    EXPECT_TRUE(SameRect(r, RECT{0, 0, test_screen::kWidth, test_screen::kHeight}));
}

// The window first, then its children, its owned popups before it; a child
// destroyed from the parent's WM_DESTROY is not destroyed twice.
TEST_F(WindowTest, DestroyReachesTheWindowThenItsChildrenOnce) {
    HWND main = CreateParent();
    HWND a = CreateChild(main, 1, 0, 0, 10, 10);
    HWND a1 = CreateChild(a, 11, 0, 0, 5, 5);
    HWND b = CreateChild(main, 2, 20, 0, 10, 10);
    HWND popup = CreatePopup(main, 50, 50, 20, 20);
    SetTimer(a1, 1, 100, nullptr);
    PostMessageW(b, WM_USER, 0, 0);
    BOOL inner_self = TRUE;
    BOOL inner_child = FALSE;
    SetHook([&](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
        if (message == WM_DESTROY && window == main) {
            inner_self = DestroyWindow(main);
            inner_child = DestroyWindow(b);
        }
        return false;
    });
    Log().clear();
    EXPECT_TRUE(DestroyWindow(main));
    EXPECT_FALSE(inner_self);
    EXPECT_TRUE(inner_child);
    const std::vector<Recorded> expected{{popup, WM_DESTROY, 0, 0},
                                         {main, WM_DESTROY, 0, 0},
                                         {b, WM_DESTROY, 0, 0},
                                         {a, WM_DESTROY, 0, 0},
                                         {a1, WM_DESTROY, 0, 0}};
    EXPECT_EQ(Filtered({WM_DESTROY}), expected);
    for (HWND w : {main, a, a1, b, popup})
        EXPECT_FALSE(IsWindow(w));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(KillTimer(a1, 1));
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowTest, ClassNamesCompareWithoutCase) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"TESTWINDOW";
    EXPECT_EQ(RegisterClassW(&wc), 0) << "same name in other case";
    EXPECT_NE(CreatePopup(nullptr, 0, 0, 1, 1, u"testwindow"), nullptr);
    EXPECT_EQ(CreatePopup(nullptr, 0, 0, 1, 1, u"NoSuchClass"), nullptr);
}

TEST_F(WindowTest, GeometryOfChildrenAndPopups) {
    HWND main = CreateParent();
    HWND child = CreateChild(main, 34818, 250, 25, 60, 30);
    HWND grandchild = CreateChild(child, 5, 10, 5, 20, 10);
    HWND popup = CreatePopup(main, 25, 97, 190, 100);
    RECT r;
    ASSERT_TRUE(GetWindowRect(grandchild, &r));
    EXPECT_TRUE(SameRect(r, RECT{260, 30, 280, 40}));
    ASSERT_TRUE(GetClientRect(child, &r));
    EXPECT_TRUE(SameRect(r, RECT{0, 0, 60, 30}));
    EXPECT_EQ(GetParent(popup), main);
    EXPECT_EQ(GetDlgItem(main, 34818), child);
    EXPECT_EQ(GetDlgItem(main, 99), nullptr);
    EXPECT_TRUE(SetWindowPos(popup, nullptr, 3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    EXPECT_TRUE(SetWindowPos(popup, nullptr, 50, 50, 10, 20, SWP_NOMOVE | SWP_NOZORDER));
    ASSERT_TRUE(GetWindowRect(popup, &r));
    EXPECT_TRUE(SameRect(r, RECT{3, 4, 13, 24}));
}

// Windows live in the one handle table (tested on its own); each kind of call
// asks it, so a window destroyed or made up is refused everywhere.
TEST_F(WindowTest, CallsOnInvalidWindowsFail) {
    HWND gone = CreateParent();
    DestroyWindow(gone);
    for (HWND bad : {gone, reinterpret_cast<HWND>(0x1234), static_cast<HWND>(nullptr)}) {
        SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(bad));
        RECT r{};
        MSG msg{bad, WM_USER, 0, 0, 0, {0, 0}};
        EXPECT_EQ(DispatchMessageW(&msg), 0);
        EXPECT_FALSE(IsWindow(bad));
        EXPECT_FALSE(ShowWindow(bad, SW_SHOW));
        EXPECT_FALSE(DestroyWindow(bad));
        EXPECT_EQ(GetDC(bad), nullptr);
        EXPECT_FALSE(GetWindowRect(bad, &r));
        EXPECT_FALSE(SetWindowTextW(bad, u"x"));
        EXPECT_EQ(SendMessageW(bad, WM_USER, 0, 0), 0);
        EXPECT_EQ(SetTimer(bad, 1, 100, nullptr), 0u);
        EXPECT_EQ(CreateChild(bad, 1, 0, 0, 1, 1), nullptr);
        if (bad == nullptr) continue;
        EXPECT_FALSE(PostMessageW(bad, WM_USER, 0, 0));
        EXPECT_EQ(GetMessageW(&msg, bad, 0, 0), -1);
    }
}

}  // namespace
}  // namespace testwin
