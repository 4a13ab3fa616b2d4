// The diagnostics channel: each line starts with the name the program gave,
// a text is said once, and past its memory the channel says so once.
#include <gtest/gtest.h>

#include <string>

#include "host/host.h"
#include "host/testing.h"
#include "tests/support/stderr_capture.h"
#include "win/kernel.h"

namespace {

TEST(Diagnostics, LinesStartWithTheProgramsNameAndAreSaidOnce) {
    host::ForgetReports();
    const std::string long_name(80, 'n');
    const struct {
        const char* name;
        std::string prefix;
    } names[] = {{"probe", "probe: "},
                 {"gps-viewer", "gps-viewer: "},
                 {long_name.c_str(), long_name.substr(0, 63) + ": "}};
    for (const auto& n : names) {
        SCOPED_TRACE(n.prefix);
        host::SetProgramName(n.name);
        test_support::StderrCapture capture;
        EXPECT_TRUE(host::Report("port %d failed", 3));
        EXPECT_FALSE(host::Report("port %d failed", 3)) << "said once";
        OutputDebugStringW(u"the program's own text\r\n");
        EXPECT_EQ(capture.Take(),
                  n.prefix + "port 3 failed\n" + n.prefix + "the program's own text\n");
    }
    host::SetProgramName("probe");
}

TEST(Diagnostics, PastWhatItRemembersTheChannelSaysSoOnce) {
    host::SetProgramName("probe");
    host::ForgetReports();
    test_support::StderrCapture capture;
    int written = 0;
    for (int i = 0; i < 130; ++i)
        written += host::Report("failure %d", i) ? 1 : 0;
    const std::string said = capture.Take();
    EXPECT_EQ(written, 128);
    const std::string last = "probe: failure 127\n";
    const std::size_t end = said.find(last);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(said.substr(end + last.size()),
              "probe: too many different failures; further ones are not shown\n");
    host::ForgetReports();
}

}  // namespace
