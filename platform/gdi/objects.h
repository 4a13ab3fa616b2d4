// GDI objects behind their handles: pens, brushes, bitmaps and the stock
// objects. Below the device contexts, which hold them; knows nothing of them.
// Internal to platform_gdi.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/common/handle_table.h"
#include "win/gdi.h"

namespace gdi {

// The system colours GetSysColor knows, indexes 0 to 30.
inline constexpr int kSystemColorCount = 31;
// Stock object numbers run from 0 to BLACK_PEN.
inline constexpr int kStockCount = BLACK_PEN + 1;

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

struct Objects {
    handles::HandleTable<Object, handles::Tag::kGdiObject> objects;
    std::array<std::uintptr_t, kStockCount> stock{};
    std::uintptr_t default_bitmap = 0;

    Objects();
};

// Never destroyed: other parts may release device contexts, and with them
// the objects they hold, from their own static destructors. It stays
// reachable, so leak checkers are content.
Objects& O();

inline Object* FindObject(std::uintptr_t raw) {
    return O().objects.Find(raw);
}
inline Object* FindObject(HGDIOBJ object) {
    return FindObject(handles::Raw(object));
}
inline std::uint32_t Rgb(COLORREF color) {
    return color & 0xFFFFFF;
}

// Counts a device context's hold on an object, which keeps it from deletion.
void Hold(std::uintptr_t raw);
void Release(std::uintptr_t raw);

// The colour of a brush, or of a system colour index given as a brush as the
// platform allows ((HBRUSH)(COLOR_WINDOW + 1)); false for neither.
bool BrushColor(HBRUSH brush, std::uint32_t* color);

// A new bitmap of that size, all black; null when it is too large or memory
// ran out.
HBITMAP NewBitmap(int width, int height);

}  // namespace gdi
