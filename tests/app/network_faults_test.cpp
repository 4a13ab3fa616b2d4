// The real program against network faults, each test in a private network of
// its own (root, or a user namespace): a name server that never answers,
// one that knows no name, one that answers slowly, and a TCP peer that
// vanishes without a word while a quiet one is kept.
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/name_server.h"
#include "tests/support/nmea_text.h"
#include "tests/support/png_file.h"
#include "tests/support/private_network.h"
#include "tests/support/tcp_server.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xvfb.h"

namespace {

using Clock = std::chrono::steady_clock;
using test_support::NameServer;
using test_support::Picture;

constexpr std::uint32_t kBlue = 0xFF0000;
constexpr char kName[] = "receiver.example";

// A fix with four satellites in use, all high in the sky.
std::string Fix() {
    return test_support::Sentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") +
           test_support::Sentence("GPGSA,A,3,04,05,09,12,,,,,,,,,2.5,1.3,2.1") +
           test_support::Sentence(
               "GPGSV,1,1,04,04,70,045,42,05,55,135,40,09,62,225,38,12,48,315,41");
}

// Blue in the sky plot away from its crosshair: satellites in use.
int UsedMarkerPixels(const Picture& p) {
    if (p.width < 100 || p.height < 200) return -1;
    int n = 0;
    for (int y = 100; y < 200; ++y) {
        for (int x = 0; x < 100; ++x)
            n += p.At(x, y) == kBlue && (x < 49 || x > 50) && (y < 149 || y > 150) ? 1 : 0;
    }
    return n;
}

class NetworkFaultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        if (!test_support::EnterPrivateNetwork(&why)) GTEST_SKIP() << why;
        ASSERT_TRUE(dir_.Ok());
    }
    void TearDown() override {
        if (app_.pid > 0) test_support::Stop(app_.pid, SIGKILL);
        if (app_.out >= 0) close(app_.out);
    }

    // The program with COM1 alone, its stdout and stderr on app_.out.
    void Start(const std::string& source, const std::vector<std::string>& env) {
        std::vector<std::string> all = {"DISPLAY=",
                                        "WAYLAND_DISPLAY=",
                                        "SKYMARK_DISPLAY=headless",
                                        "SDL_VIDEODRIVER=",
                                        "SKYMARK_SNAPSHOT=" + Snapshot(),
                                        "SKYMARK_COM1=" + source};
        for (int n = 2; n <= 9; ++n)
            all.push_back("SKYMARK_COM" + std::to_string(n) + "=");
        // A program that ends normally under LeakSanitizer reports what
        // SDL's libraries keep for the life of the process.
        all.push_back("LSAN_OPTIONS=suppressions=" SKYMARK_LSAN_SUPPRESSIONS
                      ":print_suppressions=0");
        all.insert(all.end(), env.begin(), env.end());
        app_ = test_support::Spawn({"/bin/sh", "-c", "exec \"$0\" 2>&1", SKYMARK_PATH}, all,
                                   dir_.Path());
        ASSERT_GT(app_.pid, 0);
    }
    std::string Snapshot() const { return dir_.File("screen.png"); }

    // The program's lines until one holds the text or the time is up.
    bool AwaitLine(const std::string& text, int seconds) {
        const auto end = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < end) {
            pollfd p{app_.out, POLLIN, 0};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0))) <= 0) break;
            char c;
            if (read(app_.out, &c, 1) != 1) break;
            output_ += c;
            if (c == '\n' && output_.find(text) != std::string::npos) return true;
        }
        return output_.find(text) != std::string::npos;
    }
    // Whatever the program said without waiting.
    void TakeOutput() {
        for (pollfd p{app_.out, POLLIN, 0}; poll(&p, 1, 0) > 0;) {
            char buffer[256];
            const ssize_t n = read(app_.out, buffer, sizeof buffer);
            if (n <= 0) break;
            output_.append(buffer, static_cast<std::size_t>(n));
        }
    }
    // Waits for the snapshot to show used satellites, or none.
    bool AwaitMarkers(bool shown, int seconds) {
        const auto end = Clock::now() + std::chrono::seconds(seconds);
        for (; Clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
            const int pixels = UsedMarkerPixels(test_support::ReadPicture(Snapshot()));
            if (pixels >= 0 && (pixels > 30) == shown) return true;
        }
        return false;
    }

    test_support::TempDir dir_;
    test_support::Child app_;
    std::string output_;
};

