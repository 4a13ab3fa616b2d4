// The application frame through the real window manager, headless, on the
// virtual clock, with a pseudo-terminal as the receiver on COM1.
#include <dirent.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_window.h"
#include "host/host.h"
#include "nmea/nav_record.h"
#include "screen/drawing_resources.h"
#include "serial/serial_state.h"
#include "tests/support/headless_program.h"
#include "tests/support/stderr_capture.h"
#include "win/windows.h"

int WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);

namespace {

constexpr char kFix[] =
    "$GPGGA,120000.00,4730.0000,N,00815.0000,E,1,08,1.0,410.0,M,47.3,M,,*6F\r\n"
    "$GPGSA,A,3,02,05,07,09,12,13,15,18,,,,,1.8,1.0,1.5*3B\r\n";

// How many descriptors of this process are open on the path.
int OpenCount(const std::string& path) {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    while (dirent* entry = readdir(dir)) {
        char target[PATH_MAX];
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == path) ++count;
    }
    closedir(dir);
    return count;
}

std::u16string WindowText(HWND window) {
    WCHAR text[64] = {};
    const int n = GetWindowTextW(window, text, 64);
    return std::u16string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

class FrameTest : public test_support::HeadlessProgramTest {
  protected:
    void SetUp() override {
        HeadlessProgramTest::SetUp();
        ResetAppState();
        ASSERT_TRUE(pty_.Ok());
        pty_.UseAsComPort(1);
        instance_ = host::CreateInstance(host::ProgramResources());
    }

    const std::string& Slave() const { return pty_.SlavePath(); }

    HWND Start() {
        EXPECT_EQ(CreateMainWindow(instance_, SW_SHOW), 1);
        return LogButton == nullptr ? nullptr : GetParent(LogButton);
    }

    // Runs until the search has taken COM1: the first tick at 1000 ms, its
    // 1000 ms pause and one 300 ms probe.
    void RunUntilPortChosen() {
        Talk(pty_, kFix);
        ASSERT_TRUE(host::RunMessageLoopUntil(2300));
        ASSERT_EQ(SearchPending, 0);
        ASSERT_EQ(OpenCount(Slave()), 2) << "the watch and the chosen port";
    }

    test_support::PtyPair pty_;
    HINSTANCE instance_ = nullptr;
};

TEST_F(FrameTest, StartUpCreatesEverythingAndDrawsTheStaticScreenBeforeAnyTick) {
    Nav.noFixSeconds = 77;
    LoggingEnabled = 1;
    HWND main = Start();
    ASSERT_NE(main, nullptr);

    EXPECT_EQ(AppInstance, instance_);
    EXPECT_NE(CommandBar, nullptr);
    EXPECT_EQ(GetParent(CommandBar), main);
    EXPECT_EQ(TickTimer, 1u);
    EXPECT_EQ(NoFixTimer, 2u);
    EXPECT_EQ(Nav.noFixSeconds, 0);
    EXPECT_EQ(LoggingEnabled, 0);
    EXPECT_EQ(WindowText(LogButton), u"Log");
    EXPECT_EQ(WindowText(main), u"Skymark");
    EXPECT_EQ(host::NowMs(), 0u);
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
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(WindowText(button), b.text);
        RECT r{};
        ASSERT_TRUE(GetWindowRect(button, &r));
        EXPECT_EQ(r.left - frame.left, b.x);
        EXPECT_EQ(r.top - frame.top, b.y);
        EXPECT_EQ(r.right - r.left, 60);
        EXPECT_EQ(r.bottom - r.top, 30);
    }

    // The static screen is on the device screen already: band, crosshair,
    // the blue bar frames and the black outer circle.
    const host::PixelView screen = host::ScreenPixels();
    const struct {
        int x, y;
        COLORREF colour;
    } pixels[] = {{160, 92, kBlue},  {30, 150, kBlue}, {50, 120, kBlue},  {9, 250, kBlue},
                  {189, 250, kBlue}, {0, 250, kBlack}, {19, 250, kWhite}, {7, 32, kWhite}};
    for (const auto& p : pixels) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(screen.At(frame.left + p.x, frame.top + p.y), p.colour);
    }
    // The top of the outer circle, and ink of the first letters of the
    // Altitude label.
    auto count = [&](int left, int top, int right, int bottom, COLORREF colour, bool match) {
        int n = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                n += (screen.At(frame.left + x, frame.top + y) == colour) == match ? 1 : 0;
            }
        }
        return n;
    };
    EXPECT_GT(count(40, 110, 60, 112, kBlack, true), 5);
    EXPECT_GT(count(130, 55, 160, 70, kWhite, false), 20);
    EXPECT_EQ(count(0, 96, 320, 100, kWhite, false), 0) << "nothing else drawn";
}

