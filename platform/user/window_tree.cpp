// The window tree: parents, owners, children and their stacking order, and
// where each window lies on the screen.
#include "window_tree.h"

#include <algorithm>

#include "gdi/window_dc.h"
#include "host/host.h"
#include "platform/common/handle_table.h"

namespace wm {
namespace {

struct Tree {
    handles::HandleTable<std::shared_ptr<Window>, handles::Tag::kWindow> windows;
    std::vector<HWND> top_levels;  // bottom to top
    std::uint64_t next_serial = 0;
};

Tree& T() {
    static Tree tree;
    return tree;
}

std::vector<HWND>* SiblingList(const Window& w) {
    if (w.parent == nullptr) return &T().top_levels;
    auto parent = FindWindow(w.parent);
    return parent ? &parent->children : nullptr;
}

void Unlink(const Window& w) {
    std::vector<HWND>* list = SiblingList(w);
    if (list == nullptr) return;
    list->erase(std::remove(list->begin(), list->end(), w.handle), list->end());
}

void CollectShown(HWND handle, std::vector<HWND>& out) {
    auto w = FindWindow(handle);
    if (!w || !(w->style & WS_VISIBLE)) return;
    out.push_back(handle);
    for (HWND child : w->children)
        CollectShown(child, out);
}

}  // namespace

std::shared_ptr<Window> FindWindow(HWND handle) {
    if (handle == nullptr) return nullptr;
    std::shared_ptr<Window>* found = T().windows.Find(handles::Raw(handle));
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

RECT ClientRect(const Window& w) {
    return RECT{0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top};
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
    r = IntersectRects(r, gdi::ScreenBounds());
    if (IsEmptyRect(r)) return region;
    region.push_back(r);
    for (HWND child : w.children) {
        auto c = FindWindow(child);
        if (c && (c->style & WS_VISIBLE)) SubtractRect(region, ScreenRect(*c));
    }
    const Window* current = &w;
    std::shared_ptr<Window> hold;
    for (;;) {
        std::shared_ptr<Window> parent = FindWindow(current->parent);
        const std::vector<HWND>* siblings = parent ? &parent->children : &T().top_levels;
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

const std::vector<HWND>& TopLevels() {
    return T().top_levels;
}

std::vector<HWND> ShownWindows() {
    std::vector<HWND> out;
    std::vector<HWND> tops = T().top_levels;
    for (HWND top : tops)
        CollectShown(top, out);
    return out;
}

HWND WindowFromScreenPoint(int x, int y) {
    const auto& tops = T().top_levels;
    std::shared_ptr<Window> w;
    for (auto it = tops.rbegin(); it != tops.rend() && !w; ++it) {
        auto top = FindWindow(*it);
        if (top && (top->style & WS_VISIBLE) && RectContains(ScreenRect(*top), x, y)) w = top;
    }
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
    T().windows.ForEach([&best](std::uintptr_t, const std::shared_ptr<Window>& w) {
        if (IsChild(*w) || w->owner != nullptr || w->destroying) return;
        if (best == nullptr || w->serial < best->serial) best = w.get();
    });
    return best != nullptr ? best->handle : nullptr;
}

LRESULT CallWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto w = FindWindow(window);
    return w ? CallWindow(*w, message, wparam, lparam) : 0;
}

LRESULT CallWindow(const Window& w, UINT message, WPARAM wparam, LPARAM lparam) {
    WNDPROC proc = w.proc;
    return proc != nullptr ? proc(w.handle, message, wparam, lparam) : 0;
}

bool IsSelfOrDescendant(HWND window, HWND ancestor) {
    for (auto w = FindWindow(window); w; w = FindWindow(w->parent)) {
        if (w->handle == ancestor) return true;
    }
    return false;
}

void CollectSubtree(HWND handle, std::vector<HWND>& out) {
    auto w = FindWindow(handle);
    if (!w) return;
    out.push_back(handle);
    for (HWND child : w->children)
        CollectSubtree(child, out);
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

bool PlaceBelow(const Window& w, HWND sibling) {
    auto s = FindWindow(sibling);
    std::vector<HWND>* list = SiblingList(w);
    if (!s || s->parent != w.parent || s.get() == &w || list == nullptr) return false;
    list->erase(std::remove(list->begin(), list->end(), w.handle), list->end());
    list->insert(std::find(list->begin(), list->end(), sibling), w.handle);
    return true;
}

HWND AddWindow(const std::shared_ptr<Window>& w) {
    w->serial = T().next_serial++;
    const std::uintptr_t raw = T().windows.Add(w);
    if (raw == 0) return nullptr;
    HWND handle = handles::As<HWND>(raw);
    w->handle = handle;
    if (auto parent = FindWindow(w->parent)) {
        parent->children.push_back(handle);
    } else {
        T().top_levels.push_back(handle);
    }
    return handle;
}

void RemoveWindows(HWND window, const std::vector<HWND>& subtree) {
    if (auto w = FindWindow(window)) Unlink(*w);
    for (HWND handle : subtree)
        T().windows.Remove(handles::Raw(handle));
}

void ResetWindows() {
    T().windows.Clear();
    T().top_levels.clear();
}

}  // namespace wm

using wm::FindWindow;

BOOL IsWindow(HWND window) {
    return FindWindow(window) ? TRUE : FALSE;
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
    *rect = wm::ClientRect(*w);
    return TRUE;
}

HWND GetParent(HWND window) {
    auto w = FindWindow(window);
    if (!w) return nullptr;
    return wm::IsChild(*w) ? w->parent : w->owner;
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
