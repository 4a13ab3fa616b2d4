// The raster's fast text blending against a plain per-pixel blend, and the
// damage kept as a few boxes.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/gdi/raster.h"
#include "surface.h"

namespace {

using namespace gdi::raster;

// Every pixel on its own, as the blend is defined.
void PlainBlend(const Canvas& canvas, const Box& clip, const Coverage& coverage,
                std::uint32_t foreground, const Box* opaque, std::uint32_t background) {
    for (std::int64_t y = 0; y < canvas.height; ++y) {
        for (std::int64_t x = 0; x < canvas.width; ++x) {
            if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) continue;
            unsigned c = 0;
            const bool in_cov = x >= coverage.x && x < coverage.x + coverage.width &&
                                y >= coverage.y && y < coverage.y + coverage.height;
            if (in_cov) c = coverage.values[(y - coverage.y) * coverage.stride + (x - coverage.x)];
            std::uint32_t& pixel = canvas.pixels[y * canvas.stride + x];
            if (opaque != nullptr && x >= opaque->left && x < opaque->right && y >= opaque->top &&
                y < opaque->bottom) {
                pixel = gdi::raster::Blend(background, foreground, c);
            } else if (in_cov && c != 0) {
                pixel = gdi::raster::Blend(pixel, foreground, c);
            }
        }
    }
}

// Whether one box of the damage holds the whole of b.
bool Holds(const Damage& d, const Box& b) {
    for (int i = 0; i < d.count; ++i) {
        const Box& h = d.boxes[i];
        if (b.left >= h.left && b.right <= h.right && b.top >= h.top && b.bottom <= h.bottom)
            return true;
    }
    return false;
}

TEST(BlendCoverage, MatchesThePlainBlendOnRandomCoverage) {
    std::mt19937 random(20261206);
    constexpr int kWidth = 40;
    constexpr int kHeight = 24;
    const std::uint32_t colours[] = {0x000000, 0xFFFFFF, 0xFF0000, 0x0000FF, 0x123456, 0xFEDCBA};
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        std::vector<std::uint32_t> start(kWidth * kHeight);
        for (auto& p : start)
            p = colours[pick(0, 5)];
        // Coverage of mixed zero, full and partial values, partly off the canvas.
        const int cw = pick(1, 30);
        const int ch = pick(1, 16);
        const int stride = cw + pick(0, 3);
        std::vector<std::uint8_t> values(static_cast<std::size_t>(stride) * ch);
        for (auto& v : values) {
            const int kind = pick(0, 3);
            v = static_cast<std::uint8_t>(kind == 0 ? 0 : kind == 1 ? 255 : pick(1, 254));
        }
        const Coverage coverage{values.data(), pick(-10, 35), pick(-6, 20), cw, ch, stride};
        const Box opaque_box{pick(-5, 30), pick(-5, 20), pick(0, 45), pick(0, 28)};
        const bool opaque = pick(0, 2) != 0;
        const Box clip{pick(-5, 20), pick(-5, 12), pick(10, 45), pick(8, 28)};
        const std::uint32_t fg = colours[pick(0, 5)];
        const std::uint32_t bg = colours[pick(0, 5)];

        std::vector<std::uint32_t> fast = start;
        std::vector<std::uint32_t> plain = start;
        Damage damage;
        const Canvas fast_canvas{fast.data(), kWidth, kHeight, kWidth, &damage};
        const Canvas plain_canvas{plain.data(), kWidth, kHeight, kWidth, nullptr};
        gdi::raster::BlendCoverage(fast_canvas, clip, coverage, fg, opaque ? &opaque_box : nullptr,
                                   bg);
        PlainBlend(plain_canvas, gdi::raster::Intersect(clip, plain_canvas.Bounds()), coverage, fg,
                   opaque ? &opaque_box : nullptr, bg);
        ASSERT_EQ(fast, plain);
        // Every changed pixel is inside the damage.
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                if (fast[y * kWidth + x] == start[y * kWidth + x]) continue;
                ASSERT_TRUE(Holds(damage, Box{x, y, x + 1, y + 1})) << x << "," << y;
            }
        }
    }
}

