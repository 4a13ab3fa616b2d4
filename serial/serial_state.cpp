#include "serial/serial_state.h"

HANDLE ComPort = nullptr;
int32_t SearchPending = 1;
int32_t LoggingEnabled = 0;
HANDLE LogFile = nullptr;
