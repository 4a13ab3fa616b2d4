// The real program, headless, against the simulated receiver: within a few
// seconds its snapshot shows good sentences, satellites and signal bars.
#include <png.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

struct Rgb {
    unsigned char r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    Rgb At(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
    int Count(int left, int top, int right, int bottom, bool (*match)(Rgb)) const {
        int n = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x)
                n += match(At(x, y)) ? 1 : 0;
        }
        return n;
    }
};

bool ReadPng(const std::string& path, Picture* picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    picture->width = static_cast<int>(image.width);
    picture->height = static_cast<int>(image.height);
    picture->rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture->rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
}

bool Blue(Rgb c) {
    return c == kBlue;
}

TEST(EndToEnd, SnapshotShowsGoodSentencesSatellitesAndBarsWithinTenSeconds) {
    test_support::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const test_support::Child sim = test_support::Spawn({SKYMARK_SIM_PATH});
    const std::string pty = test_support::ReadFirstLine(sim.out);
    close(sim.out);
    ASSERT_EQ(pty.rfind("/dev/pts/", 0), 0u) << pty;

    const std::string snapshot = dir.File("snapshot.png");
    std::vector<std::string> env = {"SKYMARK_DISPLAY=headless", "SKYMARK_SNAPSHOT=" + snapshot,
                                    "SKYMARK_COM1=" + pty};
    for (int n = 2; n <= 9; ++n) {
        env.push_back("SKYMARK_COM" + std::to_string(n) + "=/nonexistent/skymark-e2e/COM" +
                      std::to_string(n));
    }
    const pid_t app = test_support::Spawn({SKYMARK_PATH}, env, dir.Path(), false).pid;

    Picture picture;
    bool mark = false, markers = false, bars = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline && !(mark && markers && bars)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        int status;
        ASSERT_EQ(waitpid(app, &status, WNOHANG), 0) << "the program ended early";
        if (!ReadPng(snapshot, &picture) || picture.width < 320 || picture.height < 270) continue;
        // The checksum mark is blue after a chunk without a bad sentence.
        mark = picture.Count(5, 30, 10, 35, Blue) == 25;
        // Used satellites are blue discs: blue away from the crosshair.
        int offCross = 0;
        for (int y = 100; y < 200; ++y) {
            for (int x = 0; x < 100; ++x) {
                const bool cross = (x >= 49 && x <= 50) || (y >= 149 && y <= 150);
                if (!cross && picture.At(x, y) == kBlue) ++offCross;
            }
        }
        markers = offCross > 30;
        // The bar pass replaced the blue frames of the static screen (they
        // reach y 269) with bars ending at y 260.
        bars = picture.Count(0, 220, 200, 260, Blue) > 100 &&
               picture.Count(0, 262, 200, 270, Blue) == 0 && picture.At(19, 240) == kWhite;
    }
    test_support::Stop(app, SIGKILL);
    test_support::Stop(sim.pid, SIGTERM);
    EXPECT_TRUE(mark) << "checksum mark";
    EXPECT_TRUE(markers) << "sky plot markers";
    EXPECT_TRUE(bars) << "signal bars";
}

// The real program's command line: sources and options instead of variables, and a receiver at
// 9600 baud that the automatic rate finds.
TEST(EndToEnd, CommandLineSourceAndOptionsWithAReceiverAt9600) {
    test_support::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const test_support::Child sim = test_support::Spawn({SKYMARK_SIM_PATH, "--baud", "9600"});
    const std::string pty = test_support::ReadFirstLine(sim.out);
    close(sim.out);
    ASSERT_EQ(pty.rfind("/dev/pts/", 0), 0u) << pty;

    const std::string snapshot = dir.File("snapshot.png");
    // The variables point elsewhere: the command line wins.
    const pid_t app =
        test_support::Spawn({SKYMARK_PATH, "--headless", "--snapshot", snapshot, "--baud", "auto",
                             "--scale", "3", pty},
                            {"SKYMARK_DISPLAY=sdl", "SKYMARK_SNAPSHOT=/nonexistent/x.png",
                             "SKYMARK_COM1=/nonexistent/skymark-e2e"},
                            dir.Path(), false)
            .pid;
    Picture picture;
    bool mark = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline && !mark) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        int status;
        ASSERT_EQ(waitpid(app, &status, WNOHANG), 0) << "the program ended early";
        if (!ReadPng(snapshot, &picture) || picture.width < 320) continue;
        // A sentence verified: the checksum mark is blue and the latitude field is filled.
        mark = picture.Count(5, 30, 10, 35, Blue) == 25 &&
               picture.Count(60, 70, 120, 85, [](Rgb c) { return !(c == kWhite); }) > 20;
    }
    test_support::Stop(app, SIGKILL);
    test_support::Stop(sim.pid, SIGTERM);
    EXPECT_TRUE(mark) << "no verified sentence from the receiver at 9600";
}

TEST(EndToEnd, HelpVersionAndBadOptions) {
    test_support::Child help = test_support::Spawn({SKYMARK_PATH, "--help"});
    const std::string text = test_support::ReadAll(help.out);
    close(help.out);
    EXPECT_EQ(test_support::WaitExit(help.pid), 0);
    for (const char* part : {"Usage: skymark [--baud RATE|auto] [--scale N] [--headless] "
                             "[--snapshot FILE] [SOURCE...]",
                             "--baud RATE|auto", "tcp://HOST:PORT", "gpsd://HOST[:PORT]"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part;
    }
    test_support::Child version = test_support::Spawn({SKYMARK_PATH, "--version"});
    EXPECT_EQ(test_support::ReadAll(version.out), "skymark 1.0\n");
    close(version.out);
    EXPECT_EQ(test_support::WaitExit(version.pid), 0);

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--baud", "1234"}, {"--verbose"}, {"com1"}}) {
        SCOPED_TRACE(bad[0]);
        std::vector<std::string> args = {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1", SKYMARK_PATH};
        args.insert(args.end(), bad.begin(), bad.end());
        test_support::Child c = test_support::Spawn(args);
        const std::string said = test_support::ReadAll(c.out);
        close(c.out);
        EXPECT_EQ(test_support::WaitExit(c.pid), 2);
        EXPECT_EQ(said.rfind("skymark: ", 0), 0u) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

}  // namespace
