// The drawing calls: filled rectangles, framed rectangles and ellipses, and
// block transfers.
#include <algorithm>

#include "platform/gdi/gdi_state.h"
#include "platform/gdi/objects.h"

namespace {

using gdi::Box;
using gdi::Dc;
using gdi::Object;

// The pen and brush colours of a DC for a shape. A selected object cannot be
// deleted, so both are always there.
struct Paint {
    std::uint32_t pen = 0;
    std::uint32_t brush = 0;
};

Paint PaintOf(const Dc& d) {
    Paint p;
    if (const Object* pen = gdi::FindObject(d.pen)) p.pen = pen->color;
    if (const Object* brush = gdi::FindObject(d.brush)) p.brush = brush->color;
    return p;
}

// Boxes are normalised as GDI does: the corners may come in any order.
bool ShapeBox(const Dc& d, int left, int top, int right, int bottom, Box* box) {
    *box = gdi::DeviceBox(d, std::min(left, right), std::min(top, bottom), std::max(left, right),
                          std::max(top, bottom));
    return !box->Empty();
}

// A shape outlined with the selected pen and filled with the selected brush,
// drawn by frame_and_fill into each clip rectangle.
template <typename FrameAndFill>
BOOL DrawShape(HDC dc, int left, int top, int right, int bottom, FrameAndFill frame_and_fill) {
    const Dc* d = gdi::FindDc(dc);
    if (d == nullptr) return FALSE;
    const Paint p = PaintOf(*d);
    Box box;
    if (!ShapeBox(*d, left, top, right, bottom, &box)) return TRUE;
    gdi::ForEachClip(*d, [&](const gdi::raster::Canvas& canvas, const Box& clip) {
        frame_and_fill(canvas, clip, box, p.pen, p.brush);
    });
    return TRUE;
}

}  // namespace

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    const Dc* d = gdi::FindDc(dc);
    if (d == nullptr || rect == nullptr) return 0;
    std::uint32_t color = 0;
    if (!gdi::BrushColor(brush, &color)) return 0;
    const Box box = gdi::DeviceBox(*d, rect->left, rect->top, rect->right, rect->bottom);
    gdi::ForEachClip(*d, [&](const gdi::raster::Canvas& canvas, const Box& clip) {
        gdi::raster::FillBox(canvas, clip, box, color);
    });
    return 1;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    return DrawShape(dc, left, top, right, bottom, gdi::raster::FrameAndFillBox);
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
    return DrawShape(dc, left, top, right, bottom, gdi::raster::FrameAndFillEllipse);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int source_x, int source_y,
            DWORD raster_op) {
    if (raster_op != SRCCOPY) return FALSE;
    const Dc* to = gdi::FindDc(dest);
    const Dc* from = gdi::FindDc(source);
    if (to == nullptr || from == nullptr || width < 0 || height < 0) return FALSE;
    if (width == 0 || height == 0) return TRUE;
    const gdi::raster::Canvas from_canvas = gdi::CanvasOf(*from);
    const Box box = gdi::DeviceBox(*to, x, y, std::int64_t{x} + width, std::int64_t{y} + height);
    const std::int64_t dx = (std::int64_t{source_x} + from->origin_x) - box.left;
    const std::int64_t dy = (std::int64_t{source_y} + from->origin_y) - box.top;
    gdi::ForEachClip(*to, [&](const gdi::raster::Canvas& canvas, const Box& clip) {
        gdi::raster::Copy(canvas, clip, box, from_canvas, dx, dy);
    });
    return TRUE;
}
