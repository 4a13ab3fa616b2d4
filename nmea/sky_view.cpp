#include "nmea/sky_view.h"

namespace {

bool Before(const SkySatellite& a, const SkySatellite& b) {
    if (a.system != b.system) return a.system < b.system;
    return a.number < b.number;
}

void Merge(SkyView* view, const SatelliteEntry& entry) {
    for (int32_t i = 0; i < view->count; ++i) {
        SkySatellite& s = view->satellites[i];
        if (s.system != entry.system || s.number != entry.number) continue;
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
}

}  // namespace

void BuildSkyView(const NavRecord& record, SkyView* view) {
    view->count = 0;
    for (int slot = 0; slot < kSkyGroupSlots; ++slot) {
        const SkyGroup& group = record.skyGroups[slot];
        if (group.state != GroupState::kComplete) continue;
        for (int i = 0; i < group.entryCount; ++i)
            Merge(view, record.skyEntries[slot][i]);
    }
    const bool fix = record.fixType != 1;
    for (int32_t i = 0; i < view->count; ++i) {
        SkySatellite& s = view->satellites[i];
        s.used = fix && IsUsed(record.usedSatellites[static_cast<int>(s.system)], s.number);
    }
    // Insertion sort: a few dozen satellites, mostly in order already.
    for (int32_t i = 1; i < view->count; ++i) {
        const SkySatellite s = view->satellites[i];
        int32_t j = i;
        for (; j > 0 && Before(s, view->satellites[j - 1]); --j)
            view->satellites[j] = view->satellites[j - 1];
        view->satellites[j] = s;
    }
}
