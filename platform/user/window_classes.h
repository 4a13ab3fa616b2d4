// Level 2 of the window manager: window classes, the program's and the
// built-in ones, found by name or atom. Uses only lower levels.
#pragma once

#include <memory>
#include <string>

#include "win/user.h"

namespace wm {

struct WindowClass {
    std::u16string name;  // as registered; compared case-insensitively
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HBRUSH background = nullptr;
};

// The class of that name or atom; the built-in classes are added on the first
// lookup.
std::shared_ptr<WindowClass> FindClass(LPCWSTR name);
void ResetClasses();

}  // namespace wm
