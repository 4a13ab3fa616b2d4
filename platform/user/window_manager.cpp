// Window classes, the window tree and z-order, visibility, device contexts,
// painting, focus and text.
#include <algorithm>
#include <cstring>
#include <set>
#include <unordered_map>

#include "builtin_controls.h"
#include "gdi/window_dc.h"
#include "host/host.h"
#include "platform/common/handle_table.h"
#include "wm_internal.h"

namespace wm {

namespace {

struct Registry {
    handles::HandleTable<std::shared_ptr<Window>, handles::Tag::kWindow> windows;
    std::vector<HWND> top_levels;  // bottom to top
    std::vector<std::shared_ptr<WindowClass>> classes;
    ATOM next_atom = 0xC000;
    std::uint64_t next_serial = 0;
    bool builtin_registered = false;
    HWND focus = nullptr;
    HWND capture = nullptr;
    std::set<HDC> dcs;  // device contexts handed out by GetDC and BeginPaint
};

Registry& R() {
    static Registry registry;
    return registry;
}

char16_t FoldCase(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c - u'A' + u'a' : c;
}

bool SameClassName(const std::u16string& a, LPCWSTR b) {
    std::size_t i = 0;
    for (; i < a.size(); ++i) {
        if (b[i] == 0 || FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return b[i] == 0;
}

std::shared_ptr<WindowClass> FindClass(LPCWSTR name) {
    Registry& r = R();
    if (!r.builtin_registered) {
        r.builtin_registered = true;
        RegisterBuiltinControlClasses();
    }
    if (name == nullptr) return nullptr;
    for (const auto& c : r.classes) {
        if (IS_INTRESOURCE(name)) {
            if (c->atom == reinterpret_cast<std::uintptr_t>(name)) return c;
        } else if (SameClassName(c->name, name)) {
            return c;
        }
    }
    return nullptr;
}

std::vector<HWND>* SiblingList(const Window& w) {
    if (w.parent == nullptr) return &R().top_levels;
    auto parent = FindWindow(w.parent);
    return parent ? &parent->children : nullptr;
}

void Unlink(const Window& w) {
    std::vector<HWND>* list = SiblingList(w);
    if (list == nullptr) return;
    list->erase(std::remove(list->begin(), list->end(), w.handle), list->end());
}

void RaiseToTop(const Window& w) {
    std::vector<HWND>* list = SiblingList(w);
    if (list == nullptr) return;
    list->erase(std::remove(list->begin(), list->end(), w.handle), list->end());
    list->push_back(w.handle);
}

void LowerToBottom(const Window& w) {
    std::vector<HWND>* list = SiblingList(w);
    if (list == nullptr) return;
    list->erase(std::remove(list->begin(), list->end(), w.handle), list->end());
    list->insert(list->begin(), w.handle);
}

void CollectShown(HWND handle, std::vector<HWND>& out) {
    auto w = FindWindow(handle);
    if (!w || !(w->style & WS_VISIBLE)) return;
    out.push_back(handle);
    for (HWND child : w->children)
        CollectShown(child, out);
}

// Every shown window, parents before children, bottom to top.
std::vector<HWND> ShownWindows() {
    std::vector<HWND> out;
    std::vector<HWND> tops = R().top_levels;
    for (HWND top : tops)
        CollectShown(top, out);
    return out;
}

HDC MakeDc(const Window& w, const Region& visible) {
    RECT screen = ScreenRect(w);
    RECT none{0, 0, 0, 0};
    HDC dc = gdi::CreateScreenDC(screen.left, screen.top, visible.empty() ? &none : visible.data(),
                                 static_cast<int>(visible.size()));
    if (dc != nullptr) R().dcs.insert(dc);
    return dc;
}

void FreeDc(HDC dc) {
    auto& dcs = R().dcs;
    auto it = dcs.find(dc);
    if (it == dcs.end()) return;
    dcs.erase(it);
    gdi::DeleteScreenDC(dc);
}

// Paints the desktop where no window covers the screen any more.
void FillDesktop(const Region& area) {
    if (area.empty()) return;
    HDC dc = gdi::CreateScreenDC(0, 0, area.data(), static_cast<int>(area.size()));
    if (dc == nullptr) return;
    RECT screen{0, 0, host::kScreenWidth, host::kScreenHeight};
    FillRect(dc, &screen, GetStockObject(BLACK_BRUSH));
    gdi::DeleteScreenDC(dc);
}

// The screen area is shown again or anew: every window with a visible part
// there erases it now and gets it in its update region.
void Expose(const Region& area) {
    if (area.empty()) return;
    Region uncovered = area;
    for (HWND handle : ShownWindows()) {
        auto w = FindWindow(handle);
        if (!w || w->destroying || !IsShown(*w)) continue;
        Region part = IntersectRegions(VisibleRegion(*w), area);
        if (part.empty()) continue;
        for (const RECT& r : part)
            SubtractRect(uncovered, r);
        RECT screen = ScreenRect(*w);
        Region client = part;
        OffsetRegion(client, -screen.left, -screen.top);
        for (const RECT& r : client)
            AddRect(w->update, r);
        HDC dc = MakeDc(*w, part);
        if (dc == nullptr) continue;
        LRESULT erased = CallWindow(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        if (auto still = FindWindow(handle); still && erased == 0) still->erase_pending = true;
        FreeDc(dc);
    }
    FillDesktop(uncovered);
}

void ExposeRect(const RECT& r) {
    Region area;
    AddRect(area, IntersectRects(r, RECT{0, 0, host::kScreenWidth, host::kScreenHeight}));
    Expose(area);
}

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

void CollectSubtree(HWND handle, std::vector<HWND>& out) {
    auto w = FindWindow(handle);
    if (!w) return;
    out.push_back(handle);
    for (HWND child : w->children)
        CollectSubtree(child, out);
}

// Where the focus goes when its holder is destroyed or hidden.
HWND FocusSuccessor(const Window& w) {
    for (HWND candidate : {w.parent, w.owner}) {
        auto c = FindWindow(candidate);
        if (c && !c->destroying) return candidate;
    }
    return nullptr;
}

void FinishPaintIfIgnored(HWND handle, unsigned paint_calls_before) {
    // A WM_PAINT handler that never called BeginPaint would get WM_PAINT
    // again at once, forever; validate for it instead.
    auto w = FindWindow(handle);
    if (w && w->paint_calls == paint_calls_before) {
        w->update.clear();
        w->erase_pending = false;
    }
}

void UpdateTree(HWND handle) {
    auto w = FindWindow(handle);
    if (!w || !IsShown(*w)) return;
    if (!w->update.empty()) {
        unsigned before = w->paint_calls;
        CallWindow(handle, WM_PAINT, 0, 0);
        FinishPaintIfIgnored(handle, before);
    }
    w = FindWindow(handle);
    if (!w) return;
    std::vector<HWND> children = w->children;
    for (HWND child : children)
        UpdateTree(child);
}

bool ShowInternal(HWND handle, bool show) {
    auto w = FindWindow(handle);
    if (!w) return false;
    bool was_visible = (w->style & WS_VISIBLE) != 0;
    if (show == was_visible) return was_visible;
    RECT screen = ScreenRect(*w);
    if (show) {
        w->style |= WS_VISIBLE;
        if (!IsChild(*w)) RaiseToTop(*w);
        CallWindow(handle, WM_SHOWWINDOW, TRUE, 0);
        if (!FindWindow(handle)) return was_visible;
        ExposeRect(screen);
        if (!IsChild(*w) && R().focus == nullptr && IsShown(*w)) SetFocus(handle);
    } else {
        CallWindow(handle, WM_SHOWWINDOW, FALSE, 0);
        w = FindWindow(handle);
        if (!w) return was_visible;
        w->style &= ~WS_VISIBLE;
        if (R().focus != nullptr && IsSelfOrDescendant(R().focus, handle)) {
            SetFocusSilently(nullptr);
            if (HWND next = FocusSuccessor(*w)) SetFocus(next);
        }
        ExposeRect(screen);
    }
    return was_visible;
}

}  // namespace

std::shared_ptr<Window> FindWindow(HWND handle) {
    if (handle == nullptr) return nullptr;
    std::shared_ptr<Window>* found = R().windows.Find(handles::Raw(handle));
    return found != nullptr ? *found : nullptr;
}

bool IsChild(const Window& w) {
    return (w.style & WS_CHILD) != 0 && w.parent != nullptr;
}

RECT ScreenRect(const Window& w) {
    RECT r = w.rect;
    HWND parent = w.parent;
    while (auto p = FindWindow(parent)) {
        r.left += p->rect.left;
        r.right += p->rect.left;
        r.top += p->rect.top;
        r.bottom += p->rect.top;
        parent = p->parent;
    }
    return r;
}

bool IsShown(const Window& w) {
    if (!(w.style & WS_VISIBLE)) return false;
    HWND parent = w.parent;
    while (auto p = FindWindow(parent)) {
        if (!(p->style & WS_VISIBLE)) return false;
        parent = p->parent;
    }
    return true;
}

Region VisibleRegion(const Window& w) {
    Region region;
    if (!IsShown(w)) return region;
    RECT r = ScreenRect(w);
    for (auto p = FindWindow(w.parent); p; p = FindWindow(p->parent)) {
        r = IntersectRects(r, ScreenRect(*p));
    }
    r = IntersectRects(r, RECT{0, 0, host::kScreenWidth, host::kScreenHeight});
    if (IsEmptyRect(r)) return region;
    region.push_back(r);
    for (HWND child : w.children) {
        auto c = FindWindow(child);
        if (c && (c->style & WS_VISIBLE)) SubtractRect(region, ScreenRect(*c));
    }
    const Window* current = &w;
    std::shared_ptr<Window> hold;
    for (;;) {
        const std::vector<HWND>* siblings = nullptr;
        std::shared_ptr<Window> parent = FindWindow(current->parent);
        siblings = parent ? &parent->children : &R().top_levels;
        auto self = std::find(siblings->begin(), siblings->end(), current->handle);
        if (self != siblings->end()) {
            for (auto it = self + 1; it != siblings->end(); ++it) {
                auto s = FindWindow(*it);
                if (s && (s->style & WS_VISIBLE)) SubtractRect(region, ScreenRect(*s));
            }
        }
        if (!parent) break;
        hold = parent;
        current = hold.get();
    }
    return region;
}

HWND WindowFromScreenPoint(int x, int y) {
    const auto& tops = R().top_levels;
    HWND hit = nullptr;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        auto w = FindWindow(*it);
        if (w && (w->style & WS_VISIBLE) && RectContains(ScreenRect(*w), x, y)) {
            hit = *it;
            break;
        }
    }
    auto w = FindWindow(hit);
    if (!w) return nullptr;
    for (;;) {
        HWND deeper = nullptr;
        for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
            auto c = FindWindow(*it);
            if (c && (c->style & WS_VISIBLE) && RectContains(ScreenRect(*c), x, y)) {
                deeper = *it;
                break;
            }
        }
        if (deeper == nullptr) return w->handle;
        w = FindWindow(deeper);
    }
}

HWND MainWindow() {
    const Window* best = nullptr;
    R().windows.ForEach([&best](std::uintptr_t, const std::shared_ptr<Window>& w) {
        if (IsChild(*w) || w->owner != nullptr || w->destroying) return;
        if (best == nullptr || w->serial < best->serial) best = w.get();
    });
    return best != nullptr ? best->handle : nullptr;
}

HWND FocusWindow() {
    HWND focus = R().focus;
    return FindWindow(focus) ? focus : nullptr;
}

void SetFocusSilently(HWND window) {
    R().focus = window;
}

HWND CaptureWindow() {
    HWND capture = R().capture;
    return FindWindow(capture) ? capture : nullptr;
}

void SetCaptureWindow(HWND window) {
    R().capture = FindWindow(window) ? window : nullptr;
}

LRESULT CallWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto w = FindWindow(window);
    if (!w || w->proc == nullptr) return 0;
    WNDPROC proc = w->proc;
    return proc(window, message, wparam, lparam);
}

HWND FindWindowToPaint(HWND filter) {
    for (HWND handle : ShownWindows()) {
        auto w = FindWindow(handle);
        if (!w || w->update.empty()) continue;
        if (filter != nullptr && !IsSelfOrDescendant(handle, filter)) continue;
        return handle;
    }
    return nullptr;
}

bool IsSelfOrDescendant(HWND window, HWND ancestor) {
    for (auto w = FindWindow(window); w; w = FindWindow(w->parent)) {
        if (w->handle == ancestor) return true;
    }
    return false;
}

void ResetWindows() {
    Registry& r = R();
    for (HDC dc : r.dcs)
        gdi::DeleteScreenDC(dc);
    r.dcs.clear();
    r.windows.Clear();
    r.top_levels.clear();
    r.classes.clear();
    r.builtin_registered = false;
    r.focus = nullptr;
    r.capture = nullptr;
}

}  // namespace wm

