#include "platform/gdi/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace gdi::raster {

Box Intersect(const Box& a, const Box& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

Box Union(const Box& a, const Box& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

void Damage::Add(int left, int top, int right, int bottom) {
    box = Union(box, Box{left, top, right, bottom});
}

std::uint32_t Blend(std::uint32_t a, std::uint32_t b, unsigned alpha) {
    if (alpha == 0) return a;
    if (alpha >= 255) return b;
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned ca = (a >> shift) & 0xFF;
        const unsigned cb = (b >> shift) & 0xFF;
        unsigned v = ca * (255 - alpha) + cb * alpha + 128;
        v = (v + (v >> 8)) >> 8;  // v / 255, rounded
        out |= v << shift;
    }
    return out;
}

namespace {

// The area a primitive may touch: clip within the canvas.
Box Limit(const Canvas& canvas, const Box& clip) {
    if (canvas.pixels == nullptr || canvas.width <= 0 || canvas.height <= 0) return {0, 0, 0, 0};
    return Intersect(clip, canvas.Bounds());
}

std::uint32_t* Row(const Canvas& canvas, std::int64_t y) {
    return canvas.pixels + static_cast<std::ptrdiff_t>(y) * canvas.stride;
}

// Callers must do clipping: x0 < x1 inside the canvas, y a canvas row.
void Span(const Canvas& canvas, std::int64_t y, std::int64_t x0, std::int64_t x1,
          std::uint32_t color) {
    std::uint32_t* row = Row(canvas, y);
    const int first = static_cast<int>(x0);
    const int end = static_cast<int>(x1);
    if (canvas.damage == nullptr) {
        std::fill(row + first, row + end, color);
        return;
    }
    // Only the run from the first to the last differing pixel is written and
    // reported.
    int changed_first = first;
    while (changed_first < end && row[changed_first] == color)
        ++changed_first;
    if (changed_first == end) return;
    int changed_last = end - 1;
    while (row[changed_last] == color)
        --changed_last;
    std::fill(row + changed_first, row + changed_last + 1, color);
    canvas.damage->Add(changed_first, static_cast<int>(y), changed_last + 1,
                       static_cast<int>(y) + 1);
}

// Span clipped to the limit box.
void ClippedSpan(const Canvas& canvas, const Box& limit, std::int64_t y, std::int64_t x0,
                 std::int64_t x1, std::uint32_t color) {
    if (y < limit.top || y >= limit.bottom) return;
    x0 = std::max(x0, limit.left);
    x1 = std::min(x1, limit.right);
    if (x0 < x1) Span(canvas, y, x0, x1, color);
}

}  // namespace

void FillBox(const Canvas& canvas, const Box& clip, const Box& box, std::uint32_t color) {
    const Box area = Intersect(Limit(canvas, clip), box);
    if (area.Empty()) return;
    for (std::int64_t y = area.top; y < area.bottom; ++y)
        Span(canvas, y, area.left, area.right, color);
}

void FrameAndFillBox(const Canvas& canvas, const Box& clip, const Box& box,
                     const std::uint32_t* pen, const std::uint32_t* brush) {
    if (box.Empty()) return;
    const Box limit = Limit(canvas, clip);
    if (Intersect(limit, box).Empty()) return;
    if (brush != nullptr) {
        FillBox(canvas, limit, Box{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1},
                *brush);
    }
    if (pen == nullptr) return;
    FillBox(canvas, limit, Box{box.left, box.top, box.right, box.top + 1}, *pen);
    FillBox(canvas, limit, Box{box.left, box.bottom - 1, box.right, box.bottom}, *pen);
    FillBox(canvas, limit, Box{box.left, box.top + 1, box.left + 1, box.bottom - 1}, *pen);
    FillBox(canvas, limit, Box{box.right - 1, box.top + 1, box.right, box.bottom - 1}, *pen);
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

void FrameAndFillEllipse(const Canvas& canvas, const Box& clip, const Box& box,
                         const std::uint32_t* pen, const std::uint32_t* brush) {
    if (box.Empty()) return;
    const Box limit = Limit(canvas, clip);
    const Box area = Intersect(limit, box);
    if (area.Empty()) return;
    for (std::int64_t y = area.top; y < area.bottom; ++y) {
        const std::int64_t row = y - box.top;
        std::int64_t s = 0;
        std::int64_t e = 0;
        if (!EllipseRowSpan(box, row, &s, &e)) continue;
        // Interior pixels have all four neighbours inside the ellipse; the
        // neighbour rows' spans bound them.
        std::int64_t inner_first = s + 1;
        std::int64_t inner_last = e - 1;
        for (const std::int64_t other : {row - 1, row + 1}) {
            std::int64_t os = 0;
            std::int64_t oe = 0;
            if (!EllipseRowSpan(box, other, &os, &oe)) {
                inner_first = 1;
                inner_last = 0;
                break;
            }
            inner_first = std::max(inner_first, os);
            inner_last = std::min(inner_last, oe);
        }
        if (inner_first > inner_last) {
            if (pen != nullptr)
                ClippedSpan(canvas, limit, y, s, e + 1, *pen);
            else if (brush != nullptr)
                ClippedSpan(canvas, limit, y, s, e + 1, *brush);
            continue;
        }
        const std::uint32_t* edge = pen != nullptr ? pen : brush;
        if (edge != nullptr) {
            ClippedSpan(canvas, limit, y, s, inner_first, *edge);
            ClippedSpan(canvas, limit, y, inner_last + 1, e + 1, *edge);
        }
        if (brush != nullptr) ClippedSpan(canvas, limit, y, inner_first, inner_last + 1, *brush);
    }
}

void Copy(const Canvas& dest, const Box& clip, const Box& box, const Canvas& source,
          std::int64_t dx, std::int64_t dy) {
    if (source.pixels == nullptr || source.width <= 0 || source.height <= 0) return;
    const Box source_in_dest{-dx, -dy, source.width - dx, source.height - dy};
    const Box area = Intersect(Intersect(Limit(dest, clip), box), source_in_dest);
    if (area.Empty()) return;
    const int width = static_cast<int>(area.right - area.left);
    // On one buffer, rows are copied away from the rows still to be read.
    const bool same = dest.pixels == source.pixels;
    const bool upward = same && dy < 0;
    for (std::int64_t i = 0; i < area.bottom - area.top; ++i) {
        const std::int64_t y = upward ? area.bottom - 1 - i : area.top + i;
        std::uint32_t* to = Row(dest, y) + area.left;
        const std::uint32_t* from = Row(source, y + dy) + (area.left + dx);
        const std::size_t bytes = static_cast<std::size_t>(width) * sizeof(std::uint32_t);
        if (dest.damage != nullptr) {
            if (std::memcmp(to, from, bytes) == 0) continue;
            int first = 0;
            while (to[first] == from[first])
                ++first;
            int last = width - 1;
            while (to[last] == from[last])
                --last;
            dest.damage->Add(static_cast<int>(area.left) + first, static_cast<int>(y),
                             static_cast<int>(area.left) + last + 1, static_cast<int>(y) + 1);
        }
        std::memmove(to, from, bytes);
    }
}

void BlendCoverage(const Canvas& canvas, const Box& clip, const Coverage& coverage,
                   std::uint32_t foreground, const Box* opaque, std::uint32_t background) {
    const Box cov_box{coverage.x, coverage.y, coverage.x + coverage.width,
                      coverage.y + coverage.height};
    Box reach = cov_box;
    if (opaque != nullptr) reach = Union(reach, *opaque);
    const Box area = Intersect(Limit(canvas, clip), reach);
    if (area.Empty()) return;
    for (std::int64_t y = area.top; y < area.bottom; ++y) {
        std::uint32_t* row = Row(canvas, y);
        const bool cov_row = y >= cov_box.top && y < cov_box.bottom;
        const std::uint8_t* values =
            cov_row
                ? coverage.values + static_cast<std::ptrdiff_t>(y - coverage.y) * coverage.stride
                : nullptr;
        const bool opaque_row = opaque != nullptr && y >= opaque->top && y < opaque->bottom;
        int first = -1;
        int last = -1;
        for (std::int64_t x = area.left; x < area.right; ++x) {
            unsigned c = 0;
            if (cov_row && x >= cov_box.left && x < cov_box.right) c = values[x - coverage.x];
            std::uint32_t out;
            if (opaque_row && x >= opaque->left && x < opaque->right) {
                out = Blend(background, foreground, c);
            } else {
                if (c == 0) continue;
                out = Blend(row[x], foreground, c);
            }
            if (row[x] != out) {
                row[x] = out;
                if (first < 0) first = static_cast<int>(x);
                last = static_cast<int>(x);
            }
        }
        if (canvas.damage != nullptr && first >= 0) {
            canvas.damage->Add(first, static_cast<int>(y), last + 1, static_cast<int>(y) + 1);
        }
    }
}

}  // namespace gdi::raster
