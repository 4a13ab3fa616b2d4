// What a display receives during Sleep, through the recording display: what
// was drawn before it at once, what changes at least every 100 ms, nothing when
// nothing changed. (Which rectangles changed is the screen DC's damage test.)
#include <vector>

#include "test_window.h"

namespace testwin {
namespace {

// The status line of the main screen.
constexpr RECT kLine{5, 200, 320, 215};

struct Presented {
    std::uint64_t time_ms;
    std::vector<std::uint32_t> line;  // the status line as the frame showed it
};

class PresentTest : public ParentTest {
  protected:
    void SetUp() override {
        ParentTest::SetUp();
        host::StartRecordingDisplay([this](const host::Frame& frame) {
            frames_.push_back({frame.time_ms, Snapshot(kLine)});
        });
        host::RunMessageLoopUntil(100);
        frames_.clear();
    }
    void TearDown() override {
        host::StopDisplay();
        ParentTest::TearDown();
    }

    std::vector<Presented> frames_;
};

// The port search draws straight onto the window and then sleeps, with no
// message loop running.
TEST_F(PresentTest, SleepShowsWhatWasDrawnBeforeItAndChangesEvery100Ms) {
    HDC dc = GetDC(parent_);
    RECT line = kLine;
    DrawTextW(dc, u"Read Com1     ", -1, &line, DT_SINGLELINE);
    ReleaseDC(parent_, dc);
    const std::vector<std::uint32_t> drawn = Snapshot(kLine);
    ASSERT_NE(drawn, std::vector<std::uint32_t>(drawn.size(), kWhite)) << "no text drawn";

    // Something changes at every step of the clock: a box that turns red and
    // blue in turn.
    struct Steps {
        HWND window;
        std::vector<std::uint64_t> times;
    } steps{parent_, {}};
    host::SetVirtualClockObserver(
        [](std::uint64_t now, void* context) {
            auto* s = static_cast<Steps*>(context);
            s->times.push_back(now);
            const RECT box{0, 30, 10, 40};
            FillWindow(s->window, s->times.size() % 2 == 0 ? kRed : kBlue, &box);
        },
        &steps);
    Sleep(1000);
    host::SetVirtualClockObserver(nullptr, nullptr);

    EXPECT_EQ(host::NowMs(), 1100u);
    ASSERT_FALSE(frames_.empty());
    EXPECT_EQ(frames_[0].time_ms, 100u) << "the text is shown before the pause goes on";
    EXPECT_EQ(frames_[0].line, drawn);
    EXPECT_EQ(frames_.back().time_ms, 1100u);
    EXPECT_EQ(steps.times.back(), 1100u);
    for (std::size_t i = 1; i < frames_.size(); ++i)
        EXPECT_LE(frames_[i].time_ms - frames_[i - 1].time_ms, 100u) << frames_[i].time_ms;
    for (std::size_t i = 1; i < steps.times.size(); ++i)
        EXPECT_LE(steps.times[i] - steps.times[i - 1], 100u) << steps.times[i];

    // A pause in which nothing changes shows nothing new.
    frames_.clear();
    Sleep(300);
    EXPECT_TRUE(frames_.empty());
}

}  // namespace
}  // namespace testwin
