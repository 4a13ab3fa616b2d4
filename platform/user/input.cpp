// Host input: mouse buttons, keys, the host window's close control and the
// loss of the focus, queued as they come and turned into window messages when
// the message loop takes them.
#include "input.h"

#include <array>
#include <deque>

#include "focus.h"
#include "host/host.h"
#include "message_queue.h"
#include "window_tree.h"

namespace wm {
namespace {

struct Input {
    std::deque<display::InputEvent> queue;
    bool shift_down = false;
    bool control_down = false;
    // The character each virtual key made when last pressed, for TranslateMessage.
    std::array<char16_t, 256> key_characters{};
};

Input& I() {
    static Input input;
    return input;
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

// Key message flags: the repeat count, Alt held (bit 29) and, for releases,
// the previous state and the transition (bits 30 and 31).
LPARAM KeyFlags(bool alt, bool down) {
    DWORD flags = 1;
    if (alt) flags |= DWORD{1} << 29;
    if (!down) flags |= (DWORD{1} << 30) | (DWORD{1} << 31);
    return static_cast<LPARAM>(static_cast<std::int32_t>(flags));
}

}  // namespace

void QueueInput(const display::InputEvent& event) {
    I().queue.push_back(event);
}

bool InputPending() {
    return !I().queue.empty();
}

// Events that produce no message (focus loss, a click on nothing) are
// consumed on the way.
bool TakeInput(MSG* out, HWND filter, UINT filter_min, UINT filter_max, bool remove) {
    Input& in = I();
    while (!in.queue.empty()) {
        const display::InputEvent event = in.queue.front();
        switch (event.kind) {
            case display::InputEvent::Kind::kFocusLost:
                in.queue.pop_front();
                HostTookFocus();
                continue;
            case display::InputEvent::Kind::kClose: {
                HWND main = MainWindow();
                if (main == nullptr) {
                    in.queue.pop_front();
                    continue;
                }
                if (!MatchesWindow(main, filter) || !InRange(WM_CLOSE, filter_min, filter_max)) {
                    return false;
                }
                if (remove) in.queue.pop_front();
                *out = MakeMessage(main, WM_CLOSE, 0, 0);
                return true;
            }
            case display::InputEvent::Kind::kMouseDown:
            case display::InputEvent::Kind::kMouseUp: {
                const bool down = event.kind == display::InputEvent::Kind::kMouseDown;
                HWND target = CaptureWindow();
                if (target == nullptr) target = WindowFromScreenPoint(event.x, event.y);
                if (target == nullptr) {
                    in.queue.pop_front();
                    continue;
                }
                const UINT message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
                if (!MatchesWindow(target, filter) || !InRange(message, filter_min, filter_max)) {
                    return false;
                }
                if (remove) {
                    in.queue.pop_front();
                    // The window that got the press gets the release too.
                    SetCaptureWindow(down ? target : nullptr);
                }
                *out = MakeMessage(target, message, down ? MK_LBUTTON : 0,
                                   ClientPoint(target, event.x, event.y));
                return true;
            }
            case display::InputEvent::Kind::kKeyDown:
            case display::InputEvent::Kind::kKeyUp: {
                const bool down = event.kind == display::InputEvent::Kind::kKeyDown;
                HWND target = KeyTarget();
                if (target == nullptr) {
                    in.queue.pop_front();
                    continue;
                }
                const UINT message = event.alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP)
                                               : (down ? WM_KEYDOWN : WM_KEYUP);
                if (!MatchesWindow(target, filter) || !InRange(message, filter_min, filter_max)) {
                    return false;
                }
                if (remove) {
                    in.queue.pop_front();
                    if (event.virtual_key == VK_SHIFT) in.shift_down = down;
                    if (event.virtual_key == VK_CONTROL) in.control_down = down;
                    if (down && event.virtual_key < in.key_characters.size()) {
                        in.key_characters[event.virtual_key] = event.character;
                    }
                }
                *out = MakeMessage(target, message, event.virtual_key, KeyFlags(event.alt, down));
                return true;
            }
        }
        in.queue.pop_front();
    }
    return false;
}

bool ShiftDown() {
    return I().shift_down;
}

bool ControlDown() {
    return I().control_down;
}

void ResetInput() {
    I() = Input{};
}

}  // namespace wm

BOOL TranslateMessage(const MSG* message) {
    if (message == nullptr) return FALSE;
    if (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN) return FALSE;
    if (message->wParam >= 256) return FALSE;
    const char16_t character = wm::I().key_characters[message->wParam];
    if (character == 0) return FALSE;
    const UINT char_message = message->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    return PostMessageW(message->hwnd, char_message, character, message->lParam);
}

namespace host {

void InjectMouseButton(int screen_x, int screen_y, bool down) {
    display::InputEvent event{};
    event.kind = down ? display::InputEvent::Kind::kMouseDown : display::InputEvent::Kind::kMouseUp;
    event.x = screen_x;
    event.y = screen_y;
    wm::QueueInput(event);
}

void InjectKey(WORD virtual_key, char16_t character, bool alt, bool down) {
    display::InputEvent event{};
    event.kind = down ? display::InputEvent::Kind::kKeyDown : display::InputEvent::Kind::kKeyUp;
    event.virtual_key = virtual_key;
    event.character = character;
    event.alt = alt;
    wm::QueueInput(event);
}

void InjectHostClose() {
    display::InputEvent event{};
    event.kind = display::InputEvent::Kind::kClose;
    wm::QueueInput(event);
}

void InjectFocusLost() {
    display::InputEvent event{};
    event.kind = display::InputEvent::Kind::kFocusLost;
    wm::QueueInput(event);
}

}  // namespace host