TEST_F(FrameTest, FirstTickAfterOneSecondThenEachTickThreeHundredAfterTheLastEnded) {
    Talk(pty_, kFix);
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    struct Tick {
        std::uint64_t start, end;
    };
    std::vector<Tick> ticks;
    MSG msg{};
    while (ticks.size() < 4 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        const bool tick = msg.message == WM_TIMER && msg.hwnd == main && msg.wParam == 1;
        const std::uint64_t start = host::NowMs();
        if (tick) {
            EXPECT_EQ(OpenCount(Slave()), ticks.empty() ? 1 : 2);
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (tick) ticks.push_back({start, host::NowMs()});
        // The probe's bytes are not decoded; these reach the first update.
        if (tick && ticks.size() == 1) {
            Talk(pty_, std::string(kFix) + "$");
        }
    }
    ASSERT_EQ(ticks.size(), 4u);
    // The search: 1000 ms pause, then COM1 answers at its first 300 ms probe.
    EXPECT_EQ(ticks[0].start, 1000u);
    EXPECT_EQ(ticks[0].end, 2300u);
    EXPECT_EQ(SearchPending, 0);
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ticks[i].start, ticks[i - 1].end + 300);
    }
    EXPECT_EQ(Nav.fixType, 3) << "the GSA was decoded";
}

// Writes bytes to the receiver once, at the first clock step inside the
// window (from, to): after a tick's read and before its shutdown's purge.
struct LateBytes {
    test_support::PtyPair* pty;
    std::uint64_t from, to;
    bool written = false;
};

void WriteLateBytes(std::uint64_t now, void* context) {
    auto* late = static_cast<LateBytes*>(context);
    if (late->written || now <= late->from || now >= late->to) return;
    late->written = true;
    late->pty->Write("$GPGGA,arrived during the shutdown");
    late->pty->WaitQueued(34);
}

