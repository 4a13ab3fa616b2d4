// Shared pieces of the window manager tests: a clean window manager on the
// virtual clock, a message recorder and a test window class.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/host.h"
#include "tests/support/rect.h"
#include "win/windows.h"

namespace wmtest {

struct Record {
    HWND window;
    UINT message;
    WPARAM wparam;
    bool operator==(const Record& other) const {
        return window == other.window && message == other.message && wparam == other.wparam;
    }
};

// Messages every test window saw, in order.
std::vector<Record>& Log();
// Messages of the given kinds only, in order.
std::vector<Record> Filtered(std::initializer_list<UINT> messages);
std::string Describe(const std::vector<Record>& records);

// Lets a test take over a message; returning true skips the default handling
// and stores *result.
using Hook = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT* result)>;
void SetHook(Hook hook);

// Class "TestWindow": white background, records everything.
// Class "BlueWindow": the same with a blue background.
inline constexpr WCHAR kTestClass[] = u"TestWindow";
inline constexpr WCHAR kBlueClass[] = u"BlueWindow";
inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kRed = RGB(255, 0, 0);

HWND CreateMain();  // full screen, visible
HWND CreatePopup(HWND owner, int x, int y, int width, int height, LPCWSTR cls = kBlueClass);
HWND CreateChild(HWND parent, int id, int x, int y, int width, int height);

// Fills the window's client area, or the given part of it, through GetDC.
void FillWindow(HWND window, COLORREF color, const RECT* area = nullptr);
// Dispatches whatever is pending now, without moving the clock.
void Pump();
COLORREF ScreenAt(int x, int y);
using test_support::SameRect;

class WmTest : public ::testing::Test {
  protected:
    void SetUp() override { Restart(); }
    void TearDown() override;
    // An empty window manager with the test classes, the clock at 0; for
    // tests that run several cases.
    void Restart();
};

}  // namespace wmtest
