// The decoding subsystem's program-lifetime state: the record, the sentence
// and report line assemblers and what gpsd said of its receiver, zero at
// start.
#pragma once

// Back to the state a fresh process has.
void ResetNmeaState();
// The source has gone: everything decoded from it goes with it, and so does
// the part of a sentence or report line it left. Only the no-fix count goes
// on.
void ForgetDecodedState();
