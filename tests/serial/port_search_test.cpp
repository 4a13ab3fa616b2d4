// The TickTimer tick, the port search and the shutdown, on the virtual clock.
#include <string>
#include <vector>

#include "host/host.h"
#include "nmea/sentence_assembler.h"
#include "serial/serial_state.h"
#include "serial_fixture.h"

namespace serial_test {
namespace {

// The first search's k-th probe (1-based) of the port after visitedBefore ports.
std::uint64_t ProbeTime(int visitedBefore, int probe) {
    return kSearchSettledMs + 900 * static_cast<std::uint64_t>(visitedBefore) + 300 * probe;
}

// The ports that nobody holds now, as their digits.
std::string FreePorts() {
    std::string free;
    for (int port = 1; port <= 9; ++port) {
        if (PortIsFree(port)) free += std::to_string(port);
    }
    return free;
}

using SearchTest = SerialFixture;

TEST_F(SearchTest, TheFirstPortThatDeliversIsChosenAndEveryOtherPortFreed) {
    const struct {
        int port;
        int probe;  // the receiver's first bytes arrive just before this probe reads
    } cases[] = {{1, 1}, {9, 1}, {1, 3}, {4, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE("COM" + std::to_string(c.port) + " probe " + std::to_string(c.probe));
        TearDown();
        SetUp();
        for (int port = 1; port <= 9; ++port)
            AttachReceiver(port);
        const std::uint64_t chosenAt = ProbeTime(c.port - 1, c.probe);
        // Each clock step of the search: the time, the status line and the free ports.
        std::vector<std::string> steps;
        OnClock([&](std::uint64_t now) {
            if (now < kSearchSettledMs || !Seen.ticks.empty()) return;
            if (now == chosenAt) Talk(*ptys_[c.port]);
            steps.push_back(std::to_string(now) + " " + StatusName() + " free " + FreePorts());
        });
        CreateMainWindow();
        ASSERT_TRUE(RunUntil(chosenAt + 10));

        ASSERT_EQ(Seen.ticks.size(), 1u);
        EXPECT_EQ(Seen.ticks[0].start, 1000u);
        EXPECT_EQ(Seen.ticks[0].end, chosenAt);
        EXPECT_EQ(SearchPending, 0);
        EXPECT_EQ(StatusName(), "Search end");
        // The probe's bytes were taken from the port but not decoded.
        EXPECT_EQ(ptys_[c.port]->Queued(), 0);
        EXPECT_EQ(Assembler.sentenceLength, 0);
        std::string others = "123456789";
        EXPECT_EQ(FreePorts(), others.erase(c.port - 1, 1));

        // Every port is held while the ports rest, then each probe of a port says so; the
        // ports given up are closed, the rest still held.
        std::vector<std::string> expected = {std::to_string(kSearchSettledMs) + "  free "};
        for (int port = 1; port <= c.port; ++port) {
            for (int probe = 1; probe <= (port < c.port ? 3 : c.probe); ++probe) {
                expected.push_back(std::to_string(ProbeTime(port - 1, probe)) + " Read Com" +
                                   std::to_string(port) + " free " +
                                   std::string("123456789").substr(0, port - 1));
            }
        }
        EXPECT_EQ(steps, expected);
    }
}

// What a real display receives: the messages drawn before each pause reach
// it while the pause lasts, not only once the tick has returned.
TEST_F(SearchTest, TheDisplayReceivesEachMessageOfTheSearchAndTheShutdown) {
    AttachReceiver(1);
    AttachReceiver(2);
    std::vector<std::string> shown;
    host::StartRecordingDisplay([&](const host::Frame& frame) {
        const std::string name = StatusName(frame.screen);
        if (!name.empty() && (shown.empty() || shown.back() != name)) shown.push_back(name);
    });
    CreateMainWindow();
    PostMessageW(window_, WM_CLOSE, 0, 0);
    RunToQuit(20000);
    host::StopDisplay();

    const std::vector<std::string> expected = {"Read Com1",     "Com1 Not Read", "Read Com2",
                                               "Com2 Not Read", "Search end",    "Search Com Port",
                                               "Wait Close"};
    EXPECT_EQ(shown, expected);
    // The search of two silent ports, then three pauses of 100 ms and a close without a port.
    ASSERT_EQ(Seen.ticks.size(), 1u);
    EXPECT_EQ(Seen.destroyedAt, ProbeTime(2, 0) + 300);
}

TEST_F(SearchTest, APortThatWillNotCloseIsGivenFiftyAttempts) {
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
