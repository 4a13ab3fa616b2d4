// The room left on the sky plot: boxes taken, free, and the nearest free one.
#include <gtest/gtest.h>

#include "screen/plot_room.h"

namespace {

bool SameBox(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(PlotRoom, TakenAndFreeAcrossTheWordBoundary) {
    static PlotRoom room{};
    Occupy(room, {60, 10, 70, 12});  // columns 60 to 69 straddle bit 64
    EXPECT_FALSE(Free(room, {69, 11, 80, 20}));
    EXPECT_FALSE(Free(room, {50, 11, 61, 20}));
    EXPECT_TRUE(Free(room, {70, 10, 80, 12})) << "right edge exclusive";
    EXPECT_TRUE(Free(room, {60, 12, 70, 20})) << "bottom edge exclusive";
    // Off the plot is never free; taking it changes nothing on it.
    EXPECT_FALSE(Free(room, {-1, 50, 5, 55}));
    EXPECT_FALSE(Free(room, {95, 95, 101, 99}));
    Occupy(room, {-20, -20, -10, -10});
    Occupy(room, {90, 0, 200, 5});
    EXPECT_FALSE(Free(room, {99, 0, 100, 1}));
    EXPECT_TRUE(Free(room, {0, 0, 10, 5}));
}

TEST(PlotRoom, NearestFreeBox) {
    static PlotRoom room{};
    // Free at the place: the box centred there.
    EXPECT_TRUE(SameBox(NearestRoom(room, 50, 50, 10, 9), {45, 46, 55, 55}));
    // A wall from x 40 to 60: the box goes round it by the shorter way.
    Occupy(room, {40, 0, 60, 100});
    EXPECT_TRUE(SameBox(NearestRoom(room, 55, 50, 10, 9), {60, 46, 70, 55}));
    EXPECT_TRUE(SameBox(NearestRoom(room, 44, 50, 10, 9), {30, 46, 40, 55}));
    // Against the plot's edge: it stays on the plot.
    EXPECT_TRUE(SameBox(NearestRoom(room, 98, 2, 10, 9), {90, 0, 100, 9}));
    // No room anywhere: the box at the place, as a last resort.
    Occupy(room, {0, 0, 100, 100});
    EXPECT_TRUE(SameBox(NearestRoom(room, 20, 30, 10, 9), {15, 26, 25, 35}));
}

// On plots filled at random, the box found lies as near its place as the
// nearest free box that a look at every position finds.
TEST(PlotRoom, NearestAgreesWithALookAtEveryPosition) {
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t below) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int32_t>((seed >> 8) % below);
    };
    for (int plot = 0; plot < 40; ++plot) {
        static PlotRoom room;
        room = PlotRoom{};
        for (int k = 0, boxes = 5 + next(40); k < boxes; ++k) {
            const int32_t left = next(100), top = next(100);
            Occupy(room, {left, top, left + 3 + next(25), top + 3 + next(12)});
        }
        const int32_t width = 5 + next(20), height = 5 + next(6);
        const int32_t cx = next(100), cy = next(100);
        SCOPED_TRACE(::testing::Message() << "plot " << plot << " at " << cx << "," << cy);
        int32_t best = -1;
        for (int32_t top = 0; top + height <= 100; ++top) {
            for (int32_t left = 0; left + width <= 100; ++left) {
                if (!Free(room, {left, top, left + width, top + height})) continue;
                const int32_t dx = left - (cx - width / 2), dy = top - (cy - height / 2);
                if (best < 0 || dx * dx + dy * dy < best) best = dx * dx + dy * dy;
            }
        }
        const RECT found = NearestRoom(room, cx, cy, width, height);
        if (best < 0) {
            EXPECT_TRUE(SameBox(found, {cx - width / 2, cy - height / 2, cx - width / 2 + width,
                                        cy - height / 2 + height}));
            continue;
        }
        EXPECT_TRUE(Free(room, found));
        const int32_t dx = found.left - (cx - width / 2), dy = found.top - (cy - height / 2);
        EXPECT_EQ(dx * dx + dy * dy, best);
    }
}

}  // namespace
