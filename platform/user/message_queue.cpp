// The message queue: posted messages, host input, paints, timers, the wait
// on the host display, keyboard translation and the test loop helpers.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "gdi/window_dc.h"
#include "host/host.h"
#include "wm_internal.h"

namespace wm {

namespace {

// The platform's smallest timer period; shorter ones would keep the loop busy.
constexpr UINT kMinTimerPeriod = 10;
constexpr UINT kMaxTimerPeriod = 0x7FFFFFFF;

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT period;
    std::uint64_t due;
    std::uint64_t order;  // ties between timers due at once go by this
};

struct Queue {
    std::deque<MSG> posted;
    std::deque<display::InputEvent> input;
    std::vector<Timer> timers;
    std::uint64_t next_timer_order = 0;
    bool quit_pending = false;
    int quit_code = 0;
    bool alt_down = false;
    bool shift_down = false;
    bool control_down = false;
    POINT last_mouse{0, 0};
    std::array<char16_t, 256> key_characters{};
    std::unique_ptr<display::Backend> backend;
};

Queue& Q() {
    static Queue queue;
    return queue;
}

display::Backend& Backend() {
    Queue& q = Q();
    if (!q.backend) q.backend = display::CreateHeadlessBackend(nullptr);
    return *q.backend;
}

DWORD Now32() {
    return static_cast<DWORD>(host::NowMs());
}

bool InRange(UINT message, UINT filter_min, UINT filter_max) {
    if (filter_min == 0 && filter_max == 0) return true;
    return message >= filter_min && message <= filter_max;
}

bool MatchesWindow(HWND message_window, HWND filter) {
    if (filter == nullptr) return true;
    return message_window != nullptr && IsSelfOrDescendant(message_window, filter);
}

void PullBackendInput() {
    if (!Q().backend) return;
    display::InputEvent event;
    while (Q().backend->PollInput(&event))
        Q().input.push_back(event);
}

MSG MakeMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wparam;
    msg.lParam = lparam;
    msg.time = Now32();
    msg.pt = Q().last_mouse;
    return msg;
}

LPARAM ClientPoint(HWND window, int screen_x, int screen_y) {
    auto w = FindWindow(window);
    RECT screen = w ? ScreenRect(*w) : RECT{0, 0, 0, 0};
    int x = screen_x - screen.left;
    int y = screen_y - screen.top;
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
}

HWND KeyTarget() {
    if (HWND focus = FocusWindow()) return focus;
    return MainWindow();
}

// Turns the oldest host input event into a message. Events that produce no
// message (focus loss, a click on nothing) are consumed on the way.
bool TakeInput(MSG* out, HWND filter, UINT filter_min, UINT filter_max, bool remove) {
    Queue& q = Q();
    while (!q.input.empty()) {
        display::InputEvent event = q.input.front();
        switch (event.kind) {
            case display::InputEvent::Kind::kFocusLost: {
                q.input.pop_front();
                HWND focus = FocusWindow();
                SetFocusSilently(nullptr);
                if (focus) CallWindow(focus, WM_KILLFOCUS, 0, 0);
                continue;
            }
            case display::InputEvent::Kind::kClose: {
                HWND main = MainWindow();
                if (main == nullptr) {
                    q.input.pop_front();
                    continue;
                }
                if (!MatchesWindow(main, filter) || !InRange(WM_CLOSE, filter_min, filter_max)) {
                    return false;
                }
                if (remove) q.input.pop_front();
                *out = MakeMessage(main, WM_CLOSE, 0, 0);
                return true;
            }
            case display::InputEvent::Kind::kMouseDown:
            case display::InputEvent::Kind::kMouseUp: {
                bool down = event.kind == display::InputEvent::Kind::kMouseDown;
                HWND target = CaptureWindow();
                if (target == nullptr) target = WindowFromScreenPoint(event.x, event.y);
                if (target == nullptr) {
                    q.input.pop_front();
                    continue;
                }
                UINT message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
                if (!MatchesWindow(target, filter) || !InRange(message, filter_min, filter_max)) {
                    return false;
                }
                if (remove) {
                    q.input.pop_front();
                    q.last_mouse = POINT{event.x, event.y};
                    // The window that got the press gets the release too.
                    SetCaptureWindow(down ? target : nullptr);
                }
                *out = MakeMessage(target, message, down ? MK_LBUTTON : 0,
                                   ClientPoint(target, event.x, event.y));
                return true;
            }
            case display::InputEvent::Kind::kKeyDown:
            case display::InputEvent::Kind::kKeyUp: {
                bool down = event.kind == display::InputEvent::Kind::kKeyDown;
                HWND target = KeyTarget();
                if (target == nullptr) {
                    q.input.pop_front();
                    continue;
                }
                UINT message = event.alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP)
                                         : (down ? WM_KEYDOWN : WM_KEYUP);
                if (!MatchesWindow(target, filter) || !InRange(message, filter_min, filter_max)) {
                    return false;
                }
                LPARAM lparam = 1;
                if (event.alt) lparam |= LPARAM{1} << 29;
                if (!down) lparam |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
                if (remove) {
                    q.input.pop_front();
                    q.alt_down = event.alt;
                    if (event.virtual_key == VK_SHIFT) q.shift_down = down;
                    if (event.virtual_key == VK_CONTROL) q.control_down = down;
                    if (down && event.virtual_key < q.key_characters.size()) {
                        q.key_characters[event.virtual_key] = event.character;
                    }
                }
                *out = MakeMessage(target, message, event.virtual_key, lparam);
                return true;
            }
        }
        q.input.pop_front();
    }
    return false;
}

