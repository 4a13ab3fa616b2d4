// gpsd sources through the whole serial input with a real gpsd (Debian's, started by the test
// on a private port with pseudo-terminals as its receivers): the receiver a source names, a gpsd
// that is killed and started again, a receiver gpsd closes and opens again, and the log of a
// binary receiver against what gpsd relays and what gpsfake plays back.
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "nmea/gpsd_reports.h"
#include "nmea/nav_record.h"
#include "serial/serial_state.h"
#include "serial_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/gpsd_process.h"
#include "tests/support/nmea_text.h"

namespace serial_test {
namespace {

using test_support::GpsdProcess;
using test_support::GpsdWatcher;
using test_support::Sentence;

// One second of an NMEA receiver at the latitude (ddmm.mmm, north): a 3D fix, four satellites.
std::string Epoch(const std::string& latitude) {
    return Sentence("GPGGA,123519," + latitude + ",N,01131.000,E,1,04,0.9,545.4,M,46.9,M,,") +
           Sentence("GPRMC,123519,A," + latitude + ",N,01131.000,E,000.5,054.7,191194,,") +
           Sentence("GPGSA,A,3,04,05,09,12,,,,,,,,,2.5,1.3,2.1") +
           Sentence("GPGSV,1,1,04,04,40,083,46,05,17,308,41,09,07,344,39,12,22,228,45");
}

// A fixed line rate and no probing of the receiver: gpsd reads a pseudo-terminal's sentences
// from the start, instead of spending seconds on hunting a rate that means nothing there.
const std::vector<std::string> kQuick = {"-b", "-s", "38400"};

bool Shows(float latitude) {
    return SearchPending == 0 && std::fabs(Nav.ggaLatitude - latitude) < 0.01f && Nav.fixType == 3;
}

// Tells gpsd on its control socket to close ("-") or open ("+") a device, as its hotplug
// helper gpsdctl does when a receiver is unplugged or plugged in.
bool ControlGpsd(const std::string& socketPath, const std::string& command) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || socketPath.size() >= sizeof address.sun_path) return false;
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    char answer[16] = {};
    const std::string line = command + "\n";
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                    send(fd, line.data(), line.size(), MSG_NOSIGNAL) > 0 &&
                    test_support::Readable(fd, 5000) && recv(fd, answer, sizeof answer - 1, 0) > 0;
    close(fd);
    return ok && std::string(answer).rfind("OK", 0) == 0;
}

class GpsdSourceTest : public SerialFixture {
  protected:
    void SetUp() override {
        if (!test_support::GpsdInstalled()) GTEST_SKIP() << "gpsd is not installed";
        SerialFixture::SetUp();
    }
    void TearDown() override {
        StopFeeding();
        SerialFixture::TearDown();
    }
    // Runs the program until done() holds, for limit_ms at most of the clock in use.
    bool RunUntilTrue(const std::function<bool()>& done, std::uint64_t limit_ms) {
        for (std::uint64_t end = host::NowMs() + limit_ms; !done() && host::NowMs() < end;)
            RunUntil(host::NowMs() + 50);
        return done();
    }
    // Runs step every 200 ms of real time on a thread of its own until StopFeeding.
    void Feed(std::function<void()> step) {
        StopFeeding();
        stop_ = false;
        feeder_ = std::thread([this, step] {
            for (; !stop_; std::this_thread::sleep_for(std::chrono::milliseconds(200)))
                step();
        });
    }
    void StopFeeding() {
        stop_ = true;
        if (feeder_.joinable()) feeder_.join();
    }
    // Back to a fresh program, on the real clock, with the same gpsd and feed.
    void TearDownProgram() {
        SerialFixture::TearDown();
        SerialFixture::SetUp();
        host::UseRealClock();
    }
    std::string StopLog() {
        ClickLog();
        RunUntil(host::NowMs() + 50);
        return ReadLog();
    }

    std::atomic<bool> stop_{true};
    std::thread feeder_;
};

