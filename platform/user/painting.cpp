// What the screen shows of the windows: device contexts, showing, hiding and
// moving with the exposure that follows, update regions and WM_PAINT.
#include "painting.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "focus.h"
#include "gdi/window_dc.h"
#include "host/host.h"
#include "window_tree.h"

namespace wm {
namespace {

// Device contexts handed out by GetDC and BeginPaint: a handful at most,
// taken and given back on every tick, so a plain list that keeps its room.
std::vector<HDC>& Dcs() {
    static std::vector<HDC> dcs;
    return dcs;
}

bool HandedOut(HDC dc) {
    return std::find(Dcs().begin(), Dcs().end(), dc) != Dcs().end();
}

// Paints the desktop where no window covers the screen any more.
void FillDesktop(const Region& area) {
    if (area.empty()) return;
    HDC dc = gdi::CreateScreenDC(0, 0, area.data(), static_cast<int>(area.size()));
    if (dc == nullptr) return;
    RECT screen = gdi::ScreenBounds();
    FillRect(dc, &screen, GetStockObject(BLACK_BRUSH));
    gdi::DeleteScreenDC(dc);
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

// A device context on the screen part of the window, counted until FreeDc.
HDC MakeDc(const Window& w, const Region& visible) {
    RECT screen = ScreenRect(w);
    RECT none{0, 0, 0, 0};
    HDC dc = gdi::CreateScreenDC(screen.left, screen.top, visible.empty() ? &none : visible.data(),
                                 static_cast<int>(visible.size()));
    if (dc != nullptr) Dcs().push_back(dc);
    return dc;
}

void FreeDc(HDC dc) {
    auto& dcs = Dcs();
    auto it = std::find(dcs.begin(), dcs.end(), dc);
    if (it == dcs.end()) return;
    dcs.erase(it);
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

}  // namespace

void ExposeRect(const RECT& r) {
    Region area;
    AddRect(area, IntersectRects(r, gdi::ScreenBounds()));
    Expose(area);
}

// Only a window that is on the screen, its parents shown too, changes what the
// screen shows: the children of a dialog not yet shown appear with it, where it
// stands by then, and uncover nothing where the template first put them.
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
        if (IsShown(*w)) ExposeRect(screen);
        if (!IsChild(*w) && FocusWindow() == nullptr && IsShown(*w)) SetFocus(handle);
    } else {
        const bool was_shown = IsShown(*w);
        CallWindow(handle, WM_SHOWWINDOW, FALSE, 0);
        w = FindWindow(handle);
        if (!w) return was_visible;
        w->style &= ~WS_VISIBLE;
        MoveFocusOutOf(*w);
        if (was_shown) ExposeRect(screen);
    }
    return was_visible;
}

namespace {

// The first shown window of the subtree, parents before children, that has
// something to paint. Asked on every pass of the message loop, so it walks
// the tree without collecting it.
HWND FirstToPaint(HWND handle, HWND filter) {
    auto w = FindWindow(handle);
    if (!w || !(w->style & WS_VISIBLE)) return nullptr;
    if (!w->update.empty() && (filter == nullptr || IsSelfOrDescendant(handle, filter))) {
        return handle;
    }
    for (HWND child : w->children) {
        if (HWND found = FirstToPaint(child, filter)) return found;
    }
    return nullptr;
}

}  // namespace

HWND FindWindowToPaint(HWND filter) {
    for (HWND top : TopLevels()) {
        if (HWND found = FirstToPaint(top, filter)) return found;
    }
    return nullptr;
}

void FinishPaintIfIgnored(HWND handle, unsigned paint_calls_before) {
    auto w = FindWindow(handle);
    if (w && w->paint_calls == paint_calls_before) {
        w->update.clear();
        w->erase_pending = false;
    }
}

void ResetPainting() {
    for (HDC dc : Dcs())
        gdi::DeleteScreenDC(dc);
    Dcs().clear();
}

}  // namespace wm

using wm::FindWindow;

BOOL ShowWindow(HWND window, int show_command) {
    if (!FindWindow(window)) return FALSE;
    return wm::ShowInternal(window, show_command != SW_HIDE) ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window) {
    if (!FindWindow(window)) return FALSE;
    wm::UpdateTree(window);
    return TRUE;
}

HDC GetDC(HWND window) {
    auto w = FindWindow(window);
    if (!w) return nullptr;
    return wm::MakeDc(*w, wm::VisibleRegion(*w));
}

int ReleaseDC(HWND, HDC dc) {
    if (!wm::HandedOut(dc)) return 0;
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
    auto w = FindWindow(window);
    if (!w) return FALSE;
    RECT client = wm::ClientRect(*w);
    RECT area = rect ? wm::IntersectRects(*rect, client) : client;
    if (wm::IsEmptyRect(area)) return TRUE;
    wm::AddRect(w->update, area);
    if (erase) w->erase_pending = true;
    return TRUE;
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
        } else {
            restacked = wm::PlaceBelow(*w, insert_after);
        }
    }
    bool moved = old.left != w->rect.left || old.top != w->rect.top;
    bool sized = (old.right - old.left) != (w->rect.right - w->rect.left) ||
                 (old.bottom - old.top) != (w->rect.bottom - w->rect.top);
    if (was_shown && (moved || sized || restacked)) {
        wm::Region area;
        wm::AddRect(area, old_screen);
        wm::AddRect(area, wm::ScreenRect(*w));
        area = wm::IntersectRegion(area, gdi::ScreenBounds());
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
