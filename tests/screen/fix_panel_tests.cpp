// The fix panel right of the sky plot, drawn on the window by the real
// rasteriser after sentences went through the stream, on the virtual clock.
#include <string>
#include <vector>

#include "host/host.h"
#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "screen/drawing_resources.h"
#include "screen/fix_panel.h"
#include "screen/forget_source.h"
#include "screen/main_screen.h"
#include "screen_fixture.h"
#include "tests/support/fix_panel_cells.h"

namespace {

using test_support::kErrorLine;
using test_support::kFirstFix;
using test_support::kFixLine;
using test_support::kTotal;
using test_support::SystemCell;

class FixPanelTest : public ScreenTest {
  protected:
    void SetUp() override {
        host::UseVirtualClock(0);
        ScreenTest::SetUp();
    }
    void TearDown() override { host::UseRealClock(); }

    // A second of the receiver, then the tick's panel.
    static void Second(const std::string& bytes) {
        Feed(bytes + "$");
        DrawFixPanel(window);
    }
    static void Wait(uint64_t ms) {
        host::AdvanceVirtualClock(ms);
        DrawFixPanel(window);
    }
    static PanelTexts Texts() {
        static SystemCounts none;
        PanelTexts texts;
        FormatFixPanel(Nav, none, GetTickCount(), &texts);
        return texts;
    }
};

std::string Gga(int quality) {
    return Sentence("GPGGA,120000,4807.038,N,01131.000,E," + std::to_string(quality) +
                    ",08,0.9,545.4,M,46.9,M,,");
}

// The quality word for each value GGA's indicator takes, on the window.
TEST_F(FixPanelTest, QualityWordForEachGgaQuality) {
    const char16_t* expected[] = {u"No fix",     u"Fix 3D",           u"Fix 3D DGPS",
                                  u"Fix 3D PPS", u"Fix 3D RTK fixed", u"Fix 3D RTK float",
                                  u"Fix 3D DR",  u"Fix 3D Manual",    u"Fix 3D Sim"};
    for (int quality = 0; quality <= 8; ++quality) {
        SCOPED_TRACE(quality);
        ResetNmeaState();
        const std::string fixType = quality == 0 ? "1" : "3";
        Second(Gga(quality) + Sentence("GPGSA,A," + fixType + ",05,07,,,,,,,,,,,2.5,1.6,1.9"));
        EXPECT_TRUE(FieldShows(kFixLine, expected[quality]));
    }
}

// RMC's and GNS's mode letters say what GGA does not; a receiver without GSA
// shows a fix of no known dimension.
TEST_F(FixPanelTest, ModeIndicatorsAndFixesWithoutGsa) {
    const struct {
        const char* name;
        std::string second;
        const char16_t* fix;
    } cases[] = {
        {"RMC mode D over GGA quality 1",
         Gga(1) + Sentence("GPGSA,A,2,05,07,,,,,,,,,,,2.5,1.6,1.9") +
             Sentence("GPRMC,120000,A,4807.038,N,01131.000,E,0.0,0.0,311226,,,D"),
         u"Fix 2D DGPS"},
        {"GNS mode RTK float",
         Gga(1) + Sentence("GNGNS,120000,4807.038,N,01131.000,E,FAAN,14,0.6,545.4,46.9,,"),
         u"Fix RTK float"},
        {"RMC alone, mode A", Sentence("GPRMC,120000,A,4807.038,N,01131.000,E,0.0,0.0,311226,,,A"),
         u"Fix"},
        {"RMC alone, status A without a position",
         Sentence("GPRMC,120000,A,,,,,0.0,0.0,311226,,,A"), u"No fix"},
        {"RMC alone, status V", Sentence("GPRMC,120000,V,,,,,,,311226,,,N"), u"No fix"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetNmeaState();
        Second(c.second);
        EXPECT_TRUE(FieldShows(kFixLine, c.fix));
    }
}

TEST_F(FixPanelTest, ErrorFromGstToATenthOfAMetre) {
    const struct {
        const char* name;
        std::string gst;
        const char16_t* error;
    } cases[] = {
        // sqrt(0.4^2 + 0.6^2) = 0.72
        {"skytraq", Sentence("GPGST,213121.000,16.1,22.2,10.2,2.0,0.4,0.6,1.4"),
         u"Error H 0.7 m V 1.4 m"},
        // sqrt(0.98^2 + 1.0^2) = 1.400, the RMS of 228650 m left aside
        {"u-blox", Sentence("GNGST,223745.00,228650,2.5,2.4,126,0.98,1.0,3.1"),
         u"Error H 1.4 m V 3.1 m"},
        {"rounding", Sentence("GPGST,1,,,,,3.0,4.0,0.05"), u"Error H 5.0 m V 0.1 m"},
        {"no vertical", Sentence("GPGST,1,,,,,6.0,8.0,"), u"Error H 10.0 m"},
        {"no horizontal", Sentence("GPGST,1,,,,,6.0,,2.26"), u"Error V 2.3 m"},
        // The dilutions are there, but an error is never made up from them.
        {"none", Sentence("GPGST,1,,,,,,,"), u"No error estimate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetNmeaState();
        Second(Gga(1) + Sentence("GPGSA,A,3,05,07,,,,,,,,,,,2.5,1.6,1.9") + c.gst);
        EXPECT_TRUE(FieldShows(kErrorLine, c.error));
    }
}

// gpsd's estimates for a fix stand in where no error report came, under
// their own names; a report's sigmas win over them.
TEST_F(FixPanelTest, GpsdEstimatesNamedAsSuch) {
    Second(Gga(1));
    Nav.accuracy.known = kHorizontalError | kVerticalError;
    Nav.accuracy.horizontalError = 12.34f;
    Nav.accuracy.verticalError = 20.0f;
    EXPECT_EQ(std::u16string(Texts().error), u"Error eph 12.3 m epv 20.0 m");
    Nav.accuracy.known |= kLatitudeSigma | kLongitudeSigma;
    Nav.accuracy.latitudeSigma = 0.3f;
    Nav.accuracy.longitudeSigma = 0.4f;
    EXPECT_EQ(std::u16string(Texts().error), u"Error H 0.5 m");
}

// The wait for the first fix counts up from the first verified sentence and
// is kept once the fix comes; a silence of three seconds replaces the fix
// line with its age until data flows again, and nothing else changes.
TEST_F(FixPanelTest, FirstFixAndNoData) {
    const std::string noFix = Gga(0) + Sentence("GPGSA,A,1,,,,,,,,,,,,,,,");
    Second(Sentence("GPTXT,01,01,02,HELLO"));
    EXPECT_TRUE(FieldShows(kFirstFix, u"TTFF 0 s..."));
    for (int s = 1; s <= 12; ++s) {
        host::AdvanceVirtualClock(1000);
        Second(noFix);
    }
    EXPECT_TRUE(FieldShows(kFirstFix, u"TTFF 12 s..."));
    EXPECT_TRUE(FieldShows(kFixLine, u"No fix"));
    Wait(400);
    EXPECT_TRUE(FieldShows(kFirstFix, u"TTFF 12 s..."));
    // The fix comes 37 s after the first sentence; ticks a few hundred
    // milliseconds late round to the receiver's seconds.
    host::AdvanceVirtualClock(37000 - 12400 + 300);
    Second(Gga(1) + Sentence("GPGSA,A,3,05,07,,,,,,,,,,,2.5,1.6,1.9"));
    EXPECT_TRUE(FieldShows(kFirstFix, u"TTFF 37 s"));
    Wait(2900);
    EXPECT_TRUE(FieldShows(kFixLine, u"Fix 3D"));
    const std::vector<uint32_t> before = Pixels();
    Wait(100);
    EXPECT_TRUE(FieldShows(kFixLine, u"No data 3 s"));
    Wait(9500);
    EXPECT_TRUE(FieldShows(kFixLine, u"No data 12 s"));
    EXPECT_TRUE(FieldShows(kFirstFix, u"TTFF 37 s"));
    EXPECT_EQ(ChangedOutside(before, {kFixLine}), 0) << "the rest of the screen stays";
    Second(Gga(1));
    EXPECT_TRUE(FieldShows(kFixLine, u"Fix 3D"));
}

// A lost source takes its panel with it; the next source starts its own
// wait for a fix.
TEST_F(FixPanelTest, LostSourceEmptiesThePanel) {
    Second(Gga(1) + Sentence("GPGSA,A,3,05,07,,,,,,,,,,,2.5,1.6,1.9") +
           Sentence("GPGST,1,,,,,0.4,0.6,1.4"));
    FeedSky({{"GP", 5, 120, 33, 40, true}, {"GL", 70, 40, 20, 30, false}});
    DrawFixPanel(window);
    EXPECT_TRUE(FieldShows(kTotal, u"Sats 1/2"));
    host::AdvanceVirtualClock(5000);
    ForgetSource(window);
    for (const RECT& row : {kFixLine, kErrorLine, kFirstFix, kTotal, SystemCell(0), SystemCell(1)})
        EXPECT_TRUE(FieldShows(row, u""));
    Second(Gga(0));
    EXPECT_TRUE(FieldShows(kFirstFix, u"TTFF 0 s..."));
    EXPECT_TRUE(FieldShows(kTotal, u"Sats 0/0"));
}

// Used and in view per system, each satellite once whatever signals it was
// listed for, in the screen's order of systems; only systems in view.
TEST_F(FixPanelTest, SatellitesPerSystem) {
    Second(Gga(1));
    FeedSky({{"GB", 5, 10, 20, 30, true},
             {"GP", 5, 120, 33, 40, true},
             {"GP", 12, 200, 50, 35, false},
             {"GP", 40, 160, 32, 41, false},  // SBAS 127
             {"GA", 5, 300, 60, 44, true},
             {"GA", 9, 330, 10, 20, true},
             {"GQ", 2, 100, 70, 38, false}});
    // Galileo 5 and 9 once more, on a second signal.
    Feed(Sentence("GAGSV,1,1,02,05,60,300,40,09,10,330,22,7") + "$");
    DrawFixPanel(window);
    EXPECT_TRUE(FieldShows(SystemCell(0), u"GPS 1/2"));
    EXPECT_TRUE(FieldShows(SystemCell(1), u"SBS 0/1"));
    EXPECT_TRUE(FieldShows(SystemCell(2), u"GAL 2/2"));
    EXPECT_TRUE(FieldShows(SystemCell(3), u"BDS 1/1"));
    EXPECT_TRUE(FieldShows(SystemCell(4), u"QZS 0/1"));
    EXPECT_TRUE(FieldShows(SystemCell(5), u""));
    EXPECT_TRUE(FieldShows(kTotal, u"Sats 4/7"));
    // GNS counts satellites used that no GSA lists.
    Second(Sentence("GNGNS,120000,4807.038,N,01131.000,E,AAAA,23,0.6,545.4,46.9,,"));
    EXPECT_TRUE(FieldShows(kTotal, u"Sats 23/7"));
}

// Only what changed is drawn again; a paint draws the panel as it stood.
TEST_F(FixPanelTest, DrawsOnlyWhatChanged) {
    Second(Gga(1) + Sentence("GPGSA,A,3,05,07,,,,,,,,,,,2.5,1.6,1.9"));
    const std::vector<uint32_t> drawn = Pixels();
    ScratchRect = kFixPanelArea;
    FillRect(window, &ScratchRect, backdropBrush);
    const std::vector<uint32_t> covered = Pixels();
    Second(Gga(1) + Sentence("GPGSA,A,3,05,07,,,,,,,,,,,2.5,1.6,1.9"));
    EXPECT_EQ(ChangedOutside(covered), 0) << "nothing changed, nothing drawn";
    RepaintFixPanel(window);
    EXPECT_EQ(ChangedOutside(drawn, {}), 0);
}

}  // namespace
