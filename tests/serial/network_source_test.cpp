// Network sources through the whole serial input: in real time, a local TCP
// server that closes and comes back and a real gpsd on a pseudo-terminal; on
// the virtual clock, a burst that is caught up and a UDP sender.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "nmea/nav_record.h"
#include "serial/serial_state.h"
#include "serial_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/gpsd_process.h"
#include "tests/support/nmea_text.h"
#include "tests/support/tcp_server.h"

namespace serial_test {
namespace {

using test_support::TcpServer;

std::string Fix(const std::string& latitude) {
    return test_support::Sentence("GPGGA,123519," + latitude +
                                  ",N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") +
           test_support::Sentence("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
}

// True when the text is whole lines, each a sentence with its checksum.
bool OnlySentences(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line.back() != '\r') return false;
        line.pop_back();
        if (!test_support::ChecksumMatches(line)) return false;
    }
    return !text.empty();
}

bool Shows(float latitude) {
    return SearchPending == 0 && std::fabs(Nav.ggaLatitude - latitude) < 0.01f;
}

class NetworkSourceTest : public SerialFixture {
  protected:
    void SetUp() override {
        SerialFixture::SetUp();
        host::UseRealClock();
    }
    void TearDown() override {
        stop_ = true;
        if (feeder_.joinable()) feeder_.join();
        SerialFixture::TearDown();
    }
    // Runs the program until done() holds, for limit_ms at most; false when it never did.
    bool RunUntilTrue(const std::function<bool()>& done, std::uint64_t limit_ms) {
        for (std::uint64_t end = host::NowMs() + limit_ms; !done() && host::NowMs() < end;)
            RunUntil(host::NowMs() + 100);
        return done();
    }
    // Switches logging off and returns the log.
    std::string StopLog() {
        ClickLog();
        RunUntil(host::NowMs() + 50);
        return ReadLog();
    }
    // Runs step every 200 ms on a thread of its own until the test ends.
    void Feed(std::function<void()> step) {
        feeder_ = std::thread([this, step] {
            for (; !stop_; std::this_thread::sleep_for(std::chrono::milliseconds(200)))
                step();
        });
    }

