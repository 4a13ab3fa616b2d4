// A recording parent window, message pumping and scripted input for the
// control tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "host/host.h"
#include "tests/support/rect.h"
#include "win/user.h"

namespace testwin {

struct Recorded {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

// Messages the parent window received: WM_COMMAND, WM_CLOSE, WM_TIMER,
// key messages and WM_KILLFOCUS.
std::vector<Recorded>& Log();
int Count(UINT message);
// Runs on each WM_TIMER of the parent (with the timer id).
void OnParentTimer(std::function<void(WPARAM)> handler);

// A visible top-level window filling the screen, whose WM_CLOSE does not destroy it.
HWND CreateParent();

// Dispatches what is queued without waiting.
void Pump();
// Dispatches messages until done() holds or the clock reaches limit_ms.
void RunUntil(const std::function<bool()>& done, std::uint64_t limit_ms);

// Runs action once the clock reaches at_ms; driven by a timer on window (a
// window from CreateParent), so it also runs inside modal loops.
void ScheduleAt(HWND window, std::uint64_t at_ms, std::function<void()> action);

void Click(int x, int y);
void PressKey(WORD virtual_key, char16_t character);

// Pixels of a screen rectangle, row by row.
std::vector<std::uint32_t> Snapshot(const RECT& rect);

// Clean window manager on the virtual clock; restored by Finish.
void Start();
void Finish();

using test_support::SameRect;

// A clean window manager with the recording parent window shown.
class ParentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Start();
        parent_ = CreateParent();
        ASSERT_NE(parent_, nullptr);
        Pump();
    }
    void TearDown() override { Finish(); }

    HWND parent_ = nullptr;
};

}  // namespace testwin
