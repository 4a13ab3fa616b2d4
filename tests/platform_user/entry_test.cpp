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

// The program takes no arguments: any it is given leave the command line empty.
TEST(Entry, CallsWinMainWithInstanceEmptyCommandLineAndShowCommand) {
    int code = 0;
    EXPECT_EQ(RunProbe({"a", "b c"}, &code), "string=Probe previous=0 show=5 command=\n");
    EXPECT_EQ(code, 7);
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
