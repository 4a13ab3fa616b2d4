// The message loop: where the next message comes from, the wait for it,
// dispatching, and the message loops tests run.
#include "message_loop.h"

#include <algorithm>
#include <cstdio>
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
        std::fprintf(stderr,
                     "skymark: GetMessageW would wait forever on the virtual clock: no timer, "
                     "message, input or paint is pending (test deadlock)\n");
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

namespace host {

void ResetWindowManager() {
    wm::ResetWindows();
    wm::ResetClasses();
    wm::ResetPainting();
    wm::ResetFocus();
    wm::ResetMessages();
    wm::ResetTimers();
    wm::ResetInput();
    // Input the display still holds belongs to the state just dropped.
    wm::DiscardHostInput();
}

bool RunMessageLoopUntil(std::uint64_t virtual_ms) {
    MSG msg;
    for (;;) {
        while (wm::PeekInternal(&msg, nullptr, 0, 0, true)) {
            if (msg.message == WM_QUIT) return false;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (NowMs() >= virtual_ms) return true;
        wm::Wait(nullptr, 0, 0, virtual_ms);
    }
}

int RunMessageLoopToQuit() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace host
