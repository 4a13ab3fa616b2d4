// What a display receives, through the recording display: only what changed,
// as separate rectangles; nothing when a drawing changed no pixel; and during
// Sleep, what was drawn before it at once and what changes at least every
// 100 ms.
#include <algorithm>
#include <vector>

#include "wm_fixture.h"

namespace wmtest {
namespace {

// The status line of the main screen.
constexpr RECT kLine{5, 200, 320, 215};

std::vector<std::uint32_t> Pixels(const host::PixelView& screen, const RECT& area) {
    std::vector<std::uint32_t> out;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            out.push_back(screen.At(x, y) & 0xFFFFFF);
    return out;
}

struct Recorded {
    std::uint64_t time_ms;
    std::vector<RECT> changed;
    std::vector<std::uint32_t> line;  // the status line as the frame showed it
};

class PresentTest : public WmTest {
  protected:
    void SetUp() override {
        WmTest::SetUp();
        host::StartRecordingDisplay([this](const host::Frame& frame) {
            frames_.push_back(
                {frame.time_ms,
                 std::vector<RECT>(frame.changed, frame.changed + frame.changed_count),
                 Pixels(frame.screen, kLine)});
        });
        main_ = CreateMain();
        ASSERT_NE(main_, nullptr);
        host::RunMessageLoopUntil(100);
        frames_.clear();
    }
    void TearDown() override {
        host::StopDisplay();
        WmTest::TearDown();
    }

    HWND main_ = nullptr;
    std::vector<Recorded> frames_;
};

std::int64_t Area(const std::vector<RECT>& rects) {
    std::int64_t area = 0;
    for (const RECT& r : rects)
        area += std::int64_t{r.right - r.left} * (r.bottom - r.top);
    return area;
}

bool Holds(const std::vector<RECT>& rects, POINT p) {
    for (const RECT& r : rects) {
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return true;
    }
    return false;
}

TEST_F(PresentTest, DistantChangesComeApartAndUnchangedDrawingPresentsNothing) {
    const RECT boxes[] = {{10, 10, 20, 20}, {200, 220, 210, 230}};
    for (const RECT& box : boxes)
        FillWindow(main_, kRed, &box);
    host::RunMessageLoopUntil(200);
    ASSERT_EQ(frames_.size(), 1u);
    const std::vector<RECT>& shown = frames_[0].changed;
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(Area(shown), 200) << "only the two boxes";
    int red = 0;
    for (int y = 0; y < host::kScreenHeight; ++y) {
        for (int x = 0; x < host::kScreenWidth; ++x) {
            if (ScreenAt(x, y) != kRed) continue;
            ++red;
            EXPECT_TRUE(Holds(shown, POINT{x, y})) << x << "," << y;
        }
    }
    EXPECT_EQ(red, 200);

    // The same drawing again changes no pixel, so nothing is presented.
    for (const RECT& box : boxes)
        FillWindow(main_, kRed, &box);
    host::RunMessageLoopUntil(300);
    EXPECT_EQ(frames_.size(), 1u);
}

// The port search draws straight onto the window and then sleeps, with no
// message loop running.
TEST_F(PresentTest, SleepShowsWhatWasDrawnBeforeItAndChangesEvery100Ms) {
    HDC dc = GetDC(main_);
    RECT line = kLine;
    DrawTextW(dc, u"Read Com1     ", -1, &line, DT_SINGLELINE);
    ReleaseDC(main_, dc);
    const std::vector<std::uint32_t> drawn = Pixels(host::ScreenPixels(), kLine);
    ASSERT_NE(drawn, std::vector<std::uint32_t>(drawn.size(), kWhite)) << "no text drawn";

    // Something changes at every step of the clock: a box that turns red and
    // blue in turn.
    struct Steps {
        HWND window;
        std::vector<std::uint64_t> times;
    } steps{main_, {}};
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
    std::uint64_t previous = frames_[0].time_ms;
    for (const Recorded& frame : frames_) {
        EXPECT_LE(frame.time_ms - previous, 100u) << "frame at " << frame.time_ms;
        previous = frame.time_ms;
    }
    EXPECT_EQ(frames_.back().time_ms, 1100u);
    ASSERT_FALSE(steps.times.empty());
    EXPECT_EQ(steps.times.back(), 1100u);
    previous = 100;
    for (const std::uint64_t t : steps.times) {
        EXPECT_LE(t - previous, 100u) << "clock step to " << t;
        previous = t;
    }

    // A pause in which nothing changes shows nothing new.
    frames_.clear();
    Sleep(300);
    EXPECT_TRUE(frames_.empty());
}

}  // namespace
}  // namespace wmtest
