// GSV groups over time: one per talker and signal, merged per satellite,
// spoilt by a lost message, gone when their talker falls silent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "tests/nmea/sky_test_helpers.h"

namespace {

using namespace sky_test;

class SkyGroups : public testing::Test {
  protected:
    void SetUp() override { ResetNmeaState(); }
};

// One group per talker and signal; a satellite listed for several signals is
// one satellite with its best SNR and the position any of them gave.
TEST_F(SkyGroups, GsvSignalsOfOneSystemMerge) {
    Stream({"$GPGSV,1,1,02,01,25,069,31,07,13,130,22,1*00",
            "$GPGSV,1,1,02,01,25,069,37,14,66,049,38,6*00", "$GAGSV,1,1,01,05,,,40,1*00",
            "$GAGSV,1,1,01,05,42,071,35,7*00"});
    EXPECT_EQ(Names(InView()), "G1 G7 G14 E5 ");
    EXPECT_EQ(Find(G, 1)->snr, 37.0f);
    EXPECT_EQ(Find(E, 5)->snr, 40.0f);
    EXPECT_TRUE(Find(E, 5)->located);
    EXPECT_EQ(Find(E, 5)->azimuth, 71);

    // A new group for one signal replaces only that signal's satellites.
    Stream({"$GPGSV,1,1,01,01,25,069,30,1*00"});
    EXPECT_EQ(Names(InView()), "G1 G14 E5 ");
    EXPECT_EQ(Find(G, 1)->snr, 37.0f);

    // A group whose messages carry a signal ID only from the second on.
    ResetNmeaState();
    Stream(
        {"$GAGSV,2,1,04,102,28,167,41,103,69,097,36*65", "$GAGSV,2,2,04,102,,,44,103,,,34,1*77"});
    EXPECT_EQ(Names(InView()), "E102 E103 ");
    EXPECT_EQ(Find(E, 102)->snr, 44.0f);
    EXPECT_EQ(Find(E, 102)->elevation, 28);
}

TEST_F(SkyGroups, GsvLostMessageSpoilsItsGroup) {
    Stream({"$GPGSV,1,1,01,03,10,10,30*00"});
    const struct {
        const char* name;
        std::vector<std::string> sentences;
        const char* inView;
    } cases[] = {
        {"first lost", {"$GPGSV,2,2,05,09,1,2,3*00"}, "G3 "},
        {"middle lost", {"$GPGSV,3,1,09,05,1,2,3*00", "$GPGSV,3,3,09,09,1,2,3*00"}, "G3 "},
        {"count changed", {"$GPGSV,2,1,05,05,1,2,3*00", "$GPGSV,3,2,09,09,1,2,3*00"}, "G3 "},
        {"another talker between",
         {"$GPGSV,2,1,05,05,1,2,3*00", "$GLGSV,1,1,01,70,1,2,3*00", "$GPGSV,2,2,05,09,1,2,3*00"},
         "G5 G9 R70 "},
        {"a new first message restarts",
         {"$GPGSV,2,1,05,05,1,2,3*00", "$GPGSV,2,1,05,06,1,2,3*00", "$GPGSV,2,2,05,09,1,2,3*00"},
         "G6 G9 R70 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stream(c.sentences);
        EXPECT_EQ(Names(InView()), c.inView);
    }
}

// The five seconds after which a silent system goes are measured across the
// wrap of the tick counter, after 49 days.
TEST_F(SkyGroups, GsvSilenceIsMeasuredAcrossTheTickWrap) {
    Stream({"$GLGSV,1,1,01,70,10,10,30*00"}, 0xFFFFFF00u);
    for (const uint32_t tickMs : {0xFFFFFFF0u, 0x100u}) {
        Stream({"$GPGSV,1,1,01,03,10,10,30*00"}, tickMs);
        EXPECT_EQ(Names(InView()), "G3 R70 ") << tickMs;
    }
    Stream({"$GPGSV,1,1,01,03,10,10,30*00"}, 0x100u + 5000u);
    EXPECT_EQ(Names(InView()), "G3 ");
}

// A sky fuller than any receiver's: every table keeps to its size.
TEST_F(SkyGroups, CrowdedSkyStaysInsideItsTables) {
    std::vector<std::string> sentences;
    for (int signal = 0; signal < 16; ++signal) {
        for (const char* talker : {"GP", "GL", "GA", "GB", "GQ", "GI", "GN"}) {
            for (int m = 1; m <= 9; ++m) {
                std::string s = std::string("$") + talker + "GSV,9," + std::to_string(m) + ",36";
                for (int b = 0; b < 5; ++b)
                    s += "," + std::to_string(m * 5 + b + signal) + ",10,20,30";
                sentences.push_back(s + "," + "0123456789ABCDEF"[signal] + "*00");
            }
        }
    }
    Stream(sentences);
    EXPECT_EQ(Sky().count, kMaxSkySatellites);
    int complete = 0;
    for (const SkyGroup& g : Nav.skyGroups) {
        EXPECT_LE(g.entryCount, kGroupEntries);
        complete += g.state == GroupState::kComplete;
    }
    EXPECT_GT(complete, 0);
}

}  // namespace
