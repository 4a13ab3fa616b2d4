// gpsd's expected output for a receiver log (its .chk file): the satellites of
// its last SKY report, an independent answer for what a log's end shows.
#pragma once

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "nmea/satellite_identity.h"

namespace test_support {

// What gpsd holds of a satellite; -1 for a position it does not know.
struct GpsdSatellite {
    int elevation = -1;
    int azimuth = -1;
    bool used = false;
    bool operator==(const GpsdSatellite&) const = default;
};

// By system and gpsd's number within it (svid: each system from 1, SBAS by PRN).
using GpsdSky = std::map<std::pair<GnssSystem, int>, GpsdSatellite>;

// A number, true/false, or -1 for null or missing, after "key": in the object.
inline int JsonValue(const std::string& object, const std::string& key) {
    const std::size_t at = object.find("\"" + key + "\":");
    if (at == std::string::npos) return -1;
    const char* text = object.c_str() + at + key.size() + 3;
    if (*text == 't') return 1;
    if (*text == 'f') return 0;
    if (*text == 'n') return -1;
    return static_cast<int>(std::lround(std::strtod(text, nullptr)));
}

// The last SKY report with satellites, each satellite once over its signals:
// used when any signal is, placed where any signal places it.
inline GpsdSky LastGpsdSky(const std::string& chk) {
    std::istringstream lines(chk);
    std::string line, last;
    while (std::getline(lines, line)) {
        if (line.find("\"class\":\"SKY\"") != std::string::npos &&
            line.find("\"satellites\"") != std::string::npos) {
            last = line;
        }
    }
    GpsdSky sky;
    // gpsd's gnssid: 0 GPS, 1 SBAS, 2 Galileo, 3 BeiDou, 5 QZSS, 6 GLONASS.
    const GnssSystem systems[] = {GnssSystem::kGps,    GnssSystem::kSbas, GnssSystem::kGalileo,
                                  GnssSystem::kBeidou, GnssSystem::kGps,  GnssSystem::kQzss,
                                  GnssSystem::kGlonass};
    for (std::size_t from = last.find("{\"PRN\""); from != std::string::npos;
         from = last.find("{\"PRN\"", from + 1)) {
        const std::string object = last.substr(from, last.find('}', from) - from);
        const int gnssid = JsonValue(object, "gnssid");
        if (gnssid < 0 || gnssid > 6 || gnssid == 4) continue;
        GpsdSatellite& s = sky[{systems[gnssid], JsonValue(object, "svid")}];
        if (s.elevation < 0) {
            s.elevation = JsonValue(object, "el");
            s.azimuth = JsonValue(object, "az");
        }
        s.used = s.used || JsonValue(object, "used") == 1;
    }
    return sky;
}

}  // namespace test_support
