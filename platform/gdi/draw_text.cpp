// DrawTextW with the default font, and the font's measures for the controls.
#include <algorithm>

#include "platform/gdi/gdi_state.h"
#include "platform/gdi/text.h"
#include "platform/gdi/window_dc.h"

namespace gdi {

FontMetrics DefaultFontMetrics() {
    if (!text::Available()) return {6, 13};
    static const char16_t kLetters[] = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::int64_t width = text::Measure(kLetters, 52);
    return {static_cast<int>((width + 26) / 52), text::LineHeight()};
}

int MeasureText(LPCWSTR text, int count) {
    if (text == nullptr || count < -1) return 0;
    const std::int64_t width = text::Measure(text, count);
    return static_cast<int>(std::min<std::int64_t>(width, 0x7FFFFFFF));
}

}  // namespace gdi

using gdi::Box;
using gdi::Dc;
namespace raster = gdi::raster;

namespace {

// Opaque text fills its cells with white: the only background colour.
constexpr std::uint32_t kTextBackground = 0xFFFFFF;

}  // namespace

int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format) {
    const Dc* d = gdi::FindDc(dc);
    if (d == nullptr || rect == nullptr || count < -1) return 0;
    if (text == nullptr && count != 0) return 0;
    if (!gdi::text::Available()) return 0;
    const std::int64_t length = count == -1 ? gdi::text::Length(text) : count;
    const int line_height = gdi::text::LineHeight();
    const std::int64_t width = length == 0 ? 0 : gdi::text::Measure(text, length);
    if (format & DT_CALCRECT) {
        rect->right =
            static_cast<LONG>(std::min<std::int64_t>(std::int64_t{rect->left} + width, 0x7FFFFFFF));
        rect->bottom = static_cast<LONG>(
            std::min<std::int64_t>(std::int64_t{rect->top} + line_height, 0x7FFFFFFF));
        return line_height;
    }
    if (length == 0) return line_height;

    const Box frame = gdi::DeviceBox(*d, rect->left, rect->top, rect->right, rect->bottom);
    if (frame.Empty()) return line_height;
    std::int64_t x = frame.left;
    if (format & DT_CENTER) x = frame.left + (frame.right - frame.left - width) / 2;
    std::int64_t y = frame.top;
    if ((format & DT_VCENTER) && (format & DT_SINGLELINE)) {
        y = frame.top + (frame.bottom - frame.top - line_height) / 2;
    }
    const Box cells{x, y, x + width, y + line_height};

    // Glyph ink may reach a little past the cells; the coverage buffer covers
    // that margin within the frame and the canvas.
    const raster::Canvas canvas = gdi::CanvasOf(*d);
    if (canvas.pixels == nullptr) return line_height;
    constexpr std::int64_t kInkMargin = 8;
    Box ink{cells.left - kInkMargin, cells.top - kInkMargin, cells.right + kInkMargin,
            cells.bottom + kInkMargin};
    ink = gdi::raster::Intersect(gdi::raster::Intersect(ink, frame), canvas.Bounds());
    if (ink.Empty()) return line_height;
    const int ink_width = static_cast<int>(ink.right - ink.left);
    const int ink_height = static_cast<int>(ink.bottom - ink.top);
    std::uint8_t* coverage = gdi::text::Scratch(static_cast<std::size_t>(ink_width) *
                                                static_cast<std::size_t>(ink_height));

    const std::int64_t baseline = y + gdi::text::Ascent();
    std::int64_t pen_x = x;
    gdi::text::CodePoints points(text, length);
    char32_t c = 0;
    // Where glyphs left any coverage; the rest of the buffer stays zero.
    Box used{0, 0, 0, 0};
    while (points.Next(&c)) {
        // Glyphs start at most kMaxGlyphSize left of their pen position.
        if (pen_x - gdi::text::kMaxGlyphSize >= ink.right) break;
        const gdi::text::Glyph* g = gdi::text::GlyphFor(c);
        const std::int64_t gx = pen_x + g->left;
        const std::int64_t gy = baseline - g->top;
        pen_x += g->advance;
        const std::int64_t x0 = std::max(gx, ink.left);
        const std::int64_t x1 = std::min(gx + g->width, ink.right);
        const std::int64_t y0 = std::max(gy, ink.top);
        const std::int64_t y1 = std::min(gy + g->height, ink.bottom);
        if (x0 >= x1 || y0 >= y1) continue;
        used = gdi::raster::Union(used, Box{x0, y0, x1, y1});
        const int run = static_cast<int>(x1 - x0);
        for (std::int64_t py = y0; py < y1; ++py) {
            const std::uint8_t* from = g->coverage + (py - gy) * g->width + (x0 - gx);
            std::uint8_t* to = coverage + (py - ink.top) * ink_width + (x0 - ink.left);
            for (int i = 0; i < run; ++i)
                to[i] = std::max(to[i], from[i]);
        }
    }

    if (used.Empty()) used = Box{ink.left, ink.top, ink.left, ink.top};
    const gdi::raster::Coverage mask{
        coverage + (used.top - ink.top) * ink_width + (used.left - ink.left),
        used.left,
        used.top,
        static_cast<int>(used.right - used.left),
        static_cast<int>(used.bottom - used.top),
        ink_width};
    const bool opaque = d->background_mode == OPAQUE;
    const Box opaque_cells = gdi::raster::Intersect(cells, frame);
    gdi::ForEachClip(*d, [&](const gdi::raster::Canvas& target, const Box& clip) {
        gdi::raster::BlendCoverage(target, gdi::raster::Intersect(clip, frame), mask, d->text_color,
                                   opaque ? &opaque_cells : nullptr, kTextBackground);
    });
    return line_height;
}