using wm::FindWindow;
using wm::R;

ATOM RegisterClassW(const WNDCLASSW* window_class) {
    if (window_class == nullptr || window_class->lpfnWndProc == nullptr ||
        window_class->lpszClassName == nullptr || IS_INTRESOURCE(window_class->lpszClassName) ||
        window_class->lpszClassName[0] == 0) {
        return 0;
    }
    // The built-in classes come first so that a program cannot shadow them
    // by accident before the first lookup.
    if (wm::FindClass(window_class->lpszClassName)) return 0;
    auto c = std::make_shared<wm::WindowClass>();
    c->name = window_class->lpszClassName;
    c->atom = R().next_atom++;
    c->style = window_class->style;
    c->proc = window_class->lpfnWndProc;
    c->instance = window_class->hInstance;
    c->icon = window_class->hIcon;
    c->background = window_class->hbrBackground;
    R().classes.push_back(c);
    return c->atom;
}

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
    w->serial = R().next_serial++;
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
        width = child ? 0 : host::kScreenWidth - x;
        height = child ? 0 : host::kScreenHeight - y;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    w->rect = RECT{x, y, x + width, y + height};

    const std::uintptr_t raw = R().windows.Add(w);
    if (raw == 0) return nullptr;
    HWND handle = handles::As<HWND>(raw);
    w->handle = handle;
    if (child) {
        parent_window->children.push_back(handle);
    } else {
        R().top_levels.push_back(handle);
    }

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

