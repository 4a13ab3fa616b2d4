// The TickTimer tick, the port search and the shutdown, on the virtual clock.
#include <string>
#include <vector>

#include "host/host.h"
#include "nmea/sentence_assembler.h"
#include "serial/serial_state.h"
#include "serial_fixture.h"

namespace serial_test {
namespace {

const std::string& kGga = test_support::kQueuedGga;

// The first search's k-th probe of port n (1-based), when every port below n was visited.
std::uint64_t ProbeTime(int visitedBefore, int probe) {
    return kSearchSettledMs + 900 * static_cast<std::uint64_t>(visitedBefore) + 300 * probe;
}

using SearchTest = SerialFixture;

TEST_F(SearchTest, ReceiverOnComOneIsChosenAtTheFirstProbeAndTheOtherPortsAreFreed) {
    for (int port = 1; port <= 9; ++port)
        AttachReceiver(port);
    Talk(*ptys_[1]);
    CreateMainWindow();

    ASSERT_TRUE(RunUntil(ProbeTime(0, 1) + 10));
    ASSERT_EQ(Seen.ticks.size(), 1u);
    EXPECT_EQ(Seen.ticks[0].start, kFirstTickMs);
    EXPECT_EQ(Seen.ticks[0].end, ProbeTime(0, 1));
    EXPECT_EQ(SearchPending, 0);
    EXPECT_NE(ComPort, nullptr);
    EXPECT_TRUE(StatusShows(kSearchEnd));
    // The probe's bytes were taken from the port but not decoded.
    EXPECT_EQ(ptys_[1]->Queued(), 0);
    EXPECT_EQ(Assembler.sentenceLength, 0);

    EXPECT_FALSE(PortIsFree(1));
    for (int port = 2; port <= 9; ++port) {
        SCOPED_TRACE(port);
        EXPECT_TRUE(PortIsFree(port));
    }
}

TEST_F(SearchTest, ReceiverOnComNineAfterEightSilentPorts) {
    for (int port = 1; port <= 9; ++port)
        AttachReceiver(port);
    Talk(*ptys_[9]);

    struct Sample {
        std::uint64_t at;
        std::string status;
        bool free[10];
    };
    std::vector<Sample> samples;
    OnClock([&](std::uint64_t now) {
        if (now < kSearchSettledMs || !Seen.ticks.empty()) return;
        Sample sample{now, StatusName(), {}};
        for (int port = 1; port <= 8; ++port)
            sample.free[port] = PortIsFree(port);
        samples.push_back(sample);
    });
    CreateMainWindow();
    ASSERT_TRUE(RunUntil(ProbeTime(8, 1) + 10));

    ASSERT_EQ(Seen.ticks.size(), 1u);
    EXPECT_EQ(Seen.ticks[0].end, ProbeTime(8, 1));
    EXPECT_EQ(SearchPending, 0);
    EXPECT_TRUE(StatusShows(kSearchEnd));
    EXPECT_FALSE(PortIsFree(9));

    // One sample when the ports have rested, then three per silent port and one for port 9.
    ASSERT_EQ(samples.size(), 1u + 8 * 3 + 1);
    EXPECT_EQ(samples[0].at, kSearchSettledMs);
    for (int port = 1; port <= 9; ++port) {
        for (int probe = 1; probe <= 3; ++probe) {
            if (port == 9 && probe > 1) break;
            const Sample& sample = samples[1 + (port - 1) * 3 + (probe - 1)];
            SCOPED_TRACE("port " + std::to_string(port) + " probe " + std::to_string(probe));
            EXPECT_EQ(sample.at, ProbeTime(port - 1, probe));
            EXPECT_EQ(sample.status, "Read Com" + std::to_string(port));
            // Ports that were given up are closed; the rest are still held.
            for (int other = 1; other <= 8; ++other) {
                EXPECT_EQ(sample.free[other], other < port) << "COM" << other;
            }
        }
    }
}

struct LateArrival {
    std::uint64_t writeAt;  // the data is written just before this probe reads
    std::uint64_t chosenAt;
};

TEST_F(SearchTest, AReceiverThatNeedsAMomentIsStillChosen) {
    const LateArrival cases[] = {
        {ProbeTime(0, 1), ProbeTime(0, 1)},
        {ProbeTime(0, 2), ProbeTime(0, 2)},
        {ProbeTime(0, 3), ProbeTime(0, 3)},
    };
    for (const LateArrival& c : cases) {
        SCOPED_TRACE(c.writeAt);
        TearDown();
        SetUp();
        PtyPair& pty = AttachReceiver(1);
        bool written = false;
        OnClock([&](std::uint64_t now) {
            if (now == c.writeAt && !written) {
                written = pty.Write(kGga) && pty.WaitQueued(kGga.size());
            }
        });
        CreateMainWindow();
        ASSERT_TRUE(RunUntil(ProbeTime(0, 3) + 10));
        EXPECT_TRUE(written);
        ASSERT_GE(Seen.ticks.size(), 1u);
        EXPECT_EQ(Seen.ticks[0].end, c.chosenAt);
        EXPECT_EQ(SearchPending, 0);
        EXPECT_FALSE(PortIsFree(1));
    }
}

TEST_F(SearchTest, SilentPortIsClosedAndTheSearchRunsAgain) {
    AttachReceiver(4);
    CreateMainWindow();
    // One port visited: rest, three probes, then the next search 300 ms after the tick.
    const std::uint64_t firstEnd = ProbeTime(1, 0);
    ASSERT_TRUE(RunUntil(firstEnd + 100));
    ASSERT_EQ(Seen.ticks.size(), 1u);
    EXPECT_EQ(Seen.ticks[0].end, firstEnd);
    EXPECT_EQ(SearchPending, 1);
    EXPECT_EQ(ComPort, nullptr);
    EXPECT_TRUE(StatusShows(kSearchEnd));
    EXPECT_TRUE(PortIsFree(4));

    // The next search takes it again.
    bool heldDuringSecondSearch = false;
    OnClock([&](std::uint64_t now) {
        if (now == firstEnd + 300 + 1000) heldDuringSecondSearch = !PortIsFree(4);
    });
    ASSERT_TRUE(RunUntil(firstEnd + 300 + 1000 + 10));
    ASSERT_GE(Seen.ticks.size(), 2u);
    EXPECT_EQ(Seen.ticks[1].start, firstEnd + 300);
    EXPECT_TRUE(heldDuringSecondSearch);
}

TEST_F(SearchTest, NoPortAtAllShowsOnlySearchEnd) {
    std::vector<std::string> seenStatus;
    OnClock([&](std::uint64_t) { seenStatus.push_back(StatusName()); });
    CreateMainWindow();
    ASSERT_TRUE(RunUntil(3700));

    ASSERT_GE(Seen.ticks.size(), 2u);
    EXPECT_EQ(Seen.ticks[0].start, 1000u);
    EXPECT_EQ(Seen.ticks[0].end, 2000u);
    EXPECT_EQ(Seen.ticks[1].start, 2300u);
    EXPECT_EQ(Seen.ticks[1].end, 3300u);
    EXPECT_EQ(SearchPending, 1);
    EXPECT_TRUE(StatusShows(kSearchEnd));
    for (const std::string& status : seenStatus) {
        EXPECT_TRUE(status.empty() || status == "Search end") << status;
    }
}

// What a real display receives: the messages drawn before each pause reach
// it while the pause lasts, not only once the tick has returned.
TEST_F(SearchTest, TheDisplayReceivesEachMessageOfTheSearchAndTheShutdown) {
    AttachReceiver(1);
    AttachReceiver(2);
    std::vector<std::string> shown;
    host::StartRecordingDisplay([&](const host::Frame&) {
        const std::string name = StatusName();
        if (!name.empty() && (shown.empty() || shown.back() != name)) shown.push_back(name);
    });
    CreateMainWindow();
    PostMessageW(window_, WM_CLOSE, 0, 0);
    RunToQuit(20000);
    host::StopDisplay();

    const std::vector<std::string> expected = {"Read Com1",     "Not Read Com1", "Read Com2",
                                               "Not Read Com2", "Search end",    "Search Com Port",
                                               "Wait Close"};
    EXPECT_EQ(shown, expected);
}

using ShutdownTest = SerialFixture;

TEST_F(ShutdownTest, CloseRequestBeforeAnyPortAfterAFruitlessSearch) {
    std::vector<std::pair<std::uint64_t, std::string>> seenStatus;
    OnClock([&](std::uint64_t now) {
        if (now > kSearchSettledMs) seenStatus.emplace_back(now, StatusName());
    });
    CreateMainWindow();
    PostMessageW(window_, WM_CLOSE, 0, 0);
    RunToQuit(10000);

    ASSERT_EQ(Seen.ticks.size(), 1u);
    // Search 1000..2000, then three pauses of 100 ms, one close attempt without a port.
    EXPECT_EQ(Seen.destroyedAt, kSearchSettledMs + 300);
    std::vector<std::pair<std::uint64_t, std::string>> expected = {
        {2100, "Search Com Port"}, {2200, "Search Com Port"}, {2300, "Search Com Port"}};
    EXPECT_EQ(seenStatus, expected);
}

TEST_F(ShutdownTest, CloseRequestDuringASearchThatFindsAPortPurgesAndClosesIt) {
    PtyPair& pty = AttachTalkingReceiver(1);
    const std::uint64_t chosen = ProbeTime(0, 1);
    int queuedAfterPurge = -1;
    OnClock([&](std::uint64_t now) {
        // Bytes that arrive during the shutdown are thrown away by the purge.
        if (now == chosen + 100) {
            Talk(pty);
        }
        if (now == chosen + 200) queuedAfterPurge = pty.Queued();
    });
    CreateMainWindow();
    PostMessageW(window_, WM_CLOSE, 0, 0);
    RunToQuit(10000);

    ASSERT_EQ(Seen.ticks.size(), 1u);
    EXPECT_EQ(Seen.destroyedAt, chosen + 300);
    EXPECT_EQ(queuedAfterPurge, 0);
    EXPECT_EQ(ComPort, nullptr);
    EXPECT_TRUE(PortIsFree(1));
}

TEST_F(ShutdownTest, CloseRequestWhileRunningEndsAfterThatTick) {
    PtyPair& pty = AttachTalkingReceiver(1);
    CreateMainWindow();
    const std::uint64_t chosen = ProbeTime(0, 1);
    ASSERT_TRUE(RunUntil(chosen + 300 + 10));
    ASSERT_EQ(Seen.ticks.size(), 2u);

    PostMessageW(window_, WM_CLOSE, 0, 0);
    Talk(pty);
    RunToQuit(20000);

    // The tick at +600 still reads, then the shutdown takes its 300 ms.
    ASSERT_EQ(Seen.ticks.size(), 3u);
    EXPECT_EQ(Seen.ticks[2].start, chosen + 600);
    EXPECT_EQ(Seen.destroyedAt, chosen + 900);
    EXPECT_EQ(pty.Queued(), 0);
    EXPECT_EQ(ComPort, nullptr);
    EXPECT_TRUE(PortIsFree(1));
    EXPECT_GT(Assembler.sentenceLength, 0);
}

TEST_F(ShutdownTest, APortThatWillNotCloseIsGivenFiftyAttempts) {
    // A handle that was closed already: every close of it fails.
    HANDLE stale =
        CreateFileW(u"stale", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(stale, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(stale));

    std::string statusAfterSecondAttempt;
    OnClock([&](std::uint64_t now) {
        if (now == kSearchSettledMs + 400) statusAfterSecondAttempt = StatusName();
    });
    CreateMainWindow();
    // Held when the fruitless search of the closing tick ends.
    ComPort = stale;
    ExitRequested = 1;
    RunToQuit(20000);

    ASSERT_EQ(Seen.ticks.size(), 1u);
    EXPECT_EQ(Seen.destroyedAt, kSearchSettledMs + 200 + 50 * 100);
    EXPECT_EQ(statusAfterSecondAttempt, "Wait Close");
    ComPort = nullptr;
}

}  // namespace
}  // namespace serial_test
