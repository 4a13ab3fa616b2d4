#include "serial/serial_state.h"

#include <cstring>

HANDLE ComPort;
int32_t SearchPending = 1;
int32_t LoggingEnabled;
HANDLE LogFile;
uint8_t ReadBuffer[kReadBufferSize];

int32_t ExitRequested;
UINT_PTR TickTimer;
UINT_PTR NoFixTimer;
HWND LogButton;

void ResetSerialState() {
    ComPort = nullptr;
    SearchPending = 1;
    LoggingEnabled = 0;
    LogFile = nullptr;
    std::memset(ReadBuffer, 0, sizeof ReadBuffer);
    ExitRequested = 0;
    TickTimer = 0;
    NoFixTimer = 0;
    LogButton = nullptr;
}
