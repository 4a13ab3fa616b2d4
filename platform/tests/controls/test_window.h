// Shared pieces of the window manager and control tests: a clean window
// manager on the virtual clock, recording test windows, scripted input and
// actions at set times.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "host/host.h"
#include "host/testing.h"
#include "test_screen.h"
#include "tests/support/rect.h"
#include "win/windows.h"

namespace testwin {

struct Recorded {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    // The lparam is left out: it often carries pointers.
    bool operator==(const Recorded& o) const {
        return hwnd == o.hwnd && message == o.message && wparam == o.wparam;
    }
};
std::ostream& operator<<(std::ostream& out, const Recorded& r);

// Every message the test windows received, in order.
std::vector<Recorded>& Log();
int Count(UINT message);
// Messages of the given kinds only, in order.
std::vector<Recorded> Filtered(std::initializer_list<UINT> messages);

// Lets a test take over a message of the test windows; returning true skips
// the default handling and returns *result.
using Hook = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT* result)>;
void SetHook(Hook hook);

// Class "TestWindow": white background, records everything, keeps WM_CLOSE
// to itself. Class "BlueWindow": the same with a blue background.
inline constexpr WCHAR kTestClass[] = u"TestWindow";
inline constexpr WCHAR kBlueClass[] = u"BlueWindow";
inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kRed = RGB(255, 0, 0);

// A visible top-level test window filling the screen.
HWND CreateParent();
HWND CreatePopup(HWND owner, int x, int y, int width, int height, LPCWSTR cls = kBlueClass);
HWND CreateChild(HWND parent, int id, int x, int y, int width, int height);

// Fills the window's client area, or the given part of it, through GetDC.
void FillWindow(HWND window, COLORREF color, const RECT* area = nullptr);

// Dispatches what is queued without waiting.
void Pump();
// Dispatches messages until done() holds or the clock reaches limit_ms;
// returns the exit code of a WM_QUIT that came first, or -1.
int RunUntil(const std::function<bool()>& done, std::uint64_t limit_ms);
// Runs action once the clock reaches at_ms; driven by a timer on window (a
// test window), so it also runs inside modal loops.
void ScheduleAt(HWND window, std::uint64_t at_ms, std::function<void()> action);

void Click(int x, int y);
void PressKey(WORD virtual_key, char16_t character);

COLORREF ScreenAt(int x, int y);
// Pixels of a screen rectangle, row by row.
std::vector<std::uint32_t> Snapshot(const RECT& rect);

// Clean window manager on the virtual clock at 0; restored by Finish.
void Start();
void Finish();

using test_support::SameRect;

class WmTest : public ::testing::Test {
  protected:
    void SetUp() override { Start(); }
    void TearDown() override { Finish(); }
};

// The same with a test window shown.
class ParentTest : public WmTest {
  protected:
    void SetUp() override {
        WmTest::SetUp();
        parent_ = CreateParent();
        ASSERT_NE(parent_, nullptr);
        Pump();
    }

    HWND parent_ = nullptr;
};

}  // namespace testwin
