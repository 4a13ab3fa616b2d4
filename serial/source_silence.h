// A source of datagrams never fails: its sender just stops. The status line
// says so once nothing has come for a while.
#pragma once

#include <cstdint>

#include "win/windows.h"

// How long a datagram source may stay silent before the status line says so.
inline constexpr DWORD kDatagramSilenceMs = 5000;

// The search has chosen the port: watch it if it sends datagrams.
void StartSilenceWatch(HANDLE port);
// After each update: count bytes were read. Shows "Com%x No Data" once the
// source has been silent for kDatagramSilenceMs; the next sentence's echo
// replaces it.
void FollowSilence(HDC dc, int32_t count);
