// The search's and the shutdown's messages on the status line.
#pragma once

#include "win/windows.h"

// Each message replaces the one before it on the status line. Some stand
// only until the next is drawn, with no pause between: each is handed to the
// display at once so that none is lost. The format may show the port number
// (%x).
void ShowStatus(HDC dc, const WCHAR* format, int portNumber = 0);
