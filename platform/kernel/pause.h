// What Sleep does while it waits. The kernel knows only that something may
// need the time (the display, to show what was drawn and to take the host's
// events); the window manager installs that when a display starts.
#pragma once

#include <cstdint>

namespace kernel {

// Waits on the caller's behalf until host::NowMs() reaches until_ms, without
// spinning, and returns then. On the virtual clock it advances the clock
// itself.
using PauseHandler = void (*)(std::uint64_t until_ms);

// Sleep on the thread that calls this hands its waits to the handler; null
// puts back the plain wait on the clock. Sleep on other threads is never
// handed over.
void SetPauseHandler(PauseHandler handler);

}  // namespace kernel
