// Level 20, above the window manager: the compiled-in resources behind
// instance, resource, icon and accelerator handles, and the readers of their
// binary layouts. Internal to platform_user.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "host/host.h"
#include "win/user.h"

namespace resources {

// Resource type numbers as the items carry them.
inline constexpr WORD kIconType = 3;
inline constexpr WORD kStringType = 6;
inline constexpr WORD kAcceleratorType = 9;
inline constexpr WORD kIconGroupType = 14;

struct Module {
    // The items are copied; the bytes they point at belong to the program.
    std::vector<host::ResourceItem> items;
    std::vector<HRSRC> handles;  // one per item, in the same order
    // Loaded once, kept for the life of the instance.
    std::map<WORD, HICON> icons;
    std::map<WORD, HACCEL> accelerators;
};

struct Icon {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // row by row, top row first
    std::vector<std::uint8_t> opaque;
};

struct Accelerators {
    std::vector<ACCEL> entries;
};

// Null stands for the first instance made, as for the program's own.
Module* FindModule(HINSTANCE instance);
// The item of the module with that type and id and some data; null if none.
const host::ResourceItem* FindItem(const Module& module, WORD type, WORD id);
// Ids given as MAKEINTRESOURCEW; false for names.
bool IntegerId(LPCWSTR name, WORD* id);

const Icon* FindIcon(HICON icon);
HICON AddIcon(Icon icon);
const Accelerators* FindAccelerators(HACCEL table);
HACCEL AddAccelerators(Accelerators table);

// Little-endian values from resource bytes, which need not be aligned.
inline WORD ReadWord(const std::uint8_t* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}
inline DWORD ReadDword(const std::uint8_t* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}

}  // namespace resources
