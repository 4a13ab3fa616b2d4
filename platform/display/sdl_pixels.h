// The device screen copied into an SDL surface at an integer scale, in the
// surface's pixel format. Internal to the SDL display.
#pragma once

#include <SDL.h>

#include "host/host.h"
#include "win/types.h"

namespace display::sdl {

// Copies the rectangle r of the screen (inside the screen and the surface)
// into the surface, each device pixel as a scale x scale block. The surface
// is locked by the caller when it must be.
void CopyScaled(const host::PixelView& screen, const RECT& r, int scale, SDL_Surface* surface);

}  // namespace display::sdl
