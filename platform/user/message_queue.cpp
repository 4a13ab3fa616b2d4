// The message queue: posted messages, then host input, the quit message,
// paints and timers; the wait for the next of them; dispatching; and the
// message loops tests run.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "host/host.h"
#include "wm_internal.h"

namespace wm {
namespace {

struct Queue {
    std::deque<MSG> posted;
    bool quit_pending = false;
    int quit_code = 0;
};

Queue& Q() {
    static Queue queue;
    return queue;
}

bool PeekInternal(MSG* out, HWND filter, UINT filter_min, UINT filter_max, bool remove) {
    Queue& q = Q();
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!MatchesWindow(it->hwnd, filter)) continue;
        if (!InRange(it->message, filter_min, filter_max)) continue;
        *out = *it;
        if (remove) q.posted.erase(it);
        return true;
    }
    PullHostInput();
    if (TakeInput(out, filter, filter_min, filter_max, remove)) return true;
    if (q.quit_pending) {
        if (remove) q.quit_pending = false;
        *out = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(q.quit_code), 0);
        return true;
    }
    if (InRange(WM_PAINT, filter_min, filter_max)) {
        if (HWND window = FindWindowToPaint(filter)) {
            *out = MakeMessage(window, WM_PAINT, 0, 0);
            return true;
        }
    }
    return TakeDueTimer(out, filter, filter_min, filter_max, remove);
}

// Waits for input or the next timer, or until extra_deadline.
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
    if (now == before && Q().posted.empty() && !Q().quit_pending) {
        std::fprintf(stderr,
                     "skymark: GetMessageW would wait forever on the virtual clock: no timer, "
                     "message, input or paint is pending (test deadlock)\n");
        std::abort();
    }
}

}  // namespace

MSG MakeMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wparam;
    msg.lParam = lparam;
    msg.time = static_cast<DWORD>(host::NowMs());
    return msg;
}

bool InRange(UINT message, UINT filter_min, UINT filter_max) {
    if (filter_min == 0 && filter_max == 0) return true;
    return message >= filter_min && message <= filter_max;
}

bool MatchesWindow(HWND message_window, HWND filter) {
    if (filter == nullptr) return true;
    return message_window != nullptr && IsSelfOrDescendant(message_window, filter);
}

void DropMessagesFor(HWND window) {
    auto& posted = Q().posted;
    posted.erase(std::remove_if(posted.begin(), posted.end(),
                                [window](const MSG& m) { return m.hwnd == window; }),
                 posted.end());
}

void ResetMessages() {
    Q() = Queue{};
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
    const LRESULT result =
        wm::CallWindow(message->hwnd, message->message, message->wParam, message->lParam);
    if (message->message == WM_PAINT) wm::FinishPaintIfIgnored(message->hwnd, paint_calls);
    return result;
}

void PostQuitMessage(int exit_code) {
    wm::Q().quit_pending = true;
    wm::Q().quit_code = exit_code;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (window != nullptr && !FindWindow(window)) return FALSE;
    wm::Q().posted.push_back(wm::MakeMessage(window, message, wparam, lparam));
    return TRUE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!FindWindow(window)) return 0;
    return wm::CallWindow(window, message, wparam, lparam);
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
