// What a display receives, through the recording display: only what changed,
// as separate rectangles; nothing when a drawing changed no pixel; and during
// Sleep, what was drawn before it at once and what changes at least every
// 100 ms.
#include <vector>

#include "test_window.h"

namespace testwin {
namespace {

// The status line of the main screen.
constexpr RECT kLine{5, 200, 320, 215};

struct Presented {
    std::uint64_t time_ms;
    std::vector<RECT> changed;
    std::vector<std::uint32_t> line;  // the status line as the frame showed it
};

class PresentTest : public ParentTest {
  protected:
    void SetUp() override {
        ParentTest::SetUp();
        host::StartRecordingDisplay([this](const host::Frame& frame) {
            frames_.push_back(
                {frame.time_ms,
                 std::vector<RECT>(frame.changed, frame.changed + frame.changed_count),
                 Snapshot(kLine)});
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

TEST_F(PresentTest, DistantChangesComeApartAndUnchangedDrawingPresentsNothing) {
    const RECT boxes[] = {{10, 10, 20, 20}, {200, 220, 210, 230}};
    for (int round = 0; round < 2; ++round) {
        for (const RECT& box : boxes)
            FillWindow(parent_, kRed, &box);
        host::RunMessageLoopUntil(200 + 100 * round);
    }
    // The same drawing again changed no pixel: one frame only.
    ASSERT_EQ(frames_.size(), 1u);
    std::vector<RECT> shown = frames_[0].changed;
    ASSERT_EQ(shown.size(), 2u);
    if (shown[0].top > shown[1].top) std::swap(shown[0], shown[1]);
    EXPECT_TRUE(SameRect(shown[0], boxes[0]));
    EXPECT_TRUE(SameRect(shown[1], boxes[1]));
}

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
