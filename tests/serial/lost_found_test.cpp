// A source that fails is let go and searched for again, on pseudo-terminals
// and the virtual clock.
#include <string>

#include "nmea/nav_record.h"
#include "paced_receiver.h"
#include "serial/serial_state.h"
#include "serial_fixture.h"

namespace serial_test {
namespace {

using LostFoundTest = SerialFixture;

TEST_F(LostFoundTest, AReceiverThatGoesAndComesBackIsFoundAgainWithOneLog) {
    auto receiver = std::make_unique<PacedReceiver>(AttachReceiver(1), 4800, false, "4807.038");
    std::size_t probed = 0;  // what the receiver had sent when the search chose it
    bool chosen = false;
    OnClock([&](std::uint64_t now) {
        if (!chosen && SearchPending == 0) {
            chosen = true;
            probed = receiver->Sent().size();
        }
        if (receiver) receiver->SendUntil(now);
    });
    CreateMainWindow();
    ClickLog();
    ASSERT_TRUE(RunUntil(8000));
    ASSERT_TRUE(chosen);
    ASSERT_NEAR(Nav.ggaLatitude, 4807.038f, 0.01f);

    // Unplugged: the far side closes. The next tick lets the port go, and
    // what was left queued behind the hang-up is not trusted.
    std::string logged = receiver->Sent().substr(probed);
    receiver.reset();
    ASSERT_TRUE(ptys_[1]->Write("$GPRMC,lost"));
    ASSERT_TRUE(ptys_[1]->WaitQueued(11));
    ptys_[1]->CloseMaster();
    const std::size_t ticksBefore = Seen.ticks.size();
    ASSERT_TRUE(RunUntil(host::NowMs() + 310));
    ASSERT_EQ(Seen.ticks.size(), ticksBefore + 1);
    EXPECT_EQ(SearchPending, 1);
    EXPECT_EQ(ComPort, nullptr);
    EXPECT_TRUE(ScreenShows(u"Com1 Lost"));
    EXPECT_EQ(LoggingEnabled, 1);

    // Searching costs what the start-up search costs: one search a tick, each
    // resting 1000 ms with nothing to read, a tick 300 ms after the last.
    ASSERT_TRUE(RunUntil(host::NowMs() + 13000));
    const std::size_t searches = Seen.ticks.size() - ticksBefore - 1;
    EXPECT_GE(searches, 9u);
    EXPECT_LE(searches, 10u);
    for (std::size_t i = ticksBefore + 1; i < Seen.ticks.size(); ++i)
        EXPECT_GE(Seen.ticks[i].end - Seen.ticks[i].start, 1000u) << i;

    // Plugged in again, under a new device name, with a new position.
    receiver = std::make_unique<PacedReceiver>(AttachReceiver(1), 4800, false, "3352.100");
    chosen = false;
    ASSERT_TRUE(RunUntil(host::NowMs() + 8000));
    ASSERT_TRUE(chosen);
    EXPECT_NEAR(Nav.ggaLatitude, 3352.100f, 0.01f);
    ClickLog();
    ASSERT_TRUE(RunUntil(host::NowMs() + 10));
    EXPECT_EQ(ReadLog(), logged + receiver->Sent().substr(probed));
    EXPECT_NE(logged.find("4807.038"), std::string::npos);
}

TEST_F(LostFoundTest, SilenceIsNotAFailure) {
    PtyPair& pty = AttachReceiver(1, true);
    CreateMainWindow();
    ASSERT_TRUE(RunUntil(2310));
    ASSERT_EQ(SearchPending, 0);
    const HANDLE port = ComPort;
    ASSERT_TRUE(RunUntil(60000));
    EXPECT_EQ(SearchPending, 0);
    EXPECT_EQ(ComPort, port);
    Talk(pty);
    Talk(pty);
    ASSERT_TRUE(RunUntil(60400));
    EXPECT_NEAR(Nav.ggaLatitude, 4807.038f, 0.01f);
}

}  // namespace
}  // namespace serial_test
