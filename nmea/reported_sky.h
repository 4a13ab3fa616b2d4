// The satellites of gpsd's latest sky report: one entry per signal, each
// satellite by its system and its own number in that system.
#pragma once

#include <cstdint>

#include "nmea/satellite_identity.h"

// More signals than gpsd lists in one report.
inline constexpr int32_t kReportedSignals = 184;

struct ReportedSignal {
    GnssSystem system;
    uint8_t used;     // 1 when gpsd marks the signal used in the fix
    uint8_t located;  // 1 when elevation and azimuth are known
    uint16_t number;  // the satellite's own number (gpsd's svid; SBAS by PRN)
    uint16_t elevation;
    uint16_t azimuth;
    float snr;  // dB-Hz as gpsd reports it, 0 to 99; 0 when not tracked
};

struct ReportedSky {
    int32_t count;
    ReportedSignal signals[kReportedSignals];
};
