// Level 2 of the window manager: the window classes the platform provides
// ("button", "static", the command bar, message boxes and dialogs). The class
// table takes them in before its first lookup (and again after
// host::ResetWindowManager); the controls above define the table with their
// window procedures, so the table is only read here, never called.
#pragma once

#include <span>

#include "win/user.h"

namespace wm {

struct BuiltinClass {
    LPCWSTR name;
    WNDPROC proc;
};

// In the order their atoms are given.
extern const std::span<const BuiltinClass> kBuiltinClasses;

}  // namespace wm
