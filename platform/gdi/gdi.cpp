// GDI entry points: argument checks and handle lookups, then the raster.

#include "win/gdi.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <vector>

#include "host/host.h"
#include "platform/common/handle_table.h"
#include "platform/gdi/raster.h"
#include "platform/gdi/text.h"
#include "platform/gdi/window_dc.h"

namespace gdi {
namespace {

using raster::Box;

constexpr COLORREF kInvalidColor = 0xFFFFFFFF;
constexpr int kMaxBitmapSide = 16384;
constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 24;

enum class Kind { kPen, kBrush, kBitmap };

struct Object {
    Kind kind = Kind::kPen;
    bool stock = false;
    int selected = 0;  // device contexts holding it
    std::uint32_t color = 0;
    int width = 0;  // bitmap pixels
    int height = 0;
    std::unique_ptr<std::uint32_t[]> pixels;
};

struct Dc {
    bool screen = false;
    std::int64_t origin_x = 0;
    std::int64_t origin_y = 0;
    std::vector<Box> visible;  // screen DCs: disjoint, inside the screen
    std::uintptr_t pen = 0;
    std::uintptr_t brush = 0;
    std::uintptr_t bitmap = 0;  // memory DCs
    std::uint32_t text_color = 0x000000;
    int background_mode = OPAQUE;
};

// Opaque text fills its cells with white: the only background colour.
constexpr std::uint32_t kTextBackground = 0xFFFFFF;

// Stock object numbers run from 0 to BLACK_PEN.
constexpr int kStockCount = BLACK_PEN + 1;

struct State {
    handles::HandleTable<Object, handles::Tag::kGdiObject> objects;
    handles::HandleTable<Dc, handles::Tag::kDeviceContext> dcs;
    std::array<std::uintptr_t, kStockCount> stock{};
    std::uintptr_t default_bitmap = 0;
    std::array<std::uint32_t, host::kScreenWidth * host::kScreenHeight> screen;
    raster::Damage damage;