// Two receivers on one gpsd: /DEVICE picks either, and without one the first gpsd lists.
TEST_F(GpsdSourceTest, TwoReceiversOnOneGpsdDevicePicksEither) {
    host::UseRealClock();
    test_support::PtyPair north, south;
    ASSERT_TRUE(north.Ok() && south.Ok());
    GpsdProcess gpsd;
    ASSERT_TRUE(
        gpsd.Start({north.SlavePath(), south.SlavePath()}, dir_.File("gpsd.sock"), 0, kQuick));
    Feed([&] {
        north.Write(Epoch("4807.038"));
        south.Write(Epoch("3352.100"));
    });
    const std::vector<std::string> listed = test_support::GpsdDevices(gpsd.Port());
    ASSERT_EQ(listed.size(), 2u);
    const std::string base = "gpsd://127.0.0.1:" + std::to_string(gpsd.Port());
    const struct {
        std::string source;
        float latitude;
    } cases[] = {
        {base + north.SlavePath(), 4807.038f},
        {base + south.SlavePath(), 3352.100f},
        {base, listed[0] == north.SlavePath() ? 4807.038f : 3352.100f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        TearDownProgram();
        test_support::MapComPort(1, c.source);
        CreateMainWindow();
        EXPECT_TRUE(RunUntilTrue([&] { return Shows(c.latitude); }, 15000));
        // It stays with its receiver while the other reports on.
        RunUntil(host::NowMs() + 1500);
        EXPECT_TRUE(Shows(c.latitude));
        EXPECT_STREQ(Receiver.device, c.latitude == 4807.038f ? north.SlavePath().c_str()
                                                              : south.SlavePath().c_str());
    }
}

// gpsd killed while the program shows its receiver: the source is lost and searched for, and
// once a gpsd on the same port has data again the screen shows it within 2 s, wherever in the
// program's search gpsd comes back. The program runs on the virtual clock, which advances with
// the real one while it waits (so that gpsd's answers arrive as they would) and counts every
// pause of the program in full; the receiver's seconds and gpsd's return come by that clock.
TEST_F(GpsdSourceTest, GpsdKilledAndStartedAgainShowsDataWithinTwoSeconds) {
    PtyPair& pty = AttachReceiver(2);
    test_support::MapComPort(2, "/nonexistent/gpsd-holds-it");
    GpsdProcess gpsd;
    ASSERT_TRUE(gpsd.Start({pty.SlavePath()}, dir_.File("gpsd.sock"), 0, kQuick));
    const int port = gpsd.Port();
    test_support::MapComPort(1, "gpsd://127.0.0.1:" + std::to_string(port));

    struct Source {
        std::string latitude = "4807.038";
        bool running = true;  // gpsd is there and the receiver sends
        std::uint64_t lastSecond = 0;
        std::uint64_t restartAt = 0;  // when gpsd comes back, 0 for not planned
        std::string heard;            // what gpsd's own client listens for
        std::unique_ptr<GpsdWatcher> watcher;
        std::thread listener;
        std::atomic<std::uint64_t> hadData{0};
    } source;
    int restarts = 0;
    std::uint64_t lastClock = 0;
    OnClock([&](std::uint64_t now) {
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::min<std::uint64_t>(now - lastClock, 300)));
        lastClock = now;
        if (!source.running && source.restartAt != 0 && now >= source.restartAt) {
            // Back with a second of the receiver waiting.
            const std::string epoch = Epoch(source.latitude);
            pty.Write(epoch + epoch);
            gpsd.Start({pty.SlavePath()}, dir_.File("gpsd" + std::to_string(++restarts) + ".sock"),
                       port, kQuick);
            source.watcher = std::make_unique<GpsdWatcher>(port);
            source.listener = std::thread([&source] {
                if (!source.watcher->LineWith(source.heard, 30000).empty()) {
                    source.hadData = host::NowMs();
                }
            });
            source.running = true;
            source.lastSecond = now;
        }
        if (source.running && now - source.lastSecond >= 1000) {
            pty.Write(Epoch(source.latitude));
            source.lastSecond = now;
        }
    });
    CreateMainWindow();
    ASSERT_TRUE(RunUntilTrue([] { return Shows(4807.038f); }, 30000));

    const struct {
        const char* latitude;
        float shown;
        const char* heard;
        std::uint64_t downMs;  // how long gpsd stays away: where in a search it comes back
    } cases[] = {{"3352.100", 3352.100f, "\"lat\":33.8683", 3000},
                 {"4807.038", 4807.038f, "\"lat\":48.1173", 3450},
                 {"3352.100", 3352.100f, "\"lat\":33.8683", 3900}};
    for (const auto& c : cases) {
        SCOPED_TRACE("away for " + std::to_string(c.downMs) + " ms");
        source.running = false;
        gpsd.Kill();
        source.latitude = c.latitude;
        source.heard = c.heard;
        source.hadData = 0;
        source.restartAt = host::NowMs() + c.downMs;
        ASSERT_TRUE(RunUntilTrue([] { return SearchPending == 1 && ComPort == nullptr; }, 5000));
        const bool shown = RunUntilTrue([&] { return Shows(c.shown); }, 40000);
        const std::uint64_t shownAt = host::NowMs();
        if (source.listener.joinable()) source.listener.join();
        source.restartAt = 0;
        ASSERT_TRUE(shown);
        ASSERT_NE(source.hadData.load(), 0u);
        EXPECT_LE(shownAt, source.hadData.load() + 2000)
            << "gpsd had data at " << source.hadData.load();
        RecordProperty("shown_after_gpsd_had_data_ms_" + std::to_string(restarts),
                       std::to_string(shownAt - source.hadData.load()));
    }
    OnClock(nullptr);
}

