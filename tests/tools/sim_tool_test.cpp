// The simulator as a program: its pseudo-terminal, pacing and signals.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

using test_support::Child;
using test_support::ReadAll;
using test_support::ReadFirstLine;
using test_support::WaitExit;

Child Spawn(std::vector<std::string> args) {
    args.insert(args.begin(), SKYMARK_SIM_PATH);
    return test_support::Spawn(args);
}

// Reads the line for ms milliseconds, or until the child has ended (left for
// the caller to reap).
std::string ReadFor(int fd, int ms, pid_t child = -1) {
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        char buffer[1024];
        ssize_t n = 0;
        if (poll(&p, 1, 50) > 0 && (n = read(fd, buffer, sizeof buffer)) > 0) {
            received.append(buffer, static_cast<std::size_t>(n));
        }
        siginfo_t info{};
        if (child > 0 &&
            waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == child) {
            break;
        }
    }
    return received;
}

TEST(SimTool, HelpExplainsOptionsAndBadOptionsFail) {
    Child help = Spawn({"--help"});
    const std::string text = ReadAll(help.out);
    close(help.out);
    EXPECT_EQ(WaitExit(help.pid), 0);
    for (const char* option :
         {"--gnss", "--replay", "--talker", "--corrupt", "--position", "--seconds", "--baud"}) {
        EXPECT_NE(text.find(option), std::string::npos) << option;
    }
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--talker", "GL"},
                                                {"--gnss", "galileo"},
                                                {"--talker", "GN"},
                                                {"--corrupt", "101"},
                                                {"--seconds"},
                                                {"--position", "95,0"},
                                                {"--baud", "1234"},
                                                {"--replay", "/nonexistent/skymark.nmea"},
                                                {"--frobnicate"}}) {
        Child c = Spawn(bad);
        ReadAll(c.out);
        close(c.out);
        EXPECT_NE(WaitExit(c.pid), 0) << bad[0];
    }
}

TEST(SimTool, SendsPacedSentencesOnItsPseudoTerminalAndRecordsThem) {
    test_support::TempDir dir;
    const std::string record = dir.File("record.nmea");
    Child sim = Spawn({"--seconds", "2", "--gnss", "gps", "--talker", "GN", "--record", record});
    const std::string path = ReadFirstLine(sim.out);
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    const int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const std::string received = ReadFor(fd, 5000, sim.pid);
    close(fd);
    close(sim.out);
    int status = 0;
    ASSERT_EQ(waitpid(sim.pid, &status, WNOHANG), sim.pid) << "still running after --seconds 2";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    EXPECT_LE(received.size(), 2 * 480u);
    EXPECT_NE(received.find("$GNGGA,"), std::string::npos);
    // Raw mode: line ends arrive as sent. (What the sentences hold is the
    // simulator core's test; that they verify, the end-to-end test's.)
    ASSERT_GT(received.size(), 100u);
    EXPECT_EQ(received.substr(received.size() - 2), "\r\n");
    // The record holds exactly what went out on the line.
    EXPECT_EQ(test_support::ReadWholeFile(record), received);
}

// Reads the line for a while, at the rate the reader set on it.
std::string ReadAt(int fd, speed_t speed, int ms) {
    termios line{};
    tcgetattr(fd, &line);
    cfmakeraw(&line);
    cfsetispeed(&line, speed);
    cfsetospeed(&line, speed);
    tcsetattr(fd, TCSANOW, &line);
    // What was sent before the rate changed is not this rate's.
    tcflush(fd, TCIFLUSH);
    return ReadFor(fd, ms);
}

TEST(SimTool, AtAFixedRateOtherRatesGetGarbledBytesAndAReaderMayComeAndGo) {
    Child sim = Spawn({"--baud", "9600"});
    const std::string path = ReadFirstLine(sim.out);
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const std::string wrong = ReadAt(fd, B4800, 1500);
    const std::string right = ReadAt(fd, B9600, 2000);
    EXPECT_GT(wrong.size(), 100u);
    EXPECT_EQ(wrong.find('$'), std::string::npos);
    EXPECT_EQ(wrong.find('\n'), std::string::npos);
    EXPECT_NE(right.find("$GNGGA,"), std::string::npos);
    // The reader leaves the line hung up; the receiver goes on until told to stop.
    close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    int status;
    EXPECT_EQ(waitpid(sim.pid, &status, WNOHANG), 0) << "died without a reader";
    kill(sim.pid, SIGINT);
    EXPECT_EQ(WaitExit(sim.pid), 0);
    close(sim.out);
}

}  // namespace
