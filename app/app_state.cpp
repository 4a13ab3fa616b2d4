#include "app/app_state.h"

HINSTANCE AppInstance;
HWND CommandBar;

void ResetAppState() {
    AppInstance = nullptr;
    CommandBar = nullptr;
}
