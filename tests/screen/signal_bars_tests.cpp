#include <string>

#include "nmea/nav_record.h"
#include "screen/drawing_resources.h"
#include "screen/signal_bars.h"
#include "screen_fixture.h"

namespace {

class SignalBarsTest : public ScreenTest {
  protected:
    // Strip pixels in surface coordinates, as copied to the window at 0, 220.
    static uint32_t Strip(int x, int y) { return Px(x, y + 220); }

    static void PutSatellite(int id, float snr, bool used) {
        Nav.satInView[id] = 1;
        Nav.satSnr[id] = snr;
        Nav.satUsed[id] = used ? 1 : 0;
    }

    // The bar at x: its right edge (clear of both labels) is black from top
    // to the bottom at 39, and the pixel above the top is not part of it.
    static void ExpectBar(int x, int top) {
        for (int y = top < 0 ? 0 : top; y < 40; ++y) {
            ASSERT_EQ(Strip(x + 17, y), kBlack) << "row " << y;
        }
        if (top > 0) {
            EXPECT_NE(Strip(x + 17, top - 1), kBlack);
        }
        EXPECT_NE(Strip(x + 17, 40), kBlack);
        EXPECT_EQ(Strip(x + 18, 39), kWhite);
    }
};

TEST_F(SignalBarsTest, HeightsAndColours) {
    const struct {
        float snr;
        bool used;
        int top;
    } cases[] = {{0.0f, false, 38},  // stub of 2 pixels
                 {17.0f, true, 26}, {18.0f, false, 25}, {30.0f, true, 16},
                 {49.0f, false, 0}, {59.0f, true, -7}};
    Nav.fixType = 3;
    int id = 1;
    for (const auto& c : cases)
        PutSatellite(id++, c.snr, c.used);
    FillWindow(backdropBrush);
    DrawSignalBars(window);

    int x = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE("SNR " + std::to_string(c.snr));
        ExpectBar(x, c.top);
        if (40 - c.top >= 3) {
            EXPECT_EQ(Strip(x + 16, 38), c.used ? kBlue : kWhite);
        }
        x += 20;
    }
    for (int i = 1; i < id; ++i)
        EXPECT_EQ(Nav.satInView[i], 0) << i;
    // The band on the window is redrawn, and the strip covers 200 x 50.
    for (int y = 90; y < 95; ++y) {
        for (int bx = 0; bx < 320; ++bx)
            ASSERT_EQ(Px(bx, y), kBlue);
    }
    EXPECT_EQ(Strip(199, 0), kWhite);
    EXPECT_EQ(Strip(199, 49), kWhite);
    EXPECT_EQ(Px(200, 230), kBackdrop);
    EXPECT_EQ(Px(10, 219), kBackdrop);
    EXPECT_EQ(Px(10, 270), kBackdrop);
}

TEST_F(SignalBarsTest, FixTypeOneDrawsEveryBarWhite) {
    Nav.fixType = 1;
    PutSatellite(4, 30.0f, true);
    DrawSignalBars(window);
    ExpectBar(0, 16);
    EXPECT_EQ(Strip(16, 38), kWhite);
}

TEST_F(SignalBarsTest, LabelOfAShortBarGoesAboveIt) {
    PutSatellite(3, 5.0f, false);   // top 36: label 21 to 36
    PutSatellite(6, 30.0f, false);  // top 16: label inside, 16 to 31
    DrawSignalBars(window);
    EXPECT_TRUE(AnyDark({1, 220 + 21, 17, 220 + 36}));
    EXPECT_TRUE(AnyDark({21, 220 + 17, 37, 220 + 31}));
    EXPECT_FALSE(AnyDark({21, 220 + 0, 37, 220 + 16}));
}

TEST_F(SignalBarsTest, ThirteenBarsAtMost) {
    for (int id = 1; id <= 14; ++id)
        PutSatellite(id, 40.0f, false);
    DrawSignalBars(window);
    for (int n = 0; n < 10; ++n) {
        SCOPED_TRACE("bar " + std::to_string(n));
        ExpectBar(20 * n, 8);
    }
    for (int id = 1; id <= 13; ++id)
        EXPECT_EQ(Nav.satInView[id], 0) << id;
    EXPECT_EQ(Nav.satInView[14], 1);

    // The next pass draws the one left over, in the first place.
    DrawSignalBars(window);
    ExpectBar(0, 8);
    EXPECT_EQ(Nav.satInView[14], 0);
    EXPECT_EQ(Strip(37, 39), kWhite);
}

TEST_F(SignalBarsTest, NoSatelliteGivesAWhiteStrip) {
    FillWindow(backdropBrush);
    DrawSignalBars(window);
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(Strip(x, y), kWhite) << x << "," << y;
    }
}

TEST_F(SignalBarsTest, HostileSnrDrawsSafely) {
    PutSatellite(1, 3.0e38f, false);
    PutSatellite(2, -3.0e38f, false);
    PutSatellite(3, __builtin_nanf(""), false);
    DrawSignalBars(window);
    ExpectBar(0, -1000);
    ExpectBar(20, 38);
    ExpectBar(40, 38);  // NaN counts as no SNR
}

}  // namespace
