// The window manager's side of the host display: which display is in use,
// what of the screen it is handed, and the pauses of Sleep while it runs.
#include <algorithm>

#include "gdi/window_dc.h"
#include "host/host.h"
#include "platform/kernel/pause.h"
#include "wm_internal.h"

namespace wm {
namespace {

// During a pause the display is handed what changed at least this often.
constexpr std::uint64_t kPauseStepMs = 100;

std::unique_ptr<display::Backend>& Current() {
    static std::unique_ptr<display::Backend> backend;
    return backend;
}

// Sleep while a display runs: what was drawn before the pause is shown at
// once, and the pause goes by in steps of at most kPauseStepMs, each ending
// with what changed being shown. The display takes the host's events while
// it waits (an uncovered window is drawn again); input is queued for the
// message loop, and no message is dispatched here.
void Pause(std::uint64_t until_ms) {
    for (;;) {
        PresentDamage();
        const std::uint64_t now = host::NowMs();
        if (now >= until_ms) return;
        const std::uint64_t step_end = std::min(until_ms, now + kPauseStepMs);
        Backend().WaitForInput(step_end);
        PullHostInput();
        // A display on the virtual clock may leave the time to its caller.
        const std::uint64_t after = host::NowMs();
        if (host::VirtualClockActive() && after < step_end) {
            host::AdvanceVirtualClock(step_end - after);
        }
    }
}

}  // namespace

void SetBackend(std::unique_ptr<display::Backend> backend) {
    // What was drawn for the old display reaches it before it goes.
    PresentDamage();
    Current() = std::move(backend);
    kernel::SetPauseHandler(Current() ? Pause : nullptr);
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

BOOL GdiFlush() {
    wm::PresentDamage();
    return TRUE;
}
