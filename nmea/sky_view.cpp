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

// One signal of a satellite: the first that places it gives its place, the
// best gives its SNR, and any that gpsd marks used makes it used.
void Merge(SkyView* view, const SkySatellite& signal) {
    uint16_t& place = placeOf[static_cast<int>(signal.system)][signal.number];
    if (place != 0) {
        SkySatellite& s = view->satellites[place - 1];
        // Signals after the first often come without a position.
        if (!s.located && signal.located) {
            s.located = true;
            s.elevation = signal.elevation;
            s.azimuth = signal.azimuth;
        }
        if (signal.snr > s.snr) s.snr = signal.snr;
        s.used = s.used || signal.used;
        return;
    }
    if (view->count == kMaxSkySatellites) return;
    view->satellites[view->count++] = signal;
    place = static_cast<uint16_t>(view->count);
}

}  // namespace

void BuildSkyView(const NavRecord& record, SkyView* view) {
    view->count = 0;
    std::memset(placeOf, 0, sizeof placeOf);
    ForEachSkyEntry(record.skyGroups, [view](const SatelliteEntry& e) {
        Merge(view, SkySatellite{e.system, e.number, e.elevation, e.azimuth, e.located != 0, false,
                                 e.snr});
    });
    for (int32_t i = 0; i < record.reportedSky.count && i < kReportedSignals; ++i) {
        const ReportedSignal& r = record.reportedSky.signals[i];
        Merge(view, SkySatellite{r.system, r.number, r.elevation, r.azimuth, r.located != 0,
                                 r.used != 0, r.snr});
    }
    // GSA sentences say which satellites are used; gpsd marks them itself.
    const bool fix = record.fixType != 1;
    for (int32_t i = 0; i < view->count; ++i) {
        SkySatellite& s = view->satellites[i];
        s.used =
            fix && (s.used || IsUsed(record.usedSatellites[static_cast<int>(s.system)], s.number));
    }
    // Each satellite once, so the order is strict: no stable sort needed.
    std::sort(view->satellites, view->satellites + view->count, Before);
}
