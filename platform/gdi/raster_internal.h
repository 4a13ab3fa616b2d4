// Pieces shared by the raster's own files: the area a primitive may touch,
// rows, and the tracking of what a primitive changed. Internal to
// platform_gdi.
#pragma once

#include <algorithm>

#include "platform/gdi/raster.h"

namespace gdi::raster {

// The area a primitive may touch: clip within the canvas.
inline Box Limit(const Canvas& canvas, const Box& clip) {
    if (canvas.pixels == nullptr || canvas.width <= 0 || canvas.height <= 0) return {0, 0, 0, 0};
    return Intersect(clip, canvas.Bounds());
}

inline std::uint32_t* Row(const Canvas& canvas, std::int64_t y) {
    return canvas.pixels + static_cast<std::ptrdiff_t>(y) * canvas.stride;
}

// The bounding box of what one primitive changed: reported to the damage
// once, not row by row.
struct Changed {
    Box box{0, 0, 0, 0};
    void Note(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
        box = Union(box, Box{left, top, right, bottom});
    }
};

// Null when the canvas keeps no damage, so that nothing is compared.
inline Changed* Tracking(const Canvas& canvas, Changed* changed) {
    return canvas.damage != nullptr ? changed : nullptr;
}

inline void Report(const Canvas& canvas, const Changed& changed) {
    if (canvas.damage == nullptr || changed.box.Empty()) return;
    canvas.damage->Add(static_cast<int>(changed.box.left), static_cast<int>(changed.box.top),
                       static_cast<int>(changed.box.right), static_cast<int>(changed.box.bottom));
}

// The first index from begin to end whose pixel is not color (end if none).
// Blocks of eight are compared at once, which the compiler vectorises.
inline std::int64_t SkipColor(const std::uint32_t* row, std::int64_t begin, std::int64_t end,
                              std::uint32_t color) {
    constexpr int kBlock = 8;
    while (end - begin >= kBlock) {
        std::uint32_t differs = 0;
        for (int k = 0; k < kBlock; ++k)
            differs |= row[begin + k] ^ color;
        if (differs != 0) break;
        begin += kBlock;
    }
    while (begin < end && row[begin] == color)
        ++begin;
    return begin;
}

}  // namespace gdi::raster