std::int64_t TotalArea(const Damage& d) {
    std::int64_t area = 0;
    for (int i = 0; i < d.count; ++i)
        area += (d.boxes[i].right - d.boxes[i].left) * (d.boxes[i].bottom - d.boxes[i].top);
    return area;
}

TEST(Damage, RowsOfOneBoxJoinAndDistantChangesStayApart) {
    Damage d;
    for (int y = 30; y < 40; ++y)
        d.Add(5, y, 20, y + 1);
    ASSERT_EQ(d.count, 1);
    EXPECT_EQ(d.boxes[0].top, 30);
    EXPECT_EQ(d.boxes[0].bottom, 40);
    d.Add(8, 32, 12, 35);  // inside: nothing new
    EXPECT_EQ(d.count, 1);
    d.Add(5, 200, 300, 213);
    d.Add(0, 220, 200, 270);
    EXPECT_EQ(d.count, 3);
    EXPECT_EQ(TotalArea(d), 15 * 10 + 295 * 13 + 200 * 50);
    const Box all = d.Bounds();
    EXPECT_EQ(all.left, 0);
    EXPECT_EQ(all.top, 30);
    EXPECT_EQ(all.right, 300);
    EXPECT_EQ(all.bottom, 270);
    d.Add(3, 3, 3, 9);  // empty
    EXPECT_EQ(d.count, 3);
    d.Clear();
    EXPECT_TRUE(d.Bounds().Empty());
}

TEST(Damage, TheNinthBoxJoinsThePairThatWastesLeast) {
    Damage d;
    // Eight boxes spread far apart, then one right beside the first.
    for (int i = 0; i < Damage::kMaxBoxes; ++i)
        d.Add(i * 40, i * 30, i * 40 + 10, i * 30 + 10);
    ASSERT_EQ(d.count, Damage::kMaxBoxes);
    d.Add(11, 0, 21, 10);  // one column gap from the first box
    ASSERT_EQ(d.count, Damage::kMaxBoxes);
    bool joined = false;
    for (int i = 0; i < d.count; ++i) {
        const Box& b = d.boxes[i];
        if (b.left == 0 && b.top == 0 && b.right == 21 && b.bottom == 10) joined = true;
    }
    EXPECT_TRUE(joined);
    EXPECT_EQ(TotalArea(d), 7 * 100 + 210);

    // Reducing further keeps covering everything.
    d.Reduce(2);
    EXPECT_EQ(d.count, 2);
    d.Reduce(0);
    ASSERT_EQ(d.count, 1);
    EXPECT_EQ(d.boxes[0].left, 0);
    EXPECT_EQ(d.boxes[0].right, 290);
    EXPECT_EQ(d.boxes[0].bottom, 220);
}

TEST(Damage, RandomChangesStayCoveredByFewBoxesNoneInsideAnother) {
    std::mt19937 random(7);
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        Damage d;
        std::vector<Box> added;
        for (int n = pick(1, 60); n > 0; --n) {
            const int left = pick(0, 300);
            const int top = pick(0, 280);
            const Box b{left, top, left + pick(1, 40), top + pick(1, 14)};
            d.Add(static_cast<int>(b.left), static_cast<int>(b.top), static_cast<int>(b.right),
                  static_cast<int>(b.bottom));
            added.push_back(b);
        }
        ASSERT_GE(d.count, 1);
        ASSERT_LE(d.count, Damage::kMaxBoxes);
        // Each change lies whole inside one box.
        for (const Box& b : added)
            ASSERT_TRUE(Holds(d, b));
        for (int i = 0; i < d.count; ++i) {
            for (int j = 0; j < d.count; ++j) {
                const Box& a = d.boxes[i];
                const Box& b = d.boxes[j];
                ASSERT_FALSE(i != j && b.left >= a.left && b.right <= a.right && b.top >= a.top &&
                             b.bottom <= a.bottom)
                    << i << " holds " << j;
            }
        }
    }
}

}  // namespace
