// The real program, headless: against the simulated receiver, on its command
// line, and reading recorded receiver logs from a pseudo-terminal, its last
// picture against what gpsd makes of the log's end.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "screen/sky_plot.h"
#include "tests/support/child_process.h"
#include "tests/support/fix_panel_cells.h"
#include "tests/support/gpsd_process.h"
#include "tests/support/gpsd_sky.h"
#include "tests/support/nmea_text.h"
#include "tests/support/png_file.h"
#include "tests/support/pty_pair.h"
#include "tests/support/screen_text.h"
#include "tests/support/sky_legibility.h"
#include "tests/support/temp_dir.h"

namespace {

using test_support::Picture;
using test_support::ShowsText;

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlue = 0xFF0000;

int Count(const Picture& p, int left, int top, int right, int bottom, std::uint32_t colour) {
    int n = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x)
            n += p.At(x, y) == colour ? 1 : 0;
    }
    return n;
}

// Sources and options on the command line win over the variables, and the
// automatic rate finds a receiver at 9600 baud: within seconds the snapshot
// shows good sentences, a filled position, satellites and signal bars.
TEST(EndToEnd, CommandLineAgainstASimulatedReceiverAt9600) {
    test_support::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const test_support::Child sim = test_support::Spawn({SKYMARK_SIM_PATH, "--baud", "9600"});
    const std::string pty = test_support::ReadFirstLine(sim.out);
    close(sim.out);
    ASSERT_EQ(pty.rfind("/dev/pts/", 0), 0u) << pty;
    const std::string snapshot = dir.File("snapshot.png");
    const pid_t app =
        test_support::Spawn({SKYMARK_PATH, "--headless", "--snapshot", snapshot, "--baud", "auto",
                             "--scale", "3", pty},
                            {"SKYMARK_DISPLAY=sdl", "SKYMARK_SNAPSHOT=/nonexistent/x.png",
                             "SKYMARK_COM1=/nonexistent/skymark-e2e"},
                            dir.Path(), false)
            .pid;

    bool mark = false, position = false, markers = false, bars = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline && !(mark && position && markers && bars)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        int status;
        ASSERT_EQ(waitpid(app, &status, WNOHANG), 0) << "the program ended early";
        const Picture picture = test_support::ReadPicture(snapshot);
        if (picture.width < 320 || picture.height < 270) continue;
        // The checksum mark is blue after a chunk without a bad sentence.
        mark = Count(picture, 5, 30, 10, 35, kBlue) == 25;
        position = 900 - Count(picture, 60, 70, 120, 85, kWhite) > 20;
        // Used satellites are blue: blue away from the crosshair.
        markers = Count(picture, 0, 100, 100, 200, kBlue) -
                      Count(picture, 49, 100, 51, 200, kBlue) -
                      Count(picture, 0, 149, 100, 151, kBlue) >
                  30;
        // The bar pass replaced the blue frames of the static screen (they
        // reach y 269) with bars ending at y 260.
        bars = Count(picture, 0, 220, 200, 260, kBlue) > 100 &&
               Count(picture, 0, 262, 200, 270, kBlue) == 0 && picture.At(19, 240) == kWhite;
    }
    test_support::Stop(app, SIGKILL);
    test_support::Stop(sim.pid, SIGTERM);
    EXPECT_TRUE(mark) << "checksum mark";
    EXPECT_TRUE(position) << "latitude";
    EXPECT_TRUE(markers) << "sky plot markers";
    EXPECT_TRUE(bars) << "signal bars";
}

// Runs the program on the log until it has read every byte, and returns its
// last picture. A '$' after the log closes its last sentence.
Picture Replay(const std::string& log) {
    test_support::TempDir dir;
    test_support::PtyPair pty;
    if (!dir.Ok() || !pty.Ok()) return {};
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
    return written && running ? test_support::ReadPicture(snapshot) : Picture{};
}

