// What the screen does when the source it shows is lost.
#pragma once

#include "win/windows.h"

// The source has gone and its state with it: the decoded state starts afresh
// (the no-fix count goes on) and the screen shows that empty state, as at
// start-up: no field value, no marker, no bar, no fix type and no checksum
// mark of the old source remain. Whatever loses a source calls it.
void ForgetSource(HDC dc);