TEST_F(FrameTest, CloseButtonWaitsForTheNextTickWhichPurgesAndClosesThePort) {
    HWND main = Start();
    RunUntilPortChosen();
    const std::uint64_t asked = host::NowMs();
    ASSERT_EQ(asked, 2300u);

    host::InjectHostClose();
    ASSERT_TRUE(host::RunMessageLoopUntil(asked));
    EXPECT_EQ(ExitRequested, 1);
    EXPECT_TRUE(IsWindow(main)) << "not destroyed at once";
    // A second close changes nothing.
    EXPECT_EQ(SendMessageW(main, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(OpenCount(Slave()), 2);

    // The next tick comes at 2600; its shutdown pauses 100 ms before the purge.
    LateBytes late{&pty_, 2600, 2800};
    host::SetVirtualClockObserver(WriteLateBytes, &late);
    EXPECT_FALSE(host::RunMessageLoopUntil(asked + 2000)) << "the quit arrived";
    host::SetVirtualClockObserver(nullptr, nullptr);
    EXPECT_TRUE(late.written);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(OpenCount(Slave()), 1) << "port closed";
    EXPECT_EQ(pty_.Queued(), 0) << "receive queue purged";
    // 100 + 100 + 100 ms of pauses before the first close succeeds.
    EXPECT_EQ(host::NowMs(), 2900u);
}

enum class Exit { kQuitCommand, kExitCommand, kFocusLost };

class ImmediateExitTest : public FrameTest, public ::testing::WithParamInterface<Exit> {};

// These destroy the window at once: no tick runs, the port stays held and
// nothing is purged.
TEST_P(ImmediateExitTest, DestroysAtOnceAndLeavesThePortOpen) {
    HWND main = Start();
    RunUntilPortChosen();
    Talk(pty_, "$GPGGA,queued");
    const std::uint64_t at = host::NowMs();
    switch (GetParam()) {
        case Exit::kQuitCommand:
            EXPECT_EQ(SendMessageW(main, WM_COMMAND, kQuitCommandId, 0), 0);
            EXPECT_FALSE(IsWindow(main));
            break;
        case Exit::kExitCommand:
            EXPECT_EQ(SendMessageW(main, WM_COMMAND, MAKEWPARAM(kExitCommandId, 1), 0), 0);
            EXPECT_FALSE(IsWindow(main));
            break;
        case Exit::kFocusLost:
            host::InjectFocusLost();
            break;
    }
    EXPECT_FALSE(host::RunMessageLoopUntil(at + 1000)) << "the quit arrived";
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(host::NowMs(), at) << "no tick ran before the end";
    EXPECT_EQ(ExitRequested, GetParam() == Exit::kFocusLost ? 1 : 0);
    EXPECT_EQ(OpenCount(Slave()), 2) << "port still held";
    EXPECT_EQ(pty_.Queued(), 13) << "not purged";
}

INSTANTIATE_TEST_SUITE_P(Exits, ImmediateExitTest,
                         ::testing::Values(Exit::kQuitCommand, Exit::kExitCommand,
                                           Exit::kFocusLost));

TEST_F(FrameTest, WarmAndUnknownCommandsAndTimersDoNothing) {
    HWND main = Start();
    HWND warm = GetDlgItem(main, kWarmCommandId);
    ASSERT_NE(warm, nullptr);
    RECT r{};
    GetWindowRect(warm, &r);
    host::InjectMouseButton(r.left + 10, r.top + 10, true);
    host::InjectMouseButton(r.left + 10, r.top + 10, false);
    ASSERT_TRUE(host::RunMessageLoopUntil(500));
    EXPECT_EQ(SendMessageW(main, WM_COMMAND, MAKEWPARAM(kWarmCommandId, BN_CLICKED),
                           reinterpret_cast<LPARAM>(warm)),
              0);
    EXPECT_EQ(SendMessageW(main, WM_COMMAND, 12345, 0), 0);
    EXPECT_EQ(SendMessageW(main, WM_TIMER, 7, 0), 0);
    EXPECT_EQ(SendMessageW(main, WM_TIMER, 0, 0), 0);
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(ExitRequested, 0);
    EXPECT_EQ(LoggingEnabled, 0);
    EXPECT_EQ(SearchPending, 1) << "no search ran";
    EXPECT_EQ(Nav.noFixSeconds, 0);
    EXPECT_EQ(access("NMEADataLog.TXT", F_OK), -1);
    EXPECT_EQ(host::NowMs(), 500u);
}

TEST_F(FrameTest, LogButtonClickStartsTheLogAndTheNextTickShowsStop) {
    HWND main = Start();
    RunUntilPortChosen();
    RECT r{};
    GetWindowRect(LogButton, &r);
    host::InjectMouseButton(r.left + 10, r.top + 10, true);
    host::InjectMouseButton(r.left + 10, r.top + 10, false);
    ASSERT_TRUE(host::RunMessageLoopUntil(host::NowMs()));
    EXPECT_EQ(LoggingEnabled, 1);
    EXPECT_EQ(access("NMEADataLog.TXT", F_OK), 0);
    const std::string bytes = "$GPGSV,1,1,01,02,45,100,40*4E\r\n";
    Talk(pty_, bytes);
    ASSERT_TRUE(host::RunMessageLoopUntil(host::NowMs() + 300));
    EXPECT_EQ(WindowText(LogButton), u"Stop");
    EXPECT_EQ(test_support::ReadWholeFile(dir_.File("NMEADataLog.TXT")), bytes);
    EXPECT_TRUE(IsWindow(main));

    EXPECT_EQ(SendMessageW(main, WM_COMMAND, kLogCommandId, 0), 0);
    EXPECT_EQ(LoggingEnabled, 0);
    ASSERT_TRUE(host::RunMessageLoopUntil(host::NowMs() + 300));
    EXPECT_EQ(WindowText(LogButton), u"Log");
}

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

TEST(AboutCentring, HalvesTheDifferenceTruncatingAndNeverNegative) {
    const struct {
        RECT owner, dialog;
        LONG x, y;
    } table[] = {
        {{0, 0, 240, 294}, {0, 0, 190, 100}, 25, 97},
        {{0, 0, 241, 294}, {0, 0, 190, 100}, 25, 97},
        {{0, 0, 240, 295}, {500, 600, 690, 700}, 25, 97},
        {{0, 0, 240, 294}, {0, 0, 300, 100}, 0, 97},
        {{0, 0, 240, 294}, {0, 0, 190, 400}, 25, 0},
        {{0, 0, 240, 294}, {0, 0, 241, 100}, 0, 97},
        {{10, 20, 250, 314}, {0, 0, 190, 100}, 25, 97},
        {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0},
        {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
         {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN},
         INT32_MAX,
         INT32_MAX},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << row.owner.right << "x" << row.owner.bottom << " "
                                        << row.dialog.left << ".." << row.dialog.right);
        const POINT at = CenteredDialogPosition(row.owner, row.dialog);
        EXPECT_EQ(at.x, row.x);
        EXPECT_EQ(at.y, row.y);
    }
}

RECT recordedDialog{};

BOOL RecordingAboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const BOOL handled = AboutDialogProc(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG) GetWindowRect(dialog, &recordedDialog);
    return handled;
}

