// What the message loop hands the display: only what changed, as separate
// rectangles, and nothing at all when a drawing changed no pixel.
#include <memory>
#include <vector>

#include "user/wm_internal.h"
#include "wm_fixture.h"

namespace wmtest {
namespace {

class RecordingBackend : public display::Backend {
  public:
    explicit RecordingBackend(std::vector<std::vector<RECT>>* presents) : presents_(presents) {}
    void Present(const host::PixelView&, const RECT* rects, int count) override {
        presents_->emplace_back(rects, rects + count);
    }
    void WaitForInput(std::uint64_t) override {}
    bool PollInput(display::InputEvent*) override { return false; }

  private:
    std::vector<std::vector<RECT>>* presents_;
};

class PresentTest : public WmTest {
  protected:
    void SetUp() override {
        WmTest::SetUp();
        wm::SetBackend(std::make_unique<RecordingBackend>(&presents_));
    }
    void TearDown() override {
        wm::SetBackend(nullptr);
        WmTest::TearDown();
    }
    std::vector<std::vector<RECT>> presents_;
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
    HWND main = CreateMain();
    ASSERT_NE(main, nullptr);
    host::RunMessageLoopUntil(100);
    presents_.clear();

    // Two small boxes far apart.
    const RECT boxes[] = {{10, 10, 20, 20}, {200, 200, 210, 210}};
    for (const RECT& box : boxes)
        FillWindow(main, kRed, &box);
    host::RunMessageLoopUntil(200);
    ASSERT_EQ(presents_.size(), 1u);
    const std::vector<RECT>& shown = presents_[0];
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
        FillWindow(main, kRed, &box);
    host::RunMessageLoopUntil(300);
    EXPECT_EQ(presents_.size(), 1u);
    DestroyWindow(main);
}

}  // namespace
}  // namespace wmtest
