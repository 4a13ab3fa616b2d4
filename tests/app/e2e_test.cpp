// The real program, headless, against the simulated receiver: within a few
// seconds its snapshot shows good sentences, satellites and signal bars.
#include <png.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

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

}  // namespace
