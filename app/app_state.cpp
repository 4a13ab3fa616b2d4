#include "app/app_state.h"

HINSTANCE AppInstance = nullptr;
HWND CommandBar = nullptr;
HWND LogButton = nullptr;
UINT_PTR TickTimer = 0;
UINT_PTR NoFixTimer = 0;
int32_t ExitRequested = 0;
