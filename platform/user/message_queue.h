// Level 4 of the window manager: the posted messages and the quit message,
// and the filters every source of messages applies. Uses only lower levels.
#pragma once

#include "win/user.h"

namespace wm {

MSG MakeMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
bool InRange(UINT message, UINT filter_min, UINT filter_max);
bool MatchesWindow(HWND message_window, HWND filter);
// The oldest posted message for the filter.
bool TakePostedMessage(MSG* out, HWND filter, UINT filter_min, UINT filter_max, bool remove);
// WM_QUIT once PostQuitMessage was called; whatever the filter.
bool TakeQuitMessage(MSG* out, bool remove);
// True while a posted or quit message waits.
bool MessagesQueued();
void DropMessagesFor(HWND window);
void ResetMessages();

}  // namespace wm
