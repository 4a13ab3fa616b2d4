// The real program against real displays: an X server killed under its
// window ends it at once, a display that cannot be reached leaves it
// headless, saying why, and a window left alone still answers a click and a
// termination signal at once.
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/png_file.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xvfb.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDisplayLostStatus = 3;

using test_support::Xdotool;
using test_support::Xvfb;

// The program with its stderr on the returned pipe, in dir, with no serial
// port, and no display variable but those in env.
test_support::Child StartProgram(const std::string& dir, const std::vector<std::string>& env) {
    std::vector<std::string> all = {"DISPLAY=", "WAYLAND_DISPLAY=", "SKYMARK_DISPLAY=",
                                    "SDL_VIDEODRIVER=", "SKYMARK_SNAPSHOT="};
    for (int n = 1; n <= 9; ++n)
        all.push_back("SKYMARK_COM" + std::to_string(n) + "=");
    // Later settings of a variable win.
    all.insert(all.end(), env.begin(), env.end());
    return test_support::Spawn({"/bin/sh", "-c", "exec \"$0\" 2>&1", SKYMARK_PATH}, all, dir);
}

// CPU seconds the process has used so far: utime and stime, fields 14 and 15 of its stat.
double CpuSeconds(pid_t pid) {
    FILE* stat = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    unsigned long user = 0, system = 0;
    const bool read = stat != nullptr && std::fscanf(stat,
                                                     "%*d (%*[^)]) %*c %*d %*d %*d %*d %*d %*u "
                                                     "%*u %*u %*u %*u %lu %lu",
                                                     &user, &system) == 2;
    if (stat != nullptr) std::fclose(stat);
    return read ? static_cast<double>(user + system) / sysconf(_SC_CLK_TCK) : -1.0;
}

// Reads the program's output until the line that starts with prefix.
bool AwaitLine(int fd, const std::string& prefix, std::string* seen) {
    for (int lines = 0; lines < 20; ++lines) {
        const std::string line = test_support::ReadFirstLine(fd);
        if (line.empty()) return false;
        *seen += line + "\n";
        if (line.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

TEST(DisplayLoss, TwentyKillsOfTheXServerEachEndTheProgramAtOnce) {
    if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
    test_support::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    constexpr int kRuns = 20;
    for (int run = 0; run < kRuns; ++run) {
        SCOPED_TRACE("run " + std::to_string(run + 1));
        Xvfb xvfb;
        ASSERT_FALSE(xvfb.number.empty()) << "Xvfb did not report a display";
        const test_support::Child app =
            StartProgram(dir.Path(), {"DISPLAY=:" + xvfb.number, "SKYMARK_DISPLAY=sdl"});
        std::string output;
        ASSERT_TRUE(AwaitLine(app.out, "skymark: display: sdl", &output)) << output;
        // The kill lands at different moments: during the start-up, in the
        // message loop's waits, and (the last runs, after the first tick) in
        // the pause of a port search.
        const int delayMs = run < kRuns - 3 ? 20 + 29 * run : 1100 + 300 * (run - (kRuns - 3));
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        const double cpuBefore = CpuSeconds(app.pid);
        // SIGKILL drops the connection; SIGTERM lets the server close it.
        const Clock::time_point kill = Clock::now();
        xvfb.Stop(run % 2 == 0 ? SIGKILL : SIGTERM);
        const bool ended = test_support::EndsBy(app.pid, kill + std::chrono::seconds(2));
        const double seconds = std::chrono::duration<double>(Clock::now() - kill).count();
        // An ended process keeps its CPU times until it is waited for.
        const double cpuAfter = CpuSeconds(app.pid) - cpuBefore;
        if (!ended) ::kill(app.pid, SIGKILL);
        const int status = test_support::WaitExit(app.pid);
        output += test_support::ReadAll(app.out);
        close(app.out);
        std::printf("run %2d: ended %s after %.3f s, status %d, %.2f CPU s after the kill\n",
                    run + 1, ended ? "yes" : "no", seconds, status, cpuAfter);
        EXPECT_TRUE(ended);
        EXPECT_EQ(status, kDisplayLostStatus);
        EXPECT_TRUE(cpuBefore >= 0 && cpuAfter >= 0 && cpuAfter <= 0.5) << cpuAfter;
        EXPECT_NE(output.find("skymark: the connection to the display (X server :" + xvfb.number +
                              ") was lost; the program ends\n"),
                  std::string::npos)
            << output;
    }
}

// The window sleeps on the X socket while the server sends nothing; what the
// server sends after a quiet while (a real click) and a termination signal
// are both taken at once.
TEST(QuietWindow, TakesARealClickAndEndsOnTerminationSignal) {
    if (access("/usr/bin/Xvfb", X_OK) != 0 || access("/usr/bin/xdotool", X_OK) != 0) {
        GTEST_SKIP() << "Xvfb or xdotool is not installed";
    }
    test_support::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    Xvfb xvfb;
    ASSERT_FALSE(xvfb.number.empty()) << "Xvfb did not report a display";
    // A receiver that says one sentence and falls silent: the search takes
    // it, and the program then only ticks, never pausing in a search.
    test_support::PtyPair receiver;
    ASSERT_TRUE(receiver.Ok());
    ASSERT_TRUE(receiver.Write(
        "$GPGGA,120000.00,4730.0000,N,00815.0000,E,1,08,1.0,410.0,M,47.3,M,,*6F\r\n"));
    const test_support::Child app =
        StartProgram(dir.Path(), {"DISPLAY=:" + xvfb.number, "SKYMARK_DISPLAY=sdl",
                                  "SKYMARK_SCALE=2", "SKYMARK_COM1=" + receiver.SlavePath()});
    std::string output;
    ASSERT_TRUE(AwaitLine(app.out, "skymark: display: sdl", &output)) << output;
    const std::string window = test_support::AwaitWindow(xvfb.number, "^Skymark$");
    ASSERT_FALSE(window.empty());
    // Past the first tick's search (at 1 s, pausing 1 s), with nothing from
    // the server for a while.
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));

    // The Log button, 250, 55 and 60 x 30 on the device screen, at scale 2.
    const Clock::time_point click = Clock::now();
    ASSERT_FALSE(Xdotool(xvfb.number, {"mousemove", "--window", window, "560", "140", "click", "1",
                                       "getmouselocation"})
                     .empty());
    const std::string log = dir.File("NMEADataLog.TXT");
    while (access(log.c_str(), F_OK) != 0 && Clock::now() < click + std::chrono::seconds(3))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(access(log.c_str(), F_OK), 0) << "the click did not reach the Log button";
    // Well within the second after which SDL is asked anyway.
    EXPECT_LT(Clock::now() - click, std::chrono::milliseconds(400));

    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const Clock::time_point term = Clock::now();
    kill(app.pid, SIGTERM);
    const bool ended = test_support::EndsBy(app.pid, term + std::chrono::seconds(3));
    if (!ended) kill(app.pid, SIGKILL);
    EXPECT_TRUE(ended) << "SIGTERM was not taken";
    const int status = test_support::WaitExit(app.pid);
    output += test_support::ReadAll(app.out);
    close(app.out);
    EXPECT_EQ(status, 0) << output;
}

// An unused display number: no server socket and no lock for it.
std::string UnusedDisplay() {
    for (int n = 4711;; ++n) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        if (access(socket.c_str(), F_OK) != 0 && access(lock.c_str(), F_OK) != 0)
            return ":" + std::to_string(n);
    }
}

