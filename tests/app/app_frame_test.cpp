// The application frame through the real window manager, headless, on the
// virtual clock, with a pseudo-terminal as the receiver on COM1.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_window.h"
#include "host/host.h"
#include "host/testing.h"
#include "nmea/nav_record.h"
#include "resources/program_resources.h"
#include "screen/drawing_resources.h"
#include "serial/serial_state.h"
#include "tests/support/headless_program.h"
#include "tests/support/program_host.h"
#include "tests/support/stderr_capture.h"
#include "win/windows.h"

int WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);

namespace {

constexpr char kFix[] =
    "$GPGGA,120000.00,4730.0000,N,00815.0000,E,1,08,1.0,410.0,M,47.3,M,,*6F\r\n"
    "$GPGSA,A,3,02,05,07,09,12,13,15,18,,,,,1.8,1.0,1.5*3B\r\n";

// Whether the program holds COM1, which it opens for itself alone.
bool PortHeld() {
    return !test_support::PortIsFree(1);
}

std::u16string WindowText(HWND window) {
    WCHAR text[64] = {};
    GetWindowTextW(window, text, 64);
    return text;
}

HWND MainWindow() {
    return LogButton == nullptr ? nullptr : GetParent(LogButton);
}

void PressKey(WORD key, char16_t character, bool alt) {
    host::InjectKey(key, character, alt, true);
    host::InjectKey(key, character, alt, false);
}

// Steps that each run once the virtual clock reaches their time.
struct Script {
    struct Step {
        std::uint64_t at;
        std::function<void()> run;
    };
    std::vector<Step> steps;
    std::size_t done = 0;

    static void Observe(std::uint64_t now, void* context) {
        auto* s = static_cast<Script*>(context);
        while (s->done < s->steps.size() && now >= s->steps[s->done].at)
            s->steps[s->done++].run();
    }
    void Start() { host::SetVirtualClockObserver(Observe, this); }
    // A whole run through WinMain; a last step should end a run whose keys did nothing, so
    // that the test fails rather than hangs.
    int RunProgram(HINSTANCE instance, const char16_t* commandLine) {
        Start();
        std::u16string line = commandLine;
        const int code = WinMain(instance, nullptr, line.data(), SW_SHOW);
        host::SetVirtualClockObserver(nullptr, nullptr);
        return code;
    }
};

class FrameTest : public test_support::HeadlessProgramTest {
  protected:
    void SetUp() override {
        HeadlessProgramTest::SetUp();
        ResetAppState();
        ASSERT_TRUE(pty_.Ok());
        pty_.UseAsComPort(1);
        instance_ = host::CreateInstance(ProgramResources());
    }

    HWND Start() {
        EXPECT_EQ(CreateMainWindow(instance_, SW_SHOW), 1);
        return MainWindow();
    }
    // Runs until the search has taken COM1: its first step at 1000 ms, the
    // ports' 1000 ms rest and one 300 ms probe.
    void RunUntilPortChosen() {
        Talk(pty_, kFix);
        ASSERT_TRUE(host::RunMessageLoopUntil(2300));
        ASSERT_EQ(SearchPending, 0);
        ASSERT_TRUE(PortHeld());
    }

