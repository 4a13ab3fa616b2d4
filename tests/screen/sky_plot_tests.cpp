#include <set>
#include <string>

#include "host/host.h"
#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "screen/drawing_resources.h"
#include "screen/sky_plot.h"
#include "screen_fixture.h"

namespace {

class SkyPlotTest : public ScreenTest {
  protected:
    // Plot pixels in surface coordinates, as copied to the window at 0, 100.
    static uint32_t Plot(int x, int y) { return Px(x, y + 100); }
    static bool OnPlot(int x, int y) { return x >= 0 && x < 100 && y >= 0 && y < 100; }

    // The circle of a GPS satellite is inscribed in cx - 10 .. cx + 9: its
    // outline is black at both ends of the middle row and column, the pixel
    // beyond is not part of it, and the inside left of the label has the fill
    // colour.
    static void ExpectCircle(int cx, int cy, COLORREF fill) {
        const int outline[][2] = {{cx - 10, cy}, {cx + 9, cy}, {cx, cy - 10}, {cx, cy + 9}};
        for (const auto& p : outline) {
            if (OnPlot(p[0], p[1])) {
                EXPECT_EQ(Plot(p[0], p[1]), kBlack) << p[0] << "," << p[1];
            }
        }
        const int beyond[][2] = {{cx - 11, cy}, {cx + 10, cy}, {cx, cy - 11}, {cx, cy + 10}};
        for (const auto& p : beyond) {
            if (OnPlot(p[0], p[1])) {
                EXPECT_NE(Plot(p[0], p[1]), kBlack) << p[0] << "," << p[1];
            }
        }
        EXPECT_EQ(Plot(cx - 8, cy), fill);
        EXPECT_EQ(Plot(cx, cy + 8), fill);
    }

    // The square of any other system's satellite: outlined along the whole
    // box cx - half .. cx + half - 1, cy - 10 .. cy + 9, corners included,
    // filled inside.
    static void ExpectSquare(int cx, int cy, int half, COLORREF fill) {
        for (int d = -10; d <= 9; ++d) {
            EXPECT_EQ(Plot(cx - half, cy + d), kBlack) << "left, row " << cy + d;
            EXPECT_EQ(Plot(cx + half - 1, cy + d), kBlack) << "right, row " << cy + d;
        }
        for (int x = cx - half; x < cx + half; ++x) {
            EXPECT_EQ(Plot(x, cy - 10), kBlack) << "top, column " << x;
            EXPECT_EQ(Plot(x, cy + 9), kBlack) << "bottom, column " << x;
        }
        EXPECT_EQ(Plot(cx - half + 1, cy + 8), fill);
        EXPECT_EQ(Plot(cx + half - 2, cy - 9), fill);
    }

