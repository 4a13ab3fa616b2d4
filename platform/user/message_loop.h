// Level 10 of the window manager: the message loop. Where the next message
// comes from, the wait for it, and dispatching. Uses only lower levels.
#pragma once

#include <cstdint>

#include "win/user.h"

namespace wm {

// The next message for the filter: posted messages first, then host input,
// the quit message, paints and timers.
bool PeekInternal(MSG* out, HWND filter, UINT filter_min, UINT filter_max, bool remove);
// Waits for input or the next timer, or until extra_deadline.
void Wait(HWND filter, UINT filter_min, UINT filter_max, std::uint64_t extra_deadline);

}  // namespace wm
