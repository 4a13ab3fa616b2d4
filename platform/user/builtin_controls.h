// Registration of the window classes the platform provides ("button",
// "static", the command bar, dialogs and message boxes). The window manager
// calls it once, lazily, before the first class lookup (and again after
// host::ResetWindowManager).
#pragma once

void RegisterBuiltinControlClasses();
