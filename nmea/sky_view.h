// The sky as the screen shows it: every satellite in view once, merged over
// the signals its system's groups listed it for.
#pragma once

#include <cstdint>

#include "nmea/nav_record.h"
#include "nmea/satellite_identity.h"

struct SkySatellite {
    GnssSystem system;
    uint16_t number;  // as the receiver sends it
    uint16_t elevation;
    uint16_t azimuth;
    bool located;  // elevation and azimuth known
    bool used;     // used in the fix now, and there is a fix
    float snr;     // the best over its signals
};

// Each satellite comes from at least one entry of the groups: the view holds
// every one of them.
inline constexpr int kMaxSkySatellites = kSkyEntries;

struct SkyView {
    int32_t count;
    SkySatellite satellites[kMaxSkySatellites];
};

// The satellites of every complete group and of gpsd's latest sky report,
// each once, ordered by system and then number. A satellite is used when its
// system's latest GSA run lists it or gpsd marks it used, except while the
// fix type is 1 (no fix).
void BuildSkyView(const NavRecord& record, SkyView* view);