    std::atomic<bool> stop_{false};
    std::thread feeder_;
};

TEST_F(NetworkSourceTest, TcpServerThatClosesAndComesBack) {
    auto server = std::make_unique<TcpServer>();
    ASSERT_TRUE(server->Ok());
    const int port = server->Port();
    test_support::MapComPort(1, "tcp://127.0.0.1:" + std::to_string(port));
    std::mutex mutex;
    std::string latitude = "4807.038";
    Feed([&] {
        std::lock_guard<std::mutex> lock(mutex);
        if (server && server->Accept(0)) server->Send(Fix(latitude));
    });
    CreateMainWindow();
    ClickLog();
    ASSERT_TRUE(RunUntilTrue([] { return Shows(4807.038f) && Nav.fixType == 3; }, 6000));

    // The server goes away: the source is lost, and searches find nothing.
    {
        std::lock_guard<std::mutex> lock(mutex);
        server.reset();
    }
    ASSERT_TRUE(RunUntilTrue([] { return SearchPending == 1 && ComPort == nullptr; }, 3000));
    RunUntil(host::NowMs() + 1500);
    EXPECT_EQ(SearchPending, 1);

    // Back on the same port, with another position.
    {
        std::lock_guard<std::mutex> lock(mutex);
        latitude = "3352.100";
        server = std::make_unique<TcpServer>(port);
        ASSERT_TRUE(server->Ok());
    }
    EXPECT_TRUE(RunUntilTrue([] { return Shows(3352.100f); }, 8000));
    const std::string log = StopLog();
    EXPECT_TRUE(OnlySentences(log));
    EXPECT_NE(log.find("4807.038"), std::string::npos);
    EXPECT_NE(log.find("3352.100"), std::string::npos);
}

// gpsd from Debian's package, as a child on a pseudo-terminal, never as a service: the fix
// comes from gpsd's reports, the status line names the report, the receiver and gpsd's driver,
// and the log holds the receiver's own sentences as gpsd relays them, none of gpsd's lines.
TEST_F(NetworkSourceTest, RealGpsdShowsTheFixAndLogsTheReceiversOwnSentences) {
    if (!test_support::GpsdInstalled()) GTEST_SKIP() << "gpsd is not installed";
    PtyPair& pty = AttachReceiver(2);
    test_support::MapComPort(2, "/nonexistent/gpsd-holds-it");
    test_support::GpsdProcess gpsd;
    ASSERT_TRUE(gpsd.Start({pty.SlavePath()}, dir_.File("gpsd.sock")));
    test_support::MapComPort(1, "gpsd://127.0.0.1:" + std::to_string(gpsd.Port()));
    Feed([&] { pty.Write(Fix("4807.038")); });
    CreateMainWindow();
    ClickLog();
    const std::u16string device(pty.SlavePath().begin(), pty.SlavePath().end());
    auto statusNamesReceiver = [&] {
        return ScreenShows(u"TPV " + device + u" NMEA0183") ||
               ScreenShows(u"SKY " + device + u" NMEA0183");
    };
    const bool shown = RunUntilTrue(
        [&] {
            const std::string sofar = ReadLog();
            return Shows(4807.038f) && Nav.fixType == 3 && statusNamesReceiver() &&
                   std::count(sofar.begin(), sofar.end(), '\n') >= 6;
        },
        15000);
    const std::string log = StopLog();
    EXPECT_TRUE(shown) << "log of " << log.size() << " bytes";
    EXPECT_EQ(host::ScreenPixels().At(7, 32), 0xFF0000u) << "checksum mark blue";
    EXPECT_TRUE(OnlySentences(log)) << log;
    EXPECT_EQ(log.find('{'), std::string::npos);
    // Whole sentences as the receiver sent them, from the first byte on.
    EXPECT_EQ(log.rfind("$GPG", 0), 0u) << log;
}

// A multiplexer's burst, a megabyte of sentences and noise after an outage,
// is read in the ticks that follow, up to a bound per tick: every byte is
// logged, and the newest sentence shows within 2 seconds of the burst.
TEST_F(SerialFixture, ABurstIsCaughtUpWithinTwoSecondsAndLoggedWhole) {
    TcpServer server;
    ASSERT_TRUE(server.Ok());
    test_support::MapComPort(1, "tcp://127.0.0.1:" + std::to_string(server.Port()));
    OnClock([&](std::uint64_t) {
        if (SearchPending && server.Accept(0)) server.Send(Fix("4807.038"));
    });
    CreateMainWindow();
    ClickLog();
    ASSERT_TRUE(RunUntil(2310));
    ASSERT_EQ(SearchPending, 0);
    OnClock(nullptr);

    std::string burst;
    for (int i = 0; burst.size() < 1000000; ++i) {
        burst += Fix("4807.038") +
                 test_support::Sentence(
                     "GPGSV,3,1,12,01,40,083,46,02,17,308,41,"
                     "12,07,344,39,14,22,228,45") +
                 std::string(60, static_cast<char>('!' + i % 90)) + "\r\n";
    }
    burst += Fix("3352.100") + "$";
    // How much the log has grown by the start of each tick: what each tick read.
    std::vector<std::uintmax_t> logSizes;
    Seen.beforeTick = [&] {
        std::error_code error;
        logSizes.push_back(std::filesystem::file_size(dir_.File("NMEADataLog.TXT"), error));
    };
    std::atomic<bool> sent{false};
    std::thread sender([&] {
        server.Send(burst);
        sent = true;
    });
    while (!sent && RunUntil(host::NowMs() + 100)) {
    }
    const std::uint64_t burstEnd = host::NowMs();
    while (!Shows(3352.100f) && host::NowMs() < burstEnd + 10000 && RunUntil(host::NowMs() + 10)) {
    }
    sender.join();
    EXPECT_TRUE(Shows(3352.100f));
    EXPECT_LE(host::NowMs() - burstEnd, 2000u);
    ASSERT_TRUE(RunUntil(host::NowMs() + 1000));
    // More than one read a tick, but never more than the bound and the read
    // that reaches it.
    std::uintmax_t most = 0;
    for (std::size_t i = 1; i < logSizes.size(); ++i)
        most = std::max(most, logSizes[i] - logSizes[i - 1]);
    EXPECT_GT(most, 2u * kReadBufferSize);
    EXPECT_LE(most, 256u * 1024 + kReadBufferSize);
    ClickLog();
    ASSERT_TRUE(RunUntil(host::NowMs() + 10));
    const std::string log = ReadLog();
    EXPECT_TRUE(log == burst) << log.size() << " bytes logged of " << burst.size();
}

// Datagrams from a multiplexer: shown and logged byte for byte in order of
// arrival. The source is never lost: when they stop the status line says so
// after 5 seconds, and the next sentence replaces that.
TEST_F(SerialFixture, UdpSentencesAreShownAndLoggedAndTheirSilenceIsSaid) {
    const int port = test_support::UnusedUdpPort();
    ASSERT_NE(port, 0);
    test_support::MapComPort(1, "udp://127.0.0.1:" + std::to_string(port));
    test_support::UdpSender sender;
    std::string sentAfterChoice;
    std::uint64_t nextSecond = 0;
    OnClock([&](std::uint64_t now) {
        if (now < nextSecond || now > 8000) return;
        nextSecond = now / 1000 * 1000 + 1000;
        const std::string latitude = "48" + std::to_string(10 + now / 1000) + ".038";
        // Two sentences in one datagram, a third alone.
        const std::string fix = Fix(latitude);
        const std::string rmc = test_support::Sentence("GPRMC,123519,A," + latitude +
                                                       ",N,01131.000,E,022.4,084.4,230394,,");
        for (const std::string& datagram : {fix, rmc}) {
            ASSERT_TRUE(sender.Send(port, datagram));
            if (SearchPending == 0) sentAfterChoice += datagram;
        }
    });
    CreateMainWindow();
    ClickLog();
    ASSERT_TRUE(RunUntil(8300));
    EXPECT_EQ(SearchPending, 0);
    EXPECT_TRUE(Shows(4818.038f));
    EXPECT_FALSE(ScreenShows(u"Com1 No Data"));

    ASSERT_TRUE(RunUntil(12900));
    EXPECT_FALSE(ScreenShows(u"Com1 No Data"));
    ASSERT_TRUE(RunUntil(13500));
    EXPECT_TRUE(StatusLineShowsOnly(u"Com1 No Data"));
    ASSERT_TRUE(RunUntil(30000));
    EXPECT_EQ(SearchPending, 0) << "never lost";

    ASSERT_TRUE(sender.Send(port, Fix("3352.100") + "$"));
    ASSERT_TRUE(RunUntil(30400));
    EXPECT_TRUE(Shows(3352.100f));
    EXPECT_FALSE(ScreenShows(u"Com1 No Data"));
    ClickLog();
    ASSERT_TRUE(RunUntil(30410));
    EXPECT_EQ(ReadLog(), sentAfterChoice + Fix("3352.100") + "$");
}

}  // namespace
}  // namespace serial_test
