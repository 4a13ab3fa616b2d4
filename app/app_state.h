// Application state of the frame, plain program-lifetime globals.
#pragma once

#include <cstdint>

#include "win/windows.h"

extern HINSTANCE AppInstance;
extern HWND CommandBar;
extern HWND LogButton;
extern UINT_PTR TickTimer;
extern UINT_PTR NoFixTimer;
extern int32_t ExitRequested;
