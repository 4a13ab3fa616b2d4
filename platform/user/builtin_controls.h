// Registration of the window classes the platform provides ("button",
// "static", the command bar, dialogs and message boxes). The window manager
// calls it once, lazily, before the first class lookup (and again after
// host::ResetWindowManager). The controls' own files define it; the body in
// builtin_controls_default.cpp is a placeholder that the controls replace.
#pragma once

void RegisterBuiltinControlClasses();
