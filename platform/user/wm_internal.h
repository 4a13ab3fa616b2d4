// State shared by the window manager's own files. Internal to platform_user.
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

// Windows.
std::shared_ptr<Window> FindWindow(HWND handle);
bool IsChild(const Window& w);
// Screen rectangle of the window (equal to its client area: no non-client
// parts on this platform).
RECT ScreenRect(const Window& w);
// True when the window and all its ancestors are visible.
bool IsShown(const Window& w);
// The window's visible part in screen coordinates: clipped by its ancestors,
// minus its children, its siblings above it and top-level windows above it.
Region VisibleRegion(const Window& w);
// Topmost enabled window under a screen point, deepest child first; null
// when the topmost window there is disabled or there is none.
HWND WindowFromScreenPoint(int x, int y);
// The program's main window: the oldest top-level window without an owner.
HWND MainWindow();
HWND FocusWindow();
void SetFocusSilently(HWND window);
// The window that gets the mouse until the button is released; null for none.
HWND CaptureWindow();
void SetCaptureWindow(HWND window);
LRESULT CallWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Pre-order list (parents before children, bottom to top) of shown windows
// that have an update region.
HWND FindWindowToPaint(HWND filter);
bool IsSelfOrDescendant(HWND window, HWND ancestor);
void ResetWindows();

// Message queue.
void DropMessagesFor(HWND window);
void DropTimersFor(HWND window);
void ResetMessages();
void SetBackend(std::unique_ptr<display::Backend> backend);
display::Backend* CurrentBackend();
// Keyboard state as of the last key message taken from the queue.
bool AltDown();
bool ShiftDown();
bool ControlDown();

}  // namespace wm
