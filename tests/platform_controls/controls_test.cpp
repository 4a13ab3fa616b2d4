// Push buttons, static text, the command bar and the message box, through the
// real window manager on the headless screen and the virtual clock.
#include <gtest/gtest.h>

#include "builtin_controls_internal.h"
#include "test_window.h"

namespace {

using testwin::Count;
using testwin::Log;

inline constexpr int kLogId = 34820;

class ControlsTest : public testwin::ParentTest {
  protected:
    HWND MakeButton(LPCWSTR text, int x, int y, int id) {
        HWND button =
            CreateWindowExW(0, u"button", text, WS_CHILD | WS_VISIBLE, x, y, 60, 30, parent_,
                            reinterpret_cast<HMENU>(std::intptr_t{id}), nullptr, nullptr);
        testwin::Pump();
        return button;
    }
    HWND MakeStatic(LPCWSTR text, DWORD style) {
        HWND label = CreateWindowExW(0, u"static", text, WS_CHILD | WS_VISIBLE | style, 20, 100,
                                     120, 16, parent_, nullptr, nullptr, nullptr);
        testwin::Pump();
        return label;
    }
};

TEST_F(ControlsTest, ClickInsideSendsCommandWithIdAndHandle) {
    HWND button = MakeButton(u"Log", 250, 55, kLogId);
    ASSERT_NE(button, nullptr);
    const HWND focus_before = GetFocus();

    host::InjectMouseButton(270, 70, true);
    testwin::Pump();
    EXPECT_EQ(Count(WM_COMMAND), 0) << "a press alone is no click";
    // Held: drawn inverted, so the face next to the frame is black.
    EXPECT_EQ(host::ScreenPixels().At(252, 57), controls::kBlack);

    host::InjectMouseButton(270, 70, false);
    testwin::Pump();
    ASSERT_EQ(Count(WM_COMMAND), 1);
    const testwin::Recorded& command = Log().back();
    EXPECT_EQ(command.hwnd, parent_);
    EXPECT_EQ(command.wparam, MAKEWPARAM(kLogId, BN_CLICKED));
    EXPECT_EQ(command.lparam, reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(host::ScreenPixels().At(252, 57), controls::kFace);
    EXPECT_EQ(GetFocus(), focus_before) << "buttons do not take the focus";
}

TEST_F(ControlsTest, ReleaseOutsideSendsNothing) {
    MakeButton(u"Warm", 250, 25, 34818);
    host::InjectMouseButton(260, 40, true);
    host::InjectMouseButton(100, 200, false);
    testwin::Pump();
    EXPECT_EQ(Count(WM_COMMAND), 0);
    EXPECT_EQ(host::ScreenPixels().At(252, 27), controls::kFace) << "pressed look must end";

    // A release over the button without a press on it is no click either.
    host::InjectMouseButton(100, 200, true);
    host::InjectMouseButton(260, 40, false);
    testwin::Pump();
    EXPECT_EQ(Count(WM_COMMAND), 0);
}

TEST_F(ControlsTest, CaptionChangeRedrawsButton) {
    HWND button = MakeButton(u"Log", 250, 55, kLogId);
    const RECT area{250, 55, 310, 85};
    const auto log_pixels = testwin::Snapshot(area);
    // Frame and face are there, not just a white window.
    EXPECT_EQ(host::ScreenPixels().At(250, 55), controls::kBlack);
    EXPECT_EQ(host::ScreenPixels().At(252, 57), controls::kFace);

    ASSERT_TRUE(SetWindowTextW(button, u"Stop"));
    testwin::Pump();
    WCHAR text[16] = {};
    GetWindowTextW(button, text, 16);
    EXPECT_EQ(std::u16string(text), u"Stop");
    EXPECT_NE(testwin::Snapshot(area), log_pixels);

    ASSERT_TRUE(SetWindowTextW(button, u"Log"));
    testwin::Pump();
    EXPECT_EQ(testwin::Snapshot(area), log_pixels);
}

TEST_F(ControlsTest, StaticDrawsTextAlignedAndClipped) {
    struct Case {
        DWORD style;
        LPCWSTR text;
        bool ink_left;   // some text pixel in the left quarter
        bool ink_right;  // some text pixel in the right quarter
    };
    const Case cases[] = {
        {SS_LEFT, u"ab", true, false},
        {SS_CENTER, u"ab", false, false},
        {SS_LEFT, u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", true, true},
        {SS_LEFT, u"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "style " << c.style << " length " << std::u16string(c.text).size());
        HWND label = MakeStatic(c.text, c.style);
        ASSERT_NE(label, nullptr);
        auto has_ink = [](int left, int right) {
            for (int y = 100; y < 116; ++y) {
                for (int x = left; x < right; ++x) {
                    if (host::ScreenPixels().At(x, y) != controls::kWhite) return true;
                }
            }
            return false;
        };
        EXPECT_EQ(has_ink(20, 50), c.ink_left);
        EXPECT_EQ(has_ink(110, 140), c.ink_right);
        EXPECT_FALSE(has_ink(140, 150)) << "text must be clipped to the control";
        DestroyWindow(label);
        testwin::Pump();
    }
}

TEST_F(ControlsTest, StaticRemovesPrefixMarksUnlessNoPrefix) {
    auto draw = [&](LPCWSTR text, DWORD style) {
        HWND label = MakeStatic(text, style);
        auto pixels = testwin::Snapshot({20, 100, 140, 116});
        DestroyWindow(label);
        testwin::Pump();
        return pixels;
    };
    const auto plain = draw(u"AB", SS_LEFT);
    EXPECT_EQ(draw(u"A&B", SS_LEFT), plain);
    EXPECT_NE(draw(u"A&B", SS_LEFT | SS_NOPREFIX), plain);
    EXPECT_EQ(draw(u"A&&B", SS_LEFT), draw(u"A&B", SS_LEFT | SS_NOPREFIX));
}

TEST_F(ControlsTest, CommandBarCloseButtonSendsCloseToParent) {
    HWND bar = CommandBar_Create(nullptr, parent_, 1);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetParent(bar), parent_);
    EXPECT_EQ(GetDlgCtrlID(bar), 1);
    EXPECT_TRUE(CommandBar_AddAdornments(bar, 0, 0));
    EXPECT_TRUE(CommandBar_Show(bar, TRUE));
    testwin::Pump();

    RECT rect{};
    ASSERT_TRUE(GetWindowRect(bar, &rect));
    EXPECT_TRUE(testwin::SameRect(rect, RECT{0, 0, host::kScreenWidth, 24}));
    EXPECT_EQ(host::ScreenPixels().At(100, 10), controls::kFace);

    testwin::Click(100, 12);
    testwin::Pump();
    EXPECT_EQ(Count(WM_CLOSE), 0) << "only the close box closes";

    testwin::Click(host::kScreenWidth - 12, 12);
    testwin::Pump();
    EXPECT_EQ(Count(WM_CLOSE), 1);
    EXPECT_TRUE(IsWindow(parent_)) << "the parent decides what WM_CLOSE does";
    EXPECT_TRUE(IsWindow(bar));

    EXPECT_TRUE(CommandBar_Show(bar, FALSE));
    EXPECT_EQ(host::ScreenPixels().At(100, 10), controls::kWhite) << "the parent shows again";
    EXPECT_FALSE(CommandBar_AddAdornments(parent_, 0, 0)) << "not a command bar";
    EXPECT_FALSE(CommandBar_AddAdornments(bar, 2, 0)) << "only the close box is offered";
}

TEST_F(ControlsTest, MessageBoxKeepsOwnerTimersRunningAndEnterClosesIt) {
    HWND button = MakeButton(u"Log", 250, 55, kLogId);
    ASSERT_NE(button, nullptr);
    ASSERT_NE(SetTimer(parent_, 1, 1000, nullptr), 0u);
    int box_result = 0;
    int ticks_in_box = 0;
    bool in_box = false;
    testwin::OnParentTimer([&](WPARAM id) {
        if (id != 1) return;
        if (in_box) {
            ++ticks_in_box;
            return;
        }
        if (box_result != 0) return;
        // Opened from inside a timer handler, as the Log command's error is.
        in_box = true;
        box_result = MessageBoxW(parent_, u"Open Error", u"Open Error", MB_OK);
        in_box = false;
    });
    // While the box is up, a click on the owner's button is dropped.
    testwin::ScheduleAt(parent_, 3500, [] { testwin::Click(270, 70); });
    testwin::ScheduleAt(parent_, 5500, [] { testwin::PressKey(VK_RETURN, u'\r'); });

    testwin::RunUntil([&] { return box_result != 0; }, 20000);
    EXPECT_EQ(box_result, IDOK);
    EXPECT_GE(host::NowMs(), 5500u);
    EXPECT_LT(host::NowMs(), 7000u) << "Enter must end the box";
    // Ticks at 2000, 3000, 4000 and 5000 ms came while the box was up.
    EXPECT_GE(ticks_in_box, 4);
    EXPECT_EQ(Count(WM_COMMAND), 0) << "owner input is disabled while the box is up";

    // Afterwards the owner takes input again.
    testwin::Click(270, 70);
    testwin::Pump();
    EXPECT_EQ(Count(WM_COMMAND), 1);
}

TEST_F(ControlsTest, MessageBoxShowsCentredAndEscapeClosesIt) {
    ASSERT_NE(SetTimer(parent_, 1, 1000, nullptr), 0u);
    std::vector<std::uint32_t> centre_while_up;
    int result = 0;
    testwin::ScheduleAt(parent_, 100, [&] {
        testwin::ScheduleAt(parent_, 500, [&] {
            centre_while_up = testwin::Snapshot({60, 100, 260, 200});
            testwin::PressKey(VK_ESCAPE, 0x1B);
        });
        result = MessageBoxW(parent_, u"Open Error", u"Open Error", MB_OK);
    });
    testwin::RunUntil([&] { return result != 0; }, 10000);
    EXPECT_EQ(result, IDOK);
    testwin::Pump();
    // The box showed over the white owner and is gone again.
    ASSERT_FALSE(centre_while_up.empty());
    EXPECT_NE(centre_while_up,
              std::vector<std::uint32_t>(centre_while_up.size(), controls::kWhite));
    const auto after = testwin::Snapshot({60, 100, 260, 200});
    EXPECT_EQ(after, std::vector<std::uint32_t>(after.size(), controls::kWhite));
}

TEST_F(ControlsTest, QuitDuringMessageBoxReachesOuterLoop) {
    ASSERT_NE(SetTimer(parent_, 1, 1000, nullptr), 0u);
    int result = 0;
    testwin::ScheduleAt(parent_, 100, [&] {
        testwin::ScheduleAt(parent_, 300, [] { PostQuitMessage(7); });
        result = MessageBoxW(parent_, u"text", u"caption", MB_OK);
    });
    MSG message{};
    BOOL got = 1;
    for (int i = 0; i < 1000 && got > 0; ++i) {
        got = GetMessageW(&message, nullptr, 0, 0);
        if (got > 0) DispatchMessageW(&message);
    }
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(message.wParam, 7u);
}

}  // namespace