// Without a display the program runs headless, says why and writes its
// snapshot; a driver that shows nothing, asked for on purpose, is used, with a
// note.
TEST(MissingDisplay, RunsHeadlessAndSaysWhyUnlessTheDriverWasAskedFor) {
    const std::string unused = UnusedDisplay();
    const std::string noDisplay =
        "; SDL offers only its offscreen driver, which shows nothing), "
        "snapshots to ";
    const struct {
        const char* name;
        std::vector<std::string> env;
        std::string said;  // followed by the snapshot's path when headless
        bool headless;
    } cases[] = {
        {"DISPLAY names no server",
         {"DISPLAY=" + unused},
         "skymark: display: headless (no display can be reached with DISPLAY=" + unused +
             " and WAYLAND_DISPLAY unset" + noDisplay,
         true},
        {"SKYMARK_DISPLAY=sdl and no display at all",
         {"SKYMARK_DISPLAY=sdl"},
         "skymark: display: headless (no display can be reached with DISPLAY unset and "
         "WAYLAND_DISPLAY unset" +
             noDisplay,
         true},
        {"SDL_VIDEODRIVER=offscreen asked for",
         {"SKYMARK_DISPLAY=sdl", "SDL_VIDEODRIVER=offscreen"},
         "skymark: SDL_VIDEODRIVER=offscreen: SDL uses its offscreen driver, which shows "
         "nothing\nskymark: display: sdl at scale 2",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test_support::TempDir dir;
        ASSERT_TRUE(dir.Ok());
        const std::string snapshot = dir.File("screen.png");
        std::vector<std::string> env = c.env;
        env.push_back("SKYMARK_SNAPSHOT=" + snapshot);
        const test_support::Child app = StartProgram(dir.Path(), env);
        std::string output;
        EXPECT_TRUE(AwaitLine(app.out, "skymark: display:", &output));
        EXPECT_NE(output.find(c.said + (c.headless ? snapshot : "")), std::string::npos) << output;
        if (c.headless) {
            int width = 0, height = 0;
            const Clock::time_point end = Clock::now() + std::chrono::seconds(10);
            while (test_support::ReadPng(snapshot, &width, &height).empty() && Clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            EXPECT_EQ(width, 320);
            EXPECT_EQ(height, 294);
        }
        test_support::Stop(app.pid, SIGKILL);
        close(app.out);
    }
}

}  // namespace
