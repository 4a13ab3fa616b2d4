// Host-free raster: clipped primitives on 32-bit COLORREF pixels. Public entry
// points take 64-bit coordinates and clip first, so any int input is safe.
#pragma once

#include <algorithm>
#include <cstdint>

namespace gdi::raster {

// A rectangle in device pixels, right and bottom exclusive.
struct Box {
    std::int64_t left;
    std::int64_t top;
    std::int64_t right;
    std::int64_t bottom;
    bool Empty() const { return left >= right || top >= bottom; }
};

inline Box Intersect(const Box& a, const Box& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

// The smallest box holding both; an empty box counts as nothing.
inline Box Union(const Box& a, const Box& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

// Changed pixels of the device screen as a few boxes, so that changes far
// apart are shown apart. When a box more than fits comes, the two boxes whose
// bounding box wastes the least area are joined.
struct Damage {
    static constexpr int kMaxBoxes = 8;
    Box boxes[kMaxBoxes + 1]{};  // one spare slot while joining
    int count = 0;
    void Add(int left, int top, int right, int bottom);
    // The bounding box of everything recorded; empty when nothing is.
    Box Bounds() const;
    // Joins boxes until at most max_boxes (at least 1) remain.
    void Reduce(int max_boxes);
    void Clear() { count = 0; }
};

// Area of the bounding box of a and b that neither covers.
std::int64_t JoinWaste(const Box& a, const Box& b);

// Pixels a primitive draws on. When damage is set, pixels are compared before
// they are written and only real changes are recorded.
struct Canvas {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    Damage* damage = nullptr;
    Box Bounds() const { return {0, 0, width, height}; }
};

// Each primitive draws inside the clip box only (the caller intersects it with
// the canvas bounds, or these functions do it again; both are safe).
void FillBox(const Canvas& canvas, const Box& clip, const Box& box, std::uint32_t color);

// Outline of left..right-1, top..bottom-1 in the pen colour and the inside in
// the brush colour.
void FrameAndFillBox(const Canvas& canvas, const Box& clip, const Box& box, std::uint32_t pen,
                     std::uint32_t brush);

// Ellipse inscribed in the box: outline pixels (those with a 4-neighbour
// outside the ellipse) in the pen colour, the rest in the brush colour.
void FrameAndFillEllipse(const Canvas& canvas, const Box& clip, const Box& box, std::uint32_t pen,
                         std::uint32_t brush);

// The first and last pixel column of the ellipse inscribed in box on row y
// (relative to box.top); false when the row has no pixel.
bool EllipseRowSpan(const Box& box, std::int64_t row, std::int64_t* first, std::int64_t* last);

// Copies the source pixels of the box shifted by (dx, dy) in the source's
// space, that is dest(x, y) = source(x + dx, y + dy), within clip and both
// canvases. Overlapping copies on the same canvas are handled.
void Copy(const Canvas& dest, const Box& clip, const Box& box, const Canvas& source,
          std::int64_t dx, std::int64_t dy);

// Blends a coverage mask (0..255 per pixel) of origin (x, y) onto the canvas.
// Pixels in the opaque box get background blended with foreground by coverage
// (coverage 0 gives pure background); elsewhere coverage blends foreground over
// what is there.
struct Coverage {
    const std::uint8_t* values;
    std::int64_t x;
    std::int64_t y;
    int width;
    int height;
    int stride;
};
void BlendCoverage(const Canvas& canvas, const Box& clip, const Coverage& coverage,
                   std::uint32_t foreground, const Box* opaque, std::uint32_t background);

// Blend of two COLORREF values by alpha 0..255 (0 gives a, 255 gives b).
std::uint32_t Blend(std::uint32_t a, std::uint32_t b, unsigned alpha);

}  // namespace gdi::raster
