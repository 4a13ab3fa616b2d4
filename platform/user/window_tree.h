// Level 3 of the window manager: the window tree, its parents, owners,
// children and their stacking order, and where each window lies on the
// screen. Uses only lower levels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "region.h"
#include "win/user.h"
#include "window_classes.h"

namespace wm {

struct Window {
    HWND handle = nullptr;
    std::uint64_t serial = 0;  // creation order
    std::shared_ptr<WindowClass> window_class;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD ex_style = 0;
    HWND parent = nullptr;  // children only
    HWND owner = nullptr;   // top-level windows created with a parent
    HINSTANCE instance = nullptr;
    // Parent client coordinates for children, screen coordinates otherwise.
    RECT rect{0, 0, 0, 0};
    std::u16string text;
    int id = 0;
    bool destroying = false;
    Region update;  // client coordinates
    bool erase_pending = false;
    unsigned paint_calls = 0;    // BeginPaint calls, to spot WM_PAINT left unvalidated
    std::vector<HWND> children;  // bottom to top
};

std::shared_ptr<Window> FindWindow(HWND handle);
bool IsChild(const Window& w);
// Screen rectangle of the window (equal to its client area: no non-client
// parts on this platform).
RECT ScreenRect(const Window& w);
RECT ClientRect(const Window& w);
// True when the window and all its ancestors are visible.
bool IsShown(const Window& w);
// The window's visible part in screen coordinates: clipped by its ancestors,
// minus its children, its siblings above it and top-level windows above it.
Region VisibleRegion(const Window& w);
// Every shown window, parents before children, bottom to top.
std::vector<HWND> ShownWindows();
// The top-level windows, bottom to top.
const std::vector<HWND>& TopLevels();
// Topmost window under a screen point, deepest child first; null for none.
HWND WindowFromScreenPoint(int x, int y);
// The program's main window: the oldest top-level window without an owner.
HWND MainWindow();
LRESULT CallWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The same for a window already found; the caller holds it for the call.
LRESULT CallWindow(const Window& w, UINT message, WPARAM wparam, LPARAM lparam);
bool IsSelfOrDescendant(HWND window, HWND ancestor);
// The window and all its descendants, the window first.
void CollectSubtree(HWND handle, std::vector<HWND>& out);
// Z-order among siblings (top-level windows are siblings of each other).
void RaiseToTop(const Window& w);
void LowerToBottom(const Window& w);
// Puts the window just below the sibling; false when that is no sibling.
bool PlaceBelow(const Window& w, HWND sibling);

// Gives the new window its serial number and handle and puts it on top of its
// siblings (its parent's children when it has one); null when no handle is
// left.
HWND AddWindow(const std::shared_ptr<Window>& w);
// Takes the window out of its siblings and forgets it and its subtree.
void RemoveWindows(HWND window, const std::vector<HWND>& subtree);
void ResetWindows();

}  // namespace wm