// gpsd's satellites with a position, each at its place, as the checks of a
// legible sky take them. gpsd numbers each system's satellites from 1; the
// labels carry the numbers the receiver sent, its offsets added back.
std::vector<test_support::PlotSatellite> GpsdPlot(const test_support::GpsdSky& sky,
                                                  int glonassOffset = 0, int galileoOffset = 0) {
    std::vector<test_support::PlotSatellite> plot;
    for (const auto& [key, s] : sky) {
        if (s.elevation < 0) continue;
        int number = key.second;
        if (key.first == GnssSystem::kGlonass) number += glonassOffset;
        if (key.first == GnssSystem::kGalileo) number += galileoOffset;
        const SkySatellite satellite{key.first,
                                     static_cast<uint16_t>(number),
                                     static_cast<uint16_t>(s.elevation),
                                     static_cast<uint16_t>(s.azimuth),
                                     true,
                                     s.used,
                                     0.0f};
        int32_t cx = 0, cy = 0;
        SkyMarkerCentre(satellite.azimuth, satellite.elevation, &cx, &cy);
        plot.push_back({satellite, cx, cy});
    }
    return plot;
}

void ExpectLegiblePlot(const Picture& picture,
                       const std::vector<test_support::PlotSatellite>& plot) {
    test_support::SkyLegibilityCheck check(
        [&picture](int x, int y) { return picture.At(x, y + 100); });
    const test_support::Legibility result = check.Check(plot);
    for (const std::string& fault : result.faults)
        ADD_FAILURE() << fault;
}

// The fix panel's texts on the screen.
using test_support::kErrorLine;
using test_support::kFirstFix;
using test_support::kFixLine;
using test_support::kTotal;
using test_support::SystemCell;

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// What the panel should count from gpsd's sky: used and in view for each
// system in the screen's order, each satellite once over its signals, and
// the sums.
void ExpectCountsOfGpsdSky(const Picture& picture, const test_support::GpsdSky& sky) {
    const char* names[kGnssSystemCount] = {"GPS", "SBS", "GLO", "GAL", "BDS", "QZS", "IRN"};
    int used[kGnssSystemCount] = {}, inView[kGnssSystemCount] = {};
    for (const auto& [key, s] : sky) {
        ++inView[static_cast<int>(key.first)];
        used[static_cast<int>(key.first)] += s.used ? 1 : 0;
    }
    int cell = 0, allUsed = 0, all = 0;
    for (int k = 0; k < kGnssSystemCount; ++k) {
        allUsed += used[k];
        all += inView[k];
        if (inView[k] == 0) continue;
        const std::string text =
            std::string(names[k]) + " " + std::to_string(used[k]) + "/" + std::to_string(inView[k]);
        EXPECT_TRUE(ShowsText(picture, SystemCell(cell++), Wide(text))) << text;
    }
    for (; cell < 9; ++cell)
        EXPECT_TRUE(ShowsText(picture, SystemCell(cell), u"")) << "cell " << cell;
    const std::string total = "Sats " + std::to_string(allUsed) + "/" + std::to_string(all);
    EXPECT_TRUE(ShowsText(picture, kTotal, Wide(total))) << total;
}

// The error the log's last GST gives: the horizontal sigma from those of
// latitude and longitude, the vertical one, to a tenth of a metre.
std::u16string ErrorOfLastGst(const std::string& log) {
    const std::size_t at = log.rfind("GST,");
    std::vector<double> fields;
    std::istringstream in(log.substr(at + 4, log.find('*', at) - at - 4));
    for (std::string field; std::getline(in, field, ',');)
        fields.push_back(field.empty() ? 0.0 : std::stod(field));
    if (fields.size() < 8) return u"";
    char text[64];
    std::snprintf(text, sizeof text, "Error H %.1f m V %.1f m", std::hypot(fields[5], fields[6]),
                  fields[7]);
    return Wide(text);
}

// The last seconds of a log, from the GGA that starts one of them: what
// the screen shows at the end of a steady receiver's log.
std::string Tail(const std::string& log, std::size_t bytes) {
    const std::size_t from = log.size() > bytes ? log.size() - bytes : 0;
    const std::size_t gga = log.find("GGA,", from);
    return gga == std::string::npos || gga < 3 ? log : log.substr(gga - 3);
}

