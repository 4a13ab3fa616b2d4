#include <string>

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

    static void PutSatellite(int id, uint16_t azimuth, uint16_t elevation, bool used) {
        Nav.satInView[id] = 1;
        Nav.satAzimuth[id] = azimuth;
        Nav.satElevation[id] = elevation;
        Nav.satUsed[id] = used ? 1 : 0;
    }

    // The marker is the circle inscribed in cx - 10 .. cx + 9: its outline is
    // black at both ends of the middle row and column, the pixel beyond is not
    // part of it, and the inside left of the label has the fill colour.
    static void ExpectMarker(int cx, int cy, COLORREF fill) {
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
        PutSatellite(7, c.azimuth, c.elevation, false);
        DrawSkyPlot(window);
        ExpectMarker(c.cx, c.cy, kWhite);
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
        int32_t fixType;
        bool drawnUsed;
        const char16_t* text;
    } cases[] = {{0, true, u"NONE"},
                 {1, false, u"NONE"},
                 {2, true, u"2D   "},
                 {3, true, u"3D   "},
                 {7, true, u"?   "}};
    for (const auto& c : cases) {
        SCOPED_TRACE("fix type " + std::to_string(c.fixType));
        ResetNmeaState();
        Nav.fixType = c.fixType;
        PutSatellite(5, 0, 90, true);    // used, at the centre
        PutSatellite(12, 90, 0, false);  // only in view, on the right
        DrawSkyPlot(window);

        ExpectMarker(50, 50, c.drawnUsed ? kBlue : kWhite);
        ExpectMarker(90, 50, kWhite);
        // Highlight text reads light on blue, static text dark on white.
        if (c.drawnUsed) {
            EXPECT_TRUE(AnyLight({45, 145, 56, 156}));
        } else {
            EXPECT_TRUE(AnyDark({45, 145, 56, 156}));
        }
        EXPECT_TRUE(AnyDark({85, 145, 96, 156}));

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

    // The plot never clears the in-view flags.
    Nav.satInView[3] = 1;
    DrawSkyPlot(window);
    EXPECT_EQ(Nav.satInView[3], 1);
}

TEST_F(SkyPlotTest, HigherIdDrawnOverLower) {
    Nav.fixType = 3;
    PutSatellite(2, 0, 90, true);
    PutSatellite(9, 0, 90, false);
    DrawSkyPlot(window);
    ExpectMarker(50, 50, kWhite);
}

}  // namespace
