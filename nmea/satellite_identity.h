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

namespace satellite_identity {

inline bool Within(int32_t number, int32_t low, int32_t high) {
    return number >= low && number <= high;
}

// NMEA 4.0 ranges with the vendor additions receivers use. A GPS talker
// lists SBAS and QZSS satellites among its own; older receivers and gpsd's
// NMEA output list GLONASS, Galileo and BeiDou under it as well, by gpsd's
// ranges (65-96, 301-336, 401-463), but none of the 201-237 BeiDou numbers.
inline bool RangeSystem(int32_t number, bool gpsTalker, GnssSystem* system) {
    if (Within(number, 1, 32)) {
        *system = GnssSystem::kGps;
    } else if (Within(number, 33, 64) || Within(number, 120, 158)) {
        *system = GnssSystem::kSbas;  // SBAS PRN minus 87, or the PRN itself
    } else if (Within(number, 65, 96)) {
        *system = GnssSystem::kGlonass;  // slot plus 64
    } else if (Within(number, 193, gpsTalker ? 202 : 200)) {
        *system = GnssSystem::kQzss;
    } else if ((!gpsTalker && Within(number, 201, 237)) || Within(number, 401, 463)) {
        *system = GnssSystem::kBeidou;
    } else if (Within(number, 301, 336)) {
        *system = GnssSystem::kGalileo;
    } else {
        return false;
    }
    return true;
}

}  // namespace satellite_identity

// A system a GPS talker lists only in the ranges that older receivers and
// gpsd use for it.
inline bool ForeignToGpsTalker(GnssSystem system) {
    return system == GnssSystem::kGlonass || system == GnssSystem::kGalileo ||
           system == GnssSystem::kBeidou;
}

// The talker of a sentence from the two letters after its '$': $GPGSV,
// $GLGSV, $GAGSV, $GBGSV or $BDGSV, $GQGSV or $QZGSV, $GIGSV, $GNGSA.
inline Talker TalkerOf(const char* sentence, int32_t length) {
    if (length < 3) return Talker::kOther;
    const char first = sentence[1];
    const char second = sentence[2];
    if (first == 'G') {
        switch (second) {
            case 'P':
                return Talker::kGps;
            case 'L':
                return Talker::kGlonass;
            case 'A':
                return Talker::kGalileo;
            case 'B':
                return Talker::kBeidou;
            case 'Q':
                return Talker::kQzss;
            case 'I':
                return Talker::kNavic;
            case 'N':
                return Talker::kCombined;
            default:
                return Talker::kOther;
        }
    }
    // The older talkers of BeiDou and QZSS.
    if (first == 'B' && second == 'D') return Talker::kBeidou;
    if (first == 'Q' && second == 'Z') return Talker::kQzss;
    return Talker::kOther;
}

// The system ID of NMEA 4.10 (1 GPS to 6 NavIC, one hex digit), or kOther
// for anything else, such as the decimal number some receivers put there.
inline Talker SystemIdTalker(const char* text, int32_t length) {
    if (length != 1) return Talker::kOther;
    switch (text[0]) {
        case '1':
            return Talker::kGps;
        case '2':
            return Talker::kGlonass;
        case '3':
            return Talker::kGalileo;
        case '4':
            return Talker::kBeidou;
        case '5':
            return Talker::kQzss;
        case '6':
            return Talker::kNavic;
        default:
            return Talker::kOther;
    }
}

// The system of a satellite that the talker lists under this number; false
// when the number names no satellite of that talker. Inline: the decoders ask
// for every satellite of every GSA and GSV.
inline bool SatelliteSystem(Talker talker, int32_t number, GnssSystem* system) {
    using satellite_identity::RangeSystem;
    using satellite_identity::Within;
    if (!Within(number, 1, kMaxSatelliteNumber)) return false;
    switch (talker) {
        case Talker::kGps:
            return RangeSystem(number, true, system);
        case Talker::kCombined:
            return RangeSystem(number, false, system);
        case Talker::kGlonass:
            *system = GnssSystem::kGlonass;
            return true;
        case Talker::kGalileo:
            *system = GnssSystem::kGalileo;
            return true;
        case Talker::kBeidou:
            *system = GnssSystem::kBeidou;
            return true;
        case Talker::kQzss:
            *system = GnssSystem::kQzss;
            return true;
        case Talker::kNavic:
            *system = GnssSystem::kNavic;
            return true;
        case Talker::kOther:
            return false;
    }
    return false;
}
