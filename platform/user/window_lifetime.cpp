// Level 11 of the window manager: creating and destroying windows, with what
// follows for the parts below (showing and exposing, the focus, timers and
// posted messages). Uses only lower levels.
#include <algorithm>

#include "focus.h"
#include "gdi/window_dc.h"
#include "host/host.h"
#include "message_queue.h"
#include "painting.h"
#include "timers.h"
#include "window_classes.h"
#include "window_tree.h"

namespace wm {
namespace {

// WM_DESTROY to the window, then to its children, each once.
void SendDestroy(HWND handle) {
    CallWindow(handle, WM_DESTROY, 0, 0);
    auto w = FindWindow(handle);
    if (!w) return;
    std::vector<HWND> children = w->children;
    for (HWND child : children) {
        auto c = FindWindow(child);
        if (!c || c->destroying) continue;
        c->destroying = true;
        SendDestroy(child);
    }
}

}  // namespace
}  // namespace wm

using wm::FindWindow;

HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu_or_id, HINSTANCE instance,
                     LPVOID create_param) {
    auto window_class = wm::FindClass(class_name);
    if (!window_class) return nullptr;
    bool child = (style & WS_CHILD) != 0;
    auto parent_window = FindWindow(parent);
    if (parent != nullptr && (!parent_window || parent_window->destroying)) return nullptr;
    if (child && !parent_window) return nullptr;

    auto w = std::make_shared<wm::Window>();
    w->window_class = window_class;
    w->proc = window_class->proc;
    w->style = style & ~WS_VISIBLE;
    w->ex_style = ex_style;
    w->instance = instance;
    if (title != nullptr && !IS_INTRESOURCE(title)) w->text = title;
    if (child) {
        w->parent = parent;
        w->id = static_cast<int>(reinterpret_cast<std::uintptr_t>(menu_or_id));
    } else if (parent_window) {
        // Popups are owned by the top-level window of the given parent.
        HWND top = parent;
        for (auto p = parent_window; p && wm::IsChild(*p); p = FindWindow(p->parent)) {
            top = p->parent;
        }
        w->owner = top;
    }
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) {
        width = child ? 0 : gdi::ScreenBounds().right - x;
        height = child ? 0 : gdi::ScreenBounds().bottom - y;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    w->rect = RECT{x, y, x + width, y + height};

    HWND handle = wm::AddWindow(w);
    if (handle == nullptr) return nullptr;

    CREATESTRUCTW create{
        create_param, instance,   menu_or_id, parent, height, width, y, x, static_cast<LONG>(style),
        title,        class_name, ex_style};
    LRESULT created = wm::CallWindow(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create));
    if (created == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (!FindWindow(handle) || FindWindow(handle)->destroying) return nullptr;
    wm::CallWindow(handle, WM_SIZE, 0,
                   MAKELONG(static_cast<WORD>(width), static_cast<WORD>(height)));
    wm::CallWindow(handle, WM_MOVE, 0, MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
    if (!FindWindow(handle)) return nullptr;
    if (style & WS_VISIBLE) wm::ShowInternal(handle, true);
    return FindWindow(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND window) {
    auto w = FindWindow(window);
    if (!w || w->destroying) return FALSE;
    w->destroying = true;

    // Owned popups go first, as their owner's destruction would leave them
    // pointing at nothing.
    std::vector<HWND> owned;
    for (HWND top : wm::TopLevels()) {
        auto t = FindWindow(top);
        if (t && t->owner == window && !t->destroying) owned.push_back(top);
    }
    for (HWND popup : owned)
        DestroyWindow(popup);

    wm::MoveFocusOutOf(*w);
    if (HWND capture = wm::CaptureWindow(); capture && wm::IsSelfOrDescendant(capture, window)) {
        wm::SetCaptureWindow(nullptr);
    }

    bool was_shown = wm::IsShown(*w);
    RECT screen = wm::ScreenRect(*w);
    w->style &= ~WS_VISIBLE;
    if (was_shown) wm::ExposeRect(screen);

    wm::SendDestroy(window);

    std::vector<HWND> subtree;
    wm::CollectSubtree(window, subtree);
    for (HWND handle : subtree) {
        wm::DropTimersFor(handle);
        wm::DropMessagesFor(handle);
    }
    wm::RemoveWindows(window, subtree);
    return TRUE;
}
