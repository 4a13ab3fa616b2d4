// Push buttons, static text, the command bar and the message box, through the
// real window manager on the headless screen and the virtual clock.
#include <gtest/gtest.h>

#include "builtin_controls_internal.h"
#include "test_window.h"

namespace testwin {
namespace {

inline constexpr int kLogId = 34820;

class ControlsTest : public ParentTest {
  protected:
    HWND Make(LPCWSTR cls, LPCWSTR text, DWORD style, const RECT& r, int id = 0) {
        HWND control =
            CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                            r.right - r.left, r.bottom - r.top, parent_,
                            reinterpret_cast<HMENU>(std::intptr_t{id}), nullptr, nullptr);
        Pump();
        return control;
    }
    HWND MakeLogButton() { return Make(u"button", u"Log", 0, kLogArea, kLogId); }

    static constexpr RECT kLogArea{250, 55, 310, 85};
};

// Only a press and a release both on the button click it; held, it is drawn
// inverted, so the face next to the frame is black.
TEST_F(ControlsTest, APressAndReleaseOnTheButtonSendCommandWithIdAndHandle) {
    HWND button = MakeLogButton();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(ScreenAt(250, 55), controls::kBlack);
    EXPECT_EQ(ScreenAt(252, 57), controls::kFace);
    const struct {
        const char* name;
        POINT press, release;
        int commands;
    } cases[] = {
        {"inside", {270, 70}, {275, 72}, 1},
        {"released outside", {270, 70}, {100, 200}, 0},
        {"pressed outside", {100, 200}, {270, 70}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Log().clear();
        host::InjectMouseButton(c.press.x, c.press.y, true);
        Pump();
        EXPECT_EQ(ScreenAt(252, 57), c.press.x == 270 ? controls::kBlack : controls::kFace);
        host::InjectMouseButton(c.release.x, c.release.y, false);
        Pump();
        EXPECT_EQ(ScreenAt(252, 57), controls::kFace) << "the pressed look ends";
        const std::vector<Recorded> commands = Filtered({WM_COMMAND});
        ASSERT_EQ(static_cast<int>(commands.size()), c.commands);
        if (c.commands == 0) continue;
        EXPECT_EQ(commands[0], (Recorded{parent_, WM_COMMAND, MAKEWPARAM(kLogId, BN_CLICKED), 0}));
        EXPECT_EQ(commands[0].lparam, reinterpret_cast<LPARAM>(button));
    }
    EXPECT_EQ(GetFocus(), parent_) << "buttons do not take the focus";
}

TEST_F(ControlsTest, StaticDrawsTextAlignedAndClipped) {
    const RECT box{20, 100, 140, 116};
    const struct {
        DWORD style;
        LPCWSTR text;
        bool ink_left;   // some text pixel in the left quarter
        bool ink_right;  // some text pixel in the right quarter
    } cases[] = {
        {SS_LEFT, u"ab", true, false},
        {SS_CENTER, u"ab", false, false},
        {SS_LEFT, u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", true, true},
        {SS_LEFT, u"", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style << " " << (c.text[0] != 0));
        HWND label = Make(u"static", c.text, c.style, box);
        ASSERT_NE(label, nullptr);
        auto has_ink = [](int left, int right) {
            const auto pixels = Snapshot({left, 100, right, 116});
            return pixels != std::vector<std::uint32_t>(pixels.size(), controls::kWhite);
        };
        EXPECT_EQ(has_ink(20, 50), c.ink_left);
        EXPECT_EQ(has_ink(110, 140), c.ink_right);
        EXPECT_FALSE(has_ink(140, 150)) << "text must be clipped to the control";
        DestroyWindow(label);
        Pump();
    }
}

TEST_F(ControlsTest, CommandBarCloseBoxSendsCloseToParent) {
    HWND bar = CommandBar_Create(nullptr, parent_, 1);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(CommandBar_AddAdornments(bar, 0, 0));
    EXPECT_TRUE(CommandBar_Show(bar, TRUE));
    Pump();
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(bar, &rect));
    EXPECT_TRUE(SameRect(rect, RECT{0, 0, test_screen::kWidth, 24}));
    EXPECT_EQ(ScreenAt(100, 10), controls::kFace);

    Click(100, 12);
    Pump();
    EXPECT_EQ(Count(WM_CLOSE), 0) << "only the close box closes";
    Click(test_screen::kWidth - 12, 12);
    Pump();
    EXPECT_EQ(Count(WM_CLOSE), 1);
    EXPECT_TRUE(IsWindow(bar));

    EXPECT_TRUE(CommandBar_Show(bar, FALSE));
    EXPECT_EQ(ScreenAt(100, 10), controls::kWhite) << "the parent shows again";
    EXPECT_FALSE(CommandBar_AddAdornments(parent_, 0, 0)) << "not a command bar";
    EXPECT_FALSE(CommandBar_AddAdornments(bar, 2, 0)) << "only the close box is offered";
}

// While a box is up a click on the owner is dropped; Escape ends it as Enter
// does, the box's area is drawn again and the owner takes input. (The serial
// tests open the real boxes from a tick, with ticks going on under them.)
TEST_F(ControlsTest, MessageBoxHoldsOwnerInputUntilEscape) {
    MakeLogButton();
    int result = 0;
    ScheduleAt(parent_, 100, [&] {
        ScheduleAt(parent_, 200, [] { Click(270, 70); });
        ScheduleAt(parent_, 300, [] { PressKey(VK_ESCAPE, 0x1B); });
        result = MessageBoxW(parent_, u"Open Error", u"Open Error", MB_OK);
    });
    RunUntil([&] { return result != 0; }, 10000);
    EXPECT_EQ(result, IDOK);
    EXPECT_LT(host::NowMs(), 1000u) << "the key must end the box";
    EXPECT_EQ(Count(WM_COMMAND), 0) << "owner input is disabled while the box is up";
    Pump();
    const auto after = Snapshot({60, 100, 260, 200});
    EXPECT_EQ(after, std::vector<std::uint32_t>(after.size(), controls::kWhite));
    Click(270, 70);
    Pump();
    EXPECT_EQ(Count(WM_COMMAND), 1);
}

TEST_F(ControlsTest, QuitDuringMessageBoxReachesOuterLoop) {
    int result = 0;
    ScheduleAt(parent_, 100, [&] {
        ScheduleAt(parent_, 300, [] { PostQuitMessage(7); });
        result = MessageBoxW(parent_, u"text", u"caption", MB_OK);
    });
    EXPECT_EQ(RunUntil([] { return false; }, 10000), 7);
    EXPECT_EQ(result, IDOK);
}

}  // namespace
}  // namespace testwin