BOOL ShowWindow(HWND window, int show_command) {
    if (!FindWindow(window)) return FALSE;
    return wm::ShowInternal(window, show_command != SW_HIDE) ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window) {
    if (!FindWindow(window)) return FALSE;
    wm::UpdateTree(window);
    return TRUE;
}

BOOL DestroyWindow(HWND window) {
    auto w = FindWindow(window);
    if (!w || w->destroying) return FALSE;
    w->destroying = true;

    // Owned popups go first, as their owner's destruction would leave them
    // pointing at nothing.
    std::vector<HWND> owned;
    for (HWND top : R().top_levels) {
        auto t = FindWindow(top);
        if (t && t->owner == window && !t->destroying) owned.push_back(top);
    }
    for (HWND popup : owned)
        DestroyWindow(popup);

    if (HWND focus = wm::FocusWindow(); focus && wm::IsSelfOrDescendant(focus, window)) {
        wm::SetFocusSilently(nullptr);
        if (HWND next = wm::FocusSuccessor(*w)) SetFocus(next);
    }
    if (HWND capture = wm::CaptureWindow(); capture && wm::IsSelfOrDescendant(capture, window)) {
        R().capture = nullptr;
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
    w = FindWindow(window);
    if (w) wm::Unlink(*w);
    for (HWND handle : subtree)
        R().windows.Remove(handles::Raw(handle));
    return TRUE;
}

BOOL IsWindow(HWND window) {
    return FindWindow(window) ? TRUE : FALSE;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto w = FindWindow(window);
    if (!w) return 0;
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_ERASEBKGND: {
            HDC dc = reinterpret_cast<HDC>(wparam);
            if (dc == nullptr || !w->window_class || w->window_class->background == nullptr) {
                return 0;
            }
            // FillRect also takes a system colour index as the brush.
            RECT client{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
            FillRect(dc, &client, w->window_class->background);
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_SETTEXT: {
            LPCWSTR text = reinterpret_cast<LPCWSTR>(lparam);
            std::u16string next = text ? std::u16string(text) : std::u16string();
            if (next != w->text) {
                w->text = std::move(next);
                if (wm::IsChild(*w)) InvalidateRect(window, nullptr, TRUE);
            }
            return TRUE;
        }
        case WM_GETTEXT: {
            LPWSTR buffer = reinterpret_cast<LPWSTR>(lparam);
            int max_count = static_cast<int>(std::min<WPARAM>(wparam, 0x7FFFFFFF));
            if (buffer == nullptr || max_count <= 0) return 0;
            int n = static_cast<int>(std::min<std::size_t>(w->text.size(), max_count - 1));
            std::copy(w->text.begin(), w->text.begin() + n, buffer);
            buffer[n] = 0;
            return n;
        }
        default:
            return 0;
    }
}

HDC GetDC(HWND window) {
    auto w = FindWindow(window);
    if (!w) return nullptr;
    return wm::MakeDc(*w, wm::VisibleRegion(*w));
}

int ReleaseDC(HWND, HDC dc) {
    if (R().dcs.count(dc) == 0) return 0;
    wm::FreeDc(dc);
    return 1;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    auto w = FindWindow(window);
    if (!w || paint == nullptr) return nullptr;
    ++w->paint_calls;
    RECT screen = wm::ScreenRect(*w);
    wm::Region update = w->update;
    wm::OffsetRegion(update, screen.left, screen.top);
    wm::Region clip = wm::IntersectRegions(wm::VisibleRegion(*w), update);
    std::memset(paint, 0, sizeof(*paint));
    paint->rcPaint = wm::RegionBounds(w->update);
    bool erase = w->erase_pending;
    w->update.clear();
    w->erase_pending = false;
    HDC dc = wm::MakeDc(*w, clip);
    paint->hdc = dc;
    if (erase && dc != nullptr) {
        LRESULT erased = wm::CallWindow(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        paint->fErase = erased == 0 ? TRUE : FALSE;
    }
    return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) {
    if (paint == nullptr) return FALSE;
    wm::FreeDc(paint->hdc);
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    if (window == nullptr) {
        for (HWND top : R().top_levels)
            InvalidateRect(top, rect, erase);
        return TRUE;
    }
    auto w = FindWindow(window);
    if (!w) return FALSE;
    RECT client{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    RECT area = rect ? wm::IntersectRects(*rect, client) : client;
    if (wm::IsEmptyRect(area)) return TRUE;
    wm::AddRect(w->update, area);
    if (erase) w->erase_pending = true;
    return TRUE;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    auto w = FindWindow(window);
    if (!w || rect == nullptr) return FALSE;
    *rect = wm::ScreenRect(*w);
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    auto w = FindWindow(window);
    if (!w || rect == nullptr) return FALSE;
    *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return TRUE;
}

HWND GetParent(HWND window) {
    auto w = FindWindow(window);
    if (!w) return nullptr;
    return wm::IsChild(*w) ? w->parent : w->owner;
}

BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int width, int height, UINT flags) {
    auto w = FindWindow(window);
    if (!w) return FALSE;
    bool was_shown = wm::IsShown(*w);
    RECT old_screen = wm::ScreenRect(*w);
    RECT old = w->rect;
    if (!(flags & SWP_NOMOVE)) {
        w->rect.right = x + (old.right - old.left);
        w->rect.bottom = y + (old.bottom - old.top);
        w->rect.left = x;
        w->rect.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        w->rect.right = w->rect.left + std::max(width, 0);
        w->rect.bottom = w->rect.top + std::max(height, 0);
    }
    bool restacked = false;
    if (!(flags & SWP_NOZORDER)) {
        auto after = reinterpret_cast<std::uintptr_t>(insert_after);
        if (after == 0) {
            wm::RaiseToTop(*w);
            restacked = true;
        } else if (after == 1) {
            wm::LowerToBottom(*w);
            restacked = true;
        } else if (auto a = FindWindow(insert_after); a && a->parent == w->parent && a != w) {
            std::vector<HWND>* list = wm::SiblingList(*w);
            if (list != nullptr) {
                list->erase(std::remove(list->begin(), list->end(), window), list->end());
                auto pos = std::find(list->begin(), list->end(), insert_after);
                list->insert(pos, window);
                restacked = true;
            }
        }
    }
    bool moved = old.left != w->rect.left || old.top != w->rect.top;
    bool sized = (old.right - old.left) != (w->rect.right - w->rect.left) ||
                 (old.bottom - old.top) != (w->rect.bottom - w->rect.top);
    if (was_shown && (moved || sized || restacked)) {
        wm::Region area;
        wm::AddRect(area, old_screen);
        wm::AddRect(area, wm::ScreenRect(*w));
        area = wm::IntersectRegion(area, RECT{0, 0, host::kScreenWidth, host::kScreenHeight});
        wm::Expose(area);
    } else if (sized || moved) {
        InvalidateRect(window, nullptr, TRUE);
    }
    if (moved && FindWindow(window)) {
        wm::CallWindow(window, WM_MOVE, 0,
                       MAKELONG(static_cast<WORD>(w->rect.left), static_cast<WORD>(w->rect.top)));
    }
    if (sized && FindWindow(window)) {
        wm::CallWindow(window, WM_SIZE, 0,
                       MAKELONG(static_cast<WORD>(w->rect.right - w->rect.left),
                                static_cast<WORD>(w->rect.bottom - w->rect.top)));
    }
    return TRUE;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
    if (!FindWindow(window)) return FALSE;
    return wm::CallWindow(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int max_count) {
    if (!FindWindow(window) || buffer == nullptr || max_count <= 0) return 0;
    buffer[0] = 0;
    return static_cast<int>(wm::CallWindow(window, WM_GETTEXT, static_cast<WPARAM>(max_count),
                                           reinterpret_cast<LPARAM>(buffer)));
}

HWND GetFocus() {
    return wm::FocusWindow();
}

HWND SetFocus(HWND window) {
    HWND previous = wm::FocusWindow();
    if (window == nullptr) {
        wm::SetFocusSilently(nullptr);
        return previous;
    }
    auto w = FindWindow(window);
    if (!w || w->destroying) return nullptr;
    if (window == previous) return previous;
    // Moves within the program never send WM_KILLFOCUS: only the host
    // taking the focus away from the whole program does.
    wm::SetFocusSilently(window);
    wm::CallWindow(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

int GetDlgCtrlID(HWND window) {
    auto w = FindWindow(window);
    return (w && wm::IsChild(*w)) ? w->id : 0;
}

HWND GetDlgItem(HWND dialog, int id) {
    auto d = FindWindow(dialog);
    if (!d) return nullptr;
    for (HWND child : d->children) {
        auto c = FindWindow(child);
        if (c && c->id == id) return child;
    }
    return nullptr;
}
