// Program-lifetime state of the serial input: what the search, the update
// cycle, the log and the shutdown keep, and what the frame hands them (the
// exit request, the timer ids and the Log button), which the frame sets.
#pragma once

#include <cstdint>

#include "win/windows.h"

inline constexpr UINT_PTR kTickTimerId = 1;
inline constexpr UINT_PTR kNoFixTimerId = 2;
// One second of a 115200-baud line, ten bit times a byte: a tick at that rate
// takes everything that has arrived in one read.
inline constexpr int kReadBufferSize = 11520;
inline constexpr DWORD kAutoBaud = 0;

extern HANDLE ComPort;                       // the chosen port; none until found
extern int32_t SearchPending;                // 1 until a port is found
extern int32_t LoggingEnabled;               // raw logging on or off
extern HANDLE LogFile;                       // "NMEADataLog.TXT" while logging
extern uint8_t ReadBuffer[kReadBufferSize];  // every serial read lands at its start

extern DWORD BaudSetting;         // kAutoBaud, or the rate given with --baud
extern int32_t ComPortNumber;     // the chosen port's number, 1 to 9
extern DWORD LineRate;            // the chosen port's rate; 0 for a network source
extern int32_t RateIndex;         // kTrialRates[RateIndex] is tried while searching rates
extern int32_t RateVerified;      // 1 once a sentence verified at LineRate
extern int32_t RateTrialRunning;  // 1 once the line delivered bytes at LineRate
extern DWORD RateTrialStart;      // GetTickCount when it did

extern int32_t ExitRequested;  // set when the window is asked to close
extern UINT_PTR TickTimer;     // ids as SetTimer returned them
extern UINT_PTR NoFixTimer;
extern HWND LogButton;  // its caption follows LoggingEnabled on every update

// Back to the state a fresh process has.
void ResetSerialState();
