#include "serial/serial_state.h"

#include <cstring>

namespace {

// The search holds no port until it opens them.
bool HoldNoSearchPorts() {
    for (HANDLE& port : SearchHandles)
        port = INVALID_HANDLE_VALUE;
    return true;
}

}  // namespace

HANDLE ComPort;
int32_t SearchPending = 1;
int32_t LoggingEnabled;
HANDLE LogFile;
uint8_t ReadBuffer[kReadBufferSize];

int32_t SearchStage = kSearchIdle;
HANDLE SearchHandles[kComPortCount];
[[maybe_unused]] const bool searchHoldsNoPorts = HoldNoSearchPorts();
int32_t SearchPort;
int32_t SearchProbe;

int32_t DatagramSource;
DWORD LastDataTick;
int32_t SilenceShown;

DWORD BaudSetting = kAutoBaud;
int32_t ComPortNumber;
DWORD LineRate;
int32_t RateIndex;
int32_t RateVerified;
int32_t RateTrialRunning;
DWORD RateTrialStart;

int32_t SourceIsGpsd;
GpsdLogLink GpsdLog;

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
    SearchStage = kSearchIdle;
    HoldNoSearchPorts();
    SearchPort = 0;
    SearchProbe = 0;
    DatagramSource = 0;
    LastDataTick = 0;
    SilenceShown = 0;
    BaudSetting = kAutoBaud;
    ComPortNumber = 0;
    LineRate = 0;
    RateIndex = 0;
    RateVerified = 0;
    RateTrialRunning = 0;
    RateTrialStart = 0;
    SourceIsGpsd = 0;
    GpsdLog = GpsdLogLink{};
    ExitRequested = 0;
    TickTimer = 0;
    NoFixTimer = 0;
    LogButton = nullptr;
}
