// State and services shared by the window manager's own files, grouped by the
// file that owns them. Internal to platform_user.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/backend.h"
#include "region.h"
#include "win/user.h"

namespace wm {

struct WindowClass {
    std::u16string name;  // as registered; compared case-insensitively
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HBRUSH background = nullptr;
};

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

// ---- Classes (window_classes.cpp) ----
// The class of that name or atom; the built-in classes are registered on the
// first lookup.
std::shared_ptr<WindowClass> FindClass(LPCWSTR name);
void ResetClasses();

// ---- The window tree (window_tree.cpp) ----
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
bool IsSelfOrDescendant(HWND window, HWND ancestor);
// Z-order among siblings (top-level windows are siblings of each other).
void RaiseToTop(const Window& w);
void LowerToBottom(const Window& w);
// Puts the window just below the sibling; false when that is no sibling.
bool PlaceBelow(const Window& w, HWND sibling);
void ResetWindows();

// ---- Painting (painting.cpp) ----
// A device context on the screen part of the window, counted until FreeDc.
HDC MakeDc(const Window& w, const Region& visible);
void FreeDc(HDC dc);
// The screen area is shown again or anew: every window with a visible part
// there erases it now and gets it in its update region.
void Expose(const Region& area);
void ExposeRect(const RECT& r);
// Shows or hides the window with the repainting that follows; returns
// whether it was visible.
bool ShowInternal(HWND handle, bool show);
// The first shown window (parents first) with an update region, among the
// filter window and its descendants when a filter is given.
HWND FindWindowToPaint(HWND filter);
// Validates for a WM_PAINT handler that never called BeginPaint, which would
// otherwise get WM_PAINT again at once, forever.
void FinishPaintIfIgnored(HWND handle, unsigned paint_calls_before);
void ResetPainting();

// ---- Focus and capture (focus.cpp) ----
HWND FocusWindow();
// The host took the focus from the program: WM_KILLFOCUS to its holder.
void HostTookFocus();
// The window is being hidden or destroyed: a focus inside it, or held there
// when the host took it, goes to the window's parent or owner.
void MoveFocusOutOf(const Window& w);
// The window that gets the mouse until the button is released; null for none.
HWND CaptureWindow();
void SetCaptureWindow(HWND window);
void ResetFocus();

// ---- The queue (message_queue.cpp) ----
MSG MakeMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
bool InRange(UINT message, UINT filter_min, UINT filter_max);
bool MatchesWindow(HWND message_window, HWND filter);
void DropMessagesFor(HWND window);
void ResetMessages();

// ---- Timers (timers.cpp) ----
// The due timer for the filter as a WM_TIMER message; when removing, the
// timer's next due time is counted from now.
bool TakeDueTimer(MSG* out, HWND filter, UINT filter_min, UINT filter_max, bool remove);
// When the next timer for the filter comes due; UINT64_MAX for none.
std::uint64_t NextTimerDue(HWND filter, UINT filter_min, UINT filter_max);
void DropTimersFor(HWND window);
void ResetTimers();

// ---- Input (input.cpp) ----
// Moves whatever input the display has into the input queue.
void PullHostInput();
bool InputPending();
// Turns the oldest input event into a message for the filter.
bool TakeInput(MSG* out, HWND filter, UINT filter_min, UINT filter_max, bool remove);
// Keyboard state as of the last key message taken from the queue.
bool ShiftDown();
bool ControlDown();
void ResetInput();

// ---- The display (display_link.cpp) ----
void SetBackend(std::unique_ptr<display::Backend> backend);
display::Backend* CurrentBackend();
// The display in use; a headless one when none was started.
display::Backend& Backend();
// Hands the display what changed on the screen since the last call; nothing
// when nothing changed.
void PresentDamage();

}  // namespace wm
