#include "nmea/sky_view.h"

#include <algorithm>
#include <cstring>

namespace {

bool Before(const SkySatellite& a, const SkySatellite& b) {
    if (a.system != b.system) return a.system < b.system;
    return a.number < b.number;
}

// Where each satellite stands in the view being built, plus one; 0 while it
// has none. A table rather than a search: a view may hold hundreds.
uint16_t placeOf[kGnssSystemCount][kMaxSatelliteNumber + 1];

void Merge(SkyView* view, const SatelliteEntry& entry) {
    uint16_t& place = placeOf[static_cast<int>(entry.system)][entry.number];
    if (place != 0) {
        SkySatellite& s = view->satellites[place - 1];
        // Signals after the first often come without a position.
        if (!s.located && entry.located != 0) {
            s.located = true;
            s.elevation = entry.elevation;
            s.azimuth = entry.azimuth;
        }
        if (entry.snr > s.snr) s.snr = entry.snr;
        return;
    }
    if (view->count == kMaxSkySatellites) return;
    view->satellites[view->count++] =
        SkySatellite{entry.system,       entry.number, entry.elevation, entry.azimuth,
                     entry.located != 0, false,        entry.snr};
    place = static_cast<uint16_t>(view->count);
}

}  // namespace

void BuildSkyView(const NavRecord& record, SkyView* view) {
    view->count = 0;
    std::memset(placeOf, 0, sizeof placeOf);
    ForEachSkyEntry(record.skyGroups, [view](const SatelliteEntry& entry) { Merge(view, entry); });
    const bool fix = record.fixType != 1;
    for (int32_t i = 0; i < view->count; ++i) {
        SkySatellite& s = view->satellites[i];
        s.used = fix && IsUsed(record.usedSatellites[static_cast<int>(s.system)], s.number);
    }
    // Each satellite once, so the order is strict: no stable sort needed.
    std::sort(view->satellites, view->satellites + view->count, Before);
}
