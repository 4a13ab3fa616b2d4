// Application state of the serial input.
#pragma once

#include <cstdint>

#include "win/windows.h"

extern HANDLE ComPort;           // the chosen port; none until found
extern int32_t SearchPending;    // 1 until a port is found
extern int32_t LoggingEnabled;   // raw logging on or off
extern HANDLE LogFile;           // "NMEADataLog.TXT" while logging
