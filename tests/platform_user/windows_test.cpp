// Window creation and destruction, classes, geometry, text and handle checks.
#include "wm_fixture.h"

namespace wmtest {
namespace {

using WindowTest = WmTest;

TEST_F(WindowTest, CreationSendsCreateThenShowsAndFocusesTheFirstWindow) {
    HWND main = CreateMain();
    ASSERT_NE(main, nullptr);
    std::vector<Record> expected{{main, WM_CREATE, 0},     {main, WM_SIZE, 0},
                                 {main, WM_MOVE, 0},       {main, WM_SHOWWINDOW, TRUE},
                                 {main, WM_ERASEBKGND, 0}, {main, WM_SETFOCUS, 0}};
    std::vector<Record> got = Log();
    for (Record& r : got) {
        if (r.message == WM_ERASEBKGND) r.wparam = 0;  // the device context varies
    }
    EXPECT_EQ(got, expected) << Describe(got);
    EXPECT_EQ(GetFocus(), main);
    RECT r;
    ASSERT_TRUE(GetWindowRect(main, &r));
    EXPECT_TRUE(SameRect(r, RECT{0, 0, host::kScreenWidth, host::kScreenHeight}));
}

TEST_F(WindowTest, CreateReturningMinusOneFailsTheCreation) {
    SetHook([](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
        if (message != WM_CREATE) return false;
        *result = -1;
        return true;
    });
    HWND main = CreateMain();
    EXPECT_EQ(main, nullptr);
    ASSERT_EQ(Log().size(), 2u);
    EXPECT_EQ(Log()[0].message, WM_CREATE);
    EXPECT_EQ(Log()[1].message, WM_DESTROY);
    EXPECT_FALSE(IsWindow(Log()[0].window));
}

TEST_F(WindowTest, CreateCarriesTheCreationData) {
    int marker = 0;
    CREATESTRUCTW seen{};
    SetHook([&](HWND, UINT message, WPARAM, LPARAM lparam, LRESULT*) {
        if (message == WM_CREATE) seen = *reinterpret_cast<CREATESTRUCTW*>(lparam);
        return false;
    });
    HWND w = CreateWindowExW(0, kTestClass, u"T", WS_POPUP, 5, 6, 70, 80, nullptr, nullptr, nullptr,
                             &marker);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(seen.lpCreateParams, &marker);
    EXPECT_EQ(seen.x, 5);
    EXPECT_EQ(seen.y, 6);
    EXPECT_EQ(seen.cx, 70);
    EXPECT_EQ(seen.cy, 80);
    EXPECT_TRUE(Filtered({WM_SHOWWINDOW}).empty()) << "created hidden";
}

TEST_F(WindowTest, DestroySendsDestroyToTheWindowThenItsChildren) {
    HWND main = CreateMain();
    HWND a = CreateChild(main, 1, 0, 0, 10, 10);
    HWND a1 = CreateChild(a, 11, 0, 0, 5, 5);
    HWND b = CreateChild(main, 2, 20, 0, 10, 10);
    HWND popup = CreatePopup(main, 50, 50, 20, 20);
    SetTimer(a1, 1, 100, nullptr);
    PostMessageW(b, WM_USER, 0, 0);
    Log().clear();
    EXPECT_TRUE(DestroyWindow(main));
    std::vector<Record> expected{
        {popup, WM_DESTROY, 0}, {main, WM_DESTROY, 0}, {a, WM_DESTROY, 0},
        {a1, WM_DESTROY, 0},    {b, WM_DESTROY, 0},
    };
    EXPECT_EQ(Filtered({WM_DESTROY}), expected) << Describe(Filtered({WM_DESTROY}));
    for (HWND w : {main, a, a1, b, popup})
        EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(DestroyWindow(main));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(KillTimer(a1, 1));
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowTest, DestroyingAChildFromTheParentsDestroyWorksOnce) {
    HWND main = CreateMain();
    HWND bar = CreateChild(main, 1, 0, 0, 320, 24);
    BOOL inner_self = TRUE;
    BOOL inner_child = FALSE;
    SetHook([&](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
        if (message == WM_DESTROY && window == main) {
            inner_self = DestroyWindow(main);
            inner_child = DestroyWindow(bar);
        }
        return false;
    });
    Log().clear();
    EXPECT_TRUE(DestroyWindow(main));
    EXPECT_FALSE(inner_self);
    EXPECT_TRUE(inner_child);
    std::vector<Record> expected{{main, WM_DESTROY, 0}, {bar, WM_DESTROY, 0}};
    EXPECT_EQ(Filtered({WM_DESTROY}), expected) << Describe(Filtered({WM_DESTROY}));
}

TEST_F(WindowTest, ClassNamesCompareWithoutCase) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"TESTWINDOW";
    EXPECT_EQ(RegisterClassW(&wc), 0) << "same name in other case";
    HWND w = CreateWindowExW(0, u"testwindow", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                             nullptr);
    EXPECT_NE(w, nullptr);
    EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    wc.lpszClassName = nullptr;
    EXPECT_EQ(RegisterClassW(&wc), 0);
    EXPECT_EQ(RegisterClassW(nullptr), 0);
}

TEST_F(WindowTest, GeometryOfChildrenAndPopups) {
    HWND main = CreateMain();
    HWND child = CreateChild(main, 34818, 250, 25, 60, 30);
    HWND grandchild = CreateChild(child, 5, 10, 5, 20, 10);
    HWND popup = CreatePopup(main, 25, 97, 190, 100);
    RECT r;
    ASSERT_TRUE(GetWindowRect(grandchild, &r));
    EXPECT_TRUE(SameRect(r, RECT{260, 30, 280, 40}));
    ASSERT_TRUE(GetClientRect(child, &r));
    EXPECT_TRUE(SameRect(r, RECT{0, 0, 60, 30}));
    EXPECT_EQ(GetParent(child), main);
    EXPECT_EQ(GetParent(popup), main);
    EXPECT_EQ(GetParent(main), nullptr);
    EXPECT_EQ(GetDlgCtrlID(child), 34818);
    EXPECT_EQ(GetDlgItem(main, 34818), child);
    EXPECT_EQ(GetDlgItem(main, 99), nullptr);

    EXPECT_TRUE(SetWindowPos(popup, nullptr, 3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    ASSERT_TRUE(GetWindowRect(popup, &r));
    EXPECT_TRUE(SameRect(r, RECT{3, 4, 193, 104}));
    EXPECT_TRUE(SetWindowPos(popup, nullptr, 50, 50, 10, 20, SWP_NOMOVE | SWP_NOZORDER));
    ASSERT_TRUE(GetWindowRect(popup, &r));
    EXPECT_TRUE(SameRect(r, RECT{3, 4, 13, 24}));
}

TEST_F(WindowTest, TextGoesThroughTheWindowProcedure) {
    HWND main = CreateMain();
    HWND child = CreateChild(main, 1, 0, 0, 10, 10);
    UpdateWindow(main);
    Log().clear();
    EXPECT_TRUE(SetWindowTextW(child, u"Stop"));
    WCHAR buffer[8];
    EXPECT_EQ(GetWindowTextW(child, buffer, 8), 4);
    EXPECT_EQ(std::u16string(buffer), u"Stop");
    EXPECT_EQ(GetWindowTextW(child, buffer, 3), 2);
    EXPECT_EQ(std::u16string(buffer), u"St");
    EXPECT_EQ(Filtered({WM_SETTEXT, WM_GETTEXT}).size(), 3u);
    // A changed caption has to be drawn again.
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, child, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    EXPECT_EQ(msg.hwnd, child);
    EXPECT_EQ(GetWindowTextW(main, buffer, 8), 4);
    EXPECT_EQ(std::u16string(buffer), u"Main");
}

TEST_F(WindowTest, CallsOnInvalidWindowsFail) {
    HWND gone = CreateMain();
    DestroyWindow(gone);
    for (HWND bad : {gone, reinterpret_cast<HWND>(0x1234), static_cast<HWND>(nullptr)}) {
        SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(bad));
        RECT r{};
        PAINTSTRUCT ps{};
        WCHAR text[4];
        MSG msg;
        EXPECT_FALSE(IsWindow(bad));
        EXPECT_FALSE(ShowWindow(bad, SW_SHOW));
        EXPECT_FALSE(UpdateWindow(bad));
        EXPECT_FALSE(DestroyWindow(bad));
        EXPECT_EQ(GetDC(bad), nullptr);
        EXPECT_EQ(BeginPaint(bad, &ps), nullptr);
        EXPECT_FALSE(GetWindowRect(bad, &r));
        EXPECT_FALSE(GetClientRect(bad, &r));
        EXPECT_EQ(GetParent(bad), nullptr);
        EXPECT_FALSE(SetWindowPos(bad, nullptr, 0, 0, 1, 1, 0));
        EXPECT_FALSE(SetWindowTextW(bad, u"x"));
        EXPECT_EQ(GetWindowTextW(bad, text, 4), 0);
        EXPECT_EQ(SetFocus(bad), nullptr);
        EXPECT_EQ(GetDlgCtrlID(bad), 0);
        EXPECT_EQ(GetDlgItem(bad, 1), nullptr);
        EXPECT_EQ(SendMessageW(bad, WM_USER, 0, 0), 0);
        EXPECT_EQ(DefWindowProcW(bad, WM_CLOSE, 0, 0), 0);
        EXPECT_EQ(CreateWindowExW(0, kTestClass, u"", WS_CHILD, 0, 0, 1, 1, bad, nullptr, nullptr,
                                  nullptr),
                  nullptr);
        if (bad != nullptr) {
            EXPECT_FALSE(InvalidateRect(bad, nullptr, TRUE));
            EXPECT_FALSE(PostMessageW(bad, WM_USER, 0, 0));
            EXPECT_EQ(GetMessageW(&msg, bad, 0, 0), -1);
            EXPECT_FALSE(PeekMessageW(&msg, bad, 0, 0, PM_REMOVE));
        }
        msg = MSG{bad, WM_USER, 0, 0, 0, {0, 0}};
        EXPECT_EQ(DispatchMessageW(&msg), 0);
    }
    EXPECT_EQ(ReleaseDC(nullptr, reinterpret_cast<HDC>(0x5678)), 0);
}

TEST_F(WindowTest, DefaultCloseDestroysButAltF4IsNotSpecial) {
    HWND main = CreateMain();
    DefWindowProcW(main, WM_SYSKEYDOWN, VK_F4, LPARAM{1} << 29);
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(DefWindowProcW(main, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(main));
}

}  // namespace
}  // namespace wmtest
