// When the source in use was heard, on the program's clock: its first and
// latest verified sentence (or gpsd report) and its first fix. The time to
// first fix and the age of the data shown come from these.
#pragma once

#include <cstdint>

class NavRecord;

struct Reception {
    uint8_t heard;  // 1 once anything verified came from the source
    uint8_t fixed;  // 1 once it reported its first fix
    uint32_t firstHeardMs;
    uint32_t lastHeardMs;
    uint32_t firstFixMs;
};

// A verified sentence or report arrived at tickMs.
void NoteHeard(NavRecord& record, uint32_t tickMs);
// After a sentence or report that may carry a fix: the first one is noted.
void NoteFixIfAny(NavRecord& record, uint32_t tickMs);
// A position fix: GGA quality above 0, or RMC status A with a position.
bool HasPositionFix(const NavRecord& record);
