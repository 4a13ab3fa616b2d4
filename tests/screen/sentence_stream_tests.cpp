#include <string>
#include <utility>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "screen/drawing_resources.h"
#include "screen/main_screen.h"
#include "screen_fixture.h"

namespace {

const std::string kGgaBody = "GPGGA,123519,4916.45,N,12311.12,W,1,08,0.9,545.4,M,46.9,M,,";
const std::string kGsaBody = "GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1";

class SentenceStreamTest : public ScreenTest {
  protected:
    static COLORREF Mark() { return Px(7, 32); }
};

// Each chunk starts with the mark blue; a sentence that fails turns it red.
TEST_F(SentenceStreamTest, MarkColourThroughChunks) {
    const std::string good = Sentence(kGgaBody);
    const std::string bad = BadSentence(kGgaBody);
    const struct {
        const char* name;
        std::vector<std::pair<std::string, COLORREF>> chunks;
    } cases[] = {{"good then bad", {{good + bad, kRed}, {"\r\n", kBlue}}},
                 {"bad then good", {{bad + good, kRed}, {"x", kBlue}}},
                 {"bad closed by its line end", {{bad, kRed}, {"$", kBlue}}},
                 {"bad without a line end, closed by the next chunk's '$'",
                  {{bad.substr(0, bad.size() - 2), kBlue}, {"$", kRed}, {"$", kBlue}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetNmeaState();
        int n = 0;
        for (const auto& [chunk, colour] : c.chunks) {
            Feed(chunk);
            EXPECT_EQ(Mark(), colour) << "after chunk " << n++;
        }
    }
}

// Sentences of other types leave the screen alone; a failed one and a
// runaway change only the mark (which lines fail is the router's test). The
// next sentence is shown without what follows its checksum.
TEST_F(SentenceStreamTest, WhatIsNotShownChangesAtMostTheMark) {
    const std::string good = Sentence(kGgaBody);
    Feed(good + "$");
    const auto before = Pixels();
    const struct {
        const char* name;
        std::string bytes;
        COLORREF mark;
    } cases[] = {{"GLL", Sentence("GPGLL,4916.45,N,12311.12,W,225444,A") + "$", kBlue},
                 // Decoded for the fix panel, which the tick draws, but not echoed.
                 {"GST", Sentence("GPGST,213121.000,16.1,22.2,10.2,2.0,0.4,0.6,1.4") + "$", kBlue},
                 {"GNS", Sentence("GNGNS,074150.799,,,,,NNNN,00,,,0.0,,0000") + "$", kBlue},
                 {"'$$'", "$", kBlue},
                 {"no type", Sentence("GP") + "$", kBlue},
                 {"a bad GGA",
                  BadSentence("GPGGA,1,0000.00,N,00000.00,E,1,08,0.9,1.0,M,1.0,M,,") + "$", kRed},
                 {"a runaway", "GPGSA," + std::string(600, ',') + "$", kRed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Feed(c.bytes);
        EXPECT_EQ(Mark(), c.mark);
        EXPECT_EQ(ChangedOutside(before, {kMark}), 0);
    }
    EXPECT_EQ(Nav.ggaLatitude, 4916.45f);

    const std::string gsa = Sentence(kGsaBody);
    Feed(gsa.substr(1) + ",,,,,,,,,,,,,,9.9,9.9,9.9*1E\r\n$");
    EXPECT_EQ(Mark(), kBlue);
    EXPECT_TRUE(StatusShows(gsa)) << "the longer GGA's echo is gone, the tail never shown";
    EXPECT_TRUE(FieldShows(kHdop, u"HDOP:1.30   "));
}

TEST_F(SentenceStreamTest, GsvRefreshesOnlyAtTheEndOfItsGroup) {
    Feed("$");
    DrawChecksumMarkReset(window);
    const auto before = Pixels();
    const std::string first =
        Sentence("GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45");
    Feed(first + "$");
    EXPECT_EQ(ChangedOutside(before, {kStatusLineArea}), 0);
    EXPECT_TRUE(StatusShows(first));

    Feed(Sentence("GPGSV,2,2,08,16,90,000,30,20,05,090,20,25,45,180,33,31,10,270,18") + "$");
    // Both the plot and the bars ran: eight bars, and satellite 16 at
    // elevation 90 at the plot's centre.
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(Px(20 * n + 17, 259), kBlack) << n;
    EXPECT_EQ(Px(20 * 8 + 17, 259), kWhite);
    EXPECT_EQ(Px(40, 150), kBlack);
}

// The sentence that ends a burst is shown with it, not when the next burst
// begins: a receiver that then falls silent leaves its last word on screen.
TEST_F(SentenceStreamTest, TheLastSentenceOfABurstIsShownInItsOwnChunk) {
    Feed(Sentence("GPRMC,120000,A,4807.038,N,01131.000,E,0.5,0.0,230394,,") + "$");
    const std::string rmc = Sentence("GPRMC,120001,A,4807.038,N,01131.000,E,12.3,0.0,230394,,");
    Feed(Sentence(kGgaBody) + rmc);
    EXPECT_TRUE(FieldShows(kSpeed, u"Speed:12.3  "));
    EXPECT_TRUE(StatusShows(rmc));
    // A LF alone ends a line as well.
    const std::string slower = Sentence("GPRMC,120002,A,4807.038,N,01131.000,E,7.5,0.0,230394,,");
    Feed(slower.substr(0, slower.size() - 2) + "\n");
    EXPECT_TRUE(FieldShows(kSpeed, u"Speed:7.5  "));
    EXPECT_TRUE(StatusShows(slower));
}

TEST_F(SentenceStreamTest, DateFollowsTheLocalTimeAcrossMidnight) {
    Feed(Sentence("GPGGA,233000,3540.00,N,13500.00,E,1,08,0.9,40.0,M,30.0,M,,") +
         Sentence("GPRMC,233000,A,3540.00,N,13500.00,E,0.0,0.0,311226,,") + "$");
    EXPECT_TRUE(FieldShows(kDate, u"2027/ 1/ 1   "));
    EXPECT_TRUE(FieldShows(kTime, u" 8:30: 0   "));
}

}  // namespace
