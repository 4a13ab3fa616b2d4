// The message loop: where the next message comes from, the wait for it, and
// dispatching.
#include "message_loop.h"

#include <algorithm>
#include <cstdlib>

#include "display_link.h"
#include "focus.h"
#include "host/host.h"
#include "input.h"
#include "message_queue.h"
#include "painting.h"
#include "timers.h"
#include "window_classes.h"
#include "window_tree.h"

namespace wm {

bool PeekInternal(MSG* out, HWND filter, UINT filter_min, UINT filter_max, bool remove) {
    if (TakePostedMessage(out, filter, filter_min, filter_max, remove)) return true;
    PullHostInput();
    if (TakeInput(out, filter, filter_min, filter_max, remove)) return true;
    if (TakeQuitMessage(out, remove)) return true;
    if (InRange(WM_PAINT, filter_min, filter_max)) {
        if (HWND window = FindWindowToPaint(filter)) {
            *out = MakeMessage(window, WM_PAINT, 0, 0);
            return true;
        }
    }
    return TakeDueTimer(out, filter, filter_min, filter_max, remove);
}

void Wait(HWND filter, UINT filter_min, UINT filter_max, std::uint64_t extra_deadline) {
    PresentDamage();
    std::uint64_t deadline = std::min(NextTimerDue(filter, filter_min, filter_max), extra_deadline);
    if (!host::VirtualClockActive()) {
        Backend().WaitForInput(deadline);
        return;
    }
    std::uint64_t before = host::NowMs();
    Backend().WaitForInput(deadline);
    PullHostInput();
    if (InputPending()) return;
    std::uint64_t now = host::NowMs();
    if (deadline != UINT64_MAX) {
        if (now < deadline) host::AdvanceVirtualClock(deadline - now);
        return;
    }
    if (now == before && !MessagesQueued()) {
        host::Report(
            "GetMessageW would wait forever on the virtual clock: no timer, message, input or "
            "paint is pending (test deadlock)");
        std::abort();
    }
}

}  // namespace wm

using wm::FindWindow;

BOOL GetMessageW(MSG* message, HWND window, UINT filter_min, UINT filter_max) {
    if (message == nullptr) return -1;
    if (window != nullptr && !FindWindow(window)) return -1;
    for (;;) {
        if (wm::PeekInternal(message, window, filter_min, filter_max, true)) {
            return message->message == WM_QUIT ? FALSE : TRUE;
        }
        if (window != nullptr && !FindWindow(window)) return -1;
        wm::Wait(window, filter_min, filter_max, UINT64_MAX);
    }
}

BOOL PeekMessageW(MSG* message, HWND window, UINT filter_min, UINT filter_max, UINT remove) {
    if (message == nullptr) return FALSE;
    if (window != nullptr && !FindWindow(window)) return FALSE;
    return wm::PeekInternal(message, window, filter_min, filter_max, (remove & PM_REMOVE) != 0)
               ? TRUE
               : FALSE;
}

LRESULT DispatchMessageW(const MSG* message) {
    if (message == nullptr) return 0;
    auto w = FindWindow(message->hwnd);
    if (!w) return 0;
    const unsigned paint_calls = w->paint_calls;
    const LRESULT result = wm::CallWindow(*w, message->message, message->wParam, message->lParam);
    if (message->message == WM_PAINT) wm::FinishPaintIfIgnored(message->hwnd, paint_calls);
    return result;
}
