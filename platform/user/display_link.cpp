// The window manager's side of the host display: which display is in use and
// what of the screen it is handed.
#include "gdi/window_dc.h"
#include "host/host.h"
#include "wm_internal.h"

namespace wm {
namespace {

std::unique_ptr<display::Backend>& Current() {
    static std::unique_ptr<display::Backend> backend;
    return backend;
}

}  // namespace

void SetBackend(std::unique_ptr<display::Backend> backend) {
    // What was drawn for the old display reaches it before it goes.
    PresentDamage();
    Current() = std::move(backend);
}

display::Backend* CurrentBackend() {
    return Current().get();
}

display::Backend& Backend() {
    if (!Current()) Current() = display::CreateHeadlessBackend(nullptr);
    return *Current();
}

void PresentDamage() {
    RECT damage[gdi::kMaxDamageRects];
    const int count = gdi::TakeScreenDamageRects(damage, gdi::kMaxDamageRects);
    if (count > 0) Backend().Present(host::ScreenPixels(), damage, count);
}

}  // namespace wm
