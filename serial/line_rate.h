// The line rate of the chosen port: fixed by the user, or found by trying
// the rates receivers commonly use until sentences verify.
#pragma once

#include <cstdint>

#include "win/windows.h"

// Rates in the order they are tried; the first is the one every search opens at.
inline constexpr DWORD kTrialRates[] = {CBR_4800,   CBR_9600,  CBR_38400,
                                        CBR_115200, CBR_57600, CBR_19200};
inline constexpr int kTrialRateCount = sizeof kTrialRates / sizeof kTrialRates[0];
// How long a rate has to deliver bytes without a verified sentence before the next is tried.
inline constexpr DWORD kRateTrialMs = 3000;

// Parses the value of --baud: "auto" (kAutoBaud) or a rate the program can
// keep up with. False when it is neither.
bool ParseBaudSetting(const WCHAR* text, DWORD* setting);

// The rate every search opens the ports at.
DWORD OpeningRate();
// Sets serial line n to rate, 8 data bits, no parity, one stop bit, keeping
// the port's other settings. False when the port refused them, or when its
// settings could not be read, which is said once.
bool SetLineRate(HANDLE port, int portNumber, DWORD rate);
// True for a serial line, whose rate can be set; false for a network source.
bool IsSerialLine(HANDLE port);
// The most bytes one read takes at the rate (0: a network source): a
// second's worth of the line, and at least what a 4800-baud tick ever took.
int32_t ReadLimitFor(DWORD rate);

// The search has chosen port n: its rate starts as it was opened.
void StartLineRate(HANDLE port, int portNumber);
// After each update read: count bytes were read and verified sentences
// checked out. Tries the next rate when the line has delivered bytes for
// kRateTrialMs without a verified sentence, and says which rate it tries.
void FollowLineRate(HDC dc, int32_t count, int32_t verified);
