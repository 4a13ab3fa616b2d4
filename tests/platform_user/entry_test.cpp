// The platform's main, run as a separate program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace {

std::string RunProbe(std::vector<std::string> args, int* code) {
    args.insert(args.begin(), ENTRY_PROBE_PATH);
    const test_support::Child child = test_support::Spawn(args, {"SKYMARK_DISPLAY=headless"});
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

}  // namespace
