// The decoding subsystem's program-lifetime state: the record and the
// assembler, zero at start.
#pragma once

// Back to the state a fresh process has.
void ResetNmeaState();