// Receivers with differential corrections and an error report every second,
// the last ten seconds replayed through the real program: the fix with its
// quality, the error of the last report, and the satellites per system as
// gpsd counts them at the log's end.
TEST(ReplayLog, FixPanelOfLogsAgainstGpsd) {
    for (const std::string name : {"skytraq-dgps", "ublox-neo-m9n-nmea"}) {
        SCOPED_TRACE(name);
        const std::string log = Tail(test_support::SampleLog(name + ".nmea"), 10000);
        const test_support::GpsdSky sky =
            test_support::LastGpsdSky(test_support::SampleLog(name + ".chk"));
        ASSERT_FALSE(log.empty() || sky.empty());
        const Picture picture = Replay(log);
        ASSERT_EQ(picture.width, 320);
        EXPECT_TRUE(ShowsText(picture, kFixLine, u"Fix 3D DGPS"));
        const std::u16string error = ErrorOfLastGst(log);
        EXPECT_TRUE(ShowsText(picture, kErrorLine, error))
            << std::string(error.begin(), error.end());
        ExpectCountsOfGpsdSky(picture, sky);
    }
}

// A log of GPS, GLONASS, Galileo and QZSS, with used and unused satellites
// and some without a position: every satellite gpsd places at the log's end
// is there in its system's shape, the used ones blue and whole, at their
// places or as tags beside them.
TEST(ReplayLog, MultiConstellationLogShowsEverySatelliteGpsdSees) {
    const std::string log = test_support::SampleLog("quectelLC79D.nmea");
    const test_support::GpsdSky sky =
        test_support::LastGpsdSky(test_support::SampleLog("quectelLC79D.chk"));
    ASSERT_FALSE(log.empty());
    ASSERT_EQ(sky.size(), 17u);
    const Picture picture = Replay(log);
    ASSERT_EQ(picture.width, 320);
    // The receiver numbers GLONASS from 65 and Galileo from 101.
    const std::vector<test_support::PlotSatellite> plot = GpsdPlot(sky, 64, 100);
    EXPECT_EQ(plot.size(), 15u) << "two have no position yet";
    ExpectLegiblePlot(picture, plot);
    ExpectCountsOfGpsdSky(picture, sky);
    // More satellites than bars: all sixteen are drawn.
    for (int n = 0; n < 16; ++n)
        EXPECT_EQ(picture.At(20 * n + 17, 259), kBlack) << "bar " << n;
}

// A GPS-only receiver just after a cold start: twelve satellites on two
// azimuths, most of them once hidden under the others. The plot has always
// drawn a GPS-only sky that does not crowd as it is; this one crowds, and
// every satellite now leaves its mark near its place.
TEST(ReplayLog, CrowdedGpsOnlyLogShowsEverySatellite) {
    const std::string log = test_support::SampleLog("gp-320fw-2019-04-07-coldboot.nmea");
    ASSERT_FALSE(log.empty());
    const Picture picture = Replay(log);
    ASSERT_EQ(picture.width, 320);
    const test_support::GpsdSky sky =
        test_support::LastGpsdSky(test_support::SampleLog("gp-320fw-2019-04-07-coldboot.chk"));
    EXPECT_EQ(GpsdPlot(sky).size(), 12u);
    ExpectLegiblePlot(picture, GpsdPlot(sky));
}

// A receiver held by a real gpsd, read as a gpsd source: gpsd runs on a pseudo-terminal that the
// test feeds with one of gpsd's own receiver logs, the program reads gpsd's reports. The last
// picture against gpsd's expected output for that log (its .chk): the satellites that gpsd's
// last SKY places at 5 degrees or more, each in its system's shape, used ones blue, and the fix
// fields filled.
struct GpsdReplay {
    Picture picture;
    std::string gpsdSaid;  // what gpsd logged of its clients
};

