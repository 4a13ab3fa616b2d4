// Timers and the order of the message queue, on the virtual clock.
#include <utility>

#include "wm_fixture.h"

namespace wmtest {
namespace {

using TimerTest = WmTest;

// (timer id, virtual time) of every WM_TIMER the test windows got.
std::vector<std::pair<UINT_PTR, std::uint64_t>>& Ticks() {
    static std::vector<std::pair<UINT_PTR, std::uint64_t>> ticks;
    return ticks;
}

void RecordTicks(std::function<void(HWND, UINT_PTR)> extra = nullptr) {
    Ticks().clear();
    SetHook([extra](HWND window, UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
        if (message != WM_TIMER) return false;
        Ticks().emplace_back(wparam, host::NowMs());
        if (extra) extra(window, wparam);
        *result = 0;
        return true;
    });
}

using TickList = std::vector<std::pair<UINT_PTR, std::uint64_t>>;

TEST_F(TimerTest, TimersFireByPeriodAndOrderAndStopWhenKilled) {
    struct Case {
        const char* name;
        std::function<void(HWND)> script;  // sets the timers, may run the loop
        std::uint64_t until;
        TickList expected;
    };
    const Case cases[] = {
        {"every period from the time it was set",
         [](HWND main) {
             EXPECT_EQ(SetTimer(main, 1, 1000, nullptr), 1u);
             EXPECT_TRUE(host::RunMessageLoopUntil(999));
             EXPECT_TRUE(Ticks().empty());
         },
         3000,
         {{1, 1000}, {1, 2000}, {1, 3000}}},
        {"setting an existing id rearms it with the new period",
         [](HWND main) {
             SetTimer(main, 1, 1000, nullptr);
             host::RunMessageLoopUntil(500);
             EXPECT_EQ(SetTimer(main, 1, 300, nullptr), 1u);
         },
         1200,
         {{1, 800}, {1, 1100}}},
        {"a killed timer that was due never comes",
         [](HWND main) {
             SetTimer(main, 1, 100, nullptr);
             host::AdvanceVirtualClock(500);  // due, not yet taken
             EXPECT_TRUE(KillTimer(main, 1));
             SetTimer(main, 2, 1000, nullptr);
         },
         1500,
         {{2, 1500}}},
        {"timers due together come in the order they were set",
         [](HWND main) {
             SetTimer(main, 2, 1000, nullptr);
             SetTimer(main, 1, 1000, nullptr);
             SetTimer(main, 3, 500, nullptr);
         },
         2000,
         {{3, 500}, {2, 1000}, {1, 1000}, {3, 1000}, {3, 1500}, {2, 2000}, {1, 2000}, {3, 2000}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        HWND main = CreateMain();
        RecordTicks();
        c.script(main);
        host::RunMessageLoopUntil(c.until);
        EXPECT_EQ(Ticks(), c.expected);
    }
}

TEST_F(TimerTest, SlowHandlerGetsOneMessageAndTheNextIsCountedFromThen) {
    HWND main = CreateMain();
    bool slow_done = false;
    RecordTicks([&](HWND, UINT_PTR) {
        if (!slow_done) {
            slow_done = true;
            host::AdvanceVirtualClock(5000);  // a handler that blocks for 5 s
        }
    });
    SetTimer(main, 1, 1000, nullptr);
    host::RunMessageLoopUntil(8000);
    EXPECT_EQ(Ticks(), (TickList{{1, 1000}, {1, 6000}, {1, 7000}, {1, 8000}}));
}

TEST_F(TimerTest, TimerKilledInItsOwnHandlerNeverFiresAgain) {
    HWND main = CreateMain();
    RecordTicks([](HWND window, UINT_PTR id) { EXPECT_TRUE(KillTimer(window, id)); });
    SetTimer(main, 7, 100, nullptr);
    SetTimer(main, 8, 1000, nullptr);  // keeps the loop busy
    host::RunMessageLoopUntil(3000);
    EXPECT_EQ(Ticks(), (TickList{{7, 100}, {8, 1000}}));
    EXPECT_FALSE(KillTimer(main, 7));
}

TEST_F(TimerTest, PeekingWithoutRemovingLeavesTheTimerDue) {
    HWND main = CreateMain();
    UpdateWindow(main);
    SetTimer(main, 1, 100, nullptr);
    host::AdvanceVirtualClock(150);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    // A filter for another window does not take it.
    HWND other = CreatePopup(nullptr, 0, 0, 5, 5);
    UpdateWindow(other);
    host::AdvanceVirtualClock(100);
    EXPECT_FALSE(PeekMessageW(&msg, other, 0, 0, PM_REMOVE));
    EXPECT_TRUE(PeekMessageW(&msg, main, 0, 0, PM_REMOVE));
}

TEST_F(TimerTest, QueueOrderIsPostedThenQuitThenPaintThenTimer) {
    HWND main = CreateMain();
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
        if (msg.message == WM_QUIT) {
            EXPECT_EQ(got, FALSE);
            EXPECT_EQ(msg.wParam, 42u);
        }
        DispatchMessageW(&msg);
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_QUIT, WM_PAINT, WM_TIMER}));
}

TEST_F(TimerTest, RunToQuitReturnsTheExitCode) {
    HWND main = CreateMain();
    SetHook([](HWND window, UINT message, WPARAM, LPARAM, LRESULT* result) {
        if (message == WM_TIMER) {
            DestroyWindow(window);
        } else if (message == WM_DESTROY) {
            PostQuitMessage(3);
        } else {
            return false;
        }
        *result = 0;
        return true;
    });
    SetTimer(main, 1, 1000, nullptr);
    EXPECT_EQ(host::RunMessageLoopToQuit(), 3);
    EXPECT_EQ(host::NowMs(), 1000u);
    EXPECT_FALSE(IsWindow(main));
}

TEST_F(TimerTest, DestroyInsideTimerHandlerStopsEverythingForTheWindow) {
    HWND main = CreateMain();
    HWND other = CreatePopup(nullptr, 0, 0, 10, 10);
    RecordTicks([main](HWND window, UINT_PTR) {
        if (window != main) return;
        PostMessageW(window, WM_USER, 0, 0);
        EXPECT_TRUE(DestroyWindow(window));
        EXPECT_FALSE(DestroyWindow(window));
    });
    SetTimer(main, 1, 100, nullptr);
    SetTimer(main, 2, 100, nullptr);
    SetTimer(other, 9, 1000, nullptr);
    Log().clear();
    host::RunMessageLoopUntil(2000);
    // Only the first tick reached main; the other window goes on.
    EXPECT_EQ(Ticks(), (TickList{{1, 100}, {9, 1000}, {9, 2000}}));
    bool destroyed = false;
    for (const Record& r : Log()) {
        if (r.window != main) continue;
        EXPECT_FALSE(destroyed) << "after WM_DESTROY: " << Describe({r});
        if (r.message == WM_DESTROY) destroyed = true;
    }
    EXPECT_TRUE(destroyed);
}

void TimerCallback(HWND, UINT, UINT_PTR, DWORD) {}

TEST_F(TimerTest, SetTimerRejectsBadWindowsIdZeroAndCallbacks) {
    HWND main = CreateMain();
    EXPECT_EQ(SetTimer(main, 0, 100, nullptr), 0u);
    EXPECT_EQ(SetTimer(main, 1, 100, TimerCallback), 0u);
    EXPECT_EQ(SetTimer(nullptr, 1, 100, nullptr), 0u);
    EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(0x1234), 1, 100, nullptr), 0u);
    DestroyWindow(main);
    EXPECT_EQ(SetTimer(main, 1, 100, nullptr), 0u);
    EXPECT_FALSE(KillTimer(main, 1));
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
}  // namespace wmtest
