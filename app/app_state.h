// Program-lifetime state of the frame.
#pragma once

#include "win/windows.h"

extern HINSTANCE AppInstance;
extern HWND CommandBar;

// Back to the state a fresh process has.
void ResetAppState();
