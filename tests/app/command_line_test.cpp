// The program's command line and variables: parsed in the program, handed to
// the serial input, the display and the port map; and the real program's
// answers to --help, --version, bad arguments and a missing font.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "app/program_arguments.h"
#include "host/host.h"
#include "host/testing.h"
#include "serial/serial_state.h"
#include "tests/support/child_process.h"
#include "tests/support/pty_pair.h"
#include "tests/support/stderr_capture.h"
#include "tests/support/temp_dir.h"

namespace {

using Mode = host::DisplayChoice::Mode;

const char* const kVariables[] = {"SKYMARK_DISPLAY", "SKYMARK_SCALE", "SKYMARK_SNAPSHOT",
                                  "SKYMARK_COM1",    "SKYMARK_COM2",  "SKYMARK_COM9"};

// The variables as a test sets them, put back as they were afterwards.
class CommandLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : kVariables) {
            if (const char* value = std::getenv(name)) saved_.emplace_back(name, value);
            unsetenv(name);
        }
        host::SetProgramName("skymark");
        host::ForgetReports();
    }
    void TearDown() override {
        for (const char* name : kVariables)
            unsetenv(name);
        for (const auto& [name, value] : saved_)
            setenv(name.c_str(), value.c_str(), 1);
        test_support::UnmapComPorts();
    }

    static std::string Source(int port) {
        char text[64] = "";
        return host::PortSource(port, text, sizeof text) ? text : "-";
    }

    std::vector<std::pair<std::string, std::string>> saved_;
};

