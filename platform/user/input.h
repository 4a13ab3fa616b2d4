// Level 7 of the window manager: the host's input, queued as it comes and
// turned into window messages when the message loop takes it. Uses only lower
// levels: the display hands its input in from above.
#pragma once

#include "display/backend.h"
#include "win/user.h"

namespace wm {

void QueueInput(const display::InputEvent& event);
bool InputPending();
// Turns the oldest input event into a message for the filter.
bool TakeInput(MSG* out, HWND filter, UINT filter_min, UINT filter_max, bool remove);
// Keyboard state as of the last key message taken from the queue.
bool ShiftDown();
bool ControlDown();
void ResetInput();

}  // namespace wm
