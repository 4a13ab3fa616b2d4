// Network sources through the whole serial input, in real time: a local TCP
// server that closes and comes back, and a real gpsd on a pseudo-terminal.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "nmea/nav_record.h"
#include "serial/serial_state.h"
#include "serial_fixture.h"
#include "tests/support/child_process.h"
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

// gpsd from Debian's package, as a child on a pseudo-terminal, never as a service.
TEST_F(NetworkSourceTest, RealGpsdShowsTheFixAndTheLogHoldsOnlySentences) {
    constexpr char kGpsd[] = "/usr/sbin/gpsd";
    if (access(kGpsd, X_OK) != 0) GTEST_SKIP() << "gpsd is not installed (scripts/install-deps)";
    PtyPair& pty = AttachReceiver(2);
    test_support::MapComPort(2, "/nonexistent/gpsd-holds-it");
    const int port = test_support::UnusedPort();
    ASSERT_NE(port, 0);
    // Its complaints about the system bus are not the test's business. It ends with the test.
    const struct Gpsd {
        pid_t pid;
        ~Gpsd() { test_support::Stop(pid, SIGKILL); }
    } gpsd{test_support::Spawn(
               {"/bin/sh", "-c", "exec \"$0\" \"$@\" >/dev/null 2>&1", kGpsd, "-N", "-n", "-S",
                std::to_string(port), "-F", dir_.File("gpsd.sock"), pty.SlavePath()},
               {}, "", false)
               .pid};
    ASSERT_GT(gpsd.pid, 0);
    // Until gpsd listens, the search finds nothing there and tries again.
    test_support::MapComPort(1, "gpsd://127.0.0.1:" + std::to_string(port));
    Feed([&] { pty.Write(Fix("4807.038")); });
    CreateMainWindow();
    ClickLog();
    const bool shown = RunUntilTrue([] { return Shows(4807.038f) && Nav.fixType == 3; }, 10000);
    const std::string log = StopLog();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(OnlySentences(log));
    EXPECT_EQ(log.find('{'), std::string::npos);
}

}  // namespace
}  // namespace serial_test