Timer* DueTimer(HWND filter, UINT filter_min, UINT filter_max) {
    if (!InRange(WM_TIMER, filter_min, filter_max)) return nullptr;
    std::uint64_t now = host::NowMs();
    Timer* best = nullptr;
    for (Timer& t : Q().timers) {
        if (t.due > now) continue;
        if (filter != nullptr && !MatchesWindow(t.window, filter)) continue;
        if (!best || t.due < best->due || (t.due == best->due && t.order < best->order)) best = &t;
    }
    return best;
}

std::uint64_t NextTimerDue(HWND filter, UINT filter_min, UINT filter_max) {
    std::uint64_t next = UINT64_MAX;
    if (!InRange(WM_TIMER, filter_min, filter_max)) return next;
    for (const Timer& t : Q().timers) {
        if (filter != nullptr && !MatchesWindow(t.window, filter)) continue;
        next = std::min(next, t.due);
    }
    return next;
}

// Order: posted messages, host input, the quit message, paints, timers.
bool PeekInternal(MSG* out, HWND filter, UINT filter_min, UINT filter_max, bool remove) {
    Queue& q = Q();
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!MatchesWindow(it->hwnd, filter)) continue;
        if (!InRange(it->message, filter_min, filter_max)) continue;
        *out = *it;
        if (remove) q.posted.erase(it);
        return true;
    }
    PullBackendInput();
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
    if (Timer* t = DueTimer(filter, filter_min, filter_max)) {
        *out = MakeMessage(t->window, WM_TIMER, t->id, 0);
        // One message per due time: the next one is counted from now, so a
        // slow handler never leaves a pile of them behind.
        if (remove) t->due = host::NowMs() + t->period;
        return true;
    }
    return false;
}

// Nothing is presented when nothing changed.
void PresentDamage() {
    RECT damage[gdi::kMaxDamageRects];
    const int count = gdi::TakeScreenDamageRects(damage, gdi::kMaxDamageRects);
    if (count > 0) Backend().Present(host::ScreenPixels(), damage, count);
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
    PullBackendInput();
    if (!Q().input.empty()) return;
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

void PostInput(const display::InputEvent& event) {
    Q().input.push_back(event);
}

}  // namespace

void DropMessagesFor(HWND window) {
    auto& posted = Q().posted;
    posted.erase(std::remove_if(posted.begin(), posted.end(),
                                [window](const MSG& m) { return m.hwnd == window; }),
                 posted.end());
}