// A receiver that gpsd closes (unplugged: its hotplug helper tells gpsd) is a lost source; once
// gpsd opens it again, the screen shows it again.
TEST_F(GpsdSourceTest, ReceiverClosedByGpsdIsLostAndFoundAgain) {
    host::UseRealClock();
    PtyPair& pty = AttachReceiver(2);
    test_support::MapComPort(2, "/nonexistent/gpsd-holds-it");
    // gpsd opens a device it is told of as its own user, as it does a receiver of the dialout
    // group.
    ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0666), 0);
    GpsdProcess gpsd;
    const std::string control = dir_.File("gpsd.sock");
    ASSERT_TRUE(gpsd.Start({pty.SlavePath()}, control, 0, kQuick));
    test_support::MapComPort(1,
                             "gpsd://127.0.0.1:" + std::to_string(gpsd.Port()) + pty.SlavePath());
    std::mutex mutex;
    std::string latitude = "4807.038";
    Feed([&] {
        std::lock_guard<std::mutex> lock(mutex);
        pty.Write(Epoch(latitude));
    });
    CreateMainWindow();
    ASSERT_TRUE(RunUntilTrue([] { return Shows(4807.038f); }, 15000));

    ASSERT_TRUE(ControlGpsd(control, "-" + pty.SlavePath()));
    EXPECT_TRUE(RunUntilTrue([] { return SearchPending == 1; }, 5000));
    {
        std::lock_guard<std::mutex> lock(mutex);
        latitude = "3352.100";
    }
    // Found again at once, but the receiver it names is not held: nothing shows.
    RunUntil(host::NowMs() + 2000);
    EXPECT_FALSE(Shows(3352.100f));
    EXPECT_EQ(SearchPending, 0);
    EXPECT_FALSE(Receiver.held);

    ASSERT_TRUE(ControlGpsd(control, "+" + pty.SlavePath()));
    EXPECT_TRUE(RunUntilTrue([] { return Shows(3352.100f); }, 15000));
    EXPECT_TRUE(Receiver.held);
}

