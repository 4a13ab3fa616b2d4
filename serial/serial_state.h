// Program-lifetime state of the serial input: what the search, the update
// cycle, the log and the shutdown keep, and what the frame hands them (the
// exit request, the timer ids and the Log button), which the frame sets.
#pragma once

#include <cstdint>

#include "win/windows.h"

inline constexpr UINT_PTR kTickTimerId = 1;
inline constexpr UINT_PTR kNoFixTimerId = 2;
// The TickTimer's period between updates and between searches.
inline constexpr UINT kTickMs = 300;
// One second of a 115200-baud line, ten bit times a byte: a tick at that rate
// takes everything that has arrived in one read.
inline constexpr int kReadBufferSize = 11520;
inline constexpr DWORD kAutoBaud = 0;

// Where the port search stands between its steps.
enum SearchStageValue : int32_t {
    kSearchIdle,     // no search under way: the next step opens the ports
    kSearchResting,  // the ports are open and rest before the probes
    kSearchProbing,  // SearchPort is being probed
};

extern HANDLE ComPort;                       // the chosen port; none until found
extern int32_t SearchPending;                // 1 until a port is found
extern int32_t LoggingEnabled;               // raw logging on or off
extern HANDLE LogFile;                       // "NMEADataLog.TXT" while logging
extern uint8_t ReadBuffer[kReadBufferSize];  // every serial read lands at its start

extern int32_t SearchStage;                  // a SearchStageValue
extern HANDLE SearchHandles[kComPortCount];  // the ports the search holds open
extern int32_t SearchPort;                   // the port being probed, 1 to kComPortCount
extern int32_t SearchProbe;                  // probes of it so far

extern int32_t DatagramSource;  // 1 when the chosen source sends datagrams
extern DWORD LastDataTick;      // GetTickCount when it last delivered bytes
extern int32_t SilenceShown;    // 1 once its silence is on the status line

extern DWORD BaudSetting;         // kAutoBaud, or the rate given with --baud
extern int32_t ComPortNumber;     // the chosen port's number, 1 to kComPortCount
extern DWORD LineRate;            // the chosen port's rate; 0 for a network source
extern int32_t RateIndex;         // kTrialRates[RateIndex] is tried while searching rates
extern int32_t RateVerified;      // 1 once a sentence verified at LineRate
extern int32_t RateTrialRunning;  // 1 once the line delivered bytes at LineRate
extern DWORD RateTrialStart;      // GetTickCount when it did

// A gpsd source: its second connection, which carries the receiver's own
// bytes to the log while logging.
struct GpsdLogLink {
    HANDLE port;         // none while closed
    int32_t relaying;    // 1 once gpsd's answers have passed: the rest is the receiver's
    int32_t headLength;  // of the line of gpsd's answers being read
    char head[16];       // its first bytes, enough to know the answer
    int32_t resting;     // 1 after the link failed: it is not opened again at once
    DWORD failedAt;      // GetTickCount when it failed
};

extern int32_t SourceIsGpsd;  // 1 while the chosen port's source is gpsd
extern GpsdLogLink GpsdLog;

extern int32_t ExitRequested;  // set when the window is asked to close
extern UINT_PTR TickTimer;     // ids as SetTimer returned them
extern UINT_PTR NoFixTimer;
extern HWND LogButton;  // its caption follows LoggingEnabled on every update

// Back to the state a fresh process has.
void ResetSerialState();
