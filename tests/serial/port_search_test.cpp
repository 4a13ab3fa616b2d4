// The TickTimer tick, the port search step by step and the shutdown, on the virtual clock.
#include <string>
#include <vector>

#include "host/host.h"
#include "host/testing.h"
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
    for (int port = 1; port <= kComPortCount; ++port) {
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
        for (int port = 1; port <= kComPortCount; ++port)
            AttachReceiver(port);
        const std::uint64_t chosenAt = ProbeTime(c.port - 1, c.probe);
        // Each step of the search after the ports opened: the time, the status line and the
        // free ports as it begins.
        std::vector<std::string> steps;
        Seen.beforeTick = [&] {
            const std::uint64_t now = host::NowMs();
            if (now < kSearchSettledMs || SearchPending == 0) return;
            if (now == chosenAt) Talk(*ptys_[c.port]);
            steps.push_back(std::to_string(now) + " " + StatusName() + " free " + FreePorts());
        };
        CreateMainWindow();
        ASSERT_TRUE(RunUntil(chosenAt + 10));

        // Steps at the rest's end and at each probe, none of them waiting.
        EXPECT_EQ(Seen.ticks.front().start, 1000u);
        EXPECT_EQ(Seen.ticks.back().end, chosenAt);
        for (const TickRecord& tick : Seen.ticks)
            EXPECT_EQ(tick.end, tick.start);
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

// What a real display receives: the messages drawn reach it as they are
// drawn. A close ends a search under way at once, letting its ports go; the
// shutdown follows without waiting for a tick.
TEST_F(SearchTest, TheDisplayReceivesEachMessageAndACloseIsTakenAtOnce) {
    const struct {
        const char* when;
        std::uint64_t closeAt;
        std::vector<std::string> shown;
    } cases[] = {
        {"between searches",
         ProbeTime(2, 0) + 100,
         {"Read Com1", "Com1 Not Read", "Read Com2", "Com2 Not Read", "Search end",
          "Search Com Port", "Wait Close"}},
        {"while the ports rest", 1500, {"Search Com Port", "Wait Close"}},
        {"while a port is probed",
         ProbeTime(1, 1) + 100,
         {"Read Com1", "Com1 Not Read", "Read Com2", "Search Com Port", "Wait Close"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        TearDown();
        SetUp();
        AttachReceiver(1);
        AttachReceiver(2);
        std::vector<std::string> shown;
        host::StartRecordingDisplay([&](const host::Frame& frame) {
            const std::string name = StatusName(frame.screen);
            if (!name.empty() && (shown.empty() || shown.back() != name)) shown.push_back(name);
        });
        CreateMainWindow();
        ASSERT_TRUE(RunUntil(c.closeAt));
        PostMessageW(window_, WM_CLOSE, 0, 0);
        RunToQuit(20000);
        host::StopDisplay();

        EXPECT_EQ(shown, c.shown);
        // The tick comes as soon as a timer can (10 ms), then three pauses of
        // 100 ms and a close without a port.
        EXPECT_EQ(Seen.destroyedAt, c.closeAt + 10 + 300);
        EXPECT_TRUE(PortIsFree(1));
        EXPECT_TRUE(PortIsFree(2));
    }
}

TEST_F(SearchTest, APortThatWillNotCloseIsGivenFiftyAttempts) {
    // A handle that was closed already: every close of it fails.
    HANDLE stale =
        CreateFileW(u"stale", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(stale, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(stale));
    std::string statusAfterSecondAttempt;
    OnClock([&](std::uint64_t now) {
        if (now == 1000 + 400) statusAfterSecondAttempt = StatusName();
    });
    CreateMainWindow();
    // Held when the first tick comes; the close asked for before it means no search runs.
    ComPort = stale;
    ExitRequested = 1;
    RunToQuit(20000);

    ASSERT_EQ(Seen.ticks.size(), 1u);
    EXPECT_EQ(Seen.destroyedAt, 1000 + 200 + 50 * 100);
    EXPECT_EQ(statusAfterSecondAttempt, "Wait Close");
    ComPort = nullptr;
}

}  // namespace
}  // namespace serial_test
