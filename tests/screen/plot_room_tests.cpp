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

}  // namespace