    test_support::PtyPair pty_;
    HINSTANCE instance_ = nullptr;
};

TEST_F(FrameTest, StartUpDrawsTheStaticScreenBeforeAnyTickAndOtherCommandsDoNothing) {
    Nav.noFixSeconds = 77;
    LoggingEnabled = 1;
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(GetParent(CommandBar), main);
    EXPECT_EQ(Nav.noFixSeconds, 0);
    EXPECT_EQ(LoggingEnabled, 0);
    EXPECT_EQ(WindowText(main), u"Skymark");
    EXPECT_EQ(SearchPending, 1) << "no tick has run";

    RECT frame{};
    ASSERT_TRUE(GetWindowRect(main, &frame));
    const struct {
        int id;
        const char16_t* text;
        int x, y;
    } buttons[] = {{kWarmCommandId, u"Warm", 250, 25}, {kLogCommandId, u"Log", 250, 55}};
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.id);
        HWND button = GetDlgItem(main, b.id);
        EXPECT_EQ(WindowText(button), b.text);
        RECT r{};
        ASSERT_TRUE(GetWindowRect(button, &r));
        EXPECT_EQ(r.left - frame.left, b.x);
        EXPECT_EQ(r.top - frame.top, b.y);
        EXPECT_EQ(r.right - r.left, 60);
        EXPECT_EQ(r.bottom - r.top, 30);
    }
    // The static screen is on the device screen already (the crosshair and a
    // blue bar frame), and nothing above the plot.
    const host::PixelView screen = host::ScreenPixels();
    EXPECT_EQ(screen.At(frame.left + 50, frame.top + 120), kBlue);
    EXPECT_EQ(screen.At(frame.left + 9, frame.top + 250), kBlue);
    for (int x = 0; x < 320; ++x)
        ASSERT_EQ(screen.At(frame.left + x, frame.top + 97), kWhite) << x;

    // Warm, unknown commands and unknown timers change nothing.
    ASSERT_TRUE(host::RunMessageLoopUntil(500));
    for (const WPARAM command : {WPARAM{kWarmCommandId}, WPARAM{12345}})
        EXPECT_EQ(SendMessageW(main, WM_COMMAND, command, 0), 0);
    EXPECT_EQ(SendMessageW(main, WM_TIMER, 7, 0), 0);
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(ExitRequested, 0);
    EXPECT_EQ(LoggingEnabled, 0);
    EXPECT_EQ(SearchPending, 1) << "no search ran";
    EXPECT_EQ(Nav.noFixSeconds, 0);
    EXPECT_EQ(host::NowMs(), 500u);
}

TEST_F(FrameTest, FirstTickAfterOneSecondThenTheSearchStepsThenEachTickThreeHundredAfterTheLast) {
    Talk(pty_, kFix);
    HWND main = Start();
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ticks;
    MSG msg{};
    while (ticks.size() < 5 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        const bool tick = msg.message == WM_TIMER && msg.hwnd == main && msg.wParam == 1;
        const std::uint64_t start = host::NowMs();
        DispatchMessageW(&msg);
        if (!tick) continue;
        ticks.emplace_back(start, host::NowMs());
        // The probe's bytes are not decoded; these reach the first update.
        if (ticks.size() == 3) Talk(pty_, std::string(kFix) + "$");
    }
    ASSERT_EQ(ticks.size(), 5u);
    // The search: the ports open at 1000 ms and rest 1000 ms, then COM1
    // answers at its first 300 ms probe; updates follow. No step waits.
    const std::uint64_t starts[] = {1000, 2000, 2300, 2600, 2900};
    for (std::size_t i = 0; i < ticks.size(); ++i)
        EXPECT_EQ(ticks[i], std::make_pair(starts[i], starts[i])) << i;
    EXPECT_EQ(Nav.fixType, 3) << "the GSA was decoded";
}

TEST_F(FrameTest, CloseButtonShutsDownAtOnceAndPurgesAndClosesThePort) {
    HWND main = Start();
    RunUntilPortChosen();
    host::InjectHostClose();
    // The shutdown pauses 100 ms before the purge, and bytes arrive then.
    Script script{{{2311, [&] { Talk(pty_, "$GPGGA,arrived during the shutdown"); }}}};
    script.Start();
    EXPECT_FALSE(host::RunMessageLoopUntil(4300)) << "the quit arrived";
    EXPECT_EQ(ExitRequested, 1);
    EXPECT_EQ(script.done, 1u);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_FALSE(PortHeld());
    EXPECT_EQ(pty_.Queued(), 0) << "receive queue purged";
    // The tick comes as soon as a timer can (10 ms), then 100 + 100 + 100 ms
    // of pauses before the first close succeeds.
    EXPECT_EQ(host::NowMs(), 2610u);
}

class ImmediateExitTest : public FrameTest, public ::testing::WithParamInterface<WORD> {};

