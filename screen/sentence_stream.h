// What the screen does with received bytes: each closed sentence marks a
// failed checksum, or is echoed on the status line, decoded and followed by
// the refresh of its fields.
#pragma once

#include <cstdint>

#include "win/windows.h"

// Runs one chunk of received bytes through the assembler, drawing on dc.
// Returns how many sentences it closed that verified.
int32_t ProcessChunk(HWND window, HDC dc, const uint8_t* bytes, int32_t count);
