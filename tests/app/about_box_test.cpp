// The real program in its SDL window on a private Xvfb, the About box opened
// and closed with real keys: the pixels the X server shows, read from its
// framebuffer, change only where the box stands, and are all as before once
// it has closed.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/nmea_text.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xvfb.h"
#include "tests/support/xwd_file.h"

namespace {

using Clock = std::chrono::steady_clock;
using test_support::Picture;
using test_support::Sentence;
using test_support::Xdotool;

constexpr int kScale = 2;

// The screen once it passes the check, looked at every 200 ms for 20 s at
// most (a loaded machine); the last one read either way.
Picture AwaitScreen(const std::string& path, const std::function<bool(const Picture&)>& check) {
    Picture picture;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
        picture = test_support::ReadXwd(path);
        if (picture.width > 0 && check(picture)) return picture;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return picture;
}

// The same screen twice, a second apart: nothing is being drawn.
Picture AwaitStill(const std::string& path) {
    Picture last;
    return AwaitScreen(path, [&last](const Picture& p) {
        const bool still = p.pixels == last.pixels;
        last = p;
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        return still;
    });
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool Empty() const { return right < 0; }
};

Box Changed(const Picture& a, const Picture& b) {
    Box box;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            if (a.At(x, y) == b.At(x, y)) continue;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                   std::max(box.bottom, y + 1)};
        }
    }
    return box;
}

// A receiver with a 3D fix that says the same every half second: the screen
// holds fields, markers, bars, the fix panel, and a no-fix count that stands
// still. (One that fell silent would have its fix panel count the seconds.)
TEST(AboutBoxOnX, RoundTripLeavesThePixelsAsTheyWere) {
    if (access("/usr/bin/Xvfb", X_OK) != 0 || access("/usr/bin/xdotool", X_OK) != 0) {
        GTEST_SKIP() << "Xvfb or xdotool is not installed";
    }
    test_support::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const std::string framebuffer = dir.File("fb");
    ASSERT_EQ(mkdir(framebuffer.c_str(), 0700), 0);
    test_support::Xvfb xvfb(framebuffer);
    ASSERT_FALSE(xvfb.number.empty()) << "Xvfb did not report a display";
    const std::string screen = framebuffer + "/Xvfb_screen0";

    test_support::PtyPair receiver;
    ASSERT_TRUE(receiver.Ok());
    const std::string second =
        Sentence("GPGGA,120000,3351.50,S,15112.25,E,1,04,0.9,40.0,M,20.0,M,,") +
        Sentence("GPGSA,A,3,05,07,09,12,,,,,,,,,1.5,0.9,1.2") +
        Sentence("GPGSV,2,1,06,05,40,045,45,07,10,135,38,09,65,225,30,12,30,315,62") +
        Sentence("GPGSV,2,2,06,20,60,010,,25,20,100,21") +
        Sentence("GPRMC,120000,A,3351.50,S,15112.25,E,0.5,0.0,311226,,");
    ASSERT_TRUE(receiver.Write(second));  // for the search's probe

    std::vector<std::string> env = {"DISPLAY=:" + xvfb.number,
                                    "WAYLAND_DISPLAY=",
                                    "SKYMARK_DISPLAY=sdl",
                                    "SDL_VIDEODRIVER=",
                                    "SKYMARK_SNAPSHOT=",
                                    "SKYMARK_SCALE=2",
                                    "SKYMARK_COM1=" + receiver.SlavePath()};
    for (int n = 2; n <= 9; ++n)
        env.push_back("SKYMARK_COM" + std::to_string(n) + "=");
    const test_support::Child app =
        test_support::Spawn({"/bin/sh", "-c", "exec \"$0\" 2>&1", SKYMARK_PATH}, env, dir.Path());

    const std::string window = test_support::AwaitWindow(xvfb.number, "^Skymark$");
    ASSERT_FALSE(window.empty());
    std::istringstream geometry(Xdotool(xvfb.number, {"getwindowgeometry", "--shell", window}));
    int x = -1, y = -1;
    for (std::string line; std::getline(geometry, line);) {
        if (line.rfind("X=", 0) == 0) x = std::stoi(line.substr(2));
        if (line.rfind("Y=", 0) == 0) y = std::stoi(line.substr(2));
    }
    ASSERT_GE(x, 0);
    ASSERT_GE(y, 0);

    // Past the search (1 s, then its 1 s pause and a probe), the second is
    // decoded, and then again and again.
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    std::atomic<bool> talking{true};
    std::thread talker([&receiver, &second, &talking] {
        while (talking && receiver.Write(second))
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
    });
    struct Quiet {
        std::atomic<bool>& talking;
        std::thread& talker;
        ~Quiet() {
            talking = false;
            talker.join();
        }
    } quiet{talking, talker};
    const Picture before = AwaitStill(screen);
    ASSERT_GT(before.width, 0);

    // Keys go where the pointer is: inside the window, clear of its buttons.
    Xdotool(xvfb.number, {"mousemove", "--window", window, "100", "450"});
    Xdotool(xvfb.number, {"key", "alt+slash"});
    AwaitScreen(screen, [&before](const Picture& p) { return p.pixels != before.pixels; });
    const Picture open = AwaitStill(screen);
    const Box box = Changed(before, open);
    ASSERT_FALSE(box.Empty()) << "no About box";
    // Only where the box stands, centred over the window (320 x 294 at scale 2).
    EXPECT_NEAR((box.left + box.right) / 2.0, x + 160.0 * kScale, kScale);
    EXPECT_NEAR((box.top + box.bottom) / 2.0, y + 147.0 * kScale, kScale);
    EXPECT_GT(box.right - box.left, 100 * kScale);
    EXPECT_LT(box.right - box.left, 300 * kScale);

    Xdotool(xvfb.number, {"key", "Return"});
    const Picture after =
        AwaitScreen(screen, [&before](const Picture& p) { return p.pixels == before.pixels; });
    const Box left = Changed(before, after);
    EXPECT_TRUE(left.Empty()) << "changed from " << left.left << "," << left.top << " to "
                              << left.right << "," << left.bottom;

    int status = 0;
    EXPECT_EQ(waitpid(app.pid, &status, WNOHANG), 0) << "the program ended";
    test_support::Stop(app.pid, SIGKILL);
    close(app.out);
}

}  // namespace