// Quit and Exit destroy the window at once: no tick runs, the port stays held
// and nothing is purged. (A loss of focus does the same: the About box test.)
TEST_P(ImmediateExitTest, DestroysAtOnceAndLeavesThePortOpen) {
    HWND main = Start();
    RunUntilPortChosen();
    Talk(pty_, "$GPGGA,queued");
    EXPECT_EQ(SendMessageW(main, WM_COMMAND, MAKEWPARAM(GetParam(), 1), 0), 0);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_FALSE(host::RunMessageLoopUntil(3300)) << "the quit arrived";
    EXPECT_EQ(host::NowMs(), 2300u) << "no tick ran before the end";
    EXPECT_EQ(ExitRequested, 0);
    EXPECT_TRUE(PortHeld());
    EXPECT_EQ(pty_.Queued(), 13) << "not purged";
}

INSTANTIATE_TEST_SUITE_P(Exits, ImmediateExitTest,
                         ::testing::Values(WORD{kQuitCommandId}, WORD{kExitCommandId}));

TEST_F(FrameTest, NoFixCountStandsStillWithAFixAndResumesAfter) {
    HWND main = Start();
    const struct {
        int32_t fixType;
        int32_t countAfter;
    } table[] = {{0, 1}, {1, 2}, {2, 2}, {3, 2}, {1, 3}, {-1, 4}, {2, 4}, {0, 5}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.fixType);
        Nav.fixType = row.fixType;
        EXPECT_EQ(SendMessageW(main, WM_TIMER, 2, 0), 0);
        EXPECT_EQ(Nav.noFixSeconds, row.countAfter);
    }
    Nav.fixType = 1;
    Nav.noFixSeconds = INT32_MAX;
    SendMessageW(main, WM_TIMER, 2, 0);
    EXPECT_EQ(Nav.noFixSeconds, INT32_MAX) << "stops rather than overflows";
}

// The dialog that holds the focus, when it is not the main window.
HWND FocusedDialog(HWND main) {
    HWND dialog = GetFocus();
    while (dialog != nullptr && GetParent(dialog) != nullptr && GetParent(dialog) != main)
        dialog = GetParent(dialog);
    return dialog == main ? nullptr : dialog;
}

TEST_F(FrameTest, WholeProgramLogAndAboutByAltSlashCentredAndExitByAltF4) {
    Talk(pty_, kFix);
    HWND main = nullptr;
    RECT mainRect{}, aboutRect{};
    Script script{{
        {1500,
         [&] {
             main = MainWindow();
             GetWindowRect(main, &mainRect);
             RECT log{};
             GetWindowRect(LogButton, &log);
             host::InjectMouseButton(log.left + 10, log.top + 10, true);
             host::InjectMouseButton(log.left + 10, log.top + 10, false);
             PressKey(0xBF, u'/', true);
         }},
        {3000,
         [&] {
             GetWindowRect(FocusedDialog(main), &aboutRect);
             PressKey(VK_RETURN, u'\r', false);
         }},
        {4000, [] { PressKey(VK_F4, 0, true); }},
        {6000, [] { PostQuitMessage(0); }},
    }};
    EXPECT_EQ(script.RunProgram(instance_, u"--baud 9600"), 0);
    EXPECT_EQ(script.done, 3u);
    EXPECT_FALSE(IsWindow(main));
    // Alt+F4 ends the program before the next tick, without the shutdown.
    EXPECT_LT(host::NowMs(), 4000u + 300);
    EXPECT_EQ(ExitRequested, 0);
    EXPECT_TRUE(PortHeld()) << "left open";
    EXPECT_EQ(LoggingEnabled, 1) << "the Log button reached the serial input";
    // The search ran while the About box was open, as ticks go on there.
    EXPECT_EQ(SearchPending, 0);

    const int width = aboutRect.right - aboutRect.left;
    const int height = aboutRect.bottom - aboutRect.top;
    EXPECT_GT(width, 100);
    EXPECT_GT(height, 50);
    // Centred over the main window.
    EXPECT_EQ(aboutRect.left - mainRect.left, (mainRect.right - mainRect.left - width) / 2);
    EXPECT_EQ(aboutRect.top - mainRect.top, (mainRect.bottom - mainRect.top - height) / 2);
}

