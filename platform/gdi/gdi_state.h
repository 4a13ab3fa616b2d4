// State shared by the GDI's own files: objects and device contexts behind
// their handles, the device screen and its damage. Internal to platform_gdi.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/host.h"
#include "platform/common/handle_table.h"
#include "platform/gdi/raster.h"
#include "win/gdi.h"

namespace gdi {

using raster::Box;

inline constexpr COLORREF kInvalidColor = 0xFFFFFFFF;
// Opaque text fills its cells with white: the only background colour.
inline constexpr std::uint32_t kTextBackground = 0xFFFFFF;
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

struct State {
    handles::HandleTable<Object, handles::Tag::kGdiObject> objects;
    handles::HandleTable<Dc, handles::Tag::kDeviceContext> dcs;
    std::array<std::uintptr_t, kStockCount> stock{};
    std::uintptr_t default_bitmap = 0;
    std::array<std::uint32_t, host::kScreenWidth * host::kScreenHeight> screen;
    raster::Damage damage;

    State();
};

// Never destroyed: other parts may release device contexts from their own
// static destructors. It stays reachable, so leak checkers are content.
State& S();

inline Dc* FindDc(HDC dc) {
    return S().dcs.Find(handles::Raw(dc));
}
inline Object* FindObject(std::uintptr_t raw) {
    return S().objects.Find(raw);
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

// The pixels the device context draws on.
raster::Canvas CanvasOf(const Dc& dc);

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

inline Box DeviceBox(const Dc& dc, std::int64_t left, std::int64_t top, std::int64_t right,
                     std::int64_t bottom) {
    return {left + dc.origin_x, top + dc.origin_y, right + dc.origin_x, bottom + dc.origin_y};
}

}  // namespace gdi
