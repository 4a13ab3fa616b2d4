// How good the fix is, in the numbers GGA's quality indicator uses: from GGA
// itself, from the mode indicators of RMC and GNS, and (through the same
// field) from gpsd's fix status.
#pragma once

#include <cstdint>

// GGA's fix quality indicator.
enum FixQualityValue : uint8_t {
    kNoFixQuality = 0,
    kAutonomous = 1,
    kDifferential = 2,
    kPpsFix = 3,
    kRtkFixed = 4,
    kRtkFloat = 5,
    kDeadReckoning = 6,
    kManualInput = 7,
    kSimulated = 8,
};

// The quality a mode indicator letter stands for (NMEA 2.3 RMC: A D E M S N;
// NMEA 4.x RMC and GNS add P, R and F), or -1 for anything else.
inline int QualityOfMode(char mode) {
    switch (mode) {
        case 'N':
            return kNoFixQuality;
        case 'A':
            return kAutonomous;
        case 'D':
            return kDifferential;
        case 'P':
            return kPpsFix;
        case 'R':
            return kRtkFixed;
        case 'F':
            return kRtkFloat;
        case 'E':
            return kDeadReckoning;
        case 'M':
            return kManualInput;
        case 'S':
            return kSimulated;
        default:
            return -1;
    }
}

// GNS gives one mode letter per system (GPS, GLONASS, Galileo, BeiDou, QZSS,
// NavIC): the solution is as good as its best-corrected system, so the
// letter that tells most stands for all of them. NUL when none is a mode.
inline char MostTellingMode(const char* letters, int32_t count) {
    static constexpr char kRanked[] = "RFDPAEMSN";
    for (const char wanted : kRanked) {
        if (wanted == '\0') break;
        for (int32_t i = 0; i < count; ++i) {
            if (letters[i] == wanted) return wanted;
        }
    }
    return '\0';
}

// The quality to show: GGA's when it says more than a plain fix or none,
// else what the latest mode indicators say when that says more, else GGA's.
// A receiver in RTK sending NMEA 2.3 marks its RMC only 'D'; GGA's 4 wins.
inline uint8_t ShownFixQuality(uint8_t ggaQuality, char rmcMode, char gnsMode) {
    if (ggaQuality > kAutonomous) return ggaQuality;
    int mode = QualityOfMode(gnsMode);
    const int rmc = QualityOfMode(rmcMode);
    if (rmc > kAutonomous && mode <= kAutonomous) mode = rmc;
    if (mode > kAutonomous) return static_cast<uint8_t>(mode);
    return ggaQuality;
}
