// The keyboard focus and the mouse capture.
//
// Moves of the focus inside the program send WM_SETFOCUS only; WM_KILLFOCUS
// comes only when the host takes the focus from the whole program. The window
// that held the focus then is remembered, so that when it goes away while the
// host still has the focus, the focus passes to its parent or owner as it
// would have had the program kept it: a later loss reaches that window.
#include "focus.h"

namespace wm {
namespace {

struct Focus {
    HWND holder = nullptr;
    HWND taken_from = nullptr;  // the holder when the host took the focus
    HWND capture = nullptr;
};

Focus& F() {
    static Focus focus;
    return focus;
}

HWND Live(HWND window) {
    return FindWindow(window) ? window : nullptr;
}

// Where the focus goes when its holder is destroyed or hidden.
HWND FocusSuccessor(const Window& w) {
    for (HWND candidate : {w.parent, w.owner}) {
        auto c = FindWindow(candidate);
        if (c && !c->destroying) return candidate;
    }
    return nullptr;
}

}  // namespace

HWND FocusWindow() {
    return Live(F().holder);
}

void HostTookFocus() {
    const HWND holder = FocusWindow();
    F().holder = nullptr;
    F().taken_from = holder;
    if (holder != nullptr) CallWindow(holder, WM_KILLFOCUS, 0, 0);
}

void MoveFocusOutOf(const Window& w) {
    HWND inside = FocusWindow();
    if (inside == nullptr) inside = Live(F().taken_from);
    if (inside == nullptr || !IsSelfOrDescendant(inside, w.handle)) return;
    F().holder = nullptr;
    F().taken_from = nullptr;
    if (HWND next = FocusSuccessor(w)) SetFocus(next);
}

HWND CaptureWindow() {
    return Live(F().capture);
}

void SetCaptureWindow(HWND window) {
    F().capture = Live(window);
}

void ResetFocus() {
    F() = Focus{};
}

}  // namespace wm

HWND GetFocus() {
    return wm::FocusWindow();
}

HWND SetFocus(HWND window) {
    const HWND previous = wm::FocusWindow();
    if (window == nullptr) {
        wm::F().holder = nullptr;
        return previous;
    }
    auto w = wm::FindWindow(window);
    if (!w || w->destroying) return nullptr;
    wm::F().taken_from = nullptr;
    if (window == previous) return previous;
    wm::F().holder = window;
    wm::CallWindow(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}