void PressEnterLater(std::uint64_t now, void* context) {
    auto* sent = static_cast<bool*>(context);
    if (*sent || now < 200) return;
    *sent = true;
    host::InjectKey(VK_RETURN, u'\r', false, true);
    host::InjectKey(VK_RETURN, u'\r', false, false);
}

LRESULT PlainOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

// The real About template over owners of several sizes at the screen origin.
TEST_F(FrameTest, AboutDialogOpensCentredOverItsOwnerAndEnterClosesIt) {
    WNDCLASSW ownerClass{};
    ownerClass.lpfnWndProc = PlainOwnerProc;
    ownerClass.hInstance = instance_;
    ownerClass.lpszClassName = u"AboutOwner";
    ASSERT_NE(RegisterClassW(&ownerClass), 0);
    HRSRC found = FindResourceW(instance_, MAKEINTRESOURCEW(kAboutDialogId), RT_DIALOG());
    const auto* about = static_cast<const DLGTEMPLATE*>(LoadResource(instance_, found));
    ASSERT_NE(about, nullptr);

    const struct { int width, height; } owners[] = {{240, 294}, {241, 294}, {320, 200}, {60, 40}};
    for (const auto& o : owners) {
        SCOPED_TRACE(testing::Message() << o.width << "x" << o.height);
        HWND owner = CreateWindowExW(0, u"AboutOwner", u"", WS_POPUP | WS_VISIBLE, 0, 0, o.width,
                                     o.height, nullptr, nullptr, instance_, nullptr);
        ASSERT_NE(owner, nullptr);
        RECT client{};
        GetClientRect(owner, &client);
        ASSERT_EQ(client.right, o.width);
        // A timer keeps the virtual clock moving while the dialog waits.
        SetTimer(owner, 9, 50, nullptr);
        recordedDialog = RECT{};
        bool sent = false;
        host::SetVirtualClockObserver(PressEnterLater, &sent);
        const INT_PTR result =
            DialogBoxIndirectParamW(instance_, about, owner, RecordingAboutProc, 0);
        host::SetVirtualClockObserver(nullptr, nullptr);
        EXPECT_EQ(result, IDOK);
        EXPECT_TRUE(sent);
        const int width = recordedDialog.right - recordedDialog.left;
        const int height = recordedDialog.bottom - recordedDialog.top;
        EXPECT_GT(width, 100);
        EXPECT_GT(height, 50);
        EXPECT_EQ(recordedDialog.left, std::max(0, (o.width - width) / 2));
        EXPECT_EQ(recordedDialog.top, std::max(0, (o.height - height) / 2));
        DestroyWindow(owner);
        host::UseVirtualClock(0);
    }
}

