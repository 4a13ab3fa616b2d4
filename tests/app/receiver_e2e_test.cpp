// The real program, headless, with a receiver on a pseudo-terminal: the
// screen shows what the receiver sent, all of it, and nothing of a receiver
// that has gone. Read back from the program's snapshot and compared with the
// real rasteriser's drawing of what should stand there.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "host/host.h"
#include "screen/drawing_resources.h"
#include "screen/satellite_look.h"
#include "screen/screen_areas.h"
#include "tests/support/child_process.h"
#include "tests/support/nmea_text.h"
#include "tests/support/png_file.h"
#include "tests/support/program_host.h"
#include "tests/support/pty_pair.h"
#include "tests/support/screen_text.h"
#include "tests/support/temp_dir.h"
#include "win/windows.h"

namespace {

using test_support::Canvas;
using test_support::Picture;
using test_support::Same;
using test_support::Sentence;
using test_support::ShowsText;

constexpr RECT kSpeed{15, 55, 90, 70};
constexpr RECT kLatitude{15, 70, 120, 85};
constexpr RECT kLongitude{130, 70, 250, 85};
constexpr RECT kStrip{0, 220, 320, 270};
constexpr RECT kFixLine{104, 100, 320, 115};
constexpr RECT kFirstFix{104, 130, 212, 145};

// The program with the pair's slave as COM1 and no other port, its screen
// kept in a snapshot.
class Program {
  public:
    Program() {
        if (!dir_.Ok() || !receiver_.Ok()) return;
        snapshot_ = dir_.File("snapshot.png");
        std::vector<std::string> env = {"SKYMARK_DISPLAY=headless", "SKYMARK_SNAPSHOT=" + snapshot_,
                                        "SKYMARK_COM1=" + receiver_.SlavePath()};
        for (int n = 2; n <= 9; ++n)
            env.push_back("SKYMARK_COM" + std::to_string(n) + "=");
        pid_ = test_support::Spawn({SKYMARK_PATH}, env, dir_.Path(), false).pid;
    }
    ~Program() { test_support::Stop(pid_, SIGKILL); }

    bool Running() const {
        int status = 0;
        return pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0;
    }
    test_support::PtyPair& Receiver() { return receiver_; }

    // The screen once it passes the check, waiting 20 s at most (a loaded
    // machine); the last picture when it never does.
    Picture AwaitScreen(const std::function<bool(const Picture&)>& check) const {
        Picture picture;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline && Running()) {
            picture = test_support::ReadPicture(snapshot_);
            if (picture.width == kScreenWidth && check(picture)) return picture;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return picture;
    }

    // Until the search has taken the receiver, which said a sentence for it
    // (what the search reads is not decoded).
    bool AwaitFound() {
        if (!receiver_.Write(Sentence("GPTXT,01,01,02,HELLO"))) return false;
        const Picture found = AwaitScreen(
            [](const Picture& p) { return ShowsText(p, kStatusLineArea, u"Search end", true); });
        return found.width > 0 && ShowsText(found, kStatusLineArea, u"Search end", true);
    }

