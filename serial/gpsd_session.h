// The program's side of a gpsd source (gpsd://HOST[:PORT][/DEVICE]): to the
// platform it is a connection like any other; what to ask gpsd for, and
// which of its receivers to follow, is decided here.
#pragma once

#include <cstdint>

#include "win/windows.h"

// True when "COMn:" leads to gpsd.
bool PortSpeaksGpsd(int portNumber);

// The search has chosen port n. When its source is gpsd, asks gpsd for its
// reports of every receiver and follows the receiver the source names, else
// the first that gpsd reports.
void StartGpsdSession(HANDLE port, int portNumber);

// The source is let go (lost, or the program ends): the log link closes.
void EndGpsdSession();

// While logging from gpsd: the receiver's own bytes, as gpsd relays them on a
// second connection (its raw mode 2), since the last call. Opens that
// connection once gpsd has named the receiver, and again a moment after it
// failed. Returns the count; *bytes points at them until the next call.
int32_t TakeReceiverBytes(const uint8_t** bytes);

// Logging has stopped: the second connection closes.
void CloseGpsdLog();