    // A hash of the marker's box as drawn on the window.
    static uint64_t MarkerPixels(int cx, int cy) {
        uint64_t hash = 1469598103934665603ull;
        for (int y = cy - 11; y <= cy + 11; ++y) {
            for (int x = cx - 11; x <= cx + 11; ++x)
                hash = (hash ^ Plot(x, y)) * 1099511628211ull;
        }
        return hash;
    }
};

TEST_F(SkyPlotTest, MarkerCentres) {
    const struct {
        uint16_t azimuth, elevation;
        int cx, cy;
    } cases[] = {{0, 90, 50, 50}, {123, 90, 50, 50}, {0, 0, 50, 10},
                 {90, 0, 90, 50}, {180, 0, 50, 90},  {270, 0, 10, 50}};
    for (const auto& c : cases) {
        SCOPED_TRACE("azimuth " + std::to_string(c.azimuth) + " elevation " +
                     std::to_string(c.elevation));
        int32_t cx = 0, cy = 0;
        SkyMarkerCentre(c.azimuth, c.elevation, &cx, &cy);
        EXPECT_EQ(cx, c.cx);
        EXPECT_EQ(cy, c.cy);

        ResetNmeaState();
        FeedSky({{"GP", 7, c.azimuth, c.elevation, 30, false}});
        ExpectCircle(c.cx, c.cy, kWhite);
    }
}

TEST_F(SkyPlotTest, OddAnglesStayFinite) {
    const uint16_t angles[] = {359, 360, 720, 65535};
    for (uint16_t a : angles) {
        int32_t cx = 0, cy = 0;
        SkyMarkerCentre(a, a, &cx, &cy);
        EXPECT_GE(cx, 10);
        EXPECT_LE(cx, 90);
        EXPECT_GE(cy, 10);
        EXPECT_LE(cy, 90);
    }
}

TEST_F(SkyPlotTest, UsedColouringByFixType) {
    const struct {
        const char* fixType;
        bool drawnUsed;
        const char16_t* text;
    } cases[] = {{"", true, u"NONE"},
                 {"1", false, u"NONE"},
                 {"2", true, u"2D   "},
                 {"3", true, u"3D   "},
                 {"7", true, u"?   "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("fix type ") + c.fixType);
        ResetNmeaState();
        // Used at the centre and only in view on the right, of two systems.
        FeedSky({{"GP", 5, 0, 90, 40, true}, {"GL", 70, 90, 45, 30, false}}, c.fixType);
        ExpectCircle(50, 50, c.drawnUsed ? kBlue : kWhite);
        ExpectSquare(78, 50, 12, kWhite);
        // Highlight text reads light on blue, static text dark on white.
        if (c.drawnUsed) {
            EXPECT_TRUE(AnyLight({45, 145, 56, 156}));
        } else {
            EXPECT_TRUE(AnyDark({45, 145, 56, 156}));
        }
        EXPECT_TRUE(AnyDark({70, 145, 88, 156}));

        // The fix-type text, transparent and in static-text colour.
        FillReference(WhiteBrush);
        SetBkMode(reference, TRANSPARENT);
        SetTextColor(reference, GetSysColor(COLOR_STATICTEXT));
        RECT box{70, 100, 110, 115};
        DrawTextW(reference, c.text, static_cast<int>(std::u16string(c.text).size()), &box, 0);
        SetBkMode(reference, OPAQUE);
        SetTextColor(reference, kBlack);
        EXPECT_TRUE(SameAsReference({70, 100, 100, 115}));
    }
}

TEST_F(SkyPlotTest, EmptySkyAndTheCounter) {
    Nav.noFixSeconds = 42;
    FillWindow(backdropBrush);
    DrawSkyPlot(window);
    // The whole 100 x 100 area was replaced, nothing beyond it.
    for (int y = 100; y < 200; ++y) {
        for (int x = 0; x < 100; ++x)
            ASSERT_NE(Px(x, y), kBackdrop) << x << "," << y;
        ASSERT_EQ(Px(100, y), kBackdrop);
    }
    EXPECT_EQ(Px(50, 99), kBackdrop);
    EXPECT_EQ(Px(50, 200), kBackdrop);
    EXPECT_EQ(Plot(5, 95), kWhite);  // background
    EXPECT_EQ(Plot(20, 49), kBlue);  // crosshair
    EXPECT_EQ(Plot(49, 80), kBlue);
    EXPECT_EQ(Plot(40, 40), kWhite);          // inside the inner circle
    EXPECT_TRUE(AnyDark({0, 100, 30, 115}));  // the counter
}

TEST_F(SkyPlotTest, GpsOverOtherSystemsAndHigherNumberOverLower) {
    FeedSky({{"GA", 30, 0, 90, 30, false},
             {"GP", 2, 0, 90, 30, true},
             {"GP", 9, 0, 90, 30, false},
             {"GB", 1, 0, 90, 30, false}});
    ExpectCircle(50, 50, kWhite);
    EXPECT_EQ(Plot(40, 40), kBlack) << "the corner of a square beneath";
}

// GPS 5, SBAS 5 and so on, each alone at the same place: seven different markers.
TEST_F(SkyPlotTest, SameNumberInEverySystemGivesDistinctMarkers) {
    std::set<uint64_t> markers;
    for (const char* talker : {"GP", "GL", "GA", "GB", "GQ", "GI"}) {
        SCOPED_TRACE(talker);
        ResetNmeaState();
        FeedSky({{talker, 5, 270, 45, 30, false}});
        if (std::string(talker) == "GP") {
            ExpectCircle(22, 50, kWhite);
            EXPECT_NE(Plot(12, 40), kBlack) << "the corner of a circle's box";
        } else {
            ExpectSquare(22, 50, 10, kWhite);
        }
        markers.insert(MarkerPixels(22, 50));
    }
    // SBAS through the GPS talker, numbered 33 and up: its own letter.
    ResetNmeaState();
    FeedSky({{"GP", 33, 270, 45, 30, false}});
    ExpectSquare(22, 50, 12, kWhite);
    const uint64_t sbas = MarkerPixels(22, 50);
    ResetNmeaState();
    FeedSky({{"GL", 33, 270, 45, 30, false}});
    EXPECT_NE(MarkerPixels(22, 50), sbas);
    EXPECT_EQ(markers.size(), 6u);
}

// NMEA 4.10 pads the last message with empty blocks before the signal ID;
// the screen is exactly that of the one satellite.
TEST_F(SkyPlotTest, PaddedSignalIdDrawsNoPhantom) {
    Feed(Sentence("GPGSV,1,1,01,15,05,057,32,,,,,,,,,,,,,1") + "$");
    const auto padded = Snapshot();
    ResetNmeaState();
    FillWindow(WhiteBrush);
    Feed(Sentence("GPGSV,1,1,01,15,05,057,32") + "$");
    EXPECT_EQ(ChangedOutside(padded, kStatus), 0);
    EXPECT_EQ(Px(20 + 17, 259), kWhite) << "a second bar";
}

TEST_F(SkyPlotTest, SatelliteThatLeftTheFixTurnsWhite) {
    FeedSky({{"GP", 5, 270, 45, 40, true}, {"GA", 5, 90, 45, 40, true}});
    ExpectCircle(22, 50, kBlue);
    ExpectSquare(78, 50, 10, kBlue);
    FeedSky({{"GP", 5, 270, 45, 40, false}, {"GA", 5, 90, 45, 40, true}});
    ExpectCircle(22, 50, kWhite);
    ExpectSquare(78, 50, 10, kBlue);
    // Its bar too: the first in the strip, GPS before Galileo.
    EXPECT_EQ(Px(8, 255), kWhite);
    EXPECT_EQ(Px(28, 255), kBlue);
}

TEST_F(SkyPlotTest, SystemFallenSilentGoesAfterFiveSeconds) {
    host::UseVirtualClock(10000);
    FeedSky({{"GP", 5, 270, 45, 40, true}, {"GL", 70, 90, 45, 40, true}});
    ExpectSquare(78, 50, 12, kBlue);
    for (int second = 1; second <= 5; ++second) {
        host::AdvanceVirtualClock(1000);
        FeedSky({{"GP", 5, 270, 45, 40, true}});
        ExpectSquare(78, 50, 12, kBlue);
    }
    host::AdvanceVirtualClock(1);
    FeedSky({{"GP", 5, 270, 45, 40, true}});
    EXPECT_EQ(Plot(78 - 12, 50 - 10), kWhite);
    EXPECT_EQ(Plot(72, 56), kWhite);
    ExpectCircle(22, 50, kBlue);
    EXPECT_EQ(Px(20 + 17, 259), kWhite) << "its bar is gone too";
    host::UseRealClock();
}

}  // namespace
