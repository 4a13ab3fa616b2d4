// GSA and GSV: which satellites are in view, of which system, where, how well
// received and whether used in the fix, as the screen's sky view sees them.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "tests/nmea/sky_test_helpers.h"
#include "tests/support/decode_string.h"

namespace {

using namespace sky_test;

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
        EXPECT_EQ(Names(UsedSets()), Names(c.used));
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
        EXPECT_EQ(Names(UsedSets()), Names(c.used));
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

}  // namespace
