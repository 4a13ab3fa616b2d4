// SDL keys as the platform's virtual keys and characters. Internal to the
// SDL display.
#pragma once

#include <SDL.h>

#include "win/types.h"

namespace display::sdl {

struct KeyMapping {
    WORD virtual_key;
    char16_t character;  // 0 when the key makes none
};

// False for keys the platform has no virtual key for.
bool MapKey(SDL_Keycode key, Uint16 modifiers, KeyMapping* out);

}  // namespace display::sdl
