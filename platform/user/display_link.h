// Level 9 of the window manager: its side of the host display. Which display
// is in use, what of the screen it is handed, its input moved into the input
// queue, and the pauses of Sleep while it runs. Uses only lower levels and the
// GDI; the displays above choose the one in use.
#pragma once

#include <memory>

#include "display/backend.h"

namespace wm {

void SetBackend(std::unique_ptr<display::Backend> backend);
// The display in use; a headless one when none was started.
display::Backend& Backend();
// Hands the display what changed on the screen since the last call; nothing
// when nothing changed.
void PresentDamage();
// Moves whatever input the display has into the input queue.
void PullHostInput();
// Drops whatever input the display still holds.
void DiscardHostInput();

}  // namespace wm