    State() {
        screen.fill(0xFFFFFF);
        auto add = [this](int number, Kind kind, std::uint32_t color) {
            Object object;
            object.kind = kind;
            object.stock = true;
            object.color = color;
            stock[static_cast<std::size_t>(number)] = objects.Add(std::move(object));
        };
        add(WHITE_BRUSH, Kind::kBrush, 0xFFFFFF);
        add(BLACK_BRUSH, Kind::kBrush, 0x000000);
        add(BLACK_PEN, Kind::kPen, 0x000000);
        // A fresh memory DC draws on a shared 1x1 bitmap until one is selected.
        Object bitmap;
        bitmap.kind = Kind::kBitmap;
        bitmap.stock = true;
        bitmap.width = 1;
        bitmap.height = 1;
        bitmap.pixels.reset(new std::uint32_t[1]{0xFFFFFF});
        default_bitmap = objects.Add(std::move(bitmap));
    }
};

// Never destroyed: other parts may release device contexts from their own
// static destructors. It stays reachable, so leak checkers are content.
State& S() {
    static State* state = new State;
    return *state;
}

std::uintptr_t Raw(const void* handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}
HGDIOBJ ObjectHandle(std::uintptr_t raw) {
    return reinterpret_cast<HGDIOBJ>(raw);
}

Dc* FindDc(HDC dc) {
    return S().dcs.Find(Raw(dc));
}
Object* FindObject(std::uintptr_t raw) {
    return S().objects.Find(raw);
}
Object* FindObject(HGDIOBJ object) {
    return FindObject(Raw(object));
}

raster::Canvas CanvasOf(const Dc& dc) {
    raster::Canvas canvas;
    if (dc.screen) {
        canvas.pixels = S().screen.data();
        canvas.width = host::kScreenWidth;
        canvas.height = host::kScreenHeight;
        canvas.stride = host::kScreenWidth;
        canvas.damage = &S().damage;
        return canvas;
    }
    const Object* bitmap = FindObject(dc.bitmap);
    if (bitmap == nullptr || bitmap->pixels == nullptr) return canvas;
    canvas.pixels = bitmap->pixels.get();
    canvas.width = bitmap->width;
    canvas.height = bitmap->height;
    canvas.stride = bitmap->width;
    return canvas;
}

// Calls draw(canvas, clip) once per visible rectangle of the DC.
template <class Draw>
void ForEachClip(const Dc& dc, Draw draw) {
    const raster::Canvas canvas = CanvasOf(dc);
    if (canvas.pixels == nullptr) return;
    if (!dc.screen) {
        draw(canvas, canvas.Bounds());
        return;
    }
    for (const Box& clip : dc.visible)
        draw(canvas, clip);
}

Box DeviceBox(const Dc& dc, std::int64_t left, std::int64_t top, std::int64_t right,
              std::int64_t bottom) {
    return {left + dc.origin_x, top + dc.origin_y, right + dc.origin_x, bottom + dc.origin_y};
}

std::uint32_t Rgb(COLORREF color) {
    return color & 0xFFFFFF;
}

void Release(std::uintptr_t raw) {
    if (Object* object = FindObject(raw); object != nullptr && object->selected > 0) {
        --object->selected;
    }
}

void Hold(std::uintptr_t raw) {
    if (Object* object = FindObject(raw)) ++object->selected;
}

std::uintptr_t NewDc(bool screen) {
    Dc dc;
    dc.screen = screen;
    dc.pen = S().stock[BLACK_PEN];
    dc.brush = S().stock[WHITE_BRUSH];
    if (!screen) dc.bitmap = S().default_bitmap;
    Hold(dc.pen);
    Hold(dc.brush);
    Hold(dc.bitmap);
    return S().dcs.Add(std::move(dc));
}

// Splits possibly overlapping rectangles into disjoint bands, so that drawing
// once per rectangle never blends a pixel twice.
std::vector<Box> DisjointBoxes(const std::vector<Box>& boxes) {
    std::vector<std::int64_t> edges;
    for (const Box& b : boxes) {
        edges.push_back(b.top);
        edges.push_back(b.bottom);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    std::vector<Box> out;
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;
    for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
        const std::int64_t top = edges[i];
        const std::int64_t bottom = edges[i + 1];
        spans.clear();
        for (const Box& b : boxes) {
            if (b.top <= top && b.bottom >= bottom) spans.emplace_back(b.left, b.right);
        }
        std::sort(spans.begin(), spans.end());
        for (std::size_t j = 0; j < spans.size();) {
            std::int64_t left = spans[j].first;
            std::int64_t right = spans[j].second;
            for (++j; j < spans.size() && spans[j].first <= right; ++j) {
                right = std::max(right, spans[j].second);
            }
            // Join with the band above when it has the same columns.
            auto same = std::find_if(out.begin(), out.end(), [&](const Box& o) {
                return o.bottom == top && o.left == left && o.right == right;
            });
            if (same != out.end()) {
                same->bottom = bottom;
            } else {
                out.push_back({left, top, right, bottom});
            }
        }
    }
    return out;
}

// A system colour index given as a brush, as the platform allows
// ((HBRUSH)(COLOR_WINDOW + 1)); -1 when the handle is not one.
int SystemColorBrushIndex(HBRUSH brush) {
    const std::uintptr_t raw = Raw(brush);
    const std::uintptr_t index = raw & ~static_cast<std::uintptr_t>(SYS_COLOR_INDEX_FLAG);
    if (index >= 1 && index <= 31) return static_cast<int>(index - 1);
    return -1;
}

}  // namespace

HDC CreateScreenDC(int origin_x, int origin_y, const RECT* visible, int visible_count) {
    std::vector<Box> boxes;
    const Box screen{0, 0, host::kScreenWidth, host::kScreenHeight};
    if (visible != nullptr) {
        for (int i = 0; i < visible_count; ++i) {
            const Box b = raster::Intersect(
                screen, Box{visible[i].left, visible[i].top, visible[i].right, visible[i].bottom});
            if (!b.Empty()) boxes.push_back(b);
        }
    }
    const std::uintptr_t raw = NewDc(true);
    Dc* dc = S().dcs.Find(raw);
    if (dc == nullptr) return nullptr;
    dc->origin_x = origin_x;
    dc->origin_y = origin_y;
    dc->visible = DisjointBoxes(boxes);
    return reinterpret_cast<HDC>(raw);
}

void DeleteScreenDC(HDC dc) {
    DeleteDC(dc);
}

bool TakeScreenDamage(RECT* damage) {
    raster::Damage& d = S().damage;
    const Box all = d.Bounds();
    if (damage == nullptr || all.Empty()) return false;
    *damage = RECT{static_cast<LONG>(all.left), static_cast<LONG>(all.top),
                   static_cast<LONG>(all.right), static_cast<LONG>(all.bottom)};
    d.Clear();
    return true;
}

int TakeScreenDamageRects(RECT* rects, int capacity) {
    raster::Damage& d = S().damage;
    if (rects == nullptr || capacity < 1 || d.count == 0) return 0;
    d.Reduce(capacity);
    const int count = d.count;
    for (int i = 0; i < count; ++i) {
        const Box& b = d.boxes[i];
        rects[i] = RECT{static_cast<LONG>(b.left), static_cast<LONG>(b.top),
                        static_cast<LONG>(b.right), static_cast<LONG>(b.bottom)};
    }
    d.Clear();
    return count;
}

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
using gdi::Kind;
using gdi::Object;
namespace raster = gdi::raster;

namespace host {

PixelView ScreenPixels() {
    return {gdi::S().screen.data(), kScreenWidth, kScreenHeight, kScreenWidth};
}

PixelView BitmapPixels(HBITMAP bitmap) {
    const Object* object = gdi::FindObject(bitmap);
    if (object == nullptr || object->kind != Kind::kBitmap) return {nullptr, 0, 0, 0};
    return {object->pixels.get(), object->width, object->height, object->width};
}

PixelView DcPixels(HDC dc) {
    const Dc* d = gdi::FindDc(dc);
    if (d == nullptr) return {nullptr, 0, 0, 0};
    if (d->screen) return ScreenPixels();
    return BitmapPixels(gdi::ObjectHandle(d->bitmap));
}

}  // namespace host

HPEN CreatePen(int style, int width, COLORREF color) {
    // Only one-pixel solid pens exist here; anything else fails rather than
    // drawing something else.
    if (style != PS_SOLID || width < 0 || width > 1) return nullptr;
    Object pen;
    pen.kind = Kind::kPen;
    pen.color = gdi::Rgb(color);
    return gdi::ObjectHandle(gdi::S().objects.Add(std::move(pen)));
}

HBRUSH CreateSolidBrush(COLORREF color) {
    Object brush;
    brush.kind = Kind::kBrush;
    brush.color = gdi::Rgb(color);
    return gdi::ObjectHandle(gdi::S().objects.Add(std::move(brush)));
}

HGDIOBJ GetStockObject(int object) {
    if (object < 0 || object >= gdi::kStockCount) return nullptr;
    // Zero for the numbers between the three stock objects.
    return gdi::ObjectHandle(gdi::S().stock[static_cast<std::size_t>(object)]);
}

HDC CreateCompatibleDC(HDC dc) {
    if (dc != nullptr && gdi::FindDc(dc) == nullptr) return nullptr;
    return reinterpret_cast<HDC>(gdi::NewDc(false));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    if (gdi::FindDc(dc) == nullptr) return nullptr;
    if (width <= 0 || height <= 0 || width > gdi::kMaxBitmapSide || height > gdi::kMaxBitmapSide)
        return nullptr;
    const std::int64_t count = std::int64_t{width} * height;
    if (count > gdi::kMaxBitmapPixels) return nullptr;
    Object bitmap;
    bitmap.kind = Kind::kBitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels.reset(new (std::nothrow) std::uint32_t[static_cast<std::size_t>(count)]());
    if (bitmap.pixels == nullptr) return nullptr;
    return gdi::ObjectHandle(gdi::S().objects.Add(std::move(bitmap)));
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    Dc* d = gdi::FindDc(dc);
    Object* o = gdi::FindObject(object);
    if (d == nullptr || o == nullptr) return nullptr;
    std::uintptr_t* slot = nullptr;
    switch (o->kind) {
        case Kind::kPen:
            slot = &d->pen;
            break;
        case Kind::kBrush:
            slot = &d->brush;
            break;
        case Kind::kBitmap:
            if (d->screen) return nullptr;
            // A bitmap lives in one memory DC at a time; the shared default one
            // may be in many.
            if (!o->stock && o->selected > 0 && d->bitmap != gdi::Raw(object)) return nullptr;
            slot = &d->bitmap;
            break;
    }
    const std::uintptr_t previous = *slot;
    if (previous == gdi::Raw(object)) return object;
    gdi::Hold(gdi::Raw(object));
    gdi::Release(previous);
    *slot = gdi::Raw(object);
    return gdi::ObjectHandle(previous);
}

BOOL DeleteObject(HGDIOBJ object) {
    const Object* o = gdi::FindObject(object);
    if (o == nullptr) return FALSE;
    if (o->stock) return TRUE;
    // Still selected into a device context: keep it, so that DC never draws
    // with freed memory.
    if (o->selected > 0) return FALSE;
    gdi::S().objects.Remove(gdi::Raw(object));
    return TRUE;
}

BOOL DeleteDC(HDC dc) {
    const Dc* d = gdi::FindDc(dc);
    if (d == nullptr) return FALSE;
    gdi::Release(d->pen);
    gdi::Release(d->brush);
    gdi::Release(d->bitmap);
    gdi::S().dcs.Remove(gdi::Raw(dc));
    return TRUE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    const Dc* d = gdi::FindDc(dc);
    if (d == nullptr || rect == nullptr) return 0;
    std::uint32_t color = 0;
    if (const Object* b = gdi::FindObject(brush); b != nullptr) {
        if (b->kind != Kind::kBrush) return 0;
        color = b->color;
    } else if (const int index = gdi::SystemColorBrushIndex(brush); index >= 0) {
        color = GetSysColor(index);
    } else {
        return 0;
    }
    const Box box = gdi::DeviceBox(*d, rect->left, rect->top, rect->right, rect->bottom);
    gdi::ForEachClip(*d, [&](const gdi::raster::Canvas& canvas, const Box& clip) {
        gdi::raster::FillBox(canvas, clip, box, color);
    });
    return 1;
}

namespace {

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

}  // namespace

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    const Dc* d = gdi::FindDc(dc);
    if (d == nullptr) return FALSE;
    const Paint p = PaintOf(*d);
    Box box;
    if (!ShapeBox(*d, left, top, right, bottom, &box)) return TRUE;
    gdi::ForEachClip(*d, [&](const gdi::raster::Canvas& canvas, const Box& clip) {
        gdi::raster::FrameAndFillBox(canvas, clip, box, p.pen, p.brush);
    });
    return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
    const Dc* d = gdi::FindDc(dc);
    if (d == nullptr) return FALSE;
    const Paint p = PaintOf(*d);
    Box box;
    if (!ShapeBox(*d, left, top, right, bottom, &box)) return TRUE;
    gdi::ForEachClip(*d, [&](const gdi::raster::Canvas& canvas, const Box& clip) {
        gdi::raster::FrameAndFillEllipse(canvas, clip, box, p.pen, p.brush);
    });
    return TRUE;
}

