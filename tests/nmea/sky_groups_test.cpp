// GSV groups over time: one per talker and signal, merged per satellite,
// spoilt by a lost message, gone when their talker falls silent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "tests/nmea/sky_test_helpers.h"
#include "tests/support/decode_string.h"

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

// A group of n messages of the talker, each of four satellites numbered from
// first on, with this signal ID ('\0' for none).
std::vector<std::string> Group(const std::string& talker, int messages, int first,
                               char signal = '\0') {
    std::vector<std::string> sentences;
    for (int m = 1; m <= messages; ++m) {
        std::string s = "$" + talker + "GSV," + std::to_string(messages) + "," + std::to_string(m) +
                        "," + std::to_string(4 * messages);
        for (int b = 0; b < 4; ++b)
            s += "," + std::to_string(first + 4 * (m - 1) + b) + ",10,20,30";
        if (signal != '\0') s += std::string(",") + signal;
        sentences.push_back(s + "*00");
    }
    return sentences;
}

int HeldEntries() {
    int held = 0;
    ForEachSkyEntry(Nav.skyGroups, [&held](const SatelliteEntry&) { ++held; });
    return held;
}

// Groups of two-digit length, as BeiDou with 40 in view in Asia: every
// satellite listed is in view, from the tick of the group's last message.
TEST_F(SkyGroups, GroupsOfTenMessagesAndMore) {
    const std::vector<std::string> beidou = Group("GB", 10, 1);
    Stream(std::vector<std::string>(beidou.begin(), beidou.end() - 1));
    EXPECT_EQ(Sky().count, 0);
    EXPECT_TRUE(Gsv(beidou.back()));
    EXPECT_EQ(Sky().count, 40);
    EXPECT_NE(Find(GnssSystem::kBeidou, 40), nullptr);

    Stream(Group("GL", 99, 1));
    EXPECT_EQ(Sky().count, 40 + 396);
}

// However many groups a second brings, one per talker and signal, each keeps
// its satellites: seven talkers with sixteen signals each.
TEST_F(SkyGroups, EveryGroupOfASecondIsKept) {
    std::vector<std::string> second;
    for (const char* talker : {"GP", "GL", "GA", "GB", "GQ", "GI", "GN"}) {
        for (int signal = 0; signal < kSignalIds; ++signal) {
            // GN lists GLONASS by its numbers from 65 on.
            const int first = (talker == std::string("GN") ? 65 : 1) + 2 * signal;
            std::string s = std::string("$") + talker + "GSV,1,1,02," + std::to_string(first) +
                            ",10,20,30," + std::to_string(first + 1) + ",10,20,30";
            if (signal != 0) s += std::string(",") + "0123456789ABCDEF"[signal];
            second.push_back(s + "*00");
        }
    }
    Stream(second);
    // GPS and GLONASS 1 to 32 from their talkers, and GLONASS 65 to 96 from GN.
    EXPECT_EQ(Sky().count, 6 * 32 + 32);
    EXPECT_EQ(HeldEntries(), 7 * 16 * 2);
}

// Past what any receiver sends, the groups heard from longest ago make room
// for the one arriving; a group that alone would overflow keeps what fits.
TEST_F(SkyGroups, PastTheBoundTheOldestGroupsMakeRoom) {
    Stream(Group("GB", 99, 1), 1000);
    Stream(Group("GA", 99, 1), 2000);
    Stream(Group("GL", 99, 1), 3000);
    EXPECT_EQ(Find(GnssSystem::kBeidou, 1), nullptr) << "BeiDou, the oldest, made room";
    EXPECT_EQ(Sky().count, 2 * 396);
    EXPECT_LE(HeldEntries(), kSkyEntries);

    std::vector<std::string> huge;
    for (int m = 1; m <= 255; ++m) {
        std::string s = "$GQGSV,255," + std::to_string(m) + ",99";
        for (int b = 0; b < 8; ++b)
            s += "," + std::to_string(1 + (8 * m + b) % 500) + ",10,20,30";
        huge.push_back(s + "*00");
    }
    Stream(huge, 4000);
    EXPECT_EQ(HeldEntries(), kSkyEntries);
    EXPECT_EQ(Sky().count, 500) << "QZSS alone";
    // And the next ordinary group finds room again.
    Stream(Group("GP", 2, 1), 5000);
    EXPECT_NE(Find(G, 8), nullptr);
}

}  // namespace
