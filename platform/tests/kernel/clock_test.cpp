#include <signal.h>
#include <sys/time.h>

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "host/host.h"
#include "win/kernel.h"

namespace {

void Record(std::uint64_t now_ms, void* context) {
    static_cast<std::vector<std::uint64_t>*>(context)->push_back(now_ms);
}

TEST(VirtualClock, SleepAdvancesAtOnceTellsTheObserverAndRealTimeDropsIt) {
    std::vector<std::uint64_t> seen;
    // Real time again however the test ends; that drops the observer too.
    struct RealAgain {
        ~RealAgain() { host::UseRealClock(); }
    } real_again;
    host::UseRealClock();
    const DWORD real_before = GetTickCount();
    host::UseVirtualClock(5000);
    host::SetVirtualClockObserver(Record, &seen);

    Sleep(1000);
    Sleep(300);
    host::AdvanceVirtualClock(100);
    // Ten minutes of sleeping take no real time at all.
    for (int i = 0; i < 600; ++i)
        Sleep(1000);
    EXPECT_EQ(GetTickCount(), 606400u);
    ASSERT_EQ(seen.size(), 603u);
    EXPECT_EQ(seen[0], 6000u);
    EXPECT_EQ(seen[1], 6300u);
    EXPECT_EQ(seen[2], 6400u);

    host::SetVirtualClockObserver(nullptr, nullptr);
    Sleep(10);
    // Returning to real time drops the observer too.
    host::SetVirtualClockObserver(Record, &seen);
    host::UseRealClock();
    EXPECT_LT(GetTickCount() - real_before, 500u);
    host::AdvanceVirtualClock(100000);
    EXPECT_LT(GetTickCount() - real_before, 500u);
    host::UseVirtualClock(1);
    Sleep(1);
    host::UseRealClock();
    EXPECT_EQ(seen.size(), 603u);
}

void IgnoreAlarm(int) {}

TEST(RealClock, SleepWaitsItsTimeThroughSignals) {
    host::UseRealClock();
    // Installed without SA_RESTART, so the wait sees EINTR every 2 ms.
    struct sigaction action {};
    struct sigaction old_action {};
    action.sa_handler = IgnoreAlarm;
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGALRM, &action, &old_action), 0);
    itimerval timer{{0, 2000}, {0, 2000}};
    ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);

    const DWORD before = GetTickCount();
    Sleep(30);
    const DWORD slept = GetTickCount() - before;

    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &old_action, nullptr);
    EXPECT_GE(slept, 30u);
    EXPECT_LT(slept, 1000u);
}

}  // namespace
