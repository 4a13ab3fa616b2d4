// The platform's main, run as a separate program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

// The probe's stdout, or its stdout and stderr together.
std::string RunProbe(std::vector<std::string> args, int* code, bool with_stderr = false,
                     std::vector<std::string> env = {}) {
    args.insert(args.begin(), ENTRY_PROBE_PATH);
    if (with_stderr) args.insert(args.begin(), {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1"});
    env.push_back("SKYMARK_DISPLAY=headless");
    const test_support::Child child = test_support::Spawn(args, env);
    const std::string out = test_support::ReadAll(child.out);
    close(child.out);
    *code = test_support::WaitExit(child.pid);
    return out;
}

// Host options become their variables, sources the port map, and the program's own options its
// command line.
TEST(Entry, OptionsReachTheirVariablesAndTheProgramsOwnOptionsItsCommandLine) {
    struct Case {
        std::vector<std::string> args;
        std::string out;  // after "string=Probe previous=0 show=5 command="
    };
    // The variables as a user may have set them; the options win.
    const std::vector<std::string> env = {"SKYMARK_SCALE=5", "SKYMARK_COM1=/dev/ttyS0",
                                          "SKYMARK_COM9=/dev/x"};
    const std::string user = " SKYMARK_COM1=/dev/ttyS0 SKYMARK_COM9=/dev/x";
    const Case cases[] = {
        {{}, " SKYMARK_DISPLAY=headless SKYMARK_SCALE=5" + user},
        {{"--level", "4"},
         "002d.002d.006c.0065.0076.0065.006c.0020.0034. SKYMARK_DISPLAY=headless SKYMARK_SCALE=5" +
             user},
        {{"--level=4"},
         "002d.002d.006c.0065.0076.0065.006c.0020.0034. SKYMARK_DISPLAY=headless SKYMARK_SCALE=5" +
             user},
        {{"--scale", "3", "--snapshot", "/tmp/s.png"},
         " SKYMARK_DISPLAY=headless SKYMARK_SCALE=3 SKYMARK_SNAPSHOT=/tmp/s.png" + user},
        {{"/dev/ttyUSB3", "gpsd://"},
         " SKYMARK_DISPLAY=headless SKYMARK_SCALE=5 SKYMARK_COM1=/dev/ttyUSB3 SKYMARK_COM2=gpsd:// "
         "SKYMARK_COM9="},
        {{"--", "/dev/-odd"},
         " SKYMARK_DISPLAY=headless SKYMARK_SCALE=5 SKYMARK_COM1=/dev/-odd SKYMARK_COM2= "
         "SKYMARK_COM9="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "none" : c.args[0]);
        int code = 0;
        EXPECT_EQ(RunProbe(c.args, &code, false, env),
                  "string=Probe previous=0 show=5 command=" + c.out + "\n");
        EXPECT_EQ(code, 7);
    }
}

TEST(Entry, HelpVersionAndErrors) {
    int code = 0;
    const std::string help = RunProbe({"--help"}, &code);
    EXPECT_EQ(code, 0);
    for (const char* text :
         {"Usage: skymark [--level DIGIT] [--scale N] [--headless]",
          "Reports what it was started with.", "--level DIGIT", "a level of the probe",
          "--snapshot FILE", "tcp://HOST:PORT", "gpsd://HOST[:PORT][/DEVICE]",
          "default localhost:2947", "SKYMARK_COMn"}) {
        EXPECT_NE(help.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(RunProbe({"--version", "--frobnicate"}, &code), "skymark 0.7\n");
    EXPECT_EQ(code, 0);

    struct Error {
        std::vector<std::string> args;
        const char* said;
    };
    const Error errors[] = {
        {{"--frobnicate"}, "unknown option: --frobnicate"},
        {{"-x"}, "unknown option: -x"},
        {{"--level", "12"}, "bad value for --level: '12' (expected DIGIT)"},
        {{"--level"}, "--level needs a value"},
        {{"--scale", "9"}, "bad value for --scale: '9' (expected 1 to 8)"},
        {{"--scale="}, "bad value for --scale: '' (expected 1 to 8)"},
        {{"--snapshot"}, "--snapshot needs a value"},
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
        EXPECT_EQ(RunProbe(e.args, &code, true),
                  std::string("skymark: ") + e.said + " (see skymark --help)\n");
        EXPECT_EQ(code, 2);
    }
}

TEST(Entry, WithoutAUsableFontEndsAtOnceNamingThePackage) {
    // A fontconfig set-up that knows no font directory at all.
    test_support::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    ASSERT_TRUE(test_support::WriteWholeFile(dir.File("fonts.conf"),
                                             "<?xml version=\"1.0\"?>\n<fontconfig>\n"
                                             "<cachedir>" +
                                                 dir.File("cache") +
                                                 "</cachedir>\n</fontconfig>\n"));
    int code = 0;
    EXPECT_EQ(RunProbe({}, &code, true, {"FONTCONFIG_FILE=" + dir.File("fonts.conf")}),
              "skymark: no usable font found: install fonts-dejavu-core "
              "(sudo apt install fonts-dejavu-core)\n");
    EXPECT_EQ(code, 1);
}

}  // namespace
