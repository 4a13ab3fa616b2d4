// Level 5 of the window manager: the keyboard focus and the mouse capture.
// Uses only lower levels.
#pragma once

#include "win/user.h"
#include "window_tree.h"

namespace wm {

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

}  // namespace wm