int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format) {
    const Dc* d = gdi::FindDc(dc);
    if (d == nullptr || rect == nullptr || count < -1) return 0;
    if (text == nullptr && count != 0) return 0;
    if (!gdi::text::Available()) return 0;
    const std::int64_t length = count == -1 ? gdi::text::Length(text) : count;
    const int line_height = gdi::text::LineHeight();
    if (length == 0) return line_height;

    const std::int64_t width = gdi::text::Measure(text, length);
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
                                   opaque ? &opaque_cells : nullptr, gdi::kTextBackground);
    });
    return line_height;
}

int SetBkMode(HDC dc, int mode) {
    Dc* d = gdi::FindDc(dc);
    if (d == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    const int previous = d->background_mode;
    d->background_mode = mode;
    return previous;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
    Dc* d = gdi::FindDc(dc);
    if (d == nullptr) return gdi::kInvalidColor;
    const COLORREF previous = d->text_color;
    d->text_color = gdi::Rgb(color);
    return previous;
}

DWORD GetSysColor(int index) {
    // A plain light scheme: dark text on white and light grey, white on blue.
    static constexpr std::array<DWORD, 31> kColors = {
        0xC0C0C0,  // 0 scroll bar
        0x808000,  // 1 desktop
        0x800000,  // 2 active caption
        0x808080,  // 3 inactive caption
        0xC0C0C0,  // 4 menu
        0xFFFFFF,  // 5 window
        0x000000,  // 6 window frame
        0x000000,  // 7 menu text
        0x000000,  // 8 window text
        0xFFFFFF,  // 9 caption text
        0xC0C0C0,  // 10 active border
        0xC0C0C0,  // 11 inactive border
        0x808080,  // 12 application workspace
        0x800000,  // 13 highlight
        0xFFFFFF,  // 14 highlight text
        0xC0C0C0,  // 15 button face
        0x808080,  // 16 button shadow
        0x808080,  // 17 grey text
        0x000000,  // 18 button text
        0xC0C0C0,  // 19 inactive caption text
        0xFFFFFF,  // 20 button highlight
        0x000000,  // 21 3D dark shadow
        0xDFDFDF,  // 22 3D light
        0x000000,  // 23 tooltip text
        0xE1FFFF,  // 24 tooltip background
        0xC0C0C0,  // 25 static background
        0x000000,  // 26 static text
        0x800000,  // 27
        0x808080,  // 28
        0x800000,  // 29
        0xFFFFFF,  // 30
    };
    const int plain = index & ~SYS_COLOR_INDEX_FLAG;
    if (plain < 0 || plain >= static_cast<int>(kColors.size())) return 0;
    return kColors[static_cast<std::size_t>(plain)];
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int source_x, int source_y,
            DWORD raster_op) {
    if (raster_op != SRCCOPY) return FALSE;
    const Dc* to = gdi::FindDc(dest);
    const Dc* from = gdi::FindDc(source);
    if (to == nullptr || from == nullptr || width < 0 || height < 0) return FALSE;
    if (width == 0 || height == 0) return TRUE;
    const raster::Canvas from_canvas = gdi::CanvasOf(*from);
    const Box box = gdi::DeviceBox(*to, x, y, std::int64_t{x} + width, std::int64_t{y} + height);
    const std::int64_t dx = (std::int64_t{source_x} + from->origin_x) - box.left;
    const std::int64_t dy = (std::int64_t{source_y} + from->origin_y) - box.top;
    gdi::ForEachClip(*to, [&](const gdi::raster::Canvas& canvas, const Box& clip) {
        gdi::raster::Copy(canvas, clip, box, from_canvas, dx, dy);
    });
    return TRUE;
}
