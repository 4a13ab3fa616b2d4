#include <string>
#include <utility>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "nmea/sentence_assembler.h"
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

TEST_F(SentenceStreamTest, MarkColourThroughChunks) {
    const std::string good = Sentence(kGgaBody);
    const std::string bad = BadSentence(kGgaBody);
    const struct {
        const char* name;
        std::vector<std::pair<std::string, COLORREF>> chunks;
    } cases[] = {{"good then bad", {{good + bad + "$", kRed}, {"\r\n", kBlue}}},
                 {"bad then good", {{bad + good + "$", kRed}, {"x", kBlue}}},
                 {"good only", {{good + "$", kBlue}}},
                 {"bad closed by the next chunk", {{bad, kBlue}, {"$", kRed}, {"$", kBlue}}},
                 {"no '$' in the chunk", {{bad + "$", kRed}, {"GPGGA,1", kBlue}}}};
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

TEST_F(SentenceStreamTest, GgaUnderAnyTalker) {
    const struct {
        const char* body;
        float latitude;
        const char16_t* field;
    } cases[] = {{"GNGGA,123519,4916.45,N,12311.12,W,1,08,0.9,545.4,M,46.9,M,,", 4916.45f,
                  u"Latitude:49'16.45     "},
                 {"GLGGA,123519,5107.00,N,00012.00,W,1,08,0.9,545.4,M,46.9,M,,", 5107.0f,
                  u"Latitude:51'7.00     "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        ResetNmeaState();
        FillWindow(WhiteBrush);
        const std::string sentence = Sentence(c.body);
        Feed(sentence + "$");
        EXPECT_EQ(Nav.ggaLatitude, c.latitude);
        EXPECT_TRUE(FieldShows(kLatitude, c.field));
        EXPECT_TRUE(StatusShows(sentence));
        EXPECT_EQ(Mark(), kBlue);
    }
}

TEST_F(SentenceStreamTest, OtherTypesAndBadSentencesLeaveTheScreenAlone) {
    const std::string good = Sentence(kGgaBody);
    Feed(good + "$");
    const auto before = Snapshot();
    const std::string inputs[] = {Sentence("GPGLL,4916.45,N,12311.12,W,225444,A") + "$",
                                  Sentence("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K") + "$",
                                  "$",  // with the '$' already held: "$$"
                                  Sentence("GP") + "$"};
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input);
        Feed(input);
        EXPECT_EQ(ChangedOutside(before, {0, 0, 0, 0}), 0);
    }
    EXPECT_TRUE(StatusShows(good));

    // A failed GGA changes only the mark.
    Feed(BadSentence("GPGGA,1,0000.00,N,00000.00,E,1,08,0.9,1.0,M,1.0,M,,") + "$");
    EXPECT_EQ(ChangedOutside(before, {5, 30, 10, 35}), 0);
    EXPECT_EQ(Nav.ggaLatitude, 4916.45f);
}

// A line without a checksum fails even when its bytes happen to cancel out;
// bytes after a good checksum are dropped from the echo and the decoding.
TEST_F(SentenceStreamTest, OnlyTheChecksumVouches) {
    const std::string good = Sentence(kGgaBody);
    Feed(good + "$");
    const auto before = Snapshot();
    // Its bytes, CR and LF included, XOR to zero.
    Feed("GPGGA,000000,0100.00,N,00100.00,E,1,08,0.9,1.0,M,1.0,M,,t\r\n$");
    EXPECT_EQ(Mark(), kRed);
    EXPECT_EQ(ChangedOutside(before, {5, 30, 10, 35}), 0);
    EXPECT_EQ(Nav.ggaLatitude, 4916.45f);

    const std::string gsa = Sentence(kGsaBody);
    Feed(gsa.substr(1) + ",,,,,,,,,,,,,,9.9,9.9,9.9*1E\r\n$");
    EXPECT_EQ(Mark(), kBlue);
    EXPECT_TRUE(StatusShows(gsa));
    EXPECT_TRUE(FieldShows(kHdop, u"HDOP:1.30   "));
    EXPECT_EQ(Nav.pdop, 2.5f);
}

