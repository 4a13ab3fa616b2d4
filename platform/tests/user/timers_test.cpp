// Timers and the order of the message queue, on the virtual clock.
#include <utility>

#include "test_window.h"

namespace testwin {
namespace {

using TimerTest = WmTest;
using TickList = std::vector<std::pair<UINT_PTR, std::uint64_t>>;

// (timer id, virtual time) of every WM_TIMER the test windows got; on_tick
// runs inside the handler.
void RecordTicks(TickList* ticks, std::function<void(HWND, UINT_PTR)> on_tick = nullptr) {
    SetHook([=](HWND window, UINT message, WPARAM wparam, LPARAM, LRESULT*) {
        if (message != WM_TIMER) return false;
        ticks->emplace_back(wparam, host::NowMs());
        if (on_tick) on_tick(window, wparam);
        return true;
    });
}

TEST_F(TimerTest, TimersFireByPeriodAndOrderNeverPileUpAndStopWhenKilled) {
    struct Case {
        const char* name;
        std::function<void(HWND)> script;  // sets the timers, may run the loop
        std::function<void(HWND, UINT_PTR)> on_tick;
        std::uint64_t until;
        TickList expected;
    };
    bool slow_done = false;
    const Case cases[] = {
        {"setting an existing id rearms it with the new period",
         [](HWND main) {
             SetTimer(main, 1, 1000, nullptr);
             host::RunMessageLoopUntil(500);
             EXPECT_EQ(SetTimer(main, 1, 300, nullptr), 1u);
         },
         nullptr,
         1200,
         {{1, 800}, {1, 1100}}},
        {"a killed timer that was due never comes",
         [](HWND main) {
             SetTimer(main, 1, 100, nullptr);
             host::AdvanceVirtualClock(500);  // due, not yet taken
             EXPECT_TRUE(KillTimer(main, 1));
             SetTimer(main, 2, 1000, nullptr);
         },
         nullptr,
         1500,
         {{2, 1500}}},
        {"every period from the time it was set; timers due together in the order set",
         [](HWND main) {
             EXPECT_EQ(SetTimer(main, 2, 1000, nullptr), 2u);
             SetTimer(main, 1, 1000, nullptr);
             SetTimer(main, 3, 500, nullptr);
         },
         nullptr,
         2000,
         {{3, 500}, {2, 1000}, {1, 1000}, {3, 1000}, {3, 1500}, {2, 2000}, {1, 2000}, {3, 2000}}},
        {"a handler that blocks for 5 s gets one message, the next a period after it",
         [](HWND main) { SetTimer(main, 1, 1000, nullptr); },
         [&](HWND, UINT_PTR) {
             if (!std::exchange(slow_done, true)) host::AdvanceVirtualClock(5000);
         },
         8000,
         {{1, 1000}, {1, 6000}, {1, 7000}, {1, 8000}}},
        {"a timer killed in its own handler",
         [](HWND main) {
             SetTimer(main, 7, 100, nullptr);
             SetTimer(main, 8, 1000, nullptr);
         },
         [](HWND window, UINT_PTR id) { EXPECT_TRUE(KillTimer(window, id)); },
         3000,
         {{7, 100}, {8, 1000}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        HWND main = CreateParent();
        TickList ticks;
        RecordTicks(&ticks, c.on_tick);
        c.script(main);
        host::RunMessageLoopUntil(c.until);
        EXPECT_EQ(ticks, c.expected);
        SetHook(nullptr);
    }
}

TEST_F(TimerTest, QueueOrderIsPostedThenQuitThenPaintThenTimer) {
    HWND main = CreateParent();
    UpdateWindow(main);
    SetTimer(main, 1, 100, nullptr);
    host::AdvanceVirtualClock(200);
    InvalidateRect(main, nullptr, FALSE);
    PostMessageW(main, WM_USER, 0, 0);
    PostQuitMessage(42);
    PostMessageW(main, WM_USER + 1, 0, 0);
    MSG msg;
    std::vector<UINT> order;
    for (int i = 0; i < 5; ++i) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        order.push_back(msg.message);
        EXPECT_EQ(got, msg.message != WM_QUIT);
        if (msg.message == WM_QUIT) {
            EXPECT_EQ(msg.wParam, 42u);
        }
        DispatchMessageW(&msg);
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_QUIT, WM_PAINT, WM_TIMER}));
}

TEST_F(TimerTest, WaitingForeverOnTheVirtualClockAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            MSG msg;
            GetMessageW(&msg, nullptr, 0, 0);
        },
        "wait forever on the virtual clock");
}

}  // namespace
}  // namespace testwin
