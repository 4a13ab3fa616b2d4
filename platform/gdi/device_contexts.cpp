// Device contexts: memory ones on bitmaps and window ones on the device
// screen, the objects selected into them, their text settings, and the
// screen's damage.
#include <algorithm>

#include "platform/gdi/gdi_state.h"
#include "platform/gdi/window_dc.h"

namespace gdi {
namespace {

std::uintptr_t NewDc(bool screen) {
    Dc dc;
    dc.screen = screen;
    dc.pen = O().stock[BLACK_PEN];
    dc.brush = O().stock[WHITE_BRUSH];
    if (!screen) dc.bitmap = O().default_bitmap;
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

}  // namespace

State& S() {
    static State* state = new State;
    return *state;
}

raster::Canvas CanvasOf(const Dc& dc) {
    raster::Canvas canvas;
    if (dc.screen) {
        State& state = S();
        canvas.pixels = state.screen.data();
        canvas.width = state.screen_width;
        canvas.height = state.screen_height;
        canvas.stride = state.screen_width;
        canvas.damage = &state.damage;
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

HDC CreateScreenDC(int origin_x, int origin_y, const RECT* visible, int visible_count) {
    std::vector<Box> boxes;
    const Box screen{0, 0, S().screen_width, S().screen_height};
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
    return handles::As<HDC>(raw);
}

void DeleteScreenDC(HDC dc) {
    DeleteDC(dc);
}

RECT ScreenBounds() {
    return RECT{0, 0, S().screen_width, S().screen_height};
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

}  // namespace gdi

using gdi::Dc;
using gdi::Kind;
using gdi::Object;

namespace host {

bool SetScreenSize(int width, int height) {
    constexpr int kLargest = 4096;
    if (width < 1 || width > kLargest || height < 1 || height > kLargest) return false;
    gdi::State& state = gdi::S();
    if (width == state.screen_width && height == state.screen_height) return true;
    state.screen.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                        0xFFFFFF);
    state.screen_width = width;
    state.screen_height = height;
    state.damage.Clear();
    return true;
}

PixelView ScreenPixels() {
    gdi::State& state = gdi::S();
    return {state.screen.data(), state.screen_width, state.screen_height, state.screen_width};
}

PixelView DcPixels(HDC dc) {
    const Dc* d = gdi::FindDc(dc);
    if (d == nullptr) return {nullptr, 0, 0, 0};
    if (d->screen) return ScreenPixels();
    return BitmapPixels(handles::As<HGDIOBJ>(d->bitmap));
}

}  // namespace host

HDC CreateCompatibleDC(HDC dc) {
    if (dc != nullptr && gdi::FindDc(dc) == nullptr) return nullptr;
    return handles::As<HDC>(gdi::NewDc(false));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    if (gdi::FindDc(dc) == nullptr) return nullptr;
    return gdi::NewBitmap(width, height);
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
            if (!o->stock && o->selected > 0 && d->bitmap != handles::Raw(object)) return nullptr;
            slot = &d->bitmap;
            break;
    }
    const std::uintptr_t previous = *slot;
    if (previous == handles::Raw(object)) return object;
    gdi::Hold(handles::Raw(object));
    gdi::Release(previous);
    *slot = handles::Raw(object);
    return handles::As<HGDIOBJ>(previous);
}

BOOL DeleteDC(HDC dc) {
    const Dc* d = gdi::FindDc(dc);
    if (d == nullptr) return FALSE;
    gdi::Release(d->pen);
    gdi::Release(d->brush);
    gdi::Release(d->bitmap);
    gdi::S().dcs.Remove(handles::Raw(dc));
    return TRUE;
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
