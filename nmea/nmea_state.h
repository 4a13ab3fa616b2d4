// The decoding subsystem's program-lifetime state: the record and the
// assembler, zero at start.
#pragma once

// Back to the state a fresh process has.
void ResetNmeaState();
// The source has gone: everything decoded from it goes with it, and so does
// the part of a sentence it left. Only the no-fix count goes on.
void ForgetDecodedState();
