// GSA and GSV: which satellites are in view, of which system, where, how well
// received and whether used in the fix, as the screen's sky view sees them.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "nmea/sentence_router.h"
#include "nmea/sky_view.h"
#include "tests/support/decode_string.h"

namespace {

constexpr GnssSystem G = GnssSystem::kGps;
constexpr GnssSystem S = GnssSystem::kSbas;
constexpr GnssSystem R = GnssSystem::kGlonass;
constexpr GnssSystem E = GnssSystem::kGalileo;
constexpr GnssSystem C = GnssSystem::kBeidou;
constexpr GnssSystem J = GnssSystem::kQzss;
constexpr GnssSystem I = GnssSystem::kNavic;

struct Sat {
    GnssSystem system;
    int number;
    bool operator==(const Sat&) const = default;
};

std::string Name(const Sat& s) {
    return std::string(1, "GSRECJI"[static_cast<int>(s.system)]) + std::to_string(s.number);
}

std::string Names(const std::vector<Sat>& sats) {
    std::string text;
    for (const Sat& s : sats)
        text += Name(s) + " ";
    return text;
}

SkyView view;

const SkyView& Sky() {
    BuildSkyView(Nav, &view);
    return view;
}

std::vector<Sat> InView() {
    std::vector<Sat> sats;
    for (int32_t i = 0; i < Sky().count; ++i)
        sats.push_back({view.satellites[i].system, view.satellites[i].number});
    return sats;
}

std::vector<Sat> UsedInView() {
    std::vector<Sat> sats;
    for (int32_t i = 0; i < Sky().count; ++i) {
        if (view.satellites[i].used)
            sats.push_back({view.satellites[i].system, view.satellites[i].number});
    }
    return sats;
}

const SkySatellite* Find(GnssSystem system, int number) {
    for (int32_t i = 0; i < Sky().count; ++i) {
        if (view.satellites[i].system == system && view.satellites[i].number == number) {
            return &view.satellites[i];
        }
    }
    return nullptr;
}

bool Used(GnssSystem system, int number) {
    return IsUsed(Nav.usedSatellites[static_cast<int>(system)], static_cast<uint16_t>(number));
}

// Each sentence through the router, as the program decodes them, at the tick given.
void Stream(const std::vector<std::string>& sentences, uint32_t tickMs = 0) {
    for (const std::string& s : sentences) {
        const SentenceKind kind =
            s.find("GSA") == 3 ? SentenceKind::kGsa
                               : (s.find("GSV") == 3 ? SentenceKind::kGsv : SentenceKind::kOther);
        DecodeSentence(Nav, kind, s.c_str(), static_cast<int32_t>(s.size()), tickMs);
    }
}

class SatelliteDecoders : public testing::Test {
  protected:
    void SetUp() override { ResetNmeaState(); }
};

// ---- GSA ----

TEST_F(SatelliteDecoders, GsaFields) {
    Gsa("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");
    EXPECT_EQ(Nav.gsaMode, 'A');
    EXPECT_EQ(Nav.fixType, 3);
    EXPECT_EQ(Nav.pdop, 2.5f);
    EXPECT_EQ(Nav.hdop, 1.3f);
    EXPECT_EQ(Nav.vdop, 2.1f);
    for (int n = 0; n <= kMaxSatelliteNumber; ++n) {
        const bool used = n == 4 || n == 5 || n == 9 || n == 12 || n == 24;
        ASSERT_EQ(Used(G, n), used) << n;
    }

    Nav.fixType = 3;
    Gsa("$GPGSA,A");
    EXPECT_EQ(Nav.fixType, 0) << "a GSA without the field still resets the fix type";
    Gsa("$GPGSA,A,99999999999,");
    EXPECT_EQ(Nav.fixType, std::numeric_limits<int32_t>::max());
}

// Whose satellites a GSA lists: the system ID of NMEA 4.10, else the talker,
// else for GN the NMEA 4.0 number ranges.
TEST_F(SatelliteDecoders, GsaSystemOfEachSatellite) {
    const struct {
        const char* sentence;
        std::vector<Sat> used;
    } cases[] = {
        {"$GNGSA,A,3,23,09,46,,,,,,,,,,1.7,1.0,1.4*00", {{G, 9}, {G, 23}, {S, 46}}},
        {"$GNGSA,A,3,80,71,,,,,,,,,,,1.7,1.0,1.4*00", {{R, 71}, {R, 80}}},
        {"$GNGSA,A,3,307,301,214,405,193,,,,,,,,0,0,0*00",
         {{E, 301}, {E, 307}, {C, 214}, {C, 405}, {J, 193}}},
        {"$GNGSA,A,3,03,05,,,,,,,,,,,1.0,0.5,0.8,3*00", {{E, 3}, {E, 5}}},
        {"$GNGSA,A,3,21,44,,,,,,,,,,,1.0,0.5,0.8,1*00", {{G, 21}, {S, 44}}},
        {"$GPGSA,A,3,32,50,120,197,65,0,-5,512,,,,,1,2,3*00",
         {{G, 32}, {S, 50}, {S, 120}, {J, 197}}},
        {"$BDGSA,A,3,02,03,,,,,,,,,,,2.1,1.1,1.8,1.2*2D", {{C, 2}, {C, 3}}},
        {"$GLGSA,A,3,05,,,,,,,,,,,,1,1,1*00", {{R, 5}}},
        {"$GAGSA,A,3,05,,,,,,,,,,,,1,1,1*00", {{E, 5}}},
        {"$QZGSA,A,3,02,,,,,,,,,,,,1,1,1,5*00", {{J, 2}}},
        {"$GNGSA,A,3,02,,,,,,,,,,,,1,1,1,6*00", {{I, 2}}},
        {"$PXGSA,A,3,02,,,,,,,,,,,,1,1,1*00", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        ResetNmeaState();
        Gsa(c.sentence);
        std::vector<Sat> used;
        for (int s = 0; s < kGnssSystemCount; ++s) {
            for (int n = 0; n <= kMaxSatelliteNumber; ++n) {
                if (Used(static_cast<GnssSystem>(s), n))
                    used.push_back({static_cast<GnssSystem>(s), n});
            }
        }
        EXPECT_EQ(Names(used), Names(c.used));
    }
}

// A run of GSA sentences is one fix: the first GSA naming a system replaces
// its used set, later ones in the same run add to it.
TEST_F(SatelliteDecoders, GsaRunsReplaceAndAdd) {
    const std::string rmc = "$GNRMC,1*00";
    const struct {
        const char* name;
        std::vector<std::string> sentences;
        std::vector<Sat> used;
    } cases[] = {
        {"a satellite that left the fix is no longer used",
         {"$GPGSA,A,3,04,05,09,,,,,,,,,,1,1,1*00", rmc, "$GPGSA,A,3,04,09,,,,,,,,,,,1,1,1*00"},
         {{G, 4}, {G, 9}}},
        {"more than twelve used: two GSAs of one system in one run add up",
         {"$GNGSA,A,3,01,02,03,04,05,06,07,08,09,10,11,12,1,1,1,1*00",
          "$GNGSA,A,3,13,14,,,,,,,,,,,1,1,1,1*00"},
         {{G, 1},
          {G, 2},
          {G, 3},
          {G, 4},
          {G, 5},
          {G, 6},
          {G, 7},
          {G, 8},
          {G, 9},
          {G, 10},
          {G, 11},
          {G, 12},
          {G, 13},
          {G, 14}}},
        {"one GNGSA per system without a system ID",
         {"$GNGSA,A,3,01,,,,,,,,,,,,1,1,1*00", "$GNGSA,A,3,02,,,,,,,,,,,,1,1,1*00", rmc,
          "$GNGSA,A,3,03,,,,,,,,,,,,1,1,1*00", "$GNGSA,A,3,70,,,,,,,,,,,,1,1,1*00"},
         {{G, 3}, {R, 70}}},
        {"GPGSA and GNGSA with the same list",
         {"$GPGSA,A,3,02,04,,,,,,,,,,,1,1,1*00", "$GNGSA,A,3,02,04,,,,,,,,,,,1,1,1*00",
          "$GNGSA,A,3,70,,,,,,,,,,,,1,1,1*00"},
         {{G, 2}, {G, 4}, {R, 70}}},
        {"an empty GSA with a system ID empties that system only",
         {"$GNGSA,A,3,01,,,,,,,,,,,,1,1,1,1*00", "$GNGSA,A,3,05,,,,,,,,,,,,1,1,1,3*00", rmc,
          "$GNGSA,A,3,01,,,,,,,,,,,,1,1,1,1*00", "$GNGSA,A,3,,,,,,,,,,,,,1,1,1,3*00"},
         {{G, 1}}},
        {"a lone '$' between two GSAs is no sentence",
         {"$GNGSA,A,3,44,,,,,,,,,,,,1,1,1,4*00", "$", "$GNGSA,A,3,34,,,,,,,,,,,,1,1,1,4*00"},
         {{C, 34}, {C, 44}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetNmeaState();
        Stream(c.sentences);
        std::vector<Sat> used;
        for (int s = 0; s < kGnssSystemCount; ++s) {
            for (int n = 0; n <= kMaxSatelliteNumber; ++n) {
                if (Used(static_cast<GnssSystem>(s), n))
                    used.push_back({static_cast<GnssSystem>(s), n});
            }
        }
        EXPECT_EQ(Names(used), Names(c.used));
    }
}

// ---- GSV ----

TEST_F(SatelliteDecoders, GsvFieldsAndGroups) {
    const bool last = Gsv("$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75");
    EXPECT_FALSE(last);
    EXPECT_EQ(Nav.gsvMessageCount, 2);
    EXPECT_EQ(Nav.gsvMessageNumber, 1);
    EXPECT_EQ(Nav.satellitesInView, 8);
    EXPECT_EQ(Sky().count, 0) << "a group is in view once its last message has come";

    EXPECT_TRUE(Gsv("$GPGSV,2,2,08,16,90,000,,20,05,090,20,25,45,180,33,31,10,270,18*00"));
    EXPECT_EQ(Names(InView()), "G1 G2 G12 G14 G16 G20 G25 G31 ");
    const SkySatellite* s = Find(G, 12);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->elevation, 7);
    EXPECT_EQ(s->azimuth, 344);
    EXPECT_EQ(s->snr, 39.0f);
    EXPECT_TRUE(s->located);
    EXPECT_EQ(Find(G, 16)->snr, 0.0f) << "not tracked";

    // The next group is the whole sky: a satellite it does not list is gone.
    Gsv("$GPGSV,1,1,02,02,18,309,42,40,30,150,35*00");
    EXPECT_EQ(Names(InView()), "G2 S40 ");
}

TEST_F(SatelliteDecoders, GsvEndOfGroup) {
    struct Case {
        const char* sentence;
        bool last;
    };
    const Case cases[] = {{"$GPGSV,3,1,12,01,40,083,46*00", false},
                          {"$GPGSV,3,2,12,02,40,083,46*00", false},
                          {"$GPGSV,3,3,12,03,40,083,46*00", true},
                          {"$GPGSV,1,1,02,04,40,083,46*00", true},
                          {"$GPGSV,,,,05,40,083,46*00", true},  // both empty: 0 equals 0
                          {"$GPGSV,4,2*00", false},
                          // Fields 1 and 2 missing: judged by the values already in the record.
                          {"$GPGSV*00", false},
                          {"$GPGSV,3,2", false},
                          {"$GPGSV,2,2,", true},
                          // Cut to 8 bits before the comparison.
                          {"$GPGSV,257,1,", true},
                          // Not satellite data: nothing changes.
                          {"$PQGSV,1,1,01,02,20,116,,0,4*00", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sentence);
        EXPECT_EQ(Gsv(c.sentence), c.last);
    }
}

// The system of each satellite a GSV lists, by its talker, or by the NMEA
// 4.0 ranges for GN and for SBAS and QZSS among GPS.
TEST_F(SatelliteDecoders, GsvSystemOfEachSatellite) {
    const struct {
        const char* sentence;
        const char* inView;
    } cases[] = {
        {"$GPGSV,1,1,04,05,1,2,3,46,1,2,3,193,1,2,3,65,1,2,3*00", "G5 S46 J193 "},
        {"$GPGSV,1,1,02,138,1,2,3,00,1,2,3*00", "S138 "},
        {"$GLGSV,1,1,02,69,1,2,3,05,1,2,3*00", "R5 R69 "},
        {"$GAGSV,1,1,02,05,1,2,3,301,1,2,3*00", "E5 E301 "},
        {"$GBGSV,1,1,01,05,1,2,3*00", "C5 "},
        {"$BDGSV,1,1,01,214,1,2,3*00", "C214 "},
        {"$GQGSV,1,1,01,02,1,2,3*00", "J2 "},
        {"$QZGSV,1,1,01,02,1,2,3*00", "J2 "},
        {"$GIGSV,1,1,01,02,1,2,3*00", "I2 "},
        {"$GNGSV,1,1,04,05,1,2,3,75,1,2,3,305,1,2,3,405,1,2,3*00", "G5 R75 E305 C405 "},
        {"$GNGSV,1,1,02,100,1,2,3,999,1,2,3*00", ""},
        {"$PQGSV,1,1,01,02,20,116,,0,4*00", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        ResetNmeaState();
        Gsv(c.sentence);
        EXPECT_EQ(Names(InView()), c.inView);
    }
}

// NMEA 4.10 appends the signal ID after the last block; it is never a
// satellite, however the blocks before it are padded.
TEST_F(SatelliteDecoders, GsvSignalIdIsNoSatellite) {
    const struct {
        const char* sentence;
        const char* inView;
    } cases[] = {
        {"$GPGSV,1,1,09,15,05,057,32,,,,,,,,,,,,,1*5F", "G15 "},
        {"$GAGSV,1,1,09,02,31,049,33,03,61,243,38,05,28,302,26,08,39,100,38,7*7F", "E2 E3 E5 E8 "},
        {"$GAGSV,1,1,01,33,63,121,20,7*4F", "E33 "},
        {"$GPGSV,1,1,01,1*00", ""},
        {"$BDGSV,1,1,02,38,11,027,23,43,09,259,23,,,,,,,,,B*0E", "C38 C43 "},
        // Malformed, as one receiver sent it: the empty last field reads as the
        // signal ID, and 90 is no number of the GPS talker.
        {"$GPGSV,1,1,12,2,40,16,00,090,*72", "G2 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        ResetNmeaState();
        Gsv(c.sentence);
        EXPECT_EQ(Names(InView()), c.inView);
    }
}

// One group per talker and signal; a satellite listed for several signals is
// one satellite with its best SNR and the position any of them gave.
TEST_F(SatelliteDecoders, GsvSignalsOfOneSystemMerge) {
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

TEST_F(SatelliteDecoders, GsvLostMessageSpoilsItsGroup) {
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

TEST_F(SatelliteDecoders, GsvSilentSystemGoesAfterFiveSeconds) {
    Stream({"$GPGSV,1,1,01,03,10,10,30*00", "$GLGSV,1,1,01,70,10,10,30*00"}, 1000);
    Stream({"$GPGSV,1,1,01,03,10,10,30*00"}, 6000);
    EXPECT_EQ(Names(InView()), "G3 R70 ") << "exactly 5 s: still in view";
    Stream({"$GPGSV,1,1,01,03,10,10,30*00"}, 6001);
    EXPECT_EQ(Names(InView()), "G3 ");
    // The tick counter wraps around after 49 days.
    Stream({"$GLGSV,1,1,01,70,10,10,30*00"}, 0xFFFFFF00u);
    Stream({"$GPGSV,1,1,01,03,10,10,30*00"}, 0x100u);
    EXPECT_EQ(Names(InView()), "G3 R70 ");
}

TEST_F(SatelliteDecoders, UsedNeedsAFixAndAListingInTheLatestRun) {
    Stream({"$GPGSV,1,1,03,04,1,2,3,05,1,2,3,09,1,2,3*00", "$GPGSA,A,3,04,05,,,,,,,,,,,1,1,1*00"});
    EXPECT_EQ(Names(UsedInView()), "G4 G5 ");
    Stream({"$GPGSA,A,1,04,05,,,,,,,,,,,1,1,1*00"});
    EXPECT_EQ(Names(UsedInView()), "") << "fix type 1 shows nothing as used";
    Stream({"$GPGSA,A,,04,05,,,,,,,,,,,1,1,1*00"});
    EXPECT_EQ(Names(UsedInView()), "G4 G5 ") << "fix type 0 does";
}

TEST_F(SatelliteDecoders, GsvSignalToNoise) {
    struct Case {
        const char* field;
        float snr;
    };
    const Case cases[] = {{"59", 59.0f}, {"60", 0.0f},    {"1", 1.0f},
                          {"0", 0.0f},   {"", 0.0f},      {"-3", 0.0f},
                          {"99", 0.0f},  {"45.9", 45.0f}, {"4294967341", 0.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        Gsv(std::string("$GPGSV,1,1,01,09,10,20,") + c.field + "*00");
        EXPECT_EQ(Find(G, 9)->snr, c.snr);
    }
}

TEST_F(SatelliteDecoders, GsvOddFields) {
    // Bytes at or above 0x80 read as the digit 0.
    Gsv("$GPGSV,1,1,01,1\x80,3\xff,2\xC3\xA9,4\x90*00");
    ASSERT_NE(Find(G, 10), nullptr);
    EXPECT_EQ(Find(G, 10)->elevation, 30);
    EXPECT_EQ(Find(G, 10)->azimuth, 200);
    EXPECT_EQ(Find(G, 10)->snr, 40.0f);
    // Elevation and azimuth are cut to 16 bits.
    Gsv("$GPGSV,1,1,01,09,70000,-1,*00");
    EXPECT_EQ(Find(G, 9)->elevation, 70000 - 65536);
    EXPECT_EQ(Find(G, 9)->azimuth, 65535);
    // The field buffer keeps 11 characters: "00000000001" is satellite 1.
    Gsv("$GPGSV,1,1,01,00000000001234,10,20,30*00");
    ASSERT_NE(Find(G, 1), nullptr);
    // An empty ID drops the block that follows, but not the next one.
    Gsv("$GPGSV,1,1,02,,45,100,30,07,1,2,3*00");
    EXPECT_EQ(Names(InView()), "G7 ");
    // Without elevation and azimuth a satellite has no position.
    Gsv("$GPGSV,1,1,02,05,,,14,06,12,,45*00");
    EXPECT_FALSE(Find(G, 5)->located);
    EXPECT_FALSE(Find(G, 6)->located);
}

// A sky fuller than any receiver's: every table keeps to its size.
TEST_F(SatelliteDecoders, CrowdedSkyStaysInsideItsTables) {
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
