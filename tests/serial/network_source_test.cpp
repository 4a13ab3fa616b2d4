// Network sources through the whole serial input, in real time: a local TCP
// server that closes and comes back, and a real gpsd on a pseudo-terminal.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
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

std::string Fix(const char* latitude) {
    return test_support::Sentence(std::string("GPGGA,123519,") + latitude +
                                  ",N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") +
           test_support::Sentence("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1") +
           test_support::Sentence(std::string("GPRMC,123519,A,") + latitude +
                                  ",N,01131.000,E,022.4,084.4,230394,003.1,W");
}

// True when every line of the text is a whole sentence with its checksum.
::testing::AssertionResult OnlySentences(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!test_support::ChecksumMatches(line)) {
            return ::testing::AssertionFailure() << "not a sentence: " << line;
        }
        ++count;
    }
    if (count == 0) return ::testing::AssertionFailure() << "no sentence at all";
    return ::testing::AssertionSuccess() << count << " sentences";
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
    bool RunFor(std::uint64_t ms) { return RunUntil(host::NowMs() + ms); }

    std::atomic<bool> stop_{false};
    std::thread feeder_;
};

TEST_F(NetworkSourceTest, TcpServerThatClosesAndComesBack) {
    auto server = std::make_unique<TcpServer>();
    ASSERT_TRUE(server->Ok());
    const int port = server->Port();
    test_support::MapComPort(1, "tcp://127.0.0.1:" + std::to_string(port));
    std::mutex mutex;
    const char* latitude = "4807.038";
    feeder_ = std::thread([&] {
        while (!stop_) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (server && server->Accept(0)) server->Send(Fix(latitude));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    CreateMainWindow();
    ClickLog();
    ASSERT_TRUE(RunFor(3500));
    ASSERT_EQ(SearchPending, 0);
    EXPECT_NEAR(Nav.ggaLatitude, 4807.038f, 0.01f);
    EXPECT_EQ(Nav.fixType, 3);

    // The server goes away: the source is lost, and searches find nothing.
    {
        std::lock_guard<std::mutex> lock(mutex);
        server.reset();
    }
    ASSERT_TRUE(RunFor(1000));
    EXPECT_EQ(SearchPending, 1);
    EXPECT_EQ(ComPort, nullptr);
    ASSERT_TRUE(RunFor(2000));
    EXPECT_EQ(SearchPending, 1);

    // Back on the same port, with another position.
    {
        std::lock_guard<std::mutex> lock(mutex);
        latitude = "3352.100";
        server = std::make_unique<TcpServer>(port);
        ASSERT_TRUE(server->Ok());
    }
    ASSERT_TRUE(RunFor(4000));
    EXPECT_EQ(SearchPending, 0);
    EXPECT_NEAR(Nav.ggaLatitude, 3352.100f, 0.01f);
    ClickLog();
    ASSERT_TRUE(RunFor(50));
    const std::string log = ReadLog();
    EXPECT_TRUE(OnlySentences(log));
    EXPECT_NE(log.find("4807.038"), std::string::npos);
    EXPECT_NE(log.find("3352.100"), std::string::npos);
}

// gpsd from Debian's package, as a child on a pseudo-terminal, never as a service.
constexpr char kGpsd[] = "/usr/sbin/gpsd";

// Whether something accepts connections on the port, trying for a few seconds.
bool Listening(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    for (int i = 0; i < 100; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool connected =
            connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        if (connected) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

TEST_F(NetworkSourceTest, RealGpsdShowsTheFixAndTheLogHoldsOnlySentences) {
    if (access(kGpsd, X_OK) != 0) GTEST_SKIP() << "gpsd is not installed (scripts/install-deps)";
    PtyPair& pty = AttachReceiver(2);
    test_support::MapComPort(2, "/nonexistent/gpsd-holds-it");
    const int port = test_support::UnusedPort();
    ASSERT_NE(port, 0);
    // Its complaints about the system bus are not the test's business.
    const test_support::Child gpsd = test_support::Spawn(
        {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>/dev/null", kGpsd, "-N", "-n", "-S",
         std::to_string(port), "-F", dir_.File("gpsd.sock"), pty.SlavePath()},
        {}, "", false);
    ASSERT_GT(gpsd.pid, 0);
    if (!Listening(port)) {
        test_support::Stop(gpsd.pid, SIGKILL);
        FAIL() << "gpsd did not start";
    }
    test_support::MapComPort(1, "gpsd://127.0.0.1:" + std::to_string(port));
    feeder_ = std::thread([&] {
        while (!stop_) {
            pty.Write(Fix("4807.038"));
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    CreateMainWindow();
    ClickLog();
    const bool ran = RunFor(5000);
    test_support::Stop(gpsd.pid, SIGKILL);
    ASSERT_TRUE(ran);

    EXPECT_EQ(SearchPending, 0);
    EXPECT_NEAR(Nav.ggaLatitude, 4807.038f, 0.01f);
    EXPECT_EQ(Nav.fixType, 3);
    ClickLog();
    ASSERT_TRUE(RunFor(50));
    const std::string log = ReadLog();
    EXPECT_TRUE(OnlySentences(log));
    EXPECT_EQ(log.find('{'), std::string::npos);
}

}  // namespace
}  // namespace serial_test
