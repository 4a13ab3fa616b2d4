// GDI objects: pens, brushes, bitmaps and the stock objects, their selection
// into device contexts, and the system colours.
#include <new>

#include "host/host.h"
#include "platform/gdi/objects.h"

namespace gdi {
namespace {

constexpr int kMaxBitmapSide = 16384;
constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 24;

}  // namespace

Objects::Objects() {
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

Objects& O() {
    static Objects* objects = new Objects;
    return *objects;
}

void Hold(std::uintptr_t raw) {
    if (Object* object = FindObject(raw)) ++object->selected;
}

void Release(std::uintptr_t raw) {
    if (Object* object = FindObject(raw); object != nullptr && object->selected > 0) {
        --object->selected;
    }
}

bool BrushColor(HBRUSH brush, std::uint32_t* color) {
    if (const Object* b = FindObject(brush)) {
        if (b->kind != Kind::kBrush) return false;
        *color = b->color;
        return true;
    }
    // No handle is a small number with or without the index flag.
    const std::uintptr_t index =
        handles::Raw(brush) & ~static_cast<std::uintptr_t>(SYS_COLOR_INDEX_FLAG);
    if (index < 1 || index > kSystemColorCount) return false;
    *color = GetSysColor(static_cast<int>(index - 1));
    return true;
}

HBITMAP NewBitmap(int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide)
        return nullptr;
    const std::int64_t count = std::int64_t{width} * height;
    if (count > kMaxBitmapPixels) return nullptr;
    Object bitmap;
    bitmap.kind = Kind::kBitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels.reset(new (std::nothrow) std::uint32_t[static_cast<std::size_t>(count)]());
    if (bitmap.pixels == nullptr) return nullptr;
    return handles::As<HGDIOBJ>(O().objects.Add(std::move(bitmap)));
}

}  // namespace gdi

using gdi::Kind;
using gdi::Object;

namespace host {

PixelView BitmapPixels(HBITMAP bitmap) {
    const Object* object = gdi::FindObject(bitmap);
    if (object == nullptr || object->kind != Kind::kBitmap) return {nullptr, 0, 0, 0};
    return {object->pixels.get(), object->width, object->height, object->width};
}

}  // namespace host

HPEN CreatePen(int style, int width, COLORREF color) {
    // Only one-pixel solid pens exist here; anything else fails rather than
    // drawing something else.
    if (style != PS_SOLID || width < 0 || width > 1) return nullptr;
    Object pen;
    pen.kind = Kind::kPen;
    pen.color = gdi::Rgb(color);
    return handles::As<HGDIOBJ>(gdi::O().objects.Add(std::move(pen)));
}

HBRUSH CreateSolidBrush(COLORREF color) {
    Object brush;
    brush.kind = Kind::kBrush;
    brush.color = gdi::Rgb(color);
    return handles::As<HGDIOBJ>(gdi::O().objects.Add(std::move(brush)));
}

HGDIOBJ GetStockObject(int object) {
    if (object < 0 || object >= gdi::kStockCount) return nullptr;
    // Zero for the numbers between the three stock objects.
    return handles::As<HGDIOBJ>(gdi::O().stock[static_cast<std::size_t>(object)]);
}

BOOL DeleteObject(HGDIOBJ object) {
    const Object* o = gdi::FindObject(object);
    if (o == nullptr) return FALSE;
    if (o->stock) return TRUE;
    // Still selected into a device context: keep it, so that DC never draws
    // with freed memory.
    if (o->selected > 0) return FALSE;
    gdi::O().objects.Remove(handles::Raw(object));
    return TRUE;
}

DWORD GetSysColor(int index) {
    // A plain light scheme: dark text on white and light grey, white on blue.
    static constexpr std::array<DWORD, gdi::kSystemColorCount> kColors = {
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
