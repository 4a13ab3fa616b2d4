// Mouse routing, keyboard translation, accelerators and the focus rule.
#include "wm_fixture.h"

namespace wmtest {
namespace {

using InputTest = WmTest;

struct Received {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

std::vector<Received> RecordInput(std::initializer_list<UINT> kinds) {
    std::vector<Received> got;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        for (UINT k : kinds) {
            if (msg.message == k)
                got.push_back(Received{msg.hwnd, msg.message, msg.wParam, msg.lParam});
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return got;
}

TEST_F(InputTest, ClicksGoToTheDeepestChildInClientCoordinates) {
    HWND main = CreateMain();
    HWND button = CreateChild(main, 34820, 250, 55, 60, 30);
    HWND popup = CreatePopup(main, 0, 200, 100, 50);
    host::InjectMouseButton(260, 60, true);
    host::InjectMouseButton(265, 62, false);
    host::InjectMouseButton(10, 10, true);
    host::InjectMouseButton(10, 10, false);
    host::InjectMouseButton(5, 210, true);
    host::InjectMouseButton(5, 210, false);
    // The window that got the press gets the release, wherever it is.
    host::InjectMouseButton(260, 60, true);
    host::InjectMouseButton(20, 30, false);
    auto got = RecordInput({WM_LBUTTONDOWN, WM_LBUTTONUP});
    ASSERT_EQ(got.size(), 8u);
    struct Expect {
        HWND window;
        UINT message;
        int x;
        int y;
    } expected[] = {{button, WM_LBUTTONDOWN, 10, 5}, {button, WM_LBUTTONUP, 15, 7},
                    {main, WM_LBUTTONDOWN, 10, 10},  {main, WM_LBUTTONUP, 10, 10},
                    {popup, WM_LBUTTONDOWN, 5, 10},  {popup, WM_LBUTTONUP, 5, 10},
                    {button, WM_LBUTTONDOWN, 10, 5}, {button, WM_LBUTTONUP, 20 - 250, 30 - 55}};
    for (std::size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].window, expected[i].window);
        EXPECT_EQ(got[i].message, expected[i].message);
        EXPECT_EQ(static_cast<short>(LOWORD(got[i].lparam)), expected[i].x);
        EXPECT_EQ(static_cast<short>(HIWORD(got[i].lparam)), expected[i].y);
    }
    // Clicks never move the focus.
    EXPECT_EQ(GetFocus(), main);
}

// Alt+"/" as a character, Alt+F4 as a virtual key, the last entry marked.
HACCEL LoadTestAccelerators() {
    static const WORD words[] = {
        FALT | FNOINVERT, u'/', 40003, 0, FVIRTKEY | FALT | FNOINVERT | 0x80, VK_F4, 40002, 0};
    static const host::ResourceItem item{9, 3, 1033, words, sizeof(words)};
    return LoadAcceleratorsW(host::CreateInstance(host::ResourceSet{&item, 1}),
                             MAKEINTRESOURCEW(3));
}

// The application's loop: accelerators for the message's own window first.
std::vector<Received> RunAppLoop(HACCEL table) {
    std::vector<Received> got;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR || msg.message == WM_KEYDOWN ||
            msg.message == WM_SYSKEYDOWN) {
            got.push_back(Received{msg.hwnd, msg.message, msg.wParam, msg.lParam});
        }
        if (TranslateAcceleratorW(msg.hwnd, table, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return got;
}

TEST_F(InputTest, AcceleratorsByVirtualKeyAndByCharacter) {
    HACCEL table = LoadTestAccelerators();
    ASSERT_NE(table, nullptr);
    HWND main = CreateMain();

    struct Case {
        const char* name;
        WORD key;
        char16_t character;
        bool alt;
        int command;  // -1: none
    } cases[] = {
        {"Alt+F4", VK_F4, 0, true, 40002},  {"Alt+/", 0xBF, u'/', true, 40003},
        {"/ alone", 0xBF, u'/', false, -1}, {"F4 alone", VK_F4, 0, false, -1},
        {"Alt+A", 'A', u'a', true, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Log().clear();
        host::InjectKey(c.key, c.character, c.alt, true);
        host::InjectKey(c.key, c.character, c.alt, false);
        std::vector<Received> keys = RunAppLoop(table);
        std::vector<Record> commands = Filtered({WM_COMMAND});
        if (c.command < 0) {
            EXPECT_TRUE(commands.empty()) << Describe(commands);
        } else {
            ASSERT_EQ(commands.size(), 1u);
            EXPECT_EQ(commands[0].window, main);
            EXPECT_EQ(commands[0].wparam, MAKEWPARAM(static_cast<WORD>(c.command), 1));
        }
        ASSERT_FALSE(keys.empty());
        EXPECT_EQ(keys[0].message, c.alt ? WM_SYSKEYDOWN : WM_KEYDOWN);
        EXPECT_EQ((keys[0].lparam >> 29) & 1, c.alt ? 1 : 0);
        if (c.character != 0) {
            ASSERT_EQ(keys.size(), 2u);
            EXPECT_EQ(keys[1].message, c.alt ? WM_SYSCHAR : WM_CHAR);
            EXPECT_EQ(keys[1].wparam, static_cast<WPARAM>(c.character));
        }
        EXPECT_TRUE(IsWindow(main));
    }
}

TEST_F(InputTest, AcceleratorCommandGoesToTheGivenWindow) {
    HACCEL table = LoadTestAccelerators();
    HWND main = CreateMain();
    HWND child = CreateChild(main, 5, 0, 0, 10, 10);
    SetFocus(child);
    host::InjectKey(VK_F4, 0, true, true);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, child);
    Log().clear();
    EXPECT_EQ(TranslateAcceleratorW(main, table, &msg), 1);
    std::vector<Record> commands = Filtered({WM_COMMAND});
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].window, main);
    EXPECT_EQ(TranslateAcceleratorW(nullptr, table, &msg), 0);
    EXPECT_EQ(TranslateAcceleratorW(main, reinterpret_cast<HACCEL>(0x99), &msg), 0);
}

TEST_F(InputTest, FocusMovesInsideTheProgramWithoutKillFocus) {
    HWND main = CreateMain();
    HWND child = CreateChild(main, 1, 0, 0, 10, 10);
    HWND dialog = CreatePopup(main, 50, 50, 100, 100);
    HWND dialog_item = CreateChild(dialog, 2, 0, 0, 10, 10);
    Log().clear();
    EXPECT_EQ(SetFocus(child), main);
    EXPECT_EQ(SetFocus(dialog_item), child);
    DestroyWindow(dialog);
    EXPECT_EQ(GetFocus(), main);
    SetFocus(child);
    DestroyWindow(child);
    EXPECT_EQ(GetFocus(), main);
    EXPECT_TRUE(Filtered({WM_KILLFOCUS}).empty());
    std::vector<Record> expected{{child, WM_SETFOCUS, reinterpret_cast<WPARAM>(main)},
                                 {dialog_item, WM_SETFOCUS, reinterpret_cast<WPARAM>(child)},
                                 {main, WM_SETFOCUS, 0},
                                 {child, WM_SETFOCUS, reinterpret_cast<WPARAM>(main)},
                                 {main, WM_SETFOCUS, 0}};
    EXPECT_EQ(Filtered({WM_SETFOCUS}), expected) << Describe(Filtered({WM_SETFOCUS}));
}

TEST_F(InputTest, HostTakingTheFocusSendsKillFocus) {
    HWND main = CreateMain();
    Log().clear();
    host::InjectFocusLost();
    RecordInput({});
    std::vector<Record> expected{{main, WM_KILLFOCUS, 0}};
    EXPECT_EQ(Filtered({WM_KILLFOCUS}), expected);
    EXPECT_EQ(GetFocus(), nullptr);
    // Keys still reach the main window, and the next window shown takes the focus.
    host::InjectKey('A', u'a', false, true);
    auto got = RecordInput({WM_KEYDOWN});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].window, main);
    HWND popup = CreatePopup(main, 0, 0, 10, 10);
    EXPECT_EQ(GetFocus(), popup);
}

TEST_F(InputTest, HostCloseAsksTheMainWindow) {
    HWND main = CreateMain();
    CreatePopup(main, 0, 0, 10, 10);
    Log().clear();
    host::InjectHostClose();
    auto got = RecordInput({WM_CLOSE});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].window, main);
    EXPECT_FALSE(IsWindow(main));  // DefWindowProcW destroyed it
}

}  // namespace
}  // namespace wmtest
