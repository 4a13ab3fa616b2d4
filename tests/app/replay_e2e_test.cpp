// The real program, headless, reading a recorded receiver log from a
// pseudo-terminal: its last picture against what the log's end shows.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "screen/sky_plot.h"
#include "tests/support/child_process.h"
#include "tests/support/gpsd_sky.h"
#include "tests/support/nmea_text.h"
#include "tests/support/png_file.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Runs the program on the log until it has read every byte, and returns its
// last picture. A '$' after the log closes its last sentence.
Picture Replay(const std::string& log) {
    test_support::TempDir dir;
    test_support::PtyPair pty;
    Picture picture;
    if (!dir.Ok() || !pty.Ok()) return picture;
    const std::string snapshot = dir.File("snapshot.png");
    std::vector<std::string> env = {"SKYMARK_DISPLAY=headless", "SKYMARK_SNAPSHOT=" + snapshot,
                                    "SKYMARK_COM1=" + pty.SlavePath()};
    for (int n = 2; n <= 9; ++n)
        env.push_back("SKYMARK_COM" + std::to_string(n) + "=/nonexistent/skymark-replay");
    const pid_t app = test_support::Spawn({SKYMARK_PATH}, env, dir.Path(), false).pid;

    // The pseudo-terminal holds a few kilobytes: each write waits for the
    // program to take what came before.
    const bool written = pty.Write(log + "$");
    // Bytes reach the slave's queue a moment after the write: done when the
    // queue has stayed empty for longer than a few ticks, which also gives
    // the program time to decode the last chunk and write its picture.
    int emptyChecks = 0;
    for (int i = 0; i < 300 && emptyChecks < 15; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        emptyChecks = pty.Queued() == 0 ? emptyChecks + 1 : 0;
    }
    int status;
    const bool running = waitpid(app, &status, WNOHANG) == 0;
    test_support::Stop(app, SIGKILL);
    if (!written || !running) return picture;
    picture.pixels = test_support::ReadPng(snapshot, &picture.width, &picture.height);
    return picture;
}

uint64_t Hash(const Picture& p, int left, int top, int right, int bottom, int skipRight,
              int skipBottom) {
    uint64_t hash = 1469598103934665603ull;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (x < skipRight && y < skipBottom) continue;
            hash = (hash ^ p.At(x, y)) * 1099511628211ull;
        }
    }
    return hash;
}

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlue = 0xFF0000;

struct Marker {
    GnssSystem system;
    int number;
    int cx, cy;
    bool used;
};

// The markers of gpsd's satellites with a position, in the order the plot
// draws them: the other systems first, then GPS over them, each by number.
std::vector<Marker> ExpectedMarkers(const test_support::GpsdSky& sky) {
    std::vector<Marker> markers;
    for (const bool gps : {false, true}) {
        for (const auto& [key, s] : sky) {
            if ((key.first == GnssSystem::kGps) != gps || s.elevation < 0) continue;
            int32_t cx = 0, cy = 0;
            SkyMarkerCentre(static_cast<uint16_t>(s.azimuth), static_cast<uint16_t>(s.elevation),
                            &cx, &cy);
            markers.push_back({key.first, key.second, cx, cy, s.used});
        }
    }
    return markers;
}

// Checks the pixels of each marker that nothing drawn after it covers: the
// top and bottom of its outline black, the inside next to them blue when used
// and white otherwise, and for a square its top and bottom edges out to the
// corners too. Returns how many markers nothing was left of to check.
int CheckMarkers(const Picture& picture, const std::vector<Marker>& markers) {
    int hidden = 0;
    for (size_t k = 0; k < markers.size(); ++k) {
        const Marker& m = markers[k];
        auto covered = [&](int x, int y) {
            if (x < 0 || x >= 100 || y < 0 || y >= 100) return true;
            // The no-fix counter and the fix type are drawn after the markers.
            if ((x < 30 && y < 35) || (x >= 70 && y < 15)) return true;
            for (size_t later = k + 1; later < markers.size(); ++later) {
                const Marker& o = markers[later];
                // A square is at most 28 pixels wide.
                const int half = o.system == GnssSystem::kGps ? 10 : 14;
                if (x >= o.cx - half && x < o.cx + half && y >= o.cy - 10 && y < o.cy + 10) {
                    return true;
                }
            }
            return false;
        };
        struct Point {
            int x, y;
            uint32_t colour;
        };
        const uint32_t fill = m.used ? kBlue : kWhite;
        std::vector<Point> points = {{m.cx, m.cy - 10, kBlack},
                                     {m.cx, m.cy - 8, fill},
                                     {m.cx, m.cy + 9, kBlack},
                                     {m.cx, m.cy + 7, fill}};
        if (m.system != GnssSystem::kGps) {
            for (const int dx : {-9, -5, 5, 8}) {
                points.push_back({m.cx + dx, m.cy - 10, kBlack});
                points.push_back({m.cx + dx, m.cy + 9, kBlack});
                points.push_back({m.cx + dx, m.cy - 8, fill});
                points.push_back({m.cx + dx, m.cy + 7, fill});
            }
        }
        int checked = 0;
        for (const Point& p : points) {
            if (covered(p.x, p.y)) continue;
            ++checked;
            EXPECT_EQ(picture.At(p.x, p.y + 100), p.colour)
                << "system " << static_cast<int>(m.system) << " number " << m.number << " at "
                << p.x << "," << p.y;
        }
        if (checked == 0) ++hidden;
    }
    return hidden;
}

// A log of GPS, GLONASS, Galileo and QZSS, with used and unused satellites
// and some without a position: every satellite gpsd places at the log's end
// is there, in its system's shape and its used colour.
TEST(ReplayLog, MultiConstellationLogShowsEverySatelliteGpsdSees) {
    const std::string log = test_support::SampleLog("quectelLC79D.nmea");
    const test_support::GpsdSky sky =
        test_support::LastGpsdSky(test_support::SampleLog("quectelLC79D.chk"));
    ASSERT_FALSE(log.empty());
    ASSERT_EQ(sky.size(), 17u);
    const Picture picture = Replay(log);
    ASSERT_EQ(picture.width, 320);
    const std::vector<Marker> markers = ExpectedMarkers(sky);
    EXPECT_EQ(markers.size(), 15u) << "two have no position yet";
    EXPECT_EQ(CheckMarkers(picture, markers), 0);
    // More satellites than bars: all sixteen are drawn.
    for (int n = 0; n < 16; ++n)
        EXPECT_EQ(picture.At(20 * n + 17, 259), kBlack) << "bar " << n;
}

TEST(ReplayLog, GpsOnlyLogShowsTodaysPlot) {
    const std::string log = test_support::SampleLog("gp-320fw-2019-04-07-coldboot.nmea");
    ASSERT_FALSE(log.empty());
    const Picture picture = Replay(log);
    ASSERT_EQ(picture.width, 320);
    // The plot, without the no-fix counter in its corner, which counts real seconds.
    // Hashed from the drawing made before satellites of other systems were shown.
    EXPECT_EQ(Hash(picture, 0, 100, 100, 200, 30, 135), 0xfc2ad78dc92d2e5cull);
    // Twelve satellites on two azimuths: most are covered, the others checked.
    const std::vector<Marker> markers = ExpectedMarkers(
        test_support::LastGpsdSky(test_support::SampleLog("gp-320fw-2019-04-07-coldboot.chk")));
    EXPECT_EQ(markers.size(), 12u);
    EXPECT_LE(CheckMarkers(picture, markers), 8);
}

}  // namespace
