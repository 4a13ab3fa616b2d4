#include "screen/plot_room.h"

#include <algorithm>
#include <bit>

namespace {

uint64_t BitsBetween(int32_t from, int32_t to) {
    // Bits [from, to) of a word, 0 <= from <= to <= 64.
    if (from >= to) return 0;
    const uint64_t upTo = to >= 64 ? ~uint64_t{0} : (uint64_t{1} << to) - 1;
    return upTo & ~((uint64_t{1} << from) - 1);
}

// The plot's columns as one 128-bit row, column x in bit x.
struct Bits128 {
    uint64_t low;   // columns 0 to 63
    uint64_t high;  // columns 64 to 127
};

Bits128 ShiftedDown(Bits128 b, int32_t by) {
    if (by <= 0) return b;
    if (by >= 64) return {b.high >> (by - 64), 0};
    return {(b.low >> by) | (b.high << (64 - by)), b.high >> by};
}

Bits128 And(Bits128 a, Bits128 b) {
    return {a.low & b.low, a.high & b.high};
}

// Bit x set when bits x to x + length - 1 of the free columns are all set:
// runs doubled in length until they reach it.
Bits128 RunsOf(Bits128 free, int32_t length) {
    Bits128 runs = free;
    int32_t covered = 1;
    while (covered * 2 <= length) {
        runs = And(runs, ShiftedDown(runs, covered));
        covered *= 2;
    }
    if (covered < length) runs = And(runs, ShiftedDown(runs, length - covered));
    return runs;
}

// The set bit nearest bit x (the higher one of two as near); false for none.
bool NearestSetBit(Bits128 b, int32_t x, int32_t* at) {
    int32_t above = -1, below = -1;
    // At or above x.
    if (x < 64) {
        const uint64_t low = x < 0 ? b.low : b.low & ~((uint64_t{1} << x) - 1);
        if (low != 0) {
            above = std::countr_zero(low);
        } else if (b.high != 0) {
            above = 64 + std::countr_zero(b.high);
        }
    } else if (x < 128) {
        const uint64_t high = b.high & ~BitsBetween(0, x - 64);
        if (high != 0) above = 64 + std::countr_zero(high);
    }
    // Below x.
    if (x > 64) {
        const uint64_t high = b.high & BitsBetween(0, std::min(x, 128) - 64);
        if (high != 0) {
            below = 127 - std::countl_zero(high);
        } else if (b.low != 0) {
            below = 63 - std::countl_zero(b.low);
        }
    } else if (x > 0) {
        const uint64_t low = b.low & BitsBetween(0, x);
        if (low != 0) below = 63 - std::countl_zero(low);
    }
    if (above < 0 && below < 0) return false;
    if (below < 0 || (above >= 0 && above - x <= x - below)) {
        *at = above;
    } else {
        *at = below;
    }
    return true;
}

RECT BoxAround(int32_t cx, int32_t cy, int32_t width, int32_t height) {
    const int32_t left = cx - width / 2;
    const int32_t top = cy - height / 2;
    return {left, top, left + width, top + height};
}

}  // namespace

void Occupy(PlotRoom& room, const RECT& box) {
    const int32_t left = std::max<int32_t>(box.left, 0);
    const int32_t right = std::min<int32_t>(box.right, kPlotSize);
    const int32_t top = std::max<int32_t>(box.top, 0);
    const int32_t bottom = std::min<int32_t>(box.bottom, kPlotSize);
    if (left >= right) return;
    const uint64_t low = BitsBetween(std::min(left, 64), std::min(right, 64));
    const uint64_t high = BitsBetween(std::max(left, 64) - 64, std::max(right, 64) - 64);
    for (int32_t y = top; y < bottom; ++y) {
        room.taken[y][0] |= low;
        room.taken[y][1] |= high;
    }
}

bool Free(const PlotRoom& room, const RECT& box) {
    if (box.left < 0 || box.top < 0 || box.right > kPlotSize || box.bottom > kPlotSize)
        return false;
    const uint64_t low =
        BitsBetween(std::min<int32_t>(box.left, 64), std::min<int32_t>(box.right, 64));
    const uint64_t high =
        BitsBetween(std::max<int32_t>(box.left, 64) - 64, std::max<int32_t>(box.right, 64) - 64);
    for (int32_t y = box.top; y < box.bottom; ++y) {
        if ((room.taken[y][0] & low) != 0 || (room.taken[y][1] & high) != 0) return false;
    }
    return true;
}

RECT NearestRoom(const PlotRoom& room, int32_t cx, int32_t cy, int32_t width, int32_t height) {
    const RECT atPlace = BoxAround(cx, cy, width, height);
    if (width < 1 || height < 1 || width > kPlotSize || height > kPlotSize) return atPlace;
    const int32_t wantedLeft = atPlace.left;
    const int32_t wantedTop = atPlace.top;
    bool found = false;
    int32_t best = 0;
    RECT nearest = atPlace;
    // Band by band, nearest first (below before above): the rows a box at
    // this top would cover, taken together, leave free the left edges from
    // which width pixels in a row are free; of those, the nearest counts.
    for (int32_t step = 0; step <= kPlotSize; ++step) {
        if (found && step * step >= best) break;
        for (int32_t side = 0; side < (step == 0 ? 1 : 2); ++side) {
            const int32_t dy = side == 0 ? step : -step;
            const int32_t top = wantedTop + dy;
            if (top < 0 || top + height > kPlotSize) continue;
            Bits128 band{0, 0};
            for (int32_t y = top; y < top + height; ++y) {
                band.low |= room.taken[y][0];
                band.high |= room.taken[y][1];
            }
            // Past the plot's right edge nothing is free.
            band.high |= ~BitsBetween(0, kPlotSize - 64);
            const Bits128 lefts = RunsOf(Bits128{~band.low, ~band.high}, width);
            int32_t left = 0;
            if (!NearestSetBit(lefts, wantedLeft, &left)) continue;
            const int32_t dx = left - wantedLeft;
            const int32_t distance = dx * dx + dy * dy;
            if (found && distance >= best) continue;
            found = true;
            best = distance;
            nearest = {left, top, left + width, top + height};
        }
    }
    return nearest;
}
