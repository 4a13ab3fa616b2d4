#include <random>
#include <string>
#include <vector>

#include "screen/drawing_resources.h"
#include "screen/main_screen.h"
#include "screen/signal_bars.h"
#include "screen_fixture.h"

namespace {

class SignalBarsTest : public ScreenTest {
  protected:
    // Strip pixels in surface coordinates, as copied to the window at 0, 220.
    static uint32_t Strip(int x, int y) { return Px(x, y + 220); }

    // The top of the bar at x, read from its right edge (clear of both
    // labels); 40 when there is none.
    static int BarTop(int x) {
        int top = 40;
        while (top > 0 && Strip(x + 17, top - 1) == kBlack)
            --top;
        return top;
    }
};

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

// Every SNR a receiver sends gets a bar that stays inside the strip and a
// label that can be read: strong ones at full height with the figure inside,
// weak ones with it above, dark on the white.
TEST_F(SignalBarsTest, EverySnrGetsABarInsideTheStripAndALabelThatReads) {
    const struct {
        int snr;
        bool used;
        int top;       // of the bar
        int labelTop;  // of the label's box
    } bars[] = {{0, true, 38, 23},  {10, true, 32, 17}, {10, false, 32, 17}, {12, true, 30, 30},
                {30, true, 16, 16}, {49, false, 0, 0},  {55, true, 0, 0},    {59, false, 0, 0},
                {62, true, 0, 0},   {99, false, 0, 0}};
    std::vector<TestSatellite> sky;
    for (size_t n = 0; n < std::size(bars); ++n)
        sky.push_back({"GP", static_cast<int>(n) + 1, 90, 45, bars[n].snr, bars[n].used});
    FeedSky(sky);

    // What each should look like: its outline and fill, and the figure in
    // the colour that reads on what lies under it.
    Fill(reference, WhiteBrush);
    SetBkMode(reference, TRANSPARENT);
    for (size_t n = 0; n < std::size(bars); ++n) {
        const int x = 20 * static_cast<int>(n);
        SelectObject(reference, BlackPen);
        SelectObject(reference, bars[n].used ? BlueBrush : WhiteBrush);
        Rectangle(reference, x, 220 + bars[n].top, x + 18, 220 + 40);
        const bool onBlue = bars[n].used && bars[n].labelTop == bars[n].top;
        SetTextColor(reference, GetSysColor(onBlue ? COLOR_HIGHLIGHTTEXT : COLOR_STATICTEXT));
        const std::string figure = (bars[n].snr < 10 ? " " : "") + std::to_string(bars[n].snr);
        const std::u16string text(figure.begin(), figure.end());
        RECT box{x, 220 + bars[n].labelTop, x + 18, 220 + bars[n].labelTop + 15};
        DrawTextW(reference, text.data(), static_cast<int>(text.size()), &box, 0);
    }
    SetBkMode(reference, OPAQUE);
    for (size_t n = 0; n < std::size(bars); ++n) {
        SCOPED_TRACE("SNR " + std::to_string(bars[n].snr) + (bars[n].used ? " used" : ""));
        const int x = 20 * static_cast<int>(n);
        EXPECT_EQ(BarTop(x), bars[n].top);
        EXPECT_TRUE(SameAsReference({x, 220, x + 18, 220 + 37})) << "bar and figure";
    }
}

// Only the bars that change are drawn again; the strip must still be the one
// a whole redraw gives, through skies that grow, shrink, reorder and relabel.
TEST_F(SignalBarsTest, BarsDrawnOneByOneGiveTheWholeStrip) {
    std::mt19937 random(7);
    auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const struct {
        const char* talker;
        int lowest, highest;
    } systems[] = {{"GP", 1, 32}, {"GL", 65, 96}, {"GA", 1, 36}, {"GB", 1, 63}, {"GQ", 193, 199}};
    const RECT strip{0, 220, 320, 270};
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("sky " + std::to_string(round));
        std::vector<TestSatellite> sky;
        const int count = pick(0, 20);
        for (int i = 0; i < count; ++i) {
            const auto& system = systems[pick(0, 4)];
            // -1: no SNR, a stub of a bar with an empty label.
            sky.push_back({system.talker, pick(system.lowest, system.highest), pick(0, 359),
                           pick(0, 90), pick(-1, 55), pick(0, 2) == 0});
        }
        FeedSky(sky, pick(0, 5) == 0 ? "1" : "3");
        const std::vector<uint32_t> changedOnly = Pixels(strip);
        ForgetSignalBars();
        RefreshGsv(window);
        ASSERT_EQ(Pixels(strip), changedOnly);
    }
}

}  // namespace