// While logging, a u-blox receiver's log (UBX and NMEA mixed) is exactly what gpsd relays of it
// in raw mode 2 (as gpspipe -R shows it), and gpsfake plays that log back into a gpsd that
// reports its fix.
TEST_F(GpsdSourceTest, LogIsWhatGpsdRelaysRawAndGpsfakePlaysItBack) {
    if (access(test_support::kGpspipeProgram, X_OK) != 0 ||
        access(test_support::kGpsfakeProgram, X_OK) != 0) {
        GTEST_SKIP() << "gpsd-clients is not installed";
    }
    host::UseRealClock();
    const std::string receiver =
        test_support::WithoutCommentHead(test_support::GpsdLog("ublox-8.log"));
    ASSERT_FALSE(receiver.empty());
    PtyPair& pty = AttachReceiver(2);
    test_support::MapComPort(2, "/nonexistent/gpsd-holds-it");
    GpsdProcess gpsd;
    // At a fixed rate, but free to probe and set up the u-blox receiver as it does any.
    ASSERT_TRUE(gpsd.Start({pty.SlavePath()}, dir_.File("gpsd.sock"), 0, {"-s", "115200"}));
    // The device is ready once gpsd lists it.
    ASSERT_EQ(test_support::GpsdDevices(gpsd.Port()).size(), 1u);
    const std::string server = "127.0.0.1:" + std::to_string(gpsd.Port());
    test_support::MapComPort(1, "gpsd://" + server);
    CreateMainWindow();
    ClickLog();
    ASSERT_TRUE(RunUntilTrue([] { return GpsdLog.relaying == 1; }, 15000));

    const std::string relayed = dir_.File("gpspipe.raw");
    const pid_t gpspipe = test_support::Spawn({test_support::kGpspipeProgram, "-R", "--seconds",
                                               "10", "-o", relayed, server + ":" + pty.SlavePath()},
                                              {}, "", false)
                              .pid;
    ASSERT_TRUE(RunUntilTrue(
        [&] {
            return test_support::ReadWholeFile(relayed).find("\"class\":\"WATCH\"") !=
                   std::string::npos;
        },
        5000));

    // The receiver's bytes, about as fast as a 115200-baud line carries them.
    constexpr std::size_t kSlice = 4096;
    for (std::size_t at = 0; at < receiver.size(); at += kSlice) {
        ASSERT_TRUE(pty.Write(receiver.substr(at, kSlice)));
        RunUntil(host::NowMs() + 250);
    }
    RunUntil(host::NowMs() + 1500);
    const std::string log = StopLog();
    EXPECT_EQ(test_support::WaitExit(gpspipe), 0);

    // gpspipe keeps gpsd's answers before the receiver's bytes; the log has none of them.
    std::string raw = test_support::ReadWholeFile(relayed);
    const std::size_t watch = raw.find("{\"class\":\"WATCH\"");
    ASSERT_NE(watch, std::string::npos);
    raw.erase(0, raw.find('\n', watch) + 1);
    EXPECT_GT(raw.size(), receiver.size() / 2);
    EXPECT_EQ(log.size(), raw.size());
    EXPECT_TRUE(log == raw) << "the log differs from what gpsd relayed";

    // Played back by gpsfake: a gpsd that reads it reports a 3D fix.
    const std::string logFile = dir_.File("NMEADataLog.TXT");
    const int port = test_support::UnusedPort();
    const test_support::Child gpsfake = test_support::Spawn(
        {"/bin/sh", "-c", "exec \"$0\" \"$@\" >/dev/null 2>&1", test_support::kGpsfakeProgram, "-q",
         "-P", std::to_string(port), "-c", "0.01", logFile},
        {}, dir_.Path(), false);
    std::string fix;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (fix.empty() && std::chrono::steady_clock::now() < deadline) {
        GpsdWatcher watcher(port);
        if (watcher.Ok()) {
            fix = watcher.LineWith("\"mode\":3", 20000);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    test_support::Stop(gpsfake.pid, SIGTERM);
    EXPECT_NE(fix.find("\"class\":\"TPV\""), std::string::npos) << fix;
}

}  // namespace
}  // namespace serial_test