TEST_F(SentenceStreamTest, SentenceSplitOverChunks) {
    const std::string gsa = Sentence(kGsaBody);
    Feed(gsa.substr(0, 9));
    Feed(gsa.substr(9, 20));
    Feed(gsa.substr(29));
    EXPECT_EQ(Nav.hdop, 0.0f);  // not closed yet
    Feed("$GPRMC,");
    EXPECT_EQ(Nav.hdop, 1.3f);
    EXPECT_EQ(Nav.pdop, 2.5f);
    EXPECT_EQ(Nav.fixType, 3);
    EXPECT_TRUE(FieldShows(kHdop, u"HDOP:1.30   "));
    EXPECT_TRUE(StatusShows(gsa));
    EXPECT_EQ(Assembler.sentenceLength, 7);
}

TEST_F(SentenceStreamTest, GsvRefreshesOnlyAtTheEndOfItsGroup) {
    Feed("$");
    DrawChecksumMarkReset(window);
    const auto before = Snapshot();
    const std::string first =
        Sentence("GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45");
    Feed(first + "$");
    EXPECT_EQ(ChangedOutside(before, kStatus), 0);
    EXPECT_TRUE(StatusShows(first));

    const std::string last =
        Sentence("GPGSV,2,2,08,16,90,000,30,20,05,090,20,25,45,180,33,31,10,270,18");
    Feed(last + "$");
    EXPECT_GT(ChangedOutside(before, kStatus), 0);
    // Both the plot and the bars ran: eight bars.
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(Px(20 * n + 17, 259), kBlack) << n;
    EXPECT_EQ(Px(20 * 8 + 17, 259), kWhite);
    // Satellite 16 at elevation 90 sits at the plot's centre.
    EXPECT_EQ(Px(40, 150), kBlack);
}

TEST_F(SentenceStreamTest, RunawayInputOnlyMarksTheFailure) {
    Feed(Sentence(kGgaBody) + "$");
    const auto before = Snapshot();
    Feed("GPGSA,");
    Feed(std::string(300, ','));
    Feed(std::string(300, ',') + "$");
    EXPECT_EQ(Mark(), kRed);
    EXPECT_EQ(ChangedOutside(before, {5, 30, 10, 35}), 0);

    // The stream recovers with the next sentence.
    Feed(Sentence(kGsaBody).substr(1) + "$");
    EXPECT_EQ(Mark(), kBlue);
    EXPECT_EQ(Nav.pdop, 2.5f);
}

TEST_F(SentenceStreamTest, DateFollowsTheLocalTimeAcrossMidnight) {
    Feed(Sentence("GPGGA,233000,3540.00,N,13500.00,E,1,08,0.9,40.0,M,30.0,M,,") +
         Sentence("GPRMC,233000,A,3540.00,N,13500.00,E,0.0,0.0,311226,,") + "$");
    EXPECT_TRUE(FieldShows(kDate, u"2027/ 1/ 1   "));
    EXPECT_TRUE(FieldShows(kTime, u" 8:30: 0   "));
}

// Sample logs in tick-sized chunks, every refresh drawn on the window with
// real receiver values: no sanitizer report.
TEST_F(SentenceStreamTest, SampleLogsDrawCleanly) {
    for (const char* file :
         {"ublox-neo-m9n-nmea.nmea", "quectel-eg25-g.nmea", "skytraq-dgps.nmea",
          "magellan-ec10.nmea", "tn200.nmea", "gp-320fw-2019-04-07-coldboot.nmea"}) {
        SCOPED_TRACE(file);
        ResetNmeaState();
        FillWindow(WhiteBrush);
        const std::string bytes = test_support::SampleLog(file);
        ASSERT_FALSE(bytes.empty());
        for (size_t offset = 0; offset < bytes.size(); offset += 144)
            Feed(bytes.substr(offset, 144));
        EXPECT_TRUE(AnyDark(kStatus)) << "no sentence was echoed";
    }
}

}  // namespace