// Feeds the log's last tailBytes (from a UBX or NMEA packet start) to gpsd, about as fast as a
// 115200-baud receiver would send them, once the program has asked gpsd for its reports.
GpsdReplay ReplayThroughGpsd(const std::string& log, std::size_t tailBytes) {
    test_support::TempDir dir;
    test_support::PtyPair pty;
    test_support::GpsdProcess gpsd;
    if (!dir.Ok() || !pty.Ok()) return {};
    const std::string said = dir.File("gpsd.log");
    // -D 2 logs what clients ask for; a fixed rate saves the hunt for one on a pseudo-terminal.
    if (!gpsd.Start({pty.SlavePath()}, dir.File("gpsd.sock"), 0, {"-D", "2", "-s", "115200"},
                    said)) {
        return {};
    }
    const std::string snapshot = dir.File("snapshot.png");
    const pid_t app = test_support::Spawn({SKYMARK_PATH, "--headless", "--snapshot", snapshot,
                                           "gpsd://127.0.0.1:" + std::to_string(gpsd.Port())},
                                          {}, dir.Path(), false)
                          .pid;
    bool asked = false;
    for (int i = 0; i < 200 && !asked; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        asked = test_support::ReadWholeFile(said).find("?WATCH={\"enable\":true,\"json\":true}") !=
                std::string::npos;
    }
    std::size_t start = log.size() > tailBytes ? log.size() - tailBytes : 0;
    while (start > 0 && start < log.size() && log[start] != '$' &&
           !(log[start] == '\xb5' && start + 1 < log.size() && log[start + 1] == 'b')) {
        ++start;
    }
    constexpr std::size_t kSlice = 2048;
    bool written = asked;
    for (std::size_t at = start; written && at < log.size(); at += kSlice) {
        written = pty.Write(log.substr(at, std::min(kSlice, log.size() - at)));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    // Done when the picture has not changed for two seconds, but for the fix
    // panel's counts of seconds (a wait for a fix, a silence).
    auto counting = [](int x, int y) {
        return x >= kFixLine.left && ((y >= kFixLine.top && y < kFixLine.bottom) ||
                                      (y >= kFirstFix.top && y < kFirstFix.bottom));
    };
    Picture last;
    int still = 0;
    for (int i = 0; i < 300 && still < 20; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const Picture now = test_support::ReadPicture(snapshot);
        bool same = now.width > 0 && now.width == last.width && now.height == last.height;
        for (int y = 0; same && y < now.height; ++y) {
            for (int x = 0; same && x < now.width; ++x)
                same = counting(x, y) || now.At(x, y) == last.At(x, y);
        }
        still = same ? still + 1 : 0;
        last = now;
    }
    int status;
    const bool running = waitpid(app, &status, WNOHANG) == 0;
    test_support::Stop(app, SIGKILL);
    GpsdReplay replay;
    replay.gpsdSaid = test_support::ReadWholeFile(said);
    if (written && running) replay.picture = test_support::ReadPicture(snapshot);
    return replay;
}

// Ink in a field's box right of its label: its value was drawn.
bool FieldFilled(const Picture& p, int left, int top, int right, int bottom) {
    return (right - left) * (bottom - top) - Count(p, left, top, right, bottom, kWhite) > 20;
}

// The fix panel from gpsd's reports, against gpsd's own output for the log:
// the fix and its status from the last TPV, its eph and epv (these receivers
// send gpsd no error report), and used and in view per system from the last
// SKY, each satellite once over its signals. Where gpsd's reports of that
// moment disagree on a satellite's use, either count is right.
void ExpectPanelOfGpsd(const Picture& picture, const std::string& chk,
                       const test_support::GpsdSky& sky,
                       const std::set<std::pair<GnssSystem, int>>& undecided) {
    const std::string tpv = chk.substr(chk.rfind("{\"class\":\"TPV\""));
    const int mode = test_support::JsonValue(tpv, "mode");
    const int status = test_support::JsonValue(tpv, "status");
    std::string fix = mode == 3 ? "Fix 3D" : (mode == 2 ? "Fix 2D" : "No fix");
    if (mode >= 2 && status == 2) fix += " DGPS";
    EXPECT_TRUE(ShowsText(picture, kFixLine, Wide(fix))) << fix;
    auto metres = [&tpv](const char* key) {
        const std::size_t at = tpv.find(std::string("\"") + key + "\":");
        return at == std::string::npos
                   ? -1.0
                   : std::strtod(tpv.c_str() + at + std::strlen(key) + 3, nullptr);
    };
    const double eph = metres("eph"), epv = metres("epv");
    if (eph >= 0 && epv >= 0) {
        char error[64];
        std::snprintf(error, sizeof error, "Error eph %.1f m epv %.1f m", eph, epv);
        EXPECT_TRUE(ShowsText(picture, kErrorLine, Wide(error))) << error;
    }
    const char* names[kGnssSystemCount] = {"GPS", "SBS", "GLO", "GAL", "BDS", "QZS", "IRN"};
    int used[kGnssSystemCount] = {}, unsure[kGnssSystemCount] = {}, inView[kGnssSystemCount] = {};
    for (const auto& [key, s] : sky) {
        const int k = static_cast<int>(key.first);
        ++inView[k];
        if (undecided.count(key) != 0) {
            ++unsure[k];
        } else if (s.used) {
            ++used[k];
        }
    }
    int cell = 0;
    for (int k = 0; k < kGnssSystemCount; ++k) {
        if (inView[k] == 0) continue;
        bool shown = false;
        for (int u = used[k]; u <= used[k] + unsure[k] && !shown; ++u) {
            shown = ShowsText(picture, SystemCell(cell),
                              Wide(std::string(names[k]) + " " + std::to_string(u) + "/" +
                                   std::to_string(inView[k])));
        }
        EXPECT_TRUE(shown) << names[k] << " " << used[k] << " to " << used[k] + unsure[k] << "/"
                           << inView[k];
        ++cell;
    }
}

TEST(GpsdReplay, EachBinaryLogShowsGpsdsSkyAndFix) {
    if (!test_support::GpsdInstalled()) GTEST_SKIP() << "gpsd is not installed";
    const struct {
        const char* log;
        std::size_t tail;  // bytes fed: the last seconds of the log
    } logs[] = {
        // 45 signals of 40 satellites in the 100 x 100 plot.
        {"ublox-f9p-rtcm", 8000},   {"ublox-8", 12000},   {"ublox-aek-4t", 8000},
        {"u-blox-m8t-time", 12000}, {"ublox-glo", 12000},
    };
    for (const auto& l : logs) {
        SCOPED_TRACE(l.log);
        const std::string chk = test_support::GpsdLog(std::string(l.log) + ".log.chk");
        const std::string log =
            test_support::WithoutCommentHead(test_support::GpsdLog(std::string(l.log) + ".log"));
        ASSERT_FALSE(chk.empty() || log.empty());
        const GpsdReplay replay = ReplayThroughGpsd(log, l.tail);
        ASSERT_EQ(replay.picture.width, 320) << replay.gpsdSaid.substr(0, 2000);

        // gpsd's sky of the log's last second; where its reports of that second disagree on a
        // satellite's use (newer gpsd sends two), either is right.
        std::set<std::pair<GnssSystem, int>> undecided;
        std::vector<test_support::PlotSatellite> plot =
            GpsdPlot(test_support::LastMomentSky(chk, &undecided));
        ASSERT_FALSE(plot.empty());
        for (test_support::PlotSatellite& p : plot)
            p.eitherUse = undecided.count({p.s.system, p.s.number}) != 0;
        ExpectLegiblePlot(replay.picture, plot);
        // Right of each label, where the static screen leaves the box white.
        EXPECT_TRUE(FieldFilled(replay.picture, 70, 70, 120, 85)) << "latitude";
        EXPECT_TRUE(FieldFilled(replay.picture, 200, 70, 250, 85)) << "longitude";
        EXPECT_TRUE(FieldFilled(replay.picture, 185, 55, 220, 70)) << "altitude";
        EXPECT_TRUE(FieldFilled(replay.picture, 50, 40, 90, 55)) << "HDOP";
        EXPECT_TRUE(FieldFilled(replay.picture, 165, 40, 190, 55)) << "PDOP";
        EXPECT_TRUE(FieldFilled(replay.picture, 50, 55, 90, 70)) << "speed";
        // The checksum mark is blue: every line was one of gpsd's reports.
        EXPECT_EQ(Count(replay.picture, 5, 30, 10, 35, kBlue), 25);
        // gpsd 3.22 reports the fix of this receiver as its log's .chk does.
        if (std::string(l.log) == "ublox-f9p-rtcm") {
            ExpectPanelOfGpsd(replay.picture, chk, test_support::LastMomentSky(chk, &undecided),
                              undecided);
        }
    }
}

}  // namespace
