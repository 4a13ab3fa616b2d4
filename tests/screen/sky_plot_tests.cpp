#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/host.h"
#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "screen/drawing_resources.h"
#include "screen/main_screen.h"
#include "screen/sky_plot.h"
#include "screen_fixture.h"
#include "tests/support/program_host.h"

namespace {

class SkyPlotTest : public ScreenTest {
  protected:
    // Plot pixels in surface coordinates, as copied to the window at 0, 100.
    static uint32_t Plot(int x, int y) { return Px(x, y + 100); }

    // The circle of a GPS satellite is inscribed in cx - 10 .. cx + 9: its
    // outline is black at both ends of the middle row and column, the pixel
    // beyond is not part of it, and the inside left of the label has the fill
    // colour.
    static void ExpectCircle(int cx, int cy, COLORREF fill) {
        auto black = [cx, cy](int dx, int dy, bool expected) {
            const int x = cx + dx, y = cy + dy;
            if (x < 0 || x >= 100 || y < 0 || y >= 100) return;
            EXPECT_EQ(Plot(x, y) == kBlack, expected) << x << "," << y;
        };
        for (const int d : {-10, 9}) {
            black(d, 0, true);
            black(0, d, true);
            black(d < 0 ? d - 1 : d + 1, 0, false);
            black(0, d < 0 ? d - 1 : d + 1, false);
        }
        EXPECT_EQ(Plot(cx - 8, cy), fill);
        EXPECT_EQ(Plot(cx, cy + 8), fill);
    }

