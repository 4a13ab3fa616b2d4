// A sky that can be read, over the real rasteriser's plot: the simulator's
// four-system sky, the end of two real logs of forty-odd satellites, and
// satellites at one place (what counts as legible: sky_legibility.h).
#include <cstdio>
#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "nmea/sky_view.h"
#include "screen/main_screen.h"
#include "screen/satellite_look.h"
#include "screen/sky_plot.h"
#include "screen_fixture.h"
#include "sim_core.h"
#include "tests/support/sky_legibility.h"

namespace {

using test_support::PlotSatellite;
using test_support::SkyLegibilityCheck;

class SkyLegibility : public ScreenTest {
  protected:
    static SkyLegibilityCheck Checker() {
        return SkyLegibilityCheck([](int x, int y) { return Px(x, y + 100); });
    }

    static void ExpectLegible(const std::vector<PlotSatellite>& sky, const std::string& name) {
        const test_support::Legibility result = Checker().Check(sky);
        for (const std::string& fault : result.faults)
            ADD_FAILURE() << fault;
        std::printf("%s: %zu located, %s\n", name.c_str(), sky.size(), result.Summary().c_str());
    }

    // The satellites the decoded state holds, as the plot places them.
    static std::vector<PlotSatellite> DecodedSky() {
        static SkyView view;
        BuildSkyView(Nav, &view);
        return test_support::PlacedSatellites(view);
    }
};

// The simulator's four-system receiver at several seconds: 32 to 38
// satellites, about twenty used. Which satellites it sees, where, and which
// it uses come from the simulator's own sky, not from the program.
TEST_F(SkyLegibility, SimulatorsFortySatelliteSky) {
    const sim::ReceiverConfig config;
    for (const std::uint32_t second : {12u, 52u, 300u, 3057u}) {
        SCOPED_TRACE(second);
        ResetNmeaState();
        ResetScreenState();
        Fill(window, WhiteBrush);
        static sim::Burst burst;
        sim::SynthesizeSecond(config, second, &burst);
        Feed(std::string(burst.bytes, burst.size) + "$");

        sim::SystemSky systems[sim::kSystems];
        sim::FourSystemSkyAt(second, systems);
        const GnssSystem kinds[sim::kSystems] = {GnssSystem::kGps, GnssSystem::kGlonass,
                                                 GnssSystem::kGalileo, GnssSystem::kBeidou};
        std::vector<PlotSatellite> sky;
        for (int k = 0; k < sim::kSystems; ++k) {
            for (int i = 0; i < systems[k].count; ++i) {
                const sim::SatelliteView& v = systems[k].satellites[i];
                // The GPS talker's SBAS satellite is numbered 33 and up.
                const GnssSystem system = k == 0 && v.prn > 32 ? GnssSystem::kSbas : kinds[k];
                const SkySatellite s{system,
                                     static_cast<uint16_t>(v.prn),
                                     static_cast<uint16_t>(v.elevation),
                                     static_cast<uint16_t>(v.azimuth),
                                     true,
                                     v.used,
                                     static_cast<float>(v.snr < 0 ? 0 : v.snr)};
                int32_t cx = 0, cy = 0;
                SkyMarkerCentre(s.azimuth, s.elevation, &cx, &cy);
                sky.push_back({s, cx, cy});
            }
        }
        ASSERT_GE(sky.size(), 32u);
        ExpectLegible(sky, "simulator, second " + std::to_string(second));
    }
}

// Real receivers of four systems with forty-odd satellites in view, at the
// end of their logs.
TEST_F(SkyLegibility, RealLogsOfFortySatellites) {
    for (const char* log : {"ublox-neo-m9n-nmea.nmea", "unicore-um621.nmea"}) {
        SCOPED_TRACE(log);
        ResetNmeaState();
        ResetScreenState();
        Fill(window, WhiteBrush);
        const std::string bytes = test_support::SampleLog(log);
        ASSERT_FALSE(bytes.empty());
        Feed(bytes + "$");
        const std::vector<PlotSatellite> sky = DecodedSky();
        ASSERT_GE(sky.size(), 38u);
        ExpectLegible(sky, log);
    }
}

// Satellites at one place: two used ones crowd, so both stand as tags, the
// stronger signal's at the place itself; those only in view leave marks.
TEST_F(SkyLegibility, SatellitesAtOnePlace) {
    FeedSky({{"GA", 30, 0, 90, 30, false},
             {"GP", 2, 0, 90, 35, true},
             {"GP", 9, 0, 90, 44, true},
             {"GB", 1, 0, 90, 20, false}});
    const std::vector<PlotSatellite> sky = DecodedSky();
    ASSERT_EQ(sky.size(), 4u);
    SkyLegibilityCheck check = Checker();
    EXPECT_FALSE(check.Whole(check.FullMarker(sky[1].s), 50, 50));
    int x = 0, y = 0;
    ASSERT_TRUE(check.FindWhole(check.Tag(sky[1].s), 50, 50, 0, &x, &y))
        << "GPS 9's tag at the place";
    EXPECT_TRUE(check.FindWhole(check.Tag(sky[0].s), 50, 50, 15, &x, &y))
        << "GPS 2's tag beside it";
    ExpectLegible(sky, "one place");
}

// A checker that finds faults: the old drawing of a crowded sky, every
// marker full at its place in the old order, hides used satellites.
TEST_F(SkyLegibility, TheCheckSeesACoveredSatellite) {
    FeedSky({{"GP", 9, 0, 90, 44, true}});
    const std::vector<PlotSatellite> alone = DecodedSky();
    ASSERT_EQ(alone.size(), 1u);
    // GPS 12 drawn over it as the plot once drew a higher number.
    SetBkMode(window, TRANSPARENT);
    SelectObject(window, BlackPen);
    SkySatellite over = alone[0].s;
    over.number = 12;
    over.used = false;
    DrawSatelliteMarker(window, over, 56, 156);
    SetBkMode(window, OPAQUE);
    const test_support::Legibility result = Checker().Check(alone);
    EXPECT_EQ(result.faults.size(), 1u);
}

}  // namespace
