// Copies between canvases and the blending of text coverage.
#include <cstring>

#include "platform/gdi/raster_internal.h"

namespace gdi::raster {

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
