#include <set>
#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "screen/drawing_resources.h"
#include "screen/signal_bars.h"
#include "screen_fixture.h"

namespace {

class SignalBarsTest : public ScreenTest {
  protected:
    // Strip pixels in surface coordinates, as copied to the window at 0, 220.
    static uint32_t Strip(int x, int y) { return Px(x, y + 220); }

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

    // The top of the bar at x, read from its right edge; 40 when there is none.
    static int BarTop(int x) {
        int top = 40;
        while (top > 0 && Strip(x + 17, top - 1) == kBlack)
            --top;
        return top;
    }
};

TEST_F(SignalBarsTest, HeightsAndColours) {
    const struct {
        int snr;
        bool used;
        int top;
    } cases[] = {{0, false, 38},  // stub of 2 pixels
                 {17, true, 26}, {18, false, 25}, {30, true, 16}, {49, false, 0}, {59, true, -7}};
    std::vector<TestSatellite> sky;
    int number = 1;
    for (const auto& c : cases)
        sky.push_back({"GP", number++, 90, 45, c.snr, c.used});
    FillWindow(backdropBrush);
    FeedSky(sky);

    int x = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE("SNR " + std::to_string(c.snr));
        ExpectBar(x, c.top);
        if (40 - c.top >= 3) {
            EXPECT_EQ(Strip(x + 16, 38), c.used ? kBlue : kWhite);
        }
        x += 20;
    }
    // The band on the window is redrawn, and the strip covers 320 x 50.
    for (int y = 90; y < 95; ++y) {
        for (int bx = 0; bx < 320; ++bx)
            ASSERT_EQ(Px(bx, y), kBlue);
    }
    EXPECT_EQ(Strip(319, 0), kWhite);
    EXPECT_EQ(Strip(319, 49), kWhite);
    EXPECT_EQ(Px(10, 219), kBackdrop);
    EXPECT_EQ(Px(10, 270), kBackdrop);
}

TEST_F(SignalBarsTest, FixTypeOneDrawsEveryBarWhite) {
    FeedSky({{"GP", 4, 90, 45, 30, true}}, "1");
    ExpectBar(0, 16);
    EXPECT_EQ(Strip(16, 38), kWhite);
}

TEST_F(SignalBarsTest, LabelOfAShortBarGoesAboveIt) {
    FeedSky({{"GP", 3, 90, 45, 5, false},     // top 36: label 21 to 36
             {"GP", 6, 90, 45, 30, false}});  // top 16: label inside, 16 to 31
    EXPECT_TRUE(AnyDark({1, 220 + 21, 17, 220 + 36}));
    EXPECT_TRUE(AnyDark({21, 220 + 17, 37, 220 + 31}));
    EXPECT_FALSE(AnyDark({21, 220 + 0, 37, 220 + 16}));
}

// More satellites than bars: the used ones, then the others by falling SNR,
// shown by system and number.
TEST_F(SignalBarsTest, TwentySatellitesGiveSixteenBarsUsedFirst) {
    std::vector<TestSatellite> sky;
    // SNRs two apart, so that each bar's height tells whose it is.
    for (int i = 0; i < 8; ++i)
        sky.push_back({"GP", 1 + i, 90, 45, 20 + 2 * i, i < 3});
    for (int i = 0; i < 6; ++i)
        sky.push_back({"GL", 65 + i, 90, 45, 36 + 2 * i, i == 5});
    for (int i = 0; i < 6; ++i)
        sky.push_back({"GA", 1 + i, 90, 45, 10 + 2 * i, i < 2});
    FeedSky(sky);
    // Left out: the four weakest that are not used, Galileo 3 to 6.
    const std::vector<int> snrs = {20, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40, 42, 44, 46, 10, 12};
    const std::vector<bool> used = {true,  true,  true,  false, false, false, false, false,
                                    false, false, false, false, false, true,  true,  true};
    for (size_t n = 0; n < snrs.size(); ++n) {
        SCOPED_TRACE("bar " + std::to_string(n));
        const int x = 20 * static_cast<int>(n);
        EXPECT_EQ(BarTop(x), static_cast<int>(40.0 - snrs[n] * 0.8));
        EXPECT_EQ(Strip(x + 1, 38), used[n] ? kBlue : kWhite);
        EXPECT_TRUE(AnyDark({x, 220 + 40, x + 18, 220 + 50})) << "its label";
    }
}

TEST_F(SignalBarsTest, SameNumberInEverySystemGivesDistinctLabels) {
    std::set<std::vector<uint32_t>> labels;
    for (const char* talker : {"GP", "GL", "GA", "GB", "GQ", "GI"}) {
        ResetNmeaState();
        FeedSky({{talker, 5, 90, 45, 30, false}});
        std::vector<uint32_t> label;
        for (int y = 40; y < 50; ++y) {
            for (int x = 0; x < 20; ++x)
                label.push_back(Strip(x, y));
        }
        labels.insert(label);
    }
    EXPECT_EQ(labels.size(), 6u);
}

TEST_F(SignalBarsTest, NoSatelliteGivesAWhiteStrip) {
    FillWindow(backdropBrush);
    DrawSignalBars(window);
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 320; ++x)
            ASSERT_EQ(Strip(x, y), kWhite) << x << "," << y;
    }
}

}  // namespace
