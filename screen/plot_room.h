// The room left on the sky plot, a bit per pixel: where a tag or a mark may
// still go without touching what stands there already.
#pragma once

#include <cstdint>

#include "win/windows.h"

// The plot is 100 x 100 surface pixels.
inline constexpr int32_t kPlotSize = 100;

struct PlotRoom {
    uint64_t taken[kPlotSize][2];  // bit x of row y: the pixel is taken
};

// Takes the pixels of the box that lie on the plot.
void Occupy(PlotRoom& room, const RECT& box);
// True when the box lies on the plot and none of its pixels is taken.
bool Free(const PlotRoom& room, const RECT& box);
// The free box of this size whose centre lies nearest cx, cy; the box
// centred there when the plot has no room left for it.
RECT NearestRoom(const PlotRoom& room, int32_t cx, int32_t cy, int32_t width, int32_t height);
