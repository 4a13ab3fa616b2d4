// Level 6 of the window manager: window timers. Uses only lower levels.
#pragma once

#include <cstdint>

#include "win/user.h"

namespace wm {

// The due timer for the filter as a WM_TIMER message; when removing, the
// timer's next due time is counted from now.
bool TakeDueTimer(MSG* out, HWND filter, UINT filter_min, UINT filter_max, bool remove);
// When the next timer for the filter comes due; UINT64_MAX for none.
std::uint64_t NextTimerDue(HWND filter, UINT filter_min, UINT filter_max);
void DropTimersFor(HWND window);
void ResetTimers();

}  // namespace wm
