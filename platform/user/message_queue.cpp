// The message queue: posted messages and the quit message.
#include "message_queue.h"

#include <algorithm>
#include <deque>

#include "host/host.h"
#include "window_tree.h"

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

bool TakePostedMessage(MSG* out, HWND filter, UINT filter_min, UINT filter_max, bool remove) {
    auto& posted = Q().posted;
    for (auto it = posted.begin(); it != posted.end(); ++it) {
        if (!MatchesWindow(it->hwnd, filter)) continue;
        if (!InRange(it->message, filter_min, filter_max)) continue;
        *out = *it;
        if (remove) posted.erase(it);
        return true;
    }
    return false;
}

bool TakeQuitMessage(MSG* out, bool remove) {
    Queue& q = Q();
    if (!q.quit_pending) return false;
    if (remove) q.quit_pending = false;
    *out = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(q.quit_code), 0);
    return true;
}

bool MessagesQueued() {
    return !Q().posted.empty() || Q().quit_pending;
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
