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

bool Inside(std::int64_t x, std::int64_t y, const Box& b) {
    return x >= b.left && x < b.right && y >= b.top && y < b.bottom;
}

// Every pixel on its own, as the blend is defined.
void PlainBlend(const Canvas& canvas, const Box& clip, const Coverage& cov, std::uint32_t fg,
                const Box* opaque, std::uint32_t bg) {
    const Box mask{cov.x, cov.y, cov.x + cov.width, cov.y + cov.height};
    for (std::int64_t y = 0; y < canvas.height; ++y) {
        for (std::int64_t x = 0; x < canvas.width; ++x) {
            if (!Inside(x, y, clip)) continue;
            const bool in_mask = Inside(x, y, mask);
            const unsigned c = in_mask ? cov.values[(y - cov.y) * cov.stride + (x - cov.x)] : 0;
            std::uint32_t& pixel = canvas.pixels[y * canvas.stride + x];
            if (opaque != nullptr && Inside(x, y, *opaque)) {
                pixel = Blend(bg, fg, c);
            } else if (c != 0) {
                pixel = Blend(pixel, fg, c);
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
        const Box* opaque = pick(0, 2) != 0 ? &opaque_box : nullptr;
        const Box clip{pick(-5, 20), pick(-5, 12), pick(10, 45), pick(8, 28)};
        const std::uint32_t fg = colours[pick(0, 5)];
        const std::uint32_t bg = colours[pick(0, 5)];

        std::vector<std::uint32_t> fast = start;
        std::vector<std::uint32_t> plain = start;
        Damage damage;
        const Canvas fast_canvas{fast.data(), kWidth, kHeight, kWidth, &damage};
        const Canvas plain_canvas{plain.data(), kWidth, kHeight, kWidth, nullptr};
        BlendCoverage(fast_canvas, clip, coverage, fg, opaque, bg);
        PlainBlend(plain_canvas, Intersect(clip, plain_canvas.Bounds()), coverage, fg, opaque, bg);
        ASSERT_EQ(fast, plain);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const bool changed = fast[y * kWidth + x] != start[y * kWidth + x];
                ASSERT_TRUE(!changed || Holds(damage, Box{x, y, x + 1, y + 1})) << x << "," << y;
            }
    }
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
            const int right = left + pick(1, 40);
            const int bottom = top + pick(1, 14);
            d.Add(left, top, right, bottom);
            added.push_back(Box{left, top, right, bottom});
        }
        ASSERT_GE(d.count, 1);
        ASSERT_LE(d.count, Damage::kMaxBoxes);
        for (const Box& b : added)
            ASSERT_TRUE(Holds(d, b));
        for (int i = 0; i < d.count; ++i) {
            Damage others;
            for (int j = 0; j < d.count; ++j) {
                if (j != i) others.boxes[others.count++] = d.boxes[j];
            }
            ASSERT_FALSE(Holds(others, d.boxes[i])) << "box " << i << " lies inside another";
        }
    }
}

}  // namespace