// The About box, opened over a receiver that has fallen silent after a fix,
// changes nothing outside itself, and once closed leaves the screen as it
// was, though no value has changed to be drawn again.
TEST_F(FrameTest, TheAboutBoxRoundTripLeavesTheScreenAsItWas) {
    const std::string second = std::string(kFix) +
                               "$GPGSV,1,1,02,05,45,090,40,07,30,200,35*72\r\n"
                               "$GPRMC,120000.00,A,4730.0000,N,00815.0000,E,0.0,0.0,071226,,,A*51"
                               "\r\n";
    std::vector<std::uint32_t> before, open, after;
    RECT about{};
    auto pixels = [] {
        const host::PixelView view = host::ScreenPixels();
        std::vector<std::uint32_t> out;
        for (int y = 0; y < kScreenHeight; ++y) {
            for (int x = 0; x < kScreenWidth; ++x)
                out.push_back(view.At(x, y));
        }
        return out;
    };
    Script script{{
        {2700, [&] { Talk(pty_, second); }},
        {3400,
         [&] {
             before = pixels();
             PressKey(0xBF, u'/', true);
         }},
        {3800,
         [&] {
             open = pixels();
             GetWindowRect(FocusedDialog(MainWindow()), &about);
             PressKey(VK_RETURN, u'\r', false);
         }},
        {4700,
         [&] {
             after = pixels();
             PostQuitMessage(0);
         }},
    }};
    Talk(pty_, second);
    EXPECT_EQ(script.RunProgram(instance_, u""), 0);
    ASSERT_EQ(script.done, 4u);
    ASSERT_GT(about.right - about.left, 100);
    ASSERT_EQ(Nav.fixType, 3) << "the no-fix count stands still";
    ASSERT_EQ(after.size(), before.size());
    const int width = kScreenWidth;
    int outside = 0, differing = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        const int x = static_cast<int>(i) % width;
        const int y = static_cast<int>(i) / width;
        const bool inBox = x >= about.left && x < about.right && y >= about.top && y < about.bottom;
        outside += !inBox && open[i] != before[i] ? 1 : 0;
        differing += after[i] != before[i] ? 1 : 0;
    }
    EXPECT_EQ(outside, 0) << "the box changed the screen outside itself";
    EXPECT_EQ(differing, 0) << "the screen after the box";
}

// The host takes the focus while the About box holds it, the box is closed,
// and the window is minimised again: that loss reaches the main window and
// ends the program at once.
TEST_F(FrameTest, MinimisingAfterTheAboutBoxHeldTheFocusEndsTheProgram) {
    HWND main = nullptr;
    Script script{{
        {1500,
         [&] {
             main = MainWindow();
             PressKey(0xBF, u'/', true);
         }},
        {2000, [] { host::InjectFocusLost(); }},
        {2500, [] { PressKey(VK_ESCAPE, 0x1B, false); }},
        {3000, [] { host::InjectFocusLost(); }},
        {5000, [] { PostQuitMessage(0); }},
    }};
    EXPECT_EQ(script.RunProgram(instance_, u""), 0);
    EXPECT_EQ(script.done, 4u);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(ExitRequested, 1);
    EXPECT_LT(host::NowMs(), 3000u + 300) << "ended at once, not by a tick";
}

// Without its class name the main window cannot be created: the program says
// so and ends at once as a program that could not start.
TEST_F(FrameTest, WithoutItsResourcesTheProgramEndsAtOnceSayingSo) {
    static const host::ResourceSet empty{nullptr, 0};
    host::SetProgramName("skymark");
    host::ForgetReports();
    Script script{{{5000, [] { PressKey(VK_F4, 0, true); }}}};
    test_support::StderrCapture capture;
    EXPECT_EQ(script.RunProgram(host::CreateInstance(empty), u""), 1);
    EXPECT_EQ(capture.Take(), "skymark: the main window could not be created\n");
    EXPECT_EQ(LogButton, nullptr) << "no window was created";
    EXPECT_EQ(host::NowMs(), 0u);
}

}  // namespace
