// Device contexts behind their handles, the device screen they draw on and its
// damage; what device_contexts.cpp defines. Above the objects, which the
// device contexts hold. Internal to platform_gdi.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "host/host.h"
#include "platform/common/handle_table.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/raster.h"
#include "win/gdi.h"

namespace gdi {

using raster::Box;

inline constexpr COLORREF kInvalidColor = 0xFFFFFFFF;

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
    handles::HandleTable<Dc, handles::Tag::kDeviceContext> dcs;
    // The device screen, row by row, as the program sized it.
    std::vector<std::uint32_t> screen;
    int screen_width = 0;
    int screen_height = 0;
    raster::Damage damage;
};

// Never destroyed: other parts may release device contexts from their own
// static destructors. It stays reachable, so leak checkers are content.
State& S();

inline Dc* FindDc(HDC dc) {
    return S().dcs.Find(handles::Raw(dc));
}

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
