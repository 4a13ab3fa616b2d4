// GSA and GSV: which satellites are in view, of which system, where, how well
// received and whether used in the fix, as the screen's sky view sees them.
#include <gtest/gtest.h>

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

TEST_F(SatelliteDecoders, GsaFields) {
    Gsa("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");
    EXPECT_EQ(Nav.gsaMode, 'A');
    EXPECT_EQ(Nav.fixType, 3);
    EXPECT_EQ(Nav.pdop, 2.5f);
    EXPECT_EQ(Nav.hdop, 1.3f);
    EXPECT_EQ(Nav.vdop, 2.1f);
    EXPECT_EQ(Names(UsedSets()), "G4 G5 G9 G12 G24 ");

    Gsa("$GPGSA,A");
    EXPECT_EQ(Nav.fixType, 0) << "a GSA without the field still resets the fix type";
}

// Whose satellites a GSA lists: the system ID of NMEA 4.10, else the talker,
// else for GN the NMEA 4.0 number ranges.
TEST_F(SatelliteDecoders, GsaSystemOfEachSatellite) {
    const struct {
        const char* sentence;
        const char* used;
    } cases[] = {
        {"$GNGSA,A,3,307,301,214,405,193,,,,,,,,0,0,0*00", "E301 E307 C214 C405 J193 "},
        {"$GNGSA,A,3,03,05,,,,,,,,,,,1.0,0.5,0.8,3*00", "E3 E5 "},
        {"$GNGSA,A,3,21,44,,,,,,,,,,,1.0,0.5,0.8,1*00", "G21 S44 "},
        {"$GPGSA,A,3,32,50,120,197,65,0,-5,512,,,,,1,2,3*00", "G32 S50 S120 R65 J197 "},
        // gpsd's NMEA output lists every system under GP, by its own ranges.
        {"$GPGSA,A,3,5,96,336,463,,,,,,,,,1.1,0.5,1.0*04", "G5 R96 E336 C463 "},
        {"$GPGSA,A,3,203,237,97,300,337,400,464,,,,,,1.1,0.5,1.0*04", ""},
        {"$BDGSA,A,3,02,03,,,,,,,,,,,2.1,1.1,1.8,1.2*2D", "C2 C3 "},
        {"$QZGSA,A,3,02,,,,,,,,,,,,1,1,1,5*00", "J2 "},
        {"$GNGSA,A,3,02,,,,,,,,,,,,1,1,1,6*00", "I2 "},
        {"$PXGSA,A,3,02,,,,,,,,,,,,1,1,1*00", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        ResetNmeaState();
        Gsa(c.sentence);
        EXPECT_EQ(Names(UsedSets()), c.used);
    }
}

// A run of GSA sentences is one fix: the first GSA naming a system replaces
// its used set, later ones in the same run add to it.
TEST_F(SatelliteDecoders, GsaRunsReplaceAndAdd) {
    const std::string rmc = "$GNRMC,1*00";
    const struct {
        const char* name;
        std::vector<std::string> sentences;
        const char* used;
    } cases[] = {
        {"a satellite that left the fix is no longer used",
         {"$GPGSA,A,3,04,05,09,,,,,,,,,,1,1,1*00", rmc, "$GPGSA,A,3,04,09,,,,,,,,,,,1,1,1*00"},
         "G4 G9 "},
        {"more than twelve used: two GSAs of one system in one run add up",
         {"$GNGSA,A,3,01,02,03,04,05,06,07,08,09,10,11,12,1,1,1,1*00",
          "$GNGSA,A,3,13,14,,,,,,,,,,,1,1,1,1*00"},
         "G1 G2 G3 G4 G5 G6 G7 G8 G9 G10 G11 G12 G13 G14 "},
        {"one GNGSA per system without a system ID",
         {"$GNGSA,A,3,01,,,,,,,,,,,,1,1,1*00", "$GNGSA,A,3,02,,,,,,,,,,,,1,1,1*00", rmc,
          "$GNGSA,A,3,03,,,,,,,,,,,,1,1,1*00", "$GNGSA,A,3,70,,,,,,,,,,,,1,1,1*00"},
         "G3 R70 "},
        {"an empty GSA with a system ID empties that system only",
         {"$GNGSA,A,3,01,,,,,,,,,,,,1,1,1,1*00", "$GNGSA,A,3,05,,,,,,,,,,,,1,1,1,3*00", rmc,
          "$GNGSA,A,3,01,,,,,,,,,,,,1,1,1,1*00", "$GNGSA,A,3,,,,,,,,,,,,,1,1,1,3*00"},
         "G1 "},
        {"a lone '$' between two GSAs is no sentence",
         {"$GNGSA,A,3,44,,,,,,,,,,,,1,1,1,4*00", "$", "$GNGSA,A,3,34,,,,,,,,,,,,1,1,1,4*00"},
         "C34 C44 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetNmeaState();
        Stream(c.sentences);
        EXPECT_EQ(Names(UsedSets()), c.used);
    }
}

TEST_F(SatelliteDecoders, GsvFieldsAndGroups) {
    EXPECT_FALSE(Gsv("$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75"));
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

    // The next group is the whole sky: a satellite it does not list is gone.
    Gsv("$GPGSV,1,1,02,02,18,309,42,40,30,150,35*00");
    EXPECT_EQ(Names(InView()), "G2 S40 ");
}

TEST_F(SatelliteDecoders, GsvEndOfGroup) {
    const struct {
        const char* sentence;
        bool last;
    } cases[] = {{"$GPGSV,3,2,12,02,40,083,46*00", false},
                 {"$GPGSV,3,3,12,03,40,083,46*00", true},
                 {"$GPGSV,,,,05,40,083,46*00", true},  // both empty: 0 equals 0
                 // Fields 1 and 2 missing: judged by the values already in the record.
                 {"$GPGSV,3,2", false},
                 {"$GPGSV,2,2,", true},
                 {"$GPGSV,257,1,", true},  // cut to 8 bits before the comparison
                 // Not satellite data: nothing changes.
                 {"$PQGSV,1,1,01,02,20,116,,0,4*00", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        EXPECT_EQ(Gsv(c.sentence), c.last);
    }
}

// The satellites a GSV lists: the system by its talker, or by the NMEA 4.0
// ranges for GN and for SBAS and QZSS among GPS; the signal ID that NMEA 4.10
// appends after the last block is never a satellite, however the blocks
// before it are padded; odd fields are read as the field buffer holds them.
TEST_F(SatelliteDecoders, GsvSatellitesListed) {
    const struct {
        const char* sentence;
        const char* inView;
    } cases[] = {
        {"$GPGSV,1,1,04,05,1,2,3,46,1,2,3,193,1,2,3,65,1,2,3*00", "G5 S46 R65 J193 "},
        // As gpsd relays a multi-system receiver: one GP group, gpsd's numbers.
        {"$GPGSV,1,1,45,44,39,174,47,46,39,191,45,51,38,160,00,302,34,258,41*70",
         "S44 S46 S51 E302 "},
        {"$GPGSV,1,1,45,430,34,113,47,432,31,049,44,435,34,303,41,194,14,304,00*46",
         "C430 C432 C435 J194 "},
        {"$GPGSV,1,1,45,70,34,039,32,71,61,113,48,72,28,174,50,76,07,234,38*7F",
         "R70 R71 R72 R76 "},
        {"$GPGSV,1,1,02,214,1,2,3,97,1,2,3*00", ""},
        {"$GPGSV,1,1,02,138,1,2,3,00,1,2,3*00", "S138 "},
        {"$GLGSV,1,1,02,69,1,2,3,05,1,2,3*00", "R5 R69 "},
        {"$GAGSV,1,1,02,05,1,2,3,301,1,2,3*00", "E5 E301 "},
        {"$GBGSV,1,1,01,05,1,2,3*00", "C5 "},
        {"$BDGSV,1,1,01,214,1,2,3*00", "C214 "},
        {"$GQGSV,1,1,01,02,1,2,3*00", "J2 "},
        {"$GIGSV,1,1,01,02,1,2,3*00", "I2 "},
        {"$GNGSV,1,1,04,05,1,2,3,75,1,2,3,305,1,2,3,405,1,2,3*00", "G5 R75 E305 C405 "},
        {"$GNGSV,1,1,02,100,1,2,3,999,1,2,3*00", ""},
        {"$GPGSV,1,1,09,15,05,057,32,,,,,,,,,,,,,1*5F", "G15 "},
        {"$GAGSV,1,1,09,02,31,049,33,03,61,243,38,05,28,302,26,08,39,100,38,7*7F", "E2 E3 E5 E8 "},
        {"$GAGSV,1,1,01,33,63,121,20,7*4F", "E33 "},
        {"$GPGSV,1,1,01,1*00", ""},
        {"$BDGSV,1,1,02,38,11,027,23,43,09,259,23,,,,,,,,,B*0E", "C38 C43 "},
        // Malformed, as one receiver sent it: a block of two fields after a
        // whole one, a block cut short in which the GPS talker takes no number
        // of another system (90).
        {"$GPGSV,1,1,12,2,40,16,00,090,*72", "G2 "},
        // The field buffer keeps 11 characters: "00000000001" is satellite 1.
        {"$GPGSV,1,1,01,00000000001234,10,20,30*00", "G1 "},
        // An empty ID drops the block that follows, but not the next one.
        {"$GPGSV,1,1,02,,45,100,30,07,1,2,3*00", "G7 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        ResetNmeaState();
        Gsv(c.sentence);
        EXPECT_EQ(Names(InView()), c.inView);
    }
}

TEST_F(SatelliteDecoders, GsvBlockValues) {
    // Two digits as sent; anything else is no SNR.
    const struct {
        const char* field;
        float snr;
    } cases[] = {{"59", 59.0f}, {"60", 60.0f}, {"99", 99.0f},   {"100", 0.0f},
                 {"0", 0.0f},   {"-3", 0.0f},  {"45.9", 45.0f}, {"4294967341", 0.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        Gsv(std::string("$GPGSV,1,1,01,09,10,20,") + c.field + "*00");
        EXPECT_EQ(Find(G, 9)->snr, c.snr);
    }
    // Bytes at or above 0x80 read as the digit 0.
    Gsv("$GPGSV,1,1,01,1\x80,3\xff,2\xC3\xA9,4\x90*00");
    ASSERT_NE(Find(G, 10), nullptr);
    EXPECT_EQ(Find(G, 10)->elevation, 30);
    EXPECT_EQ(Find(G, 10)->azimuth, 200);
    EXPECT_EQ(Find(G, 10)->snr, 40.0f);
    // Without elevation and azimuth a satellite has no position.
    Gsv("$GPGSV,1,1,02,05,,,14,06,12,,45*00");
    EXPECT_FALSE(Find(G, 5)->located);
    EXPECT_FALSE(Find(G, 6)->located);
}

// A last block without its SNR field is a satellite that is not tracked: its
// azimuth is no signal ID, whatever digits it has.
TEST_F(SatelliteDecoders, GsvLastBlockWithoutItsSnr) {
    Gsv("$GPGSV,1,1,02,05,40,083,46,27,12,087*00");
    const SkySatellite* s = Find(G, 27);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->located);
    EXPECT_EQ(s->elevation, 12);
    EXPECT_EQ(s->azimuth, 87);
    EXPECT_EQ(s->snr, 0.0f);

    // Read as a signal ID, the 7 would keep the group apart from the next
    // second's, and satellite 27 would stay in view after it had gone.
    ResetNmeaState();
    Gsv("$GPGSV,1,1,02,05,40,083,46,27,12,7*00");
    EXPECT_EQ(Find(G, 27)->azimuth, 7);
    Gsv("$GPGSV,1,1,01,05,40,083,46*00");
    EXPECT_EQ(Names(InView()), "G5 ");
}

}  // namespace
