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

namespace {

std::int64_t Area(const Box& b) {
    return b.Empty() ? 0 : (b.right - b.left) * (b.bottom - b.top);
}

}  // namespace

std::int64_t JoinWaste(const Box& a, const Box& b) {
    return Area(Union(a, b)) - Area(a) - Area(b) + Area(Intersect(a, b));
}

void Damage::Add(int left, int top, int right, int bottom) {
    Box added{left, top, right, bottom};
    if (added.Empty()) return;
    // Boxes that join without waste (one holds the other, or they continue
    // each other) are joined at once; joining may make more of them fit.
    for (int i = 0; i < count;) {
        if (JoinWaste(boxes[i], added) <= 0) {
            added = Union(boxes[i], added);
            boxes[i] = boxes[--count];
            i = 0;
        } else {
            ++i;
        }
    }
    boxes[count++] = added;
    Reduce(kMaxBoxes);
}

void Damage::Reduce(int max_boxes) {
    max_boxes = std::max(max_boxes, 1);
    while (count > max_boxes) {
        int best_a = 0;
        int best_b = 1;
        std::int64_t best = JoinWaste(boxes[0], boxes[1]);
        for (int a = 0; a < count; ++a) {
            for (int b = a + 1; b < count; ++b) {
                const std::int64_t waste = JoinWaste(boxes[a], boxes[b]);
                if (waste < best) {
                    best = waste;
                    best_a = a;
                    best_b = b;
                }
            }
        }
        const Box joined = Union(boxes[best_a], boxes[best_b]);
        boxes[best_b] = boxes[--count];
        boxes[best_a] = joined;
        // The joined box may now hold others whole.
        for (int i = 0; i < count;) {
            if (i != best_a && JoinWaste(boxes[best_a], boxes[i]) <= 0 &&
                Area(Union(boxes[best_a], boxes[i])) == Area(boxes[best_a])) {
                boxes[i] = boxes[--count];
                if (best_a == count) best_a = i;
            } else {
                ++i;
            }
        }
    }
}

Box Damage::Bounds() const {
    Box all{0, 0, 0, 0};
    for (int i = 0; i < count; ++i)
        all = Union(all, boxes[i]);
    return all;
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

// The bounding box of what one primitive changed: reported to the damage
// once, not row by row.
struct Changed {
    Box box{0, 0, 0, 0};
    void Note(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
        box = Union(box, Box{left, top, right, bottom});
    }
};

// Null when the canvas keeps no damage, so that nothing is compared.
Changed* Tracking(const Canvas& canvas, Changed* changed) {
    return canvas.damage != nullptr ? changed : nullptr;
}

void Report(const Canvas& canvas, const Changed& changed) {
    if (canvas.damage == nullptr || changed.box.Empty()) return;
    canvas.damage->Add(static_cast<int>(changed.box.left), static_cast<int>(changed.box.top),
                       static_cast<int>(changed.box.right), static_cast<int>(changed.box.bottom));
}

// The first index from begin to end whose pixel is not color (end if none).
// Blocks of eight are compared at once, which the compiler vectorises.
std::int64_t SkipColor(const std::uint32_t* row, std::int64_t begin, std::int64_t end,
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
    Changed changed;
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
            changed.Note(area.left + first, y, area.left + last + 1, y + 1);
        }
        std::memmove(to, from, bytes);
    }
    Report(dest, changed);
}

namespace {

// Blend(background, foreground, c) for every c, for the last few colour pairs
// (a window usually draws its text in one or two pairs).
const std::uint32_t* BlendTable(std::uint32_t background, std::uint32_t foreground) {
    struct Entry {
        bool ready = false;
        std::uint32_t background = 0;
        std::uint32_t foreground = 0;
        std::uint32_t values[256];
    };
    static Entry entries[4];
    static int next = 0;
    for (Entry& e : entries) {
        if (e.ready && e.background == background && e.foreground == foreground) return e.values;
    }
    Entry& e = entries[next];
    next = (next + 1) % 4;
    for (unsigned c = 0; c < 256; ++c)
        e.values[c] = Blend(background, foreground, c);
    e.background = background;
    e.foreground = foreground;
    e.ready = true;
    return e.values;
}

// Sets row[x] = get(x) from begin to end. With changed set, only the run
// from the first to the last differing pixel is written and noted.
template <class Get>
void WriteRun(std::uint32_t* row, std::int64_t y, std::int64_t begin, std::int64_t end, Get get,
              Changed* changed) {
    if (changed == nullptr) {
        for (std::int64_t x = begin; x < end; ++x)
            row[x] = get(x);
        return;
    }
    std::int64_t first = begin;
    while (first < end && row[first] == get(first))
        ++first;
    if (first == end) return;
    std::int64_t last = end - 1;
    while (row[last] == get(last))
        --last;
    for (std::int64_t x = first; x <= last; ++x)
        row[x] = get(x);
    changed->Note(first, y, last + 1, y + 1);
}

}  // namespace