void DropTimersFor(HWND window) {
    auto& timers = Q().timers;
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [window](const Timer& t) { return t.window == window; }),
                 timers.end());
}

void ResetMessages() {
    Queue& q = Q();
    q.posted.clear();
    q.input.clear();
    q.timers.clear();
    q.quit_pending = false;
    q.quit_code = 0;
    q.alt_down = q.shift_down = q.control_down = false;
    q.key_characters.fill(0);
    if (q.backend) {
        display::InputEvent event;
        while (q.backend->PollInput(&event)) {
        }
    }
}

void SetBackend(std::unique_ptr<display::Backend> backend) {
    PresentDamage();
    Q().backend = std::move(backend);
}

display::Backend* CurrentBackend() {
    return Q().backend.get();
}

bool AltDown() {
    return Q().alt_down;
}
bool ShiftDown() {
    return Q().shift_down;
}
bool ControlDown() {
    return Q().control_down;
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

BOOL TranslateMessage(const MSG* message) {
    if (message == nullptr) return FALSE;
    if (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN) return FALSE;
    if (message->wParam >= 256) return FALSE;
    char16_t character = wm::Q().key_characters[message->wParam];
    if (character == 0) return FALSE;
    UINT char_message = message->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    wm::Q().posted.push_back(
        wm::MakeMessage(message->hwnd, char_message, character, message->lParam));
    return TRUE;
}

LRESULT DispatchMessageW(const MSG* message) {
    if (message == nullptr) return 0;
    auto w = FindWindow(message->hwnd);
    if (!w) return 0;
    if (message->message == WM_PAINT) {
        unsigned before = w->paint_calls;
        LRESULT result =
            wm::CallWindow(message->hwnd, message->message, message->wParam, message->lParam);
        if (auto still = FindWindow(message->hwnd); still && still->paint_calls == before) {
            still->update.clear();
            still->erase_pending = false;
        }
        return result;
    }
    return wm::CallWindow(message->hwnd, message->message, message->wParam, message->lParam);
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

// Window timers only: each comes as WM_TIMER to its window. Callbacks and
// timers without a window are not offered.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC callback) {
    // A window timer is known by its id, so id 0 could not be told from failure.
    if (!FindWindow(window) || id == 0 || callback != nullptr) return 0;
    wm::Queue& q = wm::Q();
    UINT period = std::clamp(milliseconds, wm::kMinTimerPeriod, wm::kMaxTimerPeriod);
    std::uint64_t due = host::NowMs() + period;
    for (wm::Timer& t : q.timers) {
        if (t.window == window && t.id == id) {
            t.period = period;
            t.due = due;
            t.order = q.next_timer_order++;
            return id;
        }
    }
    q.timers.push_back(wm::Timer{window, id, period, due, q.next_timer_order++});
    return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    auto& timers = wm::Q().timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const wm::Timer& t) { return t.window == window && t.id == id; });
    if (it == timers.end()) return FALSE;
    timers.erase(it);
    return TRUE;
}

namespace host {

void InjectMouseButton(int screen_x, int screen_y, bool down) {
    display::InputEvent event{};
    event.kind = down ? display::InputEvent::Kind::kMouseDown : display::InputEvent::Kind::kMouseUp;
    event.x = screen_x;
    event.y = screen_y;
    wm::PostInput(event);
}

void InjectKey(WORD virtual_key, char16_t character, bool alt, bool down) {
    display::InputEvent event{};
    event.kind = down ? display::InputEvent::Kind::kKeyDown : display::InputEvent::Kind::kKeyUp;
    event.virtual_key = virtual_key;
    event.character = character;
    event.alt = alt;
    wm::PostInput(event);
}

void InjectHostClose() {
    display::InputEvent event{};
    event.kind = display::InputEvent::Kind::kClose;
    wm::PostInput(event);
}

void InjectFocusLost() {
    display::InputEvent event{};
    event.kind = display::InputEvent::Kind::kFocusLost;
    wm::PostInput(event);
}

void ResetWindowManager() {
    wm::ResetWindows();
    wm::ResetMessages();
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