// Options win over their variables; sources replace the whole port map.
TEST_F(CommandLineTest, OptionsWinOverTheirVariablesAndSourcesOverThePortMap) {
    struct Case {
        std::vector<const char*> args;
        DWORD baud;
        Mode mode;
        const char* why;
        int scale;
        const char* snapshot;
        const char* com1;
        const char* com2;
        const char* com9;
    };
    const Case cases[] = {
        {{},
         kAutoBaud,
         Mode::kSdl,
         "SKYMARK_DISPLAY=sdl",
         5,
         "/tmp/v.png",
         "/dev/ttyS0",
         "-",
         "/dev/x"},
        {{"--baud", "9600"},
         9600,
         Mode::kSdl,
         "SKYMARK_DISPLAY=sdl",
         5,
         "/tmp/v.png",
         "/dev/ttyS0",
         "-",
         "/dev/x"},
        {{"--baud=auto", "--headless"},
         kAutoBaud,
         Mode::kHeadless,
         "SKYMARK_DISPLAY=headless",
         2,
         "/tmp/v.png",
         "/dev/ttyS0",
         "-",
         "/dev/x"},
        {{"--scale", "3", "--snapshot", "/tmp/s.png"},
         kAutoBaud,
         Mode::kSdl,
         "SKYMARK_DISPLAY=sdl",
         3,
         "/tmp/s.png",
         "/dev/ttyS0",
         "-",
         "/dev/x"},
        {{"/dev/ttyUSB3", "gpsd://"},
         kAutoBaud,
         Mode::kSdl,
         "SKYMARK_DISPLAY=sdl",
         5,
         "/tmp/v.png",
         "/dev/ttyUSB3",
         "gpsd://",
         "-"},
        {{"--", "/dev/-odd"},
         kAutoBaud,
         Mode::kSdl,
         "SKYMARK_DISPLAY=sdl",
         5,
         "/tmp/v.png",
         "/dev/-odd",
         "-",
         "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "none" : c.args[0]);
        // The variables as a user may have set them; COM2 set but empty leads nowhere.
        setenv("SKYMARK_DISPLAY", "sdl", 1);
        setenv("SKYMARK_SCALE", "5", 1);
        setenv("SKYMARK_SNAPSHOT", "/tmp/v.png", 1);
        setenv("SKYMARK_COM1", "/dev/ttyS0", 1);
        setenv("SKYMARK_COM2", "", 1);
        setenv("SKYMARK_COM9", "/dev/x", 1);
        test_support::UnmapComPorts();
        std::vector<const char*> argv = {"skymark"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ProgramArguments arguments;
        ASSERT_EQ(ReadProgramArguments(static_cast<int>(argv.size()), argv.data(), &arguments),
                  ArgumentsOutcome::kRun);
        ReadProgramVariables(&arguments);
        MapPorts(arguments);
        EXPECT_EQ(arguments.baud, c.baud);
        EXPECT_EQ(arguments.display.mode, c.mode);
        EXPECT_STREQ(arguments.display.why, c.why);
        if (c.mode != Mode::kHeadless) {
            EXPECT_EQ(arguments.display.scale, c.scale);
        }
        EXPECT_STREQ(arguments.display.snapshot, c.snapshot);
        EXPECT_EQ(Source(1), c.com1);
        EXPECT_EQ(Source(2), c.com2);
        EXPECT_EQ(Source(9), c.com9);
    }
}

// Variables that say nothing the program knows are said once on stderr and
// leave the defaults; without any, the display is chosen by the host.
TEST_F(CommandLineTest, WrongVariablesAreSaidAndLeaveTheDefaults) {
    const char* argv[] = {"skymark"};
    {
        ProgramArguments arguments;
        ASSERT_EQ(ReadProgramArguments(1, argv, &arguments), ArgumentsOutcome::kRun);
        ReadProgramVariables(&arguments);
        EXPECT_EQ(arguments.display.mode, Mode::kAuto);
        EXPECT_EQ(arguments.display.scale, 2);
        EXPECT_EQ(arguments.display.snapshot, nullptr);
    }
    setenv("SKYMARK_DISPLAY", "wayland", 1);
    setenv("SKYMARK_SCALE", "9", 1);
    test_support::StderrCapture capture;
    ProgramArguments arguments;
    ASSERT_EQ(ReadProgramArguments(1, argv, &arguments), ArgumentsOutcome::kRun);
    ReadProgramVariables(&arguments);
    EXPECT_EQ(capture.Take(),
              "skymark: SKYMARK_DISPLAY=wayland is neither sdl nor headless\n"
              "skymark: SKYMARK_SCALE=9 is not 1 to 8; using 2\n");
    EXPECT_EQ(arguments.display.mode, Mode::kAuto);
    EXPECT_EQ(arguments.display.scale, 2);
}

// The real program's output, both streams together, and its exit status.
std::string RunProgram(std::vector<std::string> args, int* code,
                       std::vector<std::string> env = {}) {
    args.insert(args.begin(), {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1", SKYMARK_PATH});
    env.push_back("SKYMARK_DISPLAY=headless");
    const test_support::Child child = test_support::Spawn(args, env);
    const std::string out = test_support::ReadAll(child.out);
    close(child.out);
    *code = test_support::WaitExit(child.pid);
    return out;
}

TEST(Program, HelpVersionAndUsageErrors) {
    int code = 0;
    const std::string help = RunProgram({"--help"}, &code);
    EXPECT_EQ(code, 0);
    for (const char* text :
         {"Usage: skymark [--baud RATE|auto] [--scale N] [--headless] [--snapshot FILE] "
          "[SOURCE...]\n",
          "  --baud RATE|auto    serial line rate", "--snapshot FILE", "tcp://HOST:PORT",
          "gpsd://HOST[:PORT][/DEVICE]", "default localhost:2947", "udp://[ADDRESS][:PORT]",
          "SKYMARK_COMn"}) {
        EXPECT_NE(help.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(RunProgram({"--version", "--frobnicate"}, &code), "skymark 1.0\n");
    EXPECT_EQ(code, 0);

    struct Error {
        std::vector<std::string> args;
        const char* said;
    };
    const Error errors[] = {
        {{"--frobnicate"}, "unknown option: --frobnicate"},
        {{"-x"}, "unknown option: -x"},
        {{"--baud", "1234"}, "bad value for --baud: '1234' (expected RATE|auto)"},
        {{"--baud"}, "--baud needs a value"},
        {{"--scale", "9"}, "bad value for --scale: '9' (expected 1 to 8)"},
        {{"--scale="}, "bad value for --scale: '' (expected 1 to 8)"},
        {{"--snapshot"}, "--snapshot needs a value"},
        {{"--snapshot="}, "bad value for --snapshot: '' (expected a file name)"},
        {{"ttyUSB0"},
         "not a source: ttyUSB0: not an absolute device path, tcp://HOST:PORT, "
         "gpsd://HOST[:PORT][/DEVICE] or udp://[ADDRESS][:PORT]"},
        {{"udp://gps.local"},
         "not a source: udp://gps.local: udp:// listens on a numeric address (or none): "
         "udp://[ADDRESS][:PORT]"},
        {{"gpsd://localhost/"}, "not a source: gpsd://localhost/: no device after the /"},
        {{"tcp://localhost"},
         "not a source: tcp://localhost: tcp:// needs a port: tcp://HOST:PORT"},
        {{"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h", "/i", "/j"},
         "at most nine sources, for COM1 to COM9"},
    };
    for (const Error& e : errors) {
        SCOPED_TRACE(e.said);
        EXPECT_EQ(RunProgram(e.args, &code),
                  std::string("skymark: ") + e.said + " (see skymark --help)\n");
        EXPECT_EQ(code, 2);
    }
}

TEST(Program, WithoutAUsableFontEndsAtOnceNamingThePackage) {
    // A fontconfig set-up that knows no font directory at all.
    test_support::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    ASSERT_TRUE(test_support::WriteWholeFile(dir.File("fonts.conf"),
                                             "<?xml version=\"1.0\"?>\n<fontconfig>\n"
                                             "<cachedir>" +
                                                 dir.File("cache") +
                                                 "</cachedir>\n</fontconfig>\n"));
    int code = 0;
    EXPECT_EQ(RunProgram({}, &code, {"FONTCONFIG_FILE=" + dir.File("fonts.conf")}),
              "skymark: no usable font found: install fonts-dejavu-core "
              "(sudo apt install fonts-dejavu-core)\n");
    EXPECT_EQ(code, 1);
}

}  // namespace
