// A main window driven by the real window manager on the virtual clock, with receivers on
// pseudo-terminals behind COM1 to COM9.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/testing.h"
#include "screen/screen_areas.h"
#include "tests/support/headless_program.h"
#include "tests/support/program_host.h"
#include "win/windows.h"

namespace serial_test {

using test_support::PortIsFree;
using test_support::PtyPair;

inline constexpr std::uint64_t kSearchSettledMs = 2000;  // first search's ports opened and rested

struct TickRecord {
    std::uint64_t start;
    std::uint64_t end;
    std::u16string caption;  // the Log button's text after the tick
};

// What the test window's procedure saw.
struct WindowEvents {
    std::vector<TickRecord> ticks;
    std::uint64_t destroyedAt = 0;
    bool inLogCommand = false;
    bool inTick = false;
    std::function<void()> beforeTick;  // called as each tick begins
};
extern WindowEvents Seen;

class SerialFixture : public test_support::HeadlessProgramTest {
  protected:
    void SetUp() override;

    // Puts a pseudo-terminal behind COMn, with a good sentence queued when talking; ports
    // without one lead to a path that does not exist.
    PtyPair& AttachReceiver(int port, bool talking = false);
    // Main window, Log button, drawing resources and both timers armed as the frame arms them.
    void CreateMainWindow();
    // Runs the message loop until the virtual clock reaches ms; false once the window has gone.
    bool RunUntil(std::uint64_t ms);
    void RunToQuit(std::uint64_t limit_ms);
    // Presses and releases the Log button with synthetic pointer input.
    static void ClickLog();
    // Presses and releases Enter, which answers a message box.
    static void PressEnter();
    static std::vector<std::uint32_t> ScreenSnapshot();
    // Whether the shot holds, wherever a message box with this text as text and caption draws,
    // the pixels of such a box over the main window. Opens one to compare, after stopping both
    // timers: the last step of a test.
    ::testing::AssertionResult ShowsMessageBox(const std::vector<std::uint32_t>& shot,
                                               const char16_t* text);
    // Called after every advance of the virtual clock.
    void OnClock(std::function<void(std::uint64_t)> observer) { observer_ = std::move(observer); }

    // True when the screen shows the text as DrawTextW draws it single-line into the rectangle.
    bool ScreenShows(const std::u16string& text, RECT rect = kStatusLineArea,
                     const host::PixelView& screen = host::ScreenPixels());
    // True when the status line shows the text and nothing else: no piece of an earlier one.
    bool StatusLineShowsOnly(const std::u16string& text,
                             const host::PixelView& screen = host::ScreenPixels());
    // The search or shutdown text the status line shows alone; "" if none.
    std::string StatusName(const host::PixelView& screen = host::ScreenPixels());
    std::string ReadLog() const {
        return test_support::ReadWholeFile(dir_.File("NMEADataLog.TXT"));
    }

    std::array<std::unique_ptr<PtyPair>, 10> ptys_;
    HWND window_ = nullptr;
    std::function<void(std::uint64_t)> observer_;
};

// The Log button's text now.
std::u16string LogButtonText();

}  // namespace serial_test
