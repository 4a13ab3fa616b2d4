// What the screen does with a gpsd source's bytes: each line is one of gpsd's
// reports, decoded and followed by the refresh of what it changed.
#pragma once

#include <cstdint>

#include "win/windows.h"

// Runs one chunk of gpsd's bytes through the report lines, drawing on dc. The
// status line shows the chunk's latest report of the receiver followed that
// the screen reads (TPV, SKY, GST, DEVICE, DEVICES), as its class, device and
// driver ("SKY /dev/ttyACM0 u-blox"), or gpsd's refusal of a command. The checksum mark turns red
// when a line is no report (not a JSON object that starts with its class, or cut short) or gpsd
// refused a command. Returns how many reports of the receiver followed it decoded.
int32_t ProcessReportChunk(HWND window, HDC dc, const uint8_t* bytes, int32_t count);
