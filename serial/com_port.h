// The program's only contact with the receiver's port.
#pragma once

#include <cstdint>

#include "serial/serial_state.h"
#include "win/windows.h"

// What a search probe reads at most, and the least any read may take.
inline constexpr int kMaxReadBytes = 2000;
// ReadAvailable's result for a port that has failed: a read error, a
// hang-up, a device that has gone or a connection that closed.
inline constexpr int32_t kPortFailed = -1;

// A handle that stands for something open: neither none nor
// INVALID_HANDLE_VALUE.
inline bool IsOpenHandle(HANDLE h) {
    return h != nullptr && h != INVALID_HANDLE_VALUE;
}

// Opens "COMn:" (n from 1 to kComPortCount) for exclusive use, its settings
// as they are; INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE OpenComDevice(int portNumber);
// The same at the opening rate 8N1.
HANDLE OpenComPort(int portNumber);
// Reads what the port has queued, at most limit bytes (up to kReadBufferSize),
// into ReadBuffer without waiting; returns the count, or kPortFailed.
int32_t ReadAvailable(HANDLE port, int32_t limit = kMaxReadBytes);
// The same into another buffer, at most capacity bytes.
int32_t ReadAvailableInto(HANDLE port, uint8_t* buffer, int32_t capacity);
