// gpsd's expected output for a receiver log (its .chk file): the satellites of
// its last SKY report, an independent answer for what a log's end shows.
#pragma once

#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

// The satellites of one SKY report, each once over its signals: used when any signal is,
// placed where any signal places it.
inline GpsdSky SkyOf(const std::string& report) {
    GpsdSky sky;
    // gpsd's gnssid: 0 GPS, 1 SBAS, 2 Galileo, 3 BeiDou, 5 QZSS, 6 GLONASS.
    const GnssSystem systems[] = {GnssSystem::kGps,    GnssSystem::kSbas, GnssSystem::kGalileo,
                                  GnssSystem::kBeidou, GnssSystem::kGps,  GnssSystem::kQzss,
                                  GnssSystem::kGlonass};
    for (std::size_t from = report.find("{\"PRN\""); from != std::string::npos;
         from = report.find("{\"PRN\"", from + 1)) {
        const std::string object = report.substr(from, report.find('}', from) - from);
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

// The SKY reports with satellites, in order.
inline std::vector<std::string> SkyReports(const std::string& chk) {
    std::istringstream lines(chk);
    std::vector<std::string> reports;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("\"class\":\"SKY\"") != std::string::npos &&
            line.find("\"satellites\"") != std::string::npos) {
            reports.push_back(line);
        }
    }
    return reports;
}

// The last SKY report with satellites.
inline GpsdSky LastGpsdSky(const std::string& chk) {
    const std::vector<std::string> reports = SkyReports(chk);
    return reports.empty() ? GpsdSky{} : SkyOf(reports.back());
}

// The satellites of every SKY report with the last one's time: gpsd sends two a second for some
// receivers, from two of their messages, which need not list the same satellites nor agree on
// which are used. Those they disagree on are undecided.
inline GpsdSky LastMomentSky(const std::string& chk,
                             std::set<std::pair<GnssSystem, int>>* undecided) {
    const std::vector<std::string> reports = SkyReports(chk);
    GpsdSky sky;
    if (reports.empty()) return sky;
    auto timeOf = [](const std::string& report) {
        const std::size_t at = report.find("\"time\":\"");
        return at == std::string::npos ? std::string() : report.substr(at, 32);
    };
    const std::string last = timeOf(reports.back());
    // The last report places the satellites it lists; earlier ones add the others.
    for (auto report = reports.rbegin(); report != reports.rend(); ++report) {
        if (timeOf(*report) != last) break;
        for (const auto& [key, s] : SkyOf(*report)) {
            const auto [it, added] = sky.emplace(key, s);
            if (added) continue;
            if (it->second.used != s.used) undecided->insert(key);
            if (it->second.elevation < 0)
                it->second = GpsdSatellite{s.elevation, s.azimuth, it->second.used};
        }
    }
    return sky;
}

}  // namespace test_support
