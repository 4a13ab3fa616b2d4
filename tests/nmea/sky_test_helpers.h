// Shared by the satellite decoder tests: the satellites the screen's sky
// view holds, as short names ("G5 E301 "), and a stream of sentences.
#pragma once

#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/sentence_router.h"
#include "nmea/sky_view.h"

namespace sky_test {

constexpr GnssSystem G = GnssSystem::kGps;
constexpr GnssSystem E = GnssSystem::kGalileo;

struct Sat {
    GnssSystem system;
    int number;
};

inline std::string Names(const std::vector<Sat>& sats) {
    std::string text;
    for (const Sat& s : sats)
        text += "GSRECJI"[static_cast<int>(s.system)] + std::to_string(s.number) + " ";
    return text;
}

inline SkyView view;

inline const SkyView& Sky() {
    BuildSkyView(Nav, &view);
    return view;
}

inline std::vector<Sat> InView() {
    std::vector<Sat> sats;
    for (int32_t i = 0; i < Sky().count; ++i)
        sats.push_back({view.satellites[i].system, view.satellites[i].number});
    return sats;
}

inline const SkySatellite* Find(GnssSystem system, int number) {
    for (int32_t i = 0; i < Sky().count; ++i) {
        if (view.satellites[i].system == system && view.satellites[i].number == number) {
            return &view.satellites[i];
        }
    }
    return nullptr;
}

// Every satellite marked used, system by system.
inline std::vector<Sat> UsedSets() {
    std::vector<Sat> used;
    for (int s = 0; s < kGnssSystemCount; ++s) {
        for (int n = 0; n <= kMaxSatelliteNumber; ++n) {
            if (IsUsed(Nav.usedSatellites[s], static_cast<uint16_t>(n)))
                used.push_back({static_cast<GnssSystem>(s), n});
        }
    }
    return used;
}

// Each sentence through the router, as the program decodes them, at the tick given.
inline void Stream(const std::vector<std::string>& sentences, uint32_t tickMs = 0) {
    for (const std::string& s : sentences) {
        const SentenceKind kind =
            s.find("GSA") == 3 ? SentenceKind::kGsa
                               : (s.find("GSV") == 3 ? SentenceKind::kGsv : SentenceKind::kOther);
        DecodeSentence(Nav, kind, s.c_str(), static_cast<int32_t>(s.size()), tickMs);
    }
}

}  // namespace sky_test
