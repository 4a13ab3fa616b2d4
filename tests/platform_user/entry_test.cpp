// The platform's main, run as a separate program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

std::string RunProbe(const std::string& arguments, int* status) {
    std::string command =
        "SKYMARK_DISPLAY=headless " ENTRY_PROBE_PATH " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {};
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
        out += buffer;
    *status = pclose(pipe);
    return out;
}

TEST(Entry, CallsWinMainWithInstanceCommandLineAndShowCommand) {
    int status = 0;
    std::string out = RunProbe("a 'b c'", &status);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(out, "string=Probe previous=0 show=5 command=0061.0020.0062.0020.0063.\n");
    out = RunProbe("", &status);
    EXPECT_EQ(out, "string=Probe previous=0 show=5 command=\n");
}

}  // namespace
