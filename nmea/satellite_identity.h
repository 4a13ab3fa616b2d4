// Which system a satellite belongs to: from the talker of its sentence, the
// system ID a GSA may carry, or the number ranges of NMEA 4.0.
#pragma once

#include <cstdint>

// In the order the screen lists them.
enum class GnssSystem : uint8_t { kGps, kSbas, kGlonass, kGalileo, kBeidou, kQzss, kNavic };
inline constexpr int kGnssSystemCount = 7;

// Who a sentence speaks for. kCombined (GN) lists satellites of every system
// by their NMEA 4.0 number ranges; kOther is not satellite data at all.
enum class Talker : uint8_t {
    kGps,
    kGlonass,
    kGalileo,
    kBeidou,
    kQzss,
    kNavic,
    kCombined,
    kOther,
};

// Satellite numbers are kept as the receiver sends them, up to this.
inline constexpr int32_t kMaxSatelliteNumber = 511;

// The talker of a sentence from the two letters after its '$'.
Talker TalkerOf(const char* sentence, int32_t length);

// The system ID of NMEA 4.10 (1 GPS to 6 NavIC, one hex digit), or kOther
// for anything else, such as the decimal number some receivers put there.
Talker SystemIdTalker(const char* text, int32_t length);

// The system of a satellite that the talker lists under this number; false
// when the number names no satellite of that talker.
bool SatelliteSystem(Talker talker, int32_t number, GnssSystem* system);
