// Keyboard translation, accelerators and the focus rule.
#include "test_window.h"

namespace testwin {
namespace {

using InputTest = WmTest;

// The application's loop, accelerators first when a table is given; returns
// the input messages it took from the queue (lparam kept).
std::vector<Recorded> RunLoop(std::initializer_list<UINT> kinds, HACCEL table = nullptr) {
    std::vector<Recorded> got;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (std::find(kinds.begin(), kinds.end(), msg.message) != kinds.end())
            got.push_back(Recorded{msg.hwnd, msg.message, msg.wParam, msg.lParam});
        if (table != nullptr && TranslateAcceleratorW(msg.hwnd, table, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return got;
}

// Alt+"/" as a character, Alt+F4 as a virtual key, the last entry marked.
HACCEL LoadTestAccelerators() {
    static const WORD words[] = {
        FALT | FNOINVERT, u'/', 40003, 0, FVIRTKEY | FALT | FNOINVERT | 0x80, VK_F4, 40002, 0};
    static const host::ResourceItem item{9, 3, 1033, words, sizeof(words)};
    return LoadAcceleratorsW(host::CreateInstance(host::ResourceSet{&item, 1}),
                             MAKEINTRESOURCEW(3));
}

TEST_F(InputTest, AcceleratorsByVirtualKeyAndByCharacter) {
    HACCEL table = LoadTestAccelerators();
    ASSERT_NE(table, nullptr);
    HWND main = CreateParent();
    const struct {
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Log().clear();
        host::InjectKey(c.key, c.character, c.alt, true);
        host::InjectKey(c.key, c.character, c.alt, false);
        const std::vector<Recorded> keys =
            RunLoop({WM_KEYDOWN, WM_SYSKEYDOWN, WM_CHAR, WM_SYSCHAR}, table);
        const std::vector<Recorded> commands = Filtered({WM_COMMAND});
        if (c.command < 0) {
            EXPECT_TRUE(commands.empty());
        } else {
            ASSERT_EQ(commands.size(), 1u);
            EXPECT_EQ(commands[0],
                      (Recorded{main, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(c.command), 1), 0}));
        }
        ASSERT_EQ(keys.size(), c.character != 0 ? 2u : 1u);
        EXPECT_EQ(keys[0].message, c.alt ? WM_SYSKEYDOWN : WM_KEYDOWN);
        EXPECT_EQ((keys[0].lparam >> 29) & 1, c.alt ? 1 : 0);
        if (c.character != 0) {
            EXPECT_EQ(keys[1], (Recorded{main, c.alt ? WM_SYSCHAR : WM_CHAR,
                                         static_cast<WPARAM>(c.character), 0}));
        }
    }
}

TEST_F(InputTest, FocusMovesInsideTheProgramWithoutKillFocus) {
    HWND main = CreateParent();
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
    EXPECT_EQ(Count(WM_KILLFOCUS), 0);
    const auto from = [](HWND w) { return reinterpret_cast<WPARAM>(w); };
    const std::vector<Recorded> expected{{child, WM_SETFOCUS, from(main), 0},
                                         {dialog_item, WM_SETFOCUS, from(child), 0},
                                         {main, WM_SETFOCUS, 0, 0},
                                         {child, WM_SETFOCUS, from(main), 0},
                                         {main, WM_SETFOCUS, 0, 0}};
    EXPECT_EQ(Filtered({WM_SETFOCUS}), expected);
}

TEST_F(InputTest, HostTakingTheFocusSendsKillFocus) {
    HWND main = CreateParent();
    Log().clear();
    host::InjectFocusLost();
    Pump();
    EXPECT_EQ(Filtered({WM_KILLFOCUS}), (std::vector<Recorded>{{main, WM_KILLFOCUS, 0, 0}}));
    EXPECT_EQ(GetFocus(), nullptr);
    // Keys still reach the main window, and the next window shown takes the focus.
    host::InjectKey('A', u'a', false, true);
    EXPECT_EQ(RunLoop({WM_KEYDOWN}), (std::vector<Recorded>{{main, WM_KEYDOWN, 'A', 0}}));
    HWND popup = CreatePopup(main, 0, 0, 10, 10);
    EXPECT_EQ(GetFocus(), popup);
}

}  // namespace
}  // namespace testwin