  private:
    test_support::TempDir dir_;
    test_support::PtyPair receiver_;
    std::string snapshot_;
    pid_t pid_ = -1;
};

// Each burst ends with its RMC and the receiver then waits: the RMC is shown
// all the same, and each position reads with its hemispheres.
TEST(ReceiverEndToEnd, TheLastRmcOfABurstAndTheHemispheresAreShown) {
    Program program;
    ASSERT_TRUE(program.AwaitFound());
    const struct {
        std::string burst;
        std::u16string latitude, longitude, speed;
    } bursts[] = {
        {Sentence("GPGGA,120000,3351.50,S,15112.25,W,1,08,0.9,40.0,M,20.0,M,,") +
             Sentence("GPRMC,120000,A,3351.50,S,15112.25,W,0.5,0.0,311226,,"),
         u"Latitude:33'51.50 S", u"Longitude:151'12.25 W", u"Speed:0.5  "},
        {Sentence("GPGGA,120001,3351.50,N,15112.25,E,1,08,0.9,40.0,M,20.0,M,,") +
             Sentence("GPRMC,120001,A,3351.50,N,15112.25,E,12.3,0.0,311226,,"),
         u"Latitude:33'51.50 N", u"Longitude:151'12.25 E", u"Speed:12.3  "},
    };
    for (const auto& b : bursts) {
        SCOPED_TRACE(std::string(b.latitude.begin(), b.latitude.end()));
        ASSERT_TRUE(program.Receiver().Write(b.burst));
        auto shown = [&b](const Picture& p) {
            return ShowsText(p, kLatitude, b.latitude) && ShowsText(p, kLongitude, b.longitude) &&
                   ShowsText(p, kSpeed, b.speed);
        };
        EXPECT_TRUE(shown(program.AwaitScreen(shown)));
    }
}

// A BeiDou group of ten messages, 40 satellites: those of its last message,
// used and at 62 dB-Hz, stand among the bars at full height with their figure.
TEST(ReceiverEndToEnd, TenMessageBeidouGroupAndStrongSignals) {
    Program program;
    ASSERT_TRUE(program.AwaitFound());
    std::string burst = Sentence("GBGSA,A,3,37,38,39,40,,,,,,,,,1.2,0.8,0.9,4");
    for (int m = 1; m <= 10; ++m) {
        std::string gsv = "GBGSV,10," + std::to_string(m) + ",40";
        for (int n = 4 * m - 3; n <= 4 * m; ++n) {
            // The first 36 without a place, so the plot holds the last four.
            const std::string where =
                n > 36 ? std::to_string(20 * (n - 36)) + "," + std::to_string(90 * (n - 37)) : ",";
            gsv += "," + std::to_string(n) + "," + where + "," + std::to_string(n > 36 ? 62 : n);
        }
        burst += Sentence(gsv);
    }
    ASSERT_TRUE(program.Receiver().Write(burst));

    // Sixteen bars: the four used, then the strongest others, C25 to C36.
    HDC canvas = Canvas();
    HDC strip = CreateCompatibleDC(canvas);
    SelectObject(strip, CreateCompatibleBitmap(canvas, kStrip.right, kStrip.bottom - kStrip.top));
    ScratchRect = {0, 0, kStrip.right, kStrip.bottom - kStrip.top};
    FillRect(strip, &ScratchRect, WhiteBrush);
    SetBkMode(strip, TRANSPARENT);
    for (int bar = 0; bar < 16; ++bar) {
        const uint16_t n = static_cast<uint16_t>(25 + bar);
        const bool strong = n > 36;
        DrawSatelliteBar(strip,
                         SkySatellite{GnssSystem::kBeidou, n, 0, 0, false, strong,
                                      static_cast<float>(strong ? 62 : n)},
                         20 * bar);
    }
    BitBlt(canvas, kStrip.left, kStrip.top, kStrip.right, kStrip.bottom - kStrip.top, strip, 0, 0,
           SRCCOPY);
    auto shown = [canvas](const Picture& p) { return Same(p, canvas, kStrip); };
    EXPECT_TRUE(shown(program.AwaitScreen(shown)));
}

// Unplugged after a 3D fix from a recorded log, the receiver leaves nothing:
// no marker, bar, fix type or value; the screen is the one the search drew
// at start-up, but for the status line and the no-fix count.
TEST(ReceiverEndToEnd, UnpluggedAfterAFixTheScreenKeepsNothingOfIt) {
    const std::string log = test_support::SampleLog("beidou-bd.nmea");
    ASSERT_FALSE(log.empty());
    Program program;
    ASSERT_TRUE(program.AwaitFound());
    const Picture startUp = program.AwaitScreen([](const Picture&) { return true; });
    ASSERT_TRUE(program.Receiver().Write(log));
    const Picture fix = program.AwaitScreen([](const Picture& p) {
        return !ShowsText(p, kLatitude, u"Latitude:     ") &&
               !ShowsText(p, kStatusLineArea, u"Search end", true);
    });

    program.Receiver().CloseMaster();
    auto differing = [&startUp](const Picture& p) {
        const RECT kept[] = {kStatusLineArea, {0, 100, 25, 135}};
        int count = 0;
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x) {
                bool inKept = false;
                for (const RECT& r : kept)
                    inKept = inKept || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
                count += !inKept && p.At(x, y) != startUp.At(x, y) ? 1 : 0;
            }
        }
        return count;
    };
    EXPECT_GT(differing(fix), 1000) << "the receiver had its screen";
    const Picture lost = program.AwaitScreen([&differing](const Picture& p) {
        return ShowsText(p, kStatusLineArea, u"Search end", true) && differing(p) == 0;
    });
    EXPECT_EQ(differing(lost), 0);
    EXPECT_TRUE(program.Running());
}

// The fix panel names each value of GGA's quality indicator, RTK fixed and
// float among them, and the first fix ends the wait for it.
TEST(ReceiverEndToEnd, FixPanelNamesEachQuality) {
    Program program;
    ASSERT_TRUE(program.AwaitFound());
    const char16_t* words[] = {u"No fix",     u"Fix 3D",           u"Fix 3D DGPS",
                               u"Fix 3D PPS", u"Fix 3D RTK fixed", u"Fix 3D RTK float",
                               u"Fix 3D DR",  u"Fix 3D Manual",    u"Fix 3D Sim"};
    for (int quality = 0; quality <= 8; ++quality) {
        SCOPED_TRACE(quality);
        const std::string fixType = quality == 0 ? "1" : "3";
        const std::string burst =
            Sentence("GPGGA,1200" + std::to_string(10 + quality) + ",4807.038,N,01131.000,E," +
                     std::to_string(quality) + ",08,0.9,545.4,M,46.9,M,,") +
            Sentence("GPGSA,A," + fixType + ",05,07,09,13,,,,,,,,,2.5,1.6,1.9");
        ASSERT_TRUE(program.Receiver().Write(burst));
        const std::u16string word = words[quality];
        auto shown = [&word](const Picture& p) { return ShowsText(p, kFixLine, word); };
        EXPECT_TRUE(shown(program.AwaitScreen(shown)));
    }
    // The wait ended with the first fix, in whole seconds.
    const Picture last = program.AwaitScreen([](const Picture&) { return true; });
    bool firstFixShown = false;
    for (int s = 0; s < 60 && !firstFixShown; ++s)
        firstFixShown = ShowsText(
            last, kFirstFix, u"TTFF " + [s] {
                const std::string n = std::to_string(s);
                return std::u16string(n.begin(), n.end());
            }() + u" s");
    EXPECT_TRUE(firstFixShown);
}

}  // namespace