// A whole run through WinMain: each step runs once the virtual clock reaches
// its time; a last step ends a run whose keys did nothing, so that the test
// fails rather than hangs.
struct Step {
    std::uint64_t at;
    std::function<void()> run;
};

struct Script {
    std::vector<Step> steps;
    std::size_t done = 0;

    static void Observe(std::uint64_t now, void* context) {
        auto* s = static_cast<Script*>(context);
        while (s->done < s->steps.size() && now >= s->steps[s->done].at) {
            s->steps[s->done++].run();
        }
    }

    int RunProgram(HINSTANCE instance, WCHAR* commandLine) {
        host::SetVirtualClockObserver(Observe, this);
        const int code = WinMain(instance, nullptr, commandLine, SW_SHOW);
        host::SetVirtualClockObserver(nullptr, nullptr);
        return code;
    }
};

void PressKey(WORD key, char16_t character, bool alt) {
    host::InjectKey(key, character, alt, true);
    host::InjectKey(key, character, alt, false);
}

HWND MainWindow() {
    return LogButton == nullptr ? nullptr : GetParent(LogButton);
}

TEST_F(FrameTest, WholeProgramAboutByAltSlashAndExitByAltF4) {
    Talk(pty_, kFix);
    HWND main = nullptr;
    RECT aboutRect{};
    bool aboutSeen = false;
    Script script{{
        {1500,
         [&] {
             main = MainWindow();
             PressKey(0xBF, u'/', true);
         }},  // Alt+"/"
        {3000,
         [&] {
             HWND dialog = GetFocus();
             while (dialog != nullptr && GetParent(dialog) != nullptr && GetParent(dialog) != main)
                 dialog = GetParent(dialog);
             if (dialog != nullptr && dialog != main) aboutSeen = GetWindowRect(dialog, &aboutRect);
             PressKey(VK_RETURN, u'\r', false);
         }},
        {4000, [] { PressKey(VK_F4, 0, true); }},  // Alt+F4
        {6000, [] { PostQuitMessage(0); }},
    }};
    WCHAR commandLine[] = u"--baud 9600";
    const int code = script.RunProgram(instance_, commandLine);

    EXPECT_EQ(code, 0);
    EXPECT_EQ(script.done, 3u);
    EXPECT_FALSE(IsWindow(main));
    // Alt+F4 ends the program before the next tick, without the shutdown.
    EXPECT_LT(host::NowMs(), 4000u + 300);
    EXPECT_EQ(ExitRequested, 0);
    EXPECT_EQ(OpenCount(Slave()), 2) << "port left open";
    // The search ran while the About box was open, as ticks go on there.
    EXPECT_EQ(SearchPending, 0);

    ASSERT_TRUE(aboutSeen);
    EXPECT_GT(aboutRect.right - aboutRect.left, 100);
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
         }},  // Alt+"/"
        {2000, [] { host::InjectFocusLost(); }},
        {2500, [] { PressKey(VK_ESCAPE, 0x1B, false); }},
        {3000, [] { host::InjectFocusLost(); }},
        {5000, [] { PostQuitMessage(0); }},
    }};
    WCHAR commandLine[] = u"";
    const int code = script.RunProgram(instance_, commandLine);

    EXPECT_EQ(code, 0);
    EXPECT_EQ(script.done, 4u);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(ExitRequested, 1);
    EXPECT_LT(host::NowMs(), 3000u + 300) << "ended at once, not by a tick";
}

void AltF4Later(std::uint64_t now, void* context) {
    auto* sent = static_cast<bool*>(context);
    if (*sent || now < 5000) return;
    *sent = true;
    host::InjectKey(VK_F4, 0, true, true);
}

TEST_F(FrameTest, WithoutItsResourcesTheProgramEndsAtOnceWithCodeZero) {
    static const host::ResourceSet empty{nullptr, 0};
    HINSTANCE bare = host::CreateInstance(empty);
    bool sent = false;
    host::SetVirtualClockObserver(AltF4Later, &sent);
    WCHAR commandLine[] = u"";
    EXPECT_EQ(WinMain(bare, nullptr, commandLine, SW_SHOW), 0);
    EXPECT_EQ(LogButton, nullptr) << "no window was created";
    EXPECT_EQ(host::NowMs(), 0u);
}

}  // namespace
