// The window manager's side of the host display: which display is in use,
// what of the screen it is handed, its input, and the pauses of Sleep while it
// runs.
#include "display_link.h"

#include <algorithm>

#include "gdi/window_dc.h"
#include "host/host.h"
#include "input.h"
#include "platform/kernel/pause.h"

namespace wm {
namespace {

// On the virtual clock a pause goes by in steps of this size, so that what
// watches the clock sees the time pass as a real pause would let it.
constexpr std::uint64_t kPauseStepMs = 100;

std::unique_ptr<display::Backend>& Current() {
    static std::unique_ptr<display::Backend> backend;
    return backend;
}

// Polls the display dry, queueing what it had or dropping it.
void TakeHostInput(bool queue) {
    display::Backend* backend = Current().get();
    if (backend == nullptr) return;
    display::InputEvent event;
    while (backend->PollInput(&event)) {
        if (queue) QueueInput(event);
    }
}

// Sleep while a display runs: what was drawn before the pause is shown at
// once. Nothing of the program draws while it pauses, so the wait itself
// wakes only for the host's events (an uncovered window is drawn again) and
// shows whatever changed after each; input is queued for the message loop,
// and no message is dispatched here. On the virtual clock the pause goes by
// in steps of at most kPauseStepMs.
void Pause(std::uint64_t until_ms) {
    for (;;) {
        PresentDamage();
        const std::uint64_t now = host::NowMs();
        if (now >= until_ms) return;
        const std::uint64_t step_end =
            host::VirtualClockActive() ? std::min(until_ms, now + kPauseStepMs) : until_ms;
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

display::Backend& Backend() {
    if (!Current()) Current() = display::CreateHeadlessBackend(nullptr);
    return *Current();
}

void PresentDamage() {
    RECT damage[gdi::kMaxDamageRects];
    const int count = gdi::TakeScreenDamageRects(damage, gdi::kMaxDamageRects);
    if (count > 0) Backend().Present(host::ScreenPixels(), damage, count);
}

void PullHostInput() {
    TakeHostInput(true);
}

void DiscardHostInput() {
    TakeHostInput(false);
}

}  // namespace wm

BOOL GdiFlush() {
    wm::PresentDamage();
    return TRUE;
}
