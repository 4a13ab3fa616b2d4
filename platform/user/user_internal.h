// Level 20, above the window manager: resource services for the controls and
// dialogs. Not part of the program's interface.
#pragma once

#include <cstddef>

#include "win/user.h"

namespace user {

// Draws the icon scaled (nearest pixel) into the rectangle x, y, width,
// height of the device context, leaving its transparent pixels alone.
// False for an invalid icon or device context.
bool DrawIconInto(HDC dc, HICON icon, int x, int y, int width, int height);

// When data points at the start of a resource of a live instance (as
// LoadResource returns it), its size in bytes.
bool FindResourceBounds(const void* data, std::size_t* size);

}  // namespace user