void BlendCoverage(const Canvas& canvas, const Box& clip, const Coverage& coverage,
                   std::uint32_t foreground, const Box* opaque, std::uint32_t background) {
    const Box cov_box{coverage.x, coverage.y, coverage.x + coverage.width,
                      coverage.y + coverage.height};
    Box reach = cov_box;
    if (opaque != nullptr) reach = Union(reach, *opaque);
    const Box area = Intersect(Limit(canvas, clip), reach);
    if (area.Empty()) return;
    const std::uint32_t* table = opaque != nullptr ? BlendTable(background, foreground) : nullptr;
    Changed changed;
    Changed* tracking = Tracking(canvas, &changed);
    for (std::int64_t y = area.top; y < area.bottom; ++y) {
        std::uint32_t* row = Row(canvas, y);
        // Columns of this row under the coverage and in the opaque box;
        // begin >= end when the row has none.
        std::int64_t cov_begin = 0;
        std::int64_t cov_end = 0;
        const std::uint8_t* values = nullptr;
        if (y >= cov_box.top && y < cov_box.bottom && coverage.values != nullptr) {
            cov_begin = std::max(area.left, cov_box.left);
            cov_end = std::min(area.right, cov_box.right);
            values =
                coverage.values + static_cast<std::ptrdiff_t>(y - coverage.y) * coverage.stride;
        }
        std::int64_t opaque_begin = 0;
        std::int64_t opaque_end = 0;
        if (opaque != nullptr && y >= opaque->top && y < opaque->bottom) {
            opaque_begin = std::max(area.left, opaque->left);
            opaque_end = std::min(area.right, opaque->right);
        }
        // The row splits at the edges of both boxes into runs that are each
        // wholly inside or outside either.
        std::int64_t cuts[6] = {area.left, area.right,   cov_begin,
                                cov_end,   opaque_begin, opaque_end};
        std::sort(cuts, cuts + 6);
        for (int k = 0; k + 1 < 6; ++k) {
            const std::int64_t begin = std::max(cuts[k], area.left);
            const std::int64_t end = std::min(cuts[k + 1], area.right);
            if (begin >= end) continue;
            const bool in_cov = begin >= cov_begin && end <= cov_end;
            const bool in_opaque = begin >= opaque_begin && end <= opaque_end;
            if (in_opaque && in_cov) {
                const std::int64_t cx = coverage.x;
                WriteRun(
                    row, y, begin, end, [&](std::int64_t x) { return table[values[x - cx]]; },
                    tracking);
            } else if (in_opaque) {
                const std::uint32_t plain = table[0];
                const std::int64_t from =
                    tracking != nullptr ? SkipColor(row, begin, end, plain) : begin;
                WriteRun(
                    row, y, from, end, [&](std::int64_t) { return plain; }, tracking);
            } else if (in_cov) {
                const std::uint8_t* at = values + (begin - coverage.x);
                std::int64_t first = end;
                std::int64_t last = begin;
                for (std::int64_t x = begin; x < end; ++x) {
                    const unsigned c = *at++;
                    if (c == 0) continue;
                    const std::uint32_t out = Blend(row[x], foreground, c);
                    if (row[x] == out) continue;
                    row[x] = out;
                    first = std::min(first, x);
                    last = x;
                }
                if (tracking != nullptr && first < end) tracking->Note(first, y, last + 1, y + 1);
            }
        }
    }
    Report(canvas, changed);
}

}  // namespace gdi::raster
