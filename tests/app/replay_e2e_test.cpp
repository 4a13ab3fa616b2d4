// The real program, headless, reading a recorded receiver log from a
// pseudo-terminal: its last picture against what the log's end shows.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
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

TEST(ReplayLog, GpsOnlyLogShowsTodaysPlot) {
    const std::string log = test_support::SampleLog("gp-320fw-2019-04-07-coldboot.nmea");
    ASSERT_FALSE(log.empty());
    const Picture picture = Replay(log);
    ASSERT_EQ(picture.width, 320);
    // The plot, without the no-fix counter in its corner, which counts real seconds.
    // Hashed from the drawing made before satellites of other systems were shown.
    EXPECT_EQ(Hash(picture, 0, 100, 100, 200, 30, 135), 0xfc2ad78dc92d2e5cull);
}

}  // namespace
