// The time to first fix, through the real frame and window manager on the
// virtual clock: a recorded log plays on a pseudo-terminal second by second,
// each at the time its own timestamps give, and the fix panel's count is
// read from the screen.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_window.h"
#include "host/host.h"
#include "host/testing.h"
#include "resources/program_resources.h"
#include "screen/drawing_resources.h"
#include "serial/serial_state.h"
#include "tests/support/headless_program.h"
#include "tests/support/nmea_text.h"
#include "tests/support/program_host.h"
#include "win/windows.h"

namespace {

constexpr RECT kFixLine{104, 100, 320, 115};
constexpr RECT kFirstFix{104, 130, 212, 145};

// One second of a log: its sentences and its time of day in whole seconds
// (rounded: receivers stamp 191504.99 for the second after 191504.01).
struct LogSecond {
    std::string bytes;
    long time = -1;
    bool fix = false;  // GGA quality above 0, or RMC status A with a position
};

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line.substr(0, line.find('*')));
    for (std::string field; std::getline(in, field, ',');)
        fields.push_back(field);
    return fields;
}

long Seconds(const std::string& hhmmss) {
    const double t = std::strtod(hhmmss.c_str(), nullptr);
    const long h = static_cast<long>(t / 10000), m = static_cast<long>(t / 100) % 100;
    return (h * 60 + m) * 60 + std::lround(std::fmod(t, 100.0));
}

// The log cut where a sentence carries a new second in its time field.
std::vector<LogSecond> SecondsOf(const std::string& log) {
    std::vector<LogSecond> seconds(1);
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> f = Fields(line);
        const std::string type = f.empty() || f[0].size() < 6 ? "" : f[0].substr(3);
        const bool timed = type == "GGA" || type == "GNS" || type == "RMC" || type == "GST";
        if (timed && f.size() > 1 && !f[1].empty()) {
            const long t = Seconds(f[1]);
            if (seconds.back().time < 0) {
                seconds.back().time = t;
            } else if (t != seconds.back().time) {
                seconds.push_back(LogSecond{"", t, false});
            }
        }
        if (type == "GGA" && f.size() > 6 && std::atoi(f[6].c_str()) > 0) seconds.back().fix = true;
        if (type == "RMC" && f.size() > 5 && f[2] == "A" && !f[3].empty() && !f[5].empty()) {
            seconds.back().fix = true;
        }
        seconds.back().bytes += line + "\n";
    }
    return seconds;
}

class FirstFixTest : public test_support::HeadlessProgramTest {
  protected:
    void SetUp() override {
        HeadlessProgramTest::SetUp();
        ResetAppState();
        ASSERT_TRUE(pty_.Ok());
        pty_.UseAsComPort(1);
        instance_ = host::CreateInstance(ProgramResources());
    }

    // Whether the window shows exactly this text in the box.
    bool Shows(HWND main, RECT box, const std::u16string& text) {
        static HDC canvas = [] {
            HDC dc = CreateCompatibleDC(nullptr);
            SelectObject(dc, CreateCompatibleBitmap(dc, kScreenWidth, kScreenHeight));
            return dc;
        }();
        RECT whole{0, 0, kScreenWidth, kScreenHeight};
        FillRect(canvas, &whole, WhiteBrush);
        RECT r = box;
        DrawTextW(canvas, text.data(), static_cast<int>(text.size()), &r, DT_SINGLELINE);
        RECT frame{};
        GetWindowRect(main, &frame);
        const host::PixelView screen = host::ScreenPixels();
        const host::PixelView drawn = host::DcPixels(canvas);
        for (int y = box.top; y < box.bottom; ++y) {
            for (int x = box.left; x < box.right; ++x) {
                if (screen.At(frame.left + x, frame.top + y) != drawn.At(x, y)) return false;
            }
        }
        return true;
    }

    test_support::PtyPair pty_;
    HINSTANCE instance_ = nullptr;
};

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

class FirstFixOfLog : public FirstFixTest, public ::testing::WithParamInterface<const char*> {};

// Logs that start without a fix: the count goes up while the receiver waits
// and stops at the log's own time to first fix; a silence after it shows on
// the fix line and leaves the count alone.
TEST_P(FirstFixOfLog, FromTheLogsOwnSeconds) {
    const std::vector<LogSecond> seconds = SecondsOf(test_support::SampleLog(GetParam()));
    ASSERT_GT(seconds.size(), 5u);
    std::size_t fix = 0;
    while (fix < seconds.size() && !seconds[fix].fix)
        ++fix;
    ASSERT_LT(fix, seconds.size());
    const long firstFix = seconds[fix].time - seconds[0].time;
    ASSERT_GT(firstFix, 3) << "the log starts without a fix";

    ASSERT_EQ(CreateMainWindow(instance_, SW_SHOW), 1);
    HWND main = GetParent(LogButton);
    // The search takes what it probes: a line of its own for it.
    Talk(pty_, test_support::Sentence("GPTXT,01,01,02,HELLO"));
    ASSERT_TRUE(host::RunMessageLoopUntil(2300));
    ASSERT_EQ(SearchPending, 0);

    const uint64_t first = host::NowMs() + 200;
    bool counted = false;
    for (const LogSecond& second : seconds) {
        const uint64_t at = first + 1000 * static_cast<uint64_t>(second.time - seconds[0].time);
        ASSERT_TRUE(host::RunMessageLoopUntil(at));
        Talk(pty_, second.bytes);
        if (second.time - seconds[0].time == 3) {
            // Three seconds into the wait, and a little more.
            ASSERT_TRUE(host::RunMessageLoopUntil(at + 800));
            EXPECT_TRUE(Shows(main, kFirstFix, u"TTFF 3 s..."));
            counted = true;
        }
    }
    EXPECT_TRUE(counted);
    const std::u16string kept = Wide("TTFF " + std::to_string(firstFix) + " s");
    ASSERT_TRUE(host::RunMessageLoopUntil(host::NowMs() + 1000));
    EXPECT_TRUE(Shows(main, kFirstFix, kept)) << firstFix;

    // The last second was read within a tick of its writing: 12 or 13 s ago.
    ASSERT_TRUE(host::RunMessageLoopUntil(host::NowMs() + 12000));
    EXPECT_TRUE(Shows(main, kFixLine, u"No data 12 s") || Shows(main, kFixLine, u"No data 13 s"));
    EXPECT_TRUE(Shows(main, kFirstFix, kept));
}

INSTANTIATE_TEST_SUITE_P(Logs, FirstFixOfLog,
                         ::testing::Values("beidou-bd.nmea", "quectel-eg25-g.nmea"));

}  // namespace