std::string Xdotool(const std::string& display, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    const test_support::Child tool = test_support::Spawn(argv, {"DISPLAY=:" + display});
    std::string output = test_support::ReadAll(tool.out);
    close(tool.out);
    return test_support::WaitExit(tool.pid) == 0 ? output : "";
}

// The name server takes the query and never answers: the window still takes
// a click, and its close button ends the program within a second.
TEST_F(NetworkFaultTest, ANameServerThatNeverAnswersHoldsNeitherTheWindowNorItsClose) {
    if (access("/usr/bin/Xvfb", X_OK) != 0 || access("/usr/bin/xdotool", X_OK) != 0) {
        GTEST_SKIP() << "Xvfb or xdotool is not installed";
    }
    if (const std::string why = test_support::ResolverDoesNotUseDns(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    NameServer silent(NameServer::Mode::kSilent);
    ASSERT_TRUE(silent.Ok());
    test_support::Xvfb xvfb;
    ASSERT_FALSE(xvfb.number.empty()) << "Xvfb did not report a display";
    Start(std::string("tcp://") + kName + ":10110",
          {"DISPLAY=:" + xvfb.number, "SKYMARK_DISPLAY=sdl", "SKYMARK_SCALE=2",
           "RES_OPTIONS=timeout:30 attempts:2"});
    ASSERT_TRUE(AwaitLine("skymark: display: sdl", 10)) << output_;
    std::string window;
    for (int i = 0; i < 50 && window.empty(); ++i) {
        window = Xdotool(xvfb.number, {"search", "--name", "^Skymark$"});
        if (window.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_FALSE(window.empty());
    window = window.substr(0, window.find('\n'));
    // The first search asks at 1 s; the second is under way at 4 s.
    std::this_thread::sleep_for(std::chrono::milliseconds(3800));
    EXPECT_GT(silent.Queries(), 0) << "the name server was never asked";

    // The Log button (250, 55, 60 x 30 on the device screen, at scale 2).
    const std::string log = dir_.File("NMEADataLog.TXT");
    const Clock::time_point click = Clock::now();
    ASSERT_FALSE(Xdotool(xvfb.number, {"mousemove", "--window", window, "560", "140", "click", "1",
                                       "getmouselocation"})
                     .empty());
    while (access(log.c_str(), F_OK) != 0 && Clock::now() < click + std::chrono::seconds(3))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(access(log.c_str(), F_OK), 0) << "the click did not reach the Log button";

    // The command bar's close box, at the top right of the device screen.
    const Clock::time_point close = Clock::now();
    ASSERT_FALSE(Xdotool(xvfb.number, {"mousemove", "--window", window, "616", "24", "click", "1",
                                       "getmouselocation"})
                     .empty());
    const bool ended = test_support::EndsBy(app_.pid, close + std::chrono::seconds(5));
    const double seconds = std::chrono::duration<double>(Clock::now() - close).count();
    std::printf("ended %.3f s after the click on the close box\n", seconds);
    EXPECT_TRUE(ended);
    EXPECT_LT(seconds, 1.0);
    EXPECT_EQ(test_support::WaitExit(app_.pid), 0);
    app_.pid = -1;
    TakeOutput();
    EXPECT_EQ(output_.find("cannot look up"), std::string::npos) << output_;
}

// A name that does not exist is said once, and looked up again at every
// search.
TEST_F(NetworkFaultTest, ANameThatFailsIsSaidOnceAndLookedUpAgainAtEachSearch) {
    if (const std::string why = test_support::ResolverDoesNotUseDns(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    NameServer unknowing(NameServer::Mode::kNoSuchName);
    ASSERT_TRUE(unknowing.Ok());
    Start(std::string("tcp://") + kName + ":10110", {});
    const std::string said = std::string("skymark: COM1 (tcp://") + kName +
                             ":10110): cannot look up " + kName + ": Name or service not known\n";
    ASSERT_TRUE(AwaitLine(said, 10)) << output_;
    // Two searches more.
    const int before = unknowing.Queries();
    std::this_thread::sleep_for(std::chrono::milliseconds(5000));
    TakeOutput();
    EXPECT_GT(unknowing.Queries(), before);
    EXPECT_GT(unknowing.SecondsBetweenFirstAndLastQuery(), 3.0);
    EXPECT_EQ(output_.find(said), output_.rfind(said)) << output_;
}

// The answer takes longer than a search gives a port: the lookup goes on
// across searches, is not asked again, and the connection is made.
TEST_F(NetworkFaultTest, ASlowNameServerIsWaitedForAcrossSearches) {
    if (const std::string why = test_support::ResolverDoesNotUseDns(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    NameServer slow(NameServer::Mode::kAnswer, "127.0.0.1", 3000);
    ASSERT_TRUE(slow.Ok());
    test_support::TcpServer server;
    ASSERT_TRUE(server.Ok());
    Start(std::string("tcp://") + kName + ":" + std::to_string(server.Port()), {});
    bool connected = false;
    for (int i = 0; i < 100 && !connected; ++i)
        connected = server.Accept(100);
    ASSERT_TRUE(connected) << "never connected";
    // One question for its IPv4 and one for its IPv6 address.
    EXPECT_LE(slow.Queries(), 2);
    for (int i = 0; i < 50 && UsedMarkerPixels(test_support::ReadPicture(Snapshot())) <= 30; ++i) {
        server.Accept(0);
        server.Send(Fix());
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_GT(UsedMarkerPixels(test_support::ReadPicture(Snapshot())), 30);
    TakeOutput();
    EXPECT_EQ(output_.find("cannot"), std::string::npos) << output_;
}

// A peer that has nothing to say for longer than the keepalive's idle time
// and probes is kept; one whose packets are all dropped (its machine lost
// its power or its network) is lost within 15 s, its satellites leave the
// screen, and it is found again once its packets come through.
TEST_F(NetworkFaultTest, AVanishedPeerIsLostWithinFifteenSecondsAndAQuietOneIsKept) {
    if (access("/sbin/tc", X_OK) != 0) GTEST_SKIP() << "tc (iproute2) is not installed";
    test_support::TcpServer server;
    ASSERT_TRUE(server.Ok());
    std::atomic<bool> talking{true};
    std::atomic<bool> stop{false};
    std::thread peer([&] {
        for (; !stop; std::this_thread::sleep_for(std::chrono::milliseconds(200))) {
            server.Accept(0);
            if (talking) server.Send(Fix());
        }
    });
    const std::string source = "tcp://127.0.0.1:" + std::to_string(server.Port());
    Start(source, {});
    const bool shown = AwaitMarkers(true, 15);

    // Quiet, but there.
    talking = false;
    std::this_thread::sleep_for(std::chrono::milliseconds(14000));
    TakeOutput();
    const bool kept = output_.find("connection lost") == std::string::npos &&
                      output_.find("connection closed") == std::string::npos;
    const bool stillShown = UsedMarkerPixels(test_support::ReadPicture(Snapshot())) > 30;

    // Talking again, then gone: every packet on the network is dropped.
    talking = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    ASSERT_TRUE(test_support::RunNetworkTool(
        {"/sbin/tc", "qdisc", "add", "dev", "lo", "root", "blackhole"}));
    const Clock::time_point gone = Clock::now();
    const bool lost = AwaitLine("skymark: COM1 (" + source + "): connection lost", 25);
    const double seconds = std::chrono::duration<double>(Clock::now() - gone).count();
    const bool cleared = AwaitMarkers(false, 3);

    // Back.
    ASSERT_TRUE(test_support::RunNetworkTool({"/sbin/tc", "qdisc", "del", "dev", "lo", "root"}));
    const bool found = AwaitMarkers(true, 20);
    stop = true;
    peer.join();

    std::printf("lost %.1f s after its packets stopped\n", seconds);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(kept) << output_;
    EXPECT_TRUE(stillShown);
    EXPECT_TRUE(lost) << output_;
    EXPECT_LE(seconds, 15.0);
    EXPECT_TRUE(cleared);
    EXPECT_TRUE(found);
}

}  // namespace
