#include <signal.h>
#include <sys/time.h>
#include <time.h>

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "host/host.h"
#include "win/kernel.h"

namespace {

std::uint64_t RealMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

class VirtualClockTest : public ::testing::Test {
  protected:
    void TearDown() override { host::UseRealClock(); }
};

void Record(std::uint64_t now_ms, void* context) {
    static_cast<std::vector<std::uint64_t>*>(context)->push_back(now_ms);
}

TEST_F(VirtualClockTest, SleepAdvancesAtOnceAndTellsTheObserver) {
    std::vector<std::uint64_t> seen;
    host::UseVirtualClock(5000);
    host::SetVirtualClockObserver(Record, &seen);
    EXPECT_TRUE(host::VirtualClockActive());
    EXPECT_EQ(host::NowMs(), 5000u);

    std::uint64_t real_before = RealMs();
    Sleep(1000);
    EXPECT_EQ(host::NowMs(), 6000u);
    for (int i = 0; i < 3; ++i)
        Sleep(300);
    EXPECT_EQ(host::NowMs(), 6900u);
    host::AdvanceVirtualClock(100);
    EXPECT_EQ(host::NowMs(), 7000u);
    // Ten minutes of sleeping take no real time at all.
    for (int i = 0; i < 600; ++i)
        Sleep(1000);
    EXPECT_EQ(host::NowMs(), 607000u);
    EXPECT_LT(RealMs() - real_before, 500u);

    ASSERT_GE(seen.size(), 5u);
    EXPECT_EQ(seen[0], 6000u);
    EXPECT_EQ(seen[1], 6300u);
    EXPECT_EQ(seen[3], 6900u);
    EXPECT_EQ(seen[4], 7000u);
    EXPECT_EQ(seen.back(), 607000u);
    EXPECT_EQ(seen.size(), 605u);
}

TEST_F(VirtualClockTest, ObserverCanBeRemovedAndRealClockRestored) {
    std::vector<std::uint64_t> seen;
    host::UseVirtualClock();
    EXPECT_EQ(host::NowMs(), 0u);
    host::SetVirtualClockObserver(Record, &seen);
    Sleep(10);
    host::SetVirtualClockObserver(nullptr, nullptr);
    Sleep(10);
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(host::NowMs(), 20u);

    // Returning to real time drops the observer too.
    host::SetVirtualClockObserver(Record, &seen);
    host::UseRealClock();
    EXPECT_FALSE(host::VirtualClockActive());
    host::UseVirtualClock(1);
    Sleep(1);
    EXPECT_EQ(seen.size(), 1u);
}

TEST(RealClock, MonotonicAndSleepWaits) {
    host::UseRealClock();
    std::uint64_t a = host::NowMs();
    // Real sleeping is kept to a few milliseconds; timing goals are for benchmarks.
    Sleep(5);
    std::uint64_t b = host::NowMs();
    EXPECT_GE(b - a, 5u);
    host::AdvanceVirtualClock(100000);
    EXPECT_LT(host::NowMs() - b, 100000u);
}

void IgnoreAlarm(int) {}

TEST(RealClock, SleepSurvivesSignals) {
    host::UseRealClock();
    // The handler is installed without SA_RESTART, so the wait sees EINTR.
    struct sigaction action {};
    struct sigaction old_action {};
    action.sa_handler = IgnoreAlarm;
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGALRM, &action, &old_action), 0);
    itimerval timer{};
    timer.it_value.tv_usec = 2000;
    timer.it_interval.tv_usec = 2000;
    ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);

    std::uint64_t before = RealMs();
    Sleep(30);
    std::uint64_t slept = RealMs() - before;

    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &old_action, nullptr);
    EXPECT_GE(slept, 30u);
    EXPECT_LT(slept, 1000u);
}

}  // namespace