    // The square of any other system's satellite: outlined along the box
    // cx - half .. cx + half - 1, cy - 10 .. cy + 9, corners included, filled
    // inside.
    static void ExpectSquare(int cx, int cy, int half, COLORREF fill) {
        for (const int y : {cy - 10, cy, cy + 9}) {
            EXPECT_EQ(Plot(cx - half, y), kBlack) << "left, row " << y;
            EXPECT_EQ(Plot(cx + half - 1, y), kBlack) << "right, row " << y;
        }
        for (const int x : {cx - half, cx, cx + half - 1}) {
            EXPECT_EQ(Plot(x, cy - 10), kBlack) << "top, column " << x;
            EXPECT_EQ(Plot(x, cy + 9), kBlack) << "bottom, column " << x;
        }
        EXPECT_EQ(Plot(cx - half + 1, cy + 8), fill);
        EXPECT_EQ(Plot(cx + half - 2, cy - 9), fill);
    }
};

TEST_F(SkyPlotTest, MarkerCentres) {
    const struct {
        uint16_t azimuth, elevation;
        int cx, cy;
    } cases[] = {{0, 90, 50, 50},  {123, 90, 50, 50}, {0, 0, 50, 10},  {90, 0, 90, 50},
                 {180, 0, 50, 90}, {270, 0, 10, 50},  {45, 30, 74, 26}};
    for (const auto& c : cases) {
        int32_t cx = 0, cy = 0;
        SkyMarkerCentre(c.azimuth, c.elevation, &cx, &cy);
        EXPECT_EQ(std::pair(cx, cy), std::pair(c.cx, c.cy)) << c.azimuth << " " << c.elevation;
    }
    // Angles no receiver sends still land on the plot.
    for (const uint16_t a : {359, 360, 720, 65535}) {
        int32_t cx = 0, cy = 0;
        SkyMarkerCentre(a, a, &cx, &cy);
        EXPECT_TRUE(cx >= 10 && cx <= 90 && cy >= 10 && cy <= 90) << a;
    }
}

// Fix type 1 shows nothing as used, on the plot and in the bars; the fix
// type's text is drawn transparent in the static-text colour.
TEST_F(SkyPlotTest, UsedColouringByFixType) {
    const struct {
        const char* fixType;
        bool drawnUsed;
        const char16_t* text;
    } cases[] = {
        {"", true, u"NONE"}, {"1", false, u"NONE"}, {"3", true, u"3D   "}, {"7", true, u"?   "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("fix type ") + c.fixType);
        ResetNmeaState();
        // Used at the centre and only in view on the right, of two systems.
        FeedSky({{"GP", 5, 0, 90, 40, true}, {"GL", 70, 90, 45, 30, false}}, c.fixType);
        ExpectCircle(50, 50, c.drawnUsed ? kBlue : kWhite);
        ExpectSquare(78, 50, 12, kWhite);
        EXPECT_EQ(Px(1, 258), c.drawnUsed ? kBlue : kWhite) << "GPS 5's bar";
        // Highlight text reads light on blue, static text dark on white.
        EXPECT_TRUE(AnyShade({45, 145, 56, 156}, !c.drawnUsed));
        EXPECT_TRUE(AnyDark({70, 145, 88, 156}));

        Fill(reference, WhiteBrush);
        SetBkMode(reference, TRANSPARENT);
        SetTextColor(reference, GetSysColor(COLOR_STATICTEXT));
        RECT box{70, 100, 110, 115};
        DrawTextW(reference, c.text, static_cast<int>(std::u16string(c.text).size()), &box, 0);
        SetBkMode(reference, OPAQUE);
        SetTextColor(reference, kBlack);
        EXPECT_TRUE(SameAsReference({70, 100, 100, 115}));
    }
}

// The plot and the strip replace exactly their areas, 100 x 100 at 0, 100
// and the screen's width by 50 at 0, 220, and the band above the plot.
TEST_F(SkyPlotTest, EmptySkyFillsExactlyThePlotAndTheStrip) {
    Nav.noFixSeconds = 42;
    Fill(window, backdropBrush);
    RefreshGsv(window);
    for (int y = 85; y < 285; ++y) {
        for (int x = 0; x < kScreenWidth; ++x) {
            const bool drawn =
                (x < 100 && y >= 100 && y < 200) || (y >= 220 && y < 270) || (y >= 90 && y < 95);
            ASSERT_EQ(Px(x, y) != kBackdrop, drawn) << x << "," << y;
        }
    }
    EXPECT_TRUE(AnyDark({0, 100, 30, 115})) << "the counter";
}

// GPS 5, GLONASS 5 and so on, each alone at the same place: distinct markers
// on the plot and distinct labels under their bars.
TEST_F(SkyPlotTest, SameNumberInEverySystemGivesDistinctMarkersAndLabels) {
    std::set<std::vector<uint32_t>> markers, labels;
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
        markers.insert(Pixels({11, 139, 34, 162}));
        labels.insert(Pixels({0, 260, 20, 270}));
    }
    EXPECT_EQ(markers.size(), 6u);
    EXPECT_EQ(labels.size(), 6u);
    // SBAS through the GPS talker, numbered 33 and up: its own letter.
    ResetNmeaState();
    FeedSky({{"GP", 33, 270, 45, 30, false}});
    ExpectSquare(22, 50, 12, kWhite);
    const std::vector<uint32_t> sbas = Pixels({11, 139, 34, 162});
    ResetNmeaState();
    FeedSky({{"GL", 33, 270, 45, 30, false}});
    EXPECT_NE(Pixels({11, 139, 34, 162}), sbas);
}

// NMEA 4.10 pads the last message with empty blocks before the signal ID;
// the screen is exactly that of the one satellite.
TEST_F(SkyPlotTest, PaddedSignalIdDrawsNoPhantom) {
    Feed(Sentence("GPGSV,1,1,01,15,05,057,32,,,,,,,,,,,,,1") + "$");
    const auto padded = Pixels();
    ResetNmeaState();
    Fill(window, WhiteBrush);
    ForgetDrawnScreen();
    Feed(Sentence("GPGSV,1,1,01,15,05,057,32") + "$");
    EXPECT_EQ(ChangedOutside(padded, {kStatusLineArea}), 0);
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
