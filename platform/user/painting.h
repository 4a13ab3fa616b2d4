// Level 8 of the window manager: what the screen shows of the windows. Device
// contexts, showing, hiding and moving with the exposure that follows, update
// regions and WM_PAINT. Uses only lower levels and the GDI.
#pragma once

#include "win/user.h"

namespace wm {

// The screen area is shown again or anew: every window with a visible part
// there erases it now and gets it in its update region.
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

}  // namespace wm
