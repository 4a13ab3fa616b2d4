// A main window driven by the real window manager on the virtual clock, with receivers on
// pseudo-terminals behind COM1 to COM9.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "tests/support/headless_program.h"
#include "win/windows.h"

namespace serial_test {

using test_support::PtyPair;

inline constexpr std::uint64_t kFirstTickMs = 1000;
inline constexpr std::uint64_t kSearchSettledMs = 2000;  // first search's ports opened and rested

struct TickRecord {
    std::uint64_t start;
    std::uint64_t end;
    std::u16string caption;  // the Log button's text after the tick
};

// What the test window's procedure saw.
struct WindowEvents {
    std::vector<TickRecord> ticks;
    bool destroyed = false;
    std::uint64_t destroyedAt = 0;
    bool inLogCommand = false;
    bool inTick = false;
    int logCommandsDone = 0;
};

// The status line texts, in the order the search and shutdown use them.
enum StatusText { kReadCom, kDetectData, kNotRead, kSearchEnd, kSearchComPort, kWaitClose };

class SerialFixture : public test_support::HeadlessProgramTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Puts a pseudo-terminal behind COMn; ports without one lead to a path that does not exist.
    PtyPair& AttachReceiver(int port);
    // The same, with a good sentence already queued on it.
    PtyPair& AttachTalkingReceiver(int port);
    // Main window, Log button, drawing resources and both timers armed as the frame arms them.
    HWND CreateMainWindow();
    // Runs the message loop until the virtual clock reaches ms; false once the window has gone.
    bool RunUntil(std::uint64_t ms);
    // Runs until the window is destroyed, at most until limit_ms.
    void RunToQuit(std::uint64_t limit_ms);
    // Presses and releases the Log button with synthetic pointer input.
    void ClickLog();
    // Presses and releases Enter, which answers a message box.
    static void PressEnter();
    // The whole device screen, row by row.
    static std::vector<std::uint32_t> ScreenSnapshot();
    // Whether the screen shot holds, wherever a message box with this text as text and caption
    // draws, the pixels of such a box over the main window. Opens one to compare, after stopping
    // both timers: the last step of a test.
    ::testing::AssertionResult ShowsMessageBox(const std::vector<std::uint32_t>& shot,
                                               const char16_t* text);
    // Called after every advance of the virtual clock.
    void OnClock(std::function<void(std::uint64_t)> observer) { observer_ = std::move(observer); }

    // True when the status line shows the text (formatted with the port number).
    bool StatusShows(StatusText text, int port = 0);
    // True when the screen shows the text as DrawTextW draws it into the rectangle.
    bool ScreenShowsText(const std::u16string& text, RECT rect, UINT format);
    // Which status text the line shows, as "Read Com3" style names; "" when none.
    std::string StatusName();
    // True when COMn can be opened now, i.e. nobody holds it. Closes it again at once.
    static bool PortIsFree(int port);

    std::string LogPath() const;
    std::string ReadLog() const;
    bool LogExists() const;

    static std::string_view View(const std::vector<std::uint8_t>& bytes) {
        return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }

    std::array<std::unique_ptr<PtyPair>, 10> ptys_;
    HWND window_ = nullptr;
    std::function<void(std::uint64_t)> observer_;

  private:
    static void ClockTrampoline(std::uint64_t now_ms, void* context);
};

extern WindowEvents Seen;

// The Log button's text now.
std::u16string LogButtonText();

}  // namespace serial_test
