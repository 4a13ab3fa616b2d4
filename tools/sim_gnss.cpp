// The four-system receiver: GPS with SBAS, GLONASS, Galileo and BeiDou, as a
// receiver of today reports them in NMEA 4.11, with an error report (GST).
#include <cmath>

#include "sim_core.h"
#include "sim_sentences.h"

namespace sim {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct SystemPlan {
    const char* talker;
    int systemId;
    int signalId;
    int fewest;  // in view; one or two more over ten minutes
    int numbers[kMaxSatellites];
};

// Numbers as NMEA 4.11 sends them: GPS 5, Galileo 5 and BeiDou 5 are three
// different satellites.
constexpr SystemPlan kPlans[kSystems] = {
    {"GP", 1, 1, 9, {2, 5, 7, 9, 12, 13, 15, 18, 20, 21, 25, 26, 29, 31}},
    {"GL", 2, 1, 6, {65, 66, 72, 73, 74, 79, 80, 81, 82, 88}},
    {"GA", 3, 7, 7, {1, 3, 4, 5, 9, 12, 13, 19, 24, 26, 31}},
    {"GB", 4, 1, 8, {5, 6, 9, 11, 12, 14, 16, 19, 21, 22, 25, 27, 30, 33}},
};

// EGNOS PRN 123, geostationary over the Atlantic, in the GPS talker's list.
constexpr int kSbasNumber = 123 - 87;

}  // namespace

void FourSystemSkyAt(std::uint32_t second, SystemSky (&out)[kSystems]) {
    const double t = static_cast<double>(second);
    const bool fixed = FixAt(second) != FixKind::kNone;
    for (int system = 0; system < kSystems; ++system) {
        const SystemPlan& plan = kPlans[system];
        SystemSky& sky = out[system];
        sky.talker = plan.talker;
        sky.systemId = plan.systemId;
        sky.signalId = plan.signalId;
        const double wave = std::sin(2.0 * kPi * t / 600.0 + system);
        sky.count = plan.fewest + 1 + static_cast<int>(std::lround(wave));
        int used = 0;
        for (int i = 0; i < sky.count; ++i) {
            SatelliteView& s = sky.satellites[i];
            s.prn = plan.numbers[i];
            const double phase = 0.7 * i + 1.3 * system;
            const double rate = 2.0 * kPi / (1800.0 + 97.0 * i + 31.0 * system);
            // Squared, so that more satellites sit low in the sky than high.
            const double height = 0.5 + 0.5 * std::sin(phase + t * rate);
            s.elevation = 5 + static_cast<int>(80.0 * height * height);
            const double drift = (i % 2 == 0 ? 0.05 : -0.04) * t;
            s.azimuth = static_cast<int>(
                std::fmod(i * 26.0 + 13.0 + 47.0 * system + drift + 3600.0, 360.0));
            // Satellites are picked up one after another during the first seconds.
            if (second < static_cast<std::uint32_t>((i + system) % 5)) {
                s.snr = -1;
            } else {
                const std::uint32_t noise =
                    parts::Mix(second, static_cast<std::uint32_t>(s.prn + 100 * system)) % 5u;
                s.snr = 16 + s.elevation * 35 / 100 + static_cast<int>(noise);
            }
            s.used = fixed && s.snr >= 25 && used < 12;
            if (s.used) ++used;
        }
        if (system == 0) {
            SatelliteView& sbas = sky.satellites[sky.count++];
            sbas = SatelliteView{kSbasNumber, 32, 160, 40 + static_cast<int>(second % 3), false};
        }
    }
}

namespace parts {

void SynthesizeFourSystems(const ReceiverConfig& config, std::uint32_t second, Burst* burst) {
    burst->size = 0;
    const std::size_t budget = kFastLineBytesPerSecond;
    const Moment m = MomentAt(config, second);
    const FixKind fix = FixAt(second);
    SystemSky skies[kSystems];
    FourSystemSkyAt(second, skies);
    int usedCount = 0;
    for (const SystemSky& sky : skies) {
        for (int i = 0; i < sky.count; ++i)
            usedCount += sky.satellites[i].used ? 1 : 0;
    }
    const Dops dops = DopsFor(usedCount);
    std::uint32_t index = 0;
    auto send = [&](const char* body) {
        AppendSentence(burst, budget, body, Corrupt(config, second, index++));
    };

    Body gga;
    AddGga(&gga, "GN", fix, m, usedCount, dops);
    send(gga.Text());

    // One GSA per system, the same dilutions in each: they are the fix's.
    for (const SystemSky& sky : skies) {
        Body gsa;
        gsa.Add("GN");
        AddGsa(&gsa, fix, sky.satellites, sky.count, dops, sky.systemId);
        send(gsa.Text());
    }
    for (const SystemSky& sky : skies)
        ForEachGsv(sky.talker, sky.satellites, sky.count, sky.signalId, send);

    // The error report: standard deviations that follow the dilutions, a
    // little noise on them, none without a fix.
    Body gst;
    if (fix == FixKind::kNone) {
        gst.Add("GNGST,%s,,,,,,,", m.time);
    } else {
        const double noise = 0.1 * static_cast<double>(parts::Mix(second, 7u) % 5u);
        const double latitude = 1.1 * dops.hdop + noise;
        const double longitude = 0.9 * dops.hdop + noise;
        gst.Add("GNGST,%s,%.1f,%.1f,%.1f,%.0f,%.1f,%.1f,%.1f", m.time, 2.0 * dops.pdop,
                latitude + 0.2, longitude, 30.0, latitude, longitude, 1.8 * dops.vdop + noise);
    }
    send(gst.Text());

    // NMEA 4.10 adds the mode and the navigational status to RMC.
    Body rmc;
    AddRmc(&rmc, "GN", fix, m, true);
    send(rmc.Text());
}

}  // namespace parts
}  // namespace sim
