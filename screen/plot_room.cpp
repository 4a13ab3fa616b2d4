#include "screen/plot_room.h"

#include <algorithm>

namespace {

uint64_t BitsBetween(int32_t from, int32_t to) {
    // Bits [from, to) of a word, 0 <= from <= to <= 64.
    if (from >= to) return 0;
    const uint64_t upTo = to >= 64 ? ~uint64_t{0} : (uint64_t{1} << to) - 1;
    return upTo & ~((uint64_t{1} << from) - 1);
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
    bool found = false;
    int32_t best = 0;
    RECT nearest = BoxAround(cx, cy, width, height);
    auto consider = [&](int32_t dx, int32_t dy) {
        const int32_t distance = dx * dx + dy * dy;
        if (found && distance >= best) return;
        const RECT box = BoxAround(cx + dx, cy + dy, width, height);
        if (!Free(room, box)) return;
        found = true;
        best = distance;
        nearest = box;
    };
    // Ring by ring outwards; a ring's nearest point is as far as its number.
    for (int32_t d = 0; d <= 2 * kPlotSize; ++d) {
        if (found && d * d >= best) break;
        if (d == 0) {
            consider(0, 0);
            continue;
        }
        for (int32_t t = -d; t <= d; ++t) {
            consider(t, -d);
            consider(t, d);
        }
        for (int32_t t = -d + 1; t < d; ++t) {
            consider(-d, t);
            consider(d, t);
        }
    }
    return nearest;
}
