// Filled boxes, framed boxes and ellipses.
#include <cmath>
#include <cstdlib>

#include "platform/gdi/raster_internal.h"

namespace gdi::raster {
namespace {

// Callers must do clipping: x0 < x1 inside the canvas, y a canvas row.
void Span(const Canvas& canvas, std::int64_t y, std::int64_t x0, std::int64_t x1,
          std::uint32_t color, Changed* changed) {
    std::uint32_t* row = Row(canvas, y);
    const int first = static_cast<int>(x0);
    const int end = static_cast<int>(x1);
    if (changed == nullptr) {
        std::fill(row + first, row + end, color);
        return;
    }
    // Only the run from the first to the last differing pixel is written and
    // reported.
    const int changed_first = static_cast<int>(SkipColor(row, first, end, color));
    if (changed_first == end) return;
    int changed_last = end - 1;
    while (row[changed_last] == color)
        --changed_last;
    std::fill(row + changed_first, row + changed_last + 1, color);
    changed->Note(changed_first, y, changed_last + 1, y + 1);
}

// Span clipped to the limit box.
void ClippedSpan(const Canvas& canvas, const Box& limit, std::int64_t y, std::int64_t x0,
                 std::int64_t x1, std::uint32_t color, Changed* changed) {
    if (y < limit.top || y >= limit.bottom) return;
    x0 = std::max(x0, limit.left);
    x1 = std::min(x1, limit.right);
    if (x0 < x1) Span(canvas, y, x0, x1, color, changed);
}

void FillArea(const Canvas& canvas, const Box& clip, const Box& box, std::uint32_t color,
              Changed* changed) {
    const Box area = Intersect(Limit(canvas, clip), box);
    if (area.Empty()) return;
    for (std::int64_t y = area.top; y < area.bottom; ++y)
        Span(canvas, y, area.left, area.right, color, changed);
}

}  // namespace

void FillBox(const Canvas& canvas, const Box& clip, const Box& box, std::uint32_t color) {
    Changed changed;
    FillArea(canvas, clip, box, color, Tracking(canvas, &changed));
    Report(canvas, changed);
}

void FrameAndFillBox(const Canvas& canvas, const Box& clip, const Box& box, std::uint32_t pen,
                     std::uint32_t brush) {
    if (box.Empty()) return;
    const Box limit = Limit(canvas, clip);
    if (Intersect(limit, box).Empty()) return;
    Changed changed;
    Changed* tracking = Tracking(canvas, &changed);
    FillArea(canvas, limit, Box{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1}, brush,
             tracking);
    FillArea(canvas, limit, Box{box.left, box.top, box.right, box.top + 1}, pen, tracking);
    FillArea(canvas, limit, Box{box.left, box.bottom - 1, box.right, box.bottom}, pen, tracking);
    FillArea(canvas, limit, Box{box.left, box.top + 1, box.left + 1, box.bottom - 1}, pen,
             tracking);
    FillArea(canvas, limit, Box{box.right - 1, box.top + 1, box.right, box.bottom - 1}, pen,
             tracking);
    Report(canvas, changed);
}

bool EllipseRowSpan(const Box& box, std::int64_t row, std::int64_t* first, std::int64_t* last) {
    const std::int64_t w = box.right - box.left;
    const std::int64_t h = box.bottom - box.top;
    if (w <= 0 || h <= 0 || row < 0 || row >= h) return false;
    // Pixel centres inside the ellipse through the box's outer edges; the
    // distance from the centre row is taken in half pixels so that the rows
    // mirror exactly.
    const double t = static_cast<double>(std::llabs(2 * row + 1 - h)) / static_cast<double>(h);
    const double half_width2 = static_cast<double>(w) * std::sqrt(std::max(0.0, 1.0 - t * t));
    const double inset = std::ceil((static_cast<double>(w - 1) - half_width2) / 2.0 - 1e-9);
    // Every row keeps at least its middle pixel(s), so that even a thin
    // ellipse touches all four sides of its box.
    const std::int64_t off =
        std::clamp<std::int64_t>(static_cast<std::int64_t>(inset), 0, (w - 1) / 2);
    *first = box.left + off;
    *last = box.left + (w - 1) - off;  // mirrored, so every row is symmetric
    return true;
}

void FrameAndFillEllipse(const Canvas& canvas, const Box& clip, const Box& box, std::uint32_t pen,
                         std::uint32_t brush) {
    if (box.Empty()) return;
    const Box limit = Limit(canvas, clip);
    const Box area = Intersect(limit, box);
    if (area.Empty()) return;
    Changed changed;
    Changed* tracking = Tracking(canvas, &changed);
    // Spans of the rows above, at and below y, each computed once.
    struct RowSpan {
        bool any = false;
        std::int64_t first = 0;
        std::int64_t last = 0;
    };
    auto span_of = [&](std::int64_t row) {
        RowSpan r;
        r.any = EllipseRowSpan(box, row, &r.first, &r.last);
        return r;
    };
    RowSpan above = span_of(area.top - box.top - 1);
    RowSpan at = span_of(area.top - box.top);
    for (std::int64_t y = area.top; y < area.bottom; ++y) {
        const std::int64_t row = y - box.top;
        const RowSpan below = span_of(row + 1);
        const RowSpan current = at;
        const RowSpan previous = above;
        above = at;
        at = below;
        if (!current.any) continue;
        const std::int64_t s = current.first;
        const std::int64_t e = current.last;
        // Interior pixels have all four neighbours inside the ellipse; the
        // neighbour rows' spans bound them.
        std::int64_t inner_first = s + 1;
        std::int64_t inner_last = e - 1;
        for (const RowSpan& other : {previous, below}) {
            if (!other.any) {
                inner_first = 1;
                inner_last = 0;
                break;
            }
            inner_first = std::max(inner_first, other.first);
            inner_last = std::min(inner_last, other.last);
        }
        if (inner_first > inner_last) {
            ClippedSpan(canvas, limit, y, s, e + 1, pen, tracking);
            continue;
        }
        ClippedSpan(canvas, limit, y, s, inner_first, pen, tracking);
        ClippedSpan(canvas, limit, y, inner_last + 1, e + 1, pen, tracking);
        ClippedSpan(canvas, limit, y, inner_first, inner_last + 1, brush, tracking);
    }
    Report(canvas, changed);
}

}  // namespace gdi::raster
