#include "nmea/reception.h"

#include "nmea/nav_record.h"

void NoteHeard(NavRecord& record, uint32_t tickMs) {
    Reception& r = record.reception;
    if (r.heard == 0) {
        r.heard = 1;
        r.firstHeardMs = tickMs;
    }
    r.lastHeardMs = tickMs;
}

void NoteFixIfAny(NavRecord& record, uint32_t tickMs) {
    Reception& r = record.reception;
    if (r.fixed != 0 || r.heard == 0 || !HasPositionFix(record)) return;
    r.fixed = 1;
    r.firstFixMs = tickMs;
}

bool HasPositionFix(const NavRecord& record) {
    return record.fixQuality > 0 || (record.rmcStatus == 'A' && record.rmcPosition != 0);
}
