// The satellites of real receiver logs against an independent answer: gpsd's
// last SKY report for the same bytes (the log's .chk file).
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "nmea/sentence_assembler.h"
#include "nmea/sentence_router.h"
#include "nmea/sky_view.h"
#include "tests/support/gpsd_sky.h"
#include "tests/support/nmea_text.h"

namespace {

constexpr GnssSystem G = GnssSystem::kGps;
constexpr GnssSystem S = GnssSystem::kSbas;
constexpr GnssSystem R = GnssSystem::kGlonass;
constexpr GnssSystem E = GnssSystem::kGalileo;
constexpr GnssSystem C = GnssSystem::kBeidou;
constexpr GnssSystem J = GnssSystem::kQzss;

using test_support::GpsdSatellite;
using Seen = GpsdSatellite;
using Key = std::pair<GnssSystem, int>;
using Sky = test_support::GpsdSky;

// Receivers send NMEA 4.0 numbers or offsets on them; gpsd's svid is the
// satellite's own number within its system.
int GpsdNumber(GnssSystem system, int number) {
    switch (system) {
        case GnssSystem::kSbas:
            return number <= 64 ? number + 87 : number;
        case GnssSystem::kGlonass:
            return number > 64 ? number - 64 : number;
        case GnssSystem::kGalileo:
            return number > 300 ? number - 300 : (number > 100 ? number - 100 : number);
        case GnssSystem::kBeidou:
            return number > 400 ? number - 400 : (number > 200 ? number - 200 : number);
        case GnssSystem::kQzss:
            return number > 192 ? number - 192 : number;
        default:
            return number;
    }
}

// The log through the assembler and the router as the program runs it, on a
// clock that follows the receiver's own time of day (GGA and RMC); the sky as
// the screen last drew it, at the end of the last complete group.
Sky Ours(const std::string& bytes) {
    ResetNmeaState();
    static SkyView view;
    view.count = 0;
    uint32_t tickMs = 0;
    auto handle = [&](const SentenceAssembler& a) {
        const SentenceKind kind = ClassifySentence(a.sentenceText, a.sentenceLength);
        if (DecodeSentence(Nav, kind, a.sentenceText, a.sentenceLength, tickMs)) {
            BuildSkyView(Nav, &view);
        }
        if (kind == SentenceKind::kGga || kind == SentenceKind::kRmc) {
            const double t = kind == SentenceKind::kGga ? Nav.ggaTime : Nav.rmcTime;
            const int64_t h = static_cast<int64_t>(t / 10000),
                          m = static_cast<int64_t>(t / 100) % 100;
            const uint32_t ms =
                static_cast<uint32_t>(((h * 60 + m) * 60) * 1000 + std::fmod(t, 100.0) * 1000);
            if (ms > tickMs) tickMs = ms;
        }
    };
    AssembleBytes(Assembler, reinterpret_cast<const uint8_t*>(bytes.data()),
                  static_cast<int32_t>(bytes.size()), handle);
    AssembleBytes(Assembler, reinterpret_cast<const uint8_t*>("$"), 1, handle);
    Sky sky;
    for (int32_t i = 0; i < view.count; ++i) {
        const SkySatellite& s = view.satellites[i];
        Seen& seen = sky[{s.system, GpsdNumber(s.system, s.number)}];
        if (s.located) {
            seen.elevation = s.elevation;
            seen.azimuth = s.azimuth;
        }
        seen.used = s.used;
    }
    return sky;
}

enum class Side { kOursOnly, kGpsdOnly };

// Where Skymark and gpsd differ, and why Skymark is right or the difference
// is deliberate. An empty number list covers the whole system.
struct Difference {
    const char* log;
    GnssSystem system;
    std::vector<int> numbers;
    Side side;
    const char* reason;
};

const Difference kDifferences[] = {
    {"jl-micro-jlt",
     G,
     {},
     Side::kOursOnly,
     "GPS comes in every fifth second, Galileo two seconds later; gpsd reports only the last "
     "talker's group, while its GPS satellites, listed 2 s before and used in the fix, are "
     "still in view"},
    {"jl-micro-jlt", S, {}, Side::kOursOnly, "SBAS comes with GPS, as above"},
    {"st-teseo-liv4f",
     E,
     {11, 31},
     Side::kOursOnly,
     "listed by the Galileo E5b group of the second before; the receiver skips that signal in "
     "its last second, and gpsd reports only the groups since its last report"},
    {"st-teseo-liv4f",
     C,
     {8, 11, 12, 19, 22, 35},
     Side::kOursOnly,
     "listed by the BeiDou B1I group of the second before, as above; 8, 11 and 19 are used in "
     "the last fix"},
    {"quectel-eg25-g",
     C,
     {},
     Side::kGpsdOnly,
     "only Quectel's proprietary $PQGSV lists BeiDou; Skymark reads satellites only from "
     "standard talkers (none of them is tracked or used)"},
};

const Difference* Listed(const std::string& log, const Key& key, Side side) {
    for (const Difference& d : kDifferences) {
        if (d.log != log || d.system != key.first || d.side != side) continue;
        if (d.numbers.empty()) return &d;
        for (int n : d.numbers) {
            if (n == key.second) return &d;
        }
    }
    return nullptr;
}

std::string Describe(const Seen& s) {
    return "el " + std::to_string(s.elevation) + " az " + std::to_string(s.azimuth) +
           (s.used ? " used" : " not used");
}

TEST(SkyLogs, LastSkyAgreesWithGpsd) {
    const char* logs[] = {"beidou-bd",        "bu353-glonass",      "gp-320fw-2019-04-07-coldboot",
                          "jl-micro-jlt",     "quectel-eg25-g",     "quectelLC79D",
                          "skytraq-dgps",     "st-teseo-liv4f",     "ublox-8",
                          "ublox-f9p-hpnmea", "ublox-neo-m9n-nmea", "unicore-um621"};
    std::set<const Difference*> differencesSeen;
    for (const std::string log : logs) {
        SCOPED_TRACE(log);
        const std::string bytes = test_support::SampleLog(log + ".nmea");
        const std::string chk = test_support::SampleLog(log + ".chk");
        ASSERT_FALSE(bytes.empty() || chk.empty()) << "missing in " << SKYMARK_DATA_DIR;
        const Sky ours = Ours(bytes);
        const Sky gpsd = test_support::LastGpsdSky(chk);
        ASSERT_FALSE(gpsd.empty());
        for (const auto& [key, seen] : gpsd) {
            const std::string name = "system " + std::to_string(static_cast<int>(key.first)) +
                                     " number " + std::to_string(key.second);
            const auto it = ours.find(key);
            if (it == ours.end()) {
                if (const Difference* d = Listed(log, key, Side::kGpsdOnly)) {
                    differencesSeen.insert(d);
                } else {
                    ADD_FAILURE() << name << ": gpsd has it (" << Describe(seen) << "), we do not";
                }
                continue;
            }
            EXPECT_EQ(it->second, seen)
                << name << ": ours " << Describe(it->second) << ", gpsd " << Describe(seen);
        }
        for (const auto& [key, seen] : ours) {
            if (gpsd.count(key) != 0) continue;
            if (const Difference* d = Listed(log, key, Side::kOursOnly)) {
                differencesSeen.insert(d);
            } else {
                ADD_FAILURE() << "system " << static_cast<int>(key.first) << " number "
                              << key.second << ": we have it (" << Describe(seen)
                              << "), gpsd does not";
            }
        }
    }
    // Each listed difference still shows: none is stale.
    for (const Difference& d : kDifferences)
        EXPECT_EQ(differencesSeen.count(&d), 1u) << d.log << ": " << d.reason;
}

// gpsd's NMEA of binary receivers lists every system under GP by gpsd's numbers: each satellite
// shown is one of gpsd's own SKY reports of the log, at its place there, and the GSA's
// satellites are used. The GLONASS capture's GSA uses 66, 75 and 76.
TEST(SkyLogs, GpsdNmeaOfEverySystemUnderGp) {
    const struct {
        const char* log;
        std::set<GnssSystem> systems;  // at least these are shown
        std::set<int> used;            // GLONASS numbers as sent
    } captures[] = {
        {"ublox-glo", {R}, {66, 75, 76}},
        {"ublox-f9p-rtcm", {G, S, R, E, C, J}, {}},
    };
    for (const auto& c : captures) {
        SCOPED_TRACE(c.log);
        const std::string bytes = test_support::GpsdLog(std::string(c.log) + ".gpspipe-r");
        const std::string chk = test_support::GpsdLog(std::string(c.log) + ".log.chk");
        ASSERT_FALSE(bytes.empty() || chk.empty());
        // Where gpsd placed each satellite in any of its reports of the log.
        std::map<Key, std::set<std::pair<int, int>>> places;
        for (const std::string& report : test_support::SkyReports(chk)) {
            for (const auto& [key, s] : test_support::SkyOf(report))
                places[key].insert({s.elevation, s.azimuth});
        }
        const Sky ours = Ours(bytes);
        std::set<GnssSystem> shown;
        for (const auto& [key, seen] : ours) {
            SCOPED_TRACE("system " + std::to_string(static_cast<int>(key.first)) + " number " +
                         std::to_string(key.second));
            shown.insert(key.first);
            ASSERT_EQ(places.count(key), 1u) << "not one of gpsd's satellites";
            if (seen.elevation >= 0) {
                EXPECT_EQ(places[key].count({seen.elevation, seen.azimuth}), 1u)
                    << "el " << seen.elevation << " az " << seen.azimuth;
            }
            if (key.first == R && !c.used.empty()) {
                EXPECT_EQ(seen.used, c.used.count(key.second + 64) == 1);
            }
        }
        for (const GnssSystem system : c.systems)
            EXPECT_EQ(shown.count(system), 1u) << "system " << static_cast<int>(system);
    }
}

}  // namespace
