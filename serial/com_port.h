// The program's only contact with the receiver's serial port.
#pragma once

#include <cstdint>

#include "serial/serial_state.h"
#include "win/windows.h"

inline constexpr int kMaxReadBytes = 2000;

// Opens "COMn:" (n from 1 to 9) for exclusive use at 4800 baud 8N1;
// INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE OpenComPort(int portNumber);
// Reads what the port has queued, at most 2000 bytes, into ReadBuffer without
// waiting; returns the count.
int32_t ReadAvailable(HANDLE port);
