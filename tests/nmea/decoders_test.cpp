#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "tests/support/decode_string.h"

namespace {

class Decoders : public testing::Test {
  protected:
    void SetUp() override { ResetNmeaState(); }
};

// ---- GGA ----

struct GgaCase {
    const char* sentence;
    float time, latitude, longitude;
    uint8_t quality, used;
    float hdop, altitude, geoid, display;
};

TEST_F(Decoders, GgaFieldTable) {
    const GgaCase cases[] = {
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n", 123519.0f,
         4807.038f, 1131.0f, 1, 8, 0.9f, 545.4f, 46.9f, 592.30005f},
        {"$GNGGA,002153.000,3342.6618,S,11751.3858,W,2,10,1.2,27.0,M,-34.2,M,0.8,0000*5E", 2153.0f,
         3342.6618f, 11751.3858f, 2, 10, 1.2f, 27.0f, -34.2f, 27.0f + -34.2f},
        // No fix: empty position fields write zeros.
        {"$GPGGA,235947.000,,,,,0,00,,,M,0.0,M,,0000*5F", 235947.0f, 0, 0, 0, 0, 0, 0, 0, 0},
        // Every field empty.
        {"$GPGGA,,,,,,,,,,,,,,*7A", 0, 0, 0, 0, 0, 0, 0, 0, 0}};
    for (const GgaCase& c : cases) {
        SCOPED_TRACE(c.sentence);
        ResetNmeaState();
        Nav.ggaLatitude = Nav.ggaLongitude = 99.0f;
        Gga(c.sentence);
        EXPECT_EQ(Nav.ggaTime, c.time);
        EXPECT_EQ(Nav.ggaLatitude, c.latitude);
        EXPECT_EQ(Nav.ggaLongitude, c.longitude);
        EXPECT_EQ(Nav.fixQuality, c.quality);
        EXPECT_EQ(Nav.satellitesUsed, c.used);
        EXPECT_EQ(Nav.ggaHdop, c.hdop);
        EXPECT_EQ(Nav.altitude, c.altitude);
        EXPECT_EQ(Nav.geoidSeparation, c.geoid);
        EXPECT_EQ(Nav.displayAltitude, c.display);
    }
}

TEST_F(Decoders, GgaEmptyAltitudeLeavesTheGeoidSeparation) {
    Gga("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,,M,46.9,M,,*00");
    EXPECT_EQ(Nav.altitude, 0.0f);
    EXPECT_EQ(Nav.displayAltitude, 46.9f);
}

TEST_F(Decoders, GgaEndingEarlyKeepsLaterFieldsAndRecomputesTheSum) {
    Nav.altitude = 100.0f;
    Nav.geoidSeparation = 20.0f;
    Nav.ggaHdop = 3.0f;
    Nav.satellitesUsed = 7;
    Gga("$GPGGA,120000,4807.038,N,01131.000,E,1");
    EXPECT_EQ(Nav.ggaLongitude, 1131.0f);
    EXPECT_EQ(Nav.fixQuality, 0) << "field 6 has no separator after it";
    EXPECT_EQ(Nav.satellitesUsed, 7);
    EXPECT_EQ(Nav.ggaHdop, 3.0f);
    EXPECT_EQ(Nav.displayAltitude, 120.0f);
}

TEST_F(Decoders, ChecksumDigitsAreNeverAField) {
    // Field 1 ends at the star; "47" would be field 2 if it were handed on.
    Gga("$GPGGA,120000*47");
    EXPECT_EQ(Nav.ggaTime, 120000.0f);
    EXPECT_EQ(Nav.ggaLatitude, 0.0f);
}

TEST_F(Decoders, WalkStopsAtTheLengthAndAtANul) {
    const char text[] = "$GPGGA,1,2,3,";
    Nav.ParseGga(text, 7);  // position 7 is the '1'
    EXPECT_EQ(Nav.ggaTime, 0.0f);
    Nav.ParseGga(text, 8);  // position 8 is the ',' after it, and is walked
    EXPECT_EQ(Nav.ggaTime, 1.0f);
    EXPECT_EQ(Nav.ggaLatitude, 0.0f);

    ResetNmeaState();
    const char withNul[] = "$GPGGA,5,\0,6,7,";
    Nav.ParseGga(withNul, sizeof withNul - 1);
    EXPECT_EQ(Nav.ggaTime, 5.0f);
    EXPECT_EQ(Nav.ggaLongitude, 0.0f);

    Nav.ParseGga(text, -1);
    Nav.ParseGga("", 0);
    EXPECT_EQ(Nav.ggaTime, 5.0f);
}

TEST_F(Decoders, IntegerFieldsAreCutToTheirWidth) {
    struct Case {
        const char* text;
        uint8_t value;
    };
    const Case cases[] = {{"300", 44},         {"256", 0},           {"-1", 255},
                          {"4294967297", 255}, {"99999999999", 255}, {"-99999999999", 0},
                          {"12abc", 12},       {"abc", 0},           {" 9", 9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ResetNmeaState();
        Gga(std::string("$GPGGA,,,,,,") + c.text + "," + c.text + ",");
        EXPECT_EQ(Nav.fixQuality, c.value);
        EXPECT_EQ(Nav.satellitesUsed, c.value);
    }
}

TEST_F(Decoders, LongFieldsKeepTheirHead) {
    // 25 characters: the 20-byte buffer keeps the first 19.
    Gga("$GPGGA,1234567890123456789012345,00000000000000000004807.5,");
    EXPECT_EQ(Nav.ggaTime, static_cast<float>(1234567890123456789.0));
    EXPECT_EQ(Nav.ggaLatitude, 0.0f);
    // Exactly 19 characters fit whole.
    Gga("$GPGGA,1234567890.12345678,");
    EXPECT_EQ(Nav.ggaTime, static_cast<float>(1234567890.12345678));
}

TEST_F(Decoders, HostileNumbersStayDefined) {
    Gga("$GPGGA,nan,1e999,N,-1e999,W,1e999,-1e999,inf,0x1p3,M,  -2.5,M,*00");
    EXPECT_TRUE(std::isnan(Nav.ggaTime));
    EXPECT_EQ(Nav.ggaLatitude, std::numeric_limits<float>::infinity());
    EXPECT_EQ(Nav.ggaLongitude, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(Nav.fixQuality, 1);
    EXPECT_EQ(Nav.satellitesUsed, 255);
    EXPECT_EQ(Nav.ggaHdop, std::numeric_limits<float>::infinity());
    EXPECT_EQ(Nav.altitude, 8.0f);
    EXPECT_EQ(Nav.geoidSeparation, -2.5f);
}

TEST_F(Decoders, LongAndBinarySentencesStayInsideTheirBuffers) {
    std::string longFields = "$GPGGA";
    for (int i = 0; i < 20; ++i)
        longFields += "," + std::string(30, static_cast<char>('0' + i % 10));
    std::string garbage(500, '\0');
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 37 + 11) % 256);
    garbage[0] = '$';
    std::string commas(500, ',');
    for (const std::string& s : {longFields, garbage, commas}) {
        SCOPED_TRACE(s.substr(0, 40));
        Gga(s);
        Rmc(s);
        Gsa(s);
        (void)Gsv(s);
    }
    Gga(longFields);
    EXPECT_EQ(Nav.ggaTime, 0.0f);
    EXPECT_EQ(Nav.ggaLatitude, static_cast<float>(1111111111111111111.0));
    EXPECT_EQ(Nav.fixQuality, static_cast<uint8_t>(2147483647));
}

// ---- RMC ----

TEST_F(Decoders, RmcFieldTable) {
    Rmc("$GPRMC,123519.75,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n");
    EXPECT_EQ(Nav.rmcTime, 123519.75f);
    EXPECT_EQ(Nav.rmcStatus, 'A');
    EXPECT_EQ(Nav.rmcLatitude, 4807.038f);
    EXPECT_EQ(Nav.rmcNorthSouth, 'N');
    EXPECT_EQ(Nav.rmcLongitude, 1131.0f);
    EXPECT_EQ(Nav.rmcEastWest, 'E');
    EXPECT_EQ(Nav.speedKnots, 22.4f);
    EXPECT_EQ(Nav.courseDegrees, 84.4f);
    EXPECT_EQ(Nav.rmcDate, 230394.0f);
    EXPECT_EQ(Nav.magneticVariation, 3.1f);
    EXPECT_EQ(Nav.magVarEastWest, 'W');
    // RMC writes nothing of GGA.
    EXPECT_EQ(Nav.ggaLongitude, 0.0f);
}

TEST_F(Decoders, RmcEmptyFieldsWriteZeroAndNul) {
    Rmc("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
    Rmc("$GPRMC,,,,,,,,,,,*67");
    EXPECT_EQ(Nav.rmcTime, 0.0f);
    EXPECT_EQ(Nav.rmcStatus, '\0');
    EXPECT_EQ(Nav.rmcNorthSouth, '\0');
    EXPECT_EQ(Nav.rmcEastWest, '\0');
    EXPECT_EQ(Nav.magVarEastWest, '\0');
    EXPECT_EQ(Nav.rmcDate, 0.0f);
    EXPECT_EQ(Nav.speedKnots, 0.0f);
}

TEST_F(Decoders, RmcLetterFieldsKeepTheirFirstCharacter) {
    Rmc("$GPRMC,1,Void,2,North,3,West,4,5,6,7,Easterly,");
    EXPECT_EQ(Nav.rmcStatus, 'V');
    EXPECT_EQ(Nav.rmcNorthSouth, 'N');
    EXPECT_EQ(Nav.rmcEastWest, 'W');
    EXPECT_EQ(Nav.magVarEastWest, 'E');
}

TEST_F(Decoders, RmcTwelfthFieldChangesNothing) {
    Rmc("$GPRMC,081836,A,3751.65,S,14507.36,E,000.0,360.0,130998,011.3,E*62");
    const NavRecord before = Nav;
    ResetNmeaState();
    Rmc("$GPRMC,081836,A,3751.65,S,14507.36,E,000.0,360.0,130998,011.3,E,A,extra,9*30");
    auto fields = [](const NavRecord& r) {
        return std::make_tuple(r.rmcTime, r.rmcStatus, r.rmcLatitude, r.rmcNorthSouth,
                               r.rmcLongitude, r.rmcEastWest, r.speedKnots, r.courseDegrees,
                               r.rmcDate, r.magneticVariation, r.magVarEastWest);
    };
    EXPECT_EQ(fields(Nav), fields(before));
    EXPECT_EQ(Nav.magVarEastWest, 'E');
}

TEST_F(Decoders, RmcEndingEarlyKeepsLaterFields) {
    Nav.rmcDate = 61126.0f;
    Nav.magVarEastWest = 'W';
    Rmc("$GPRMC,010203,A,4807.038,N,01131.000,E,1.5");
    EXPECT_EQ(Nav.rmcEastWest, 'E');
    EXPECT_EQ(Nav.speedKnots, 0.0f) << "field 7 has no separator after it";
    EXPECT_EQ(Nav.rmcDate, 61126.0f);
    EXPECT_EQ(Nav.magVarEastWest, 'W');
}

// ---- GSA ----

TEST_F(Decoders, GsaFieldTable) {
    Gsa("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");
    EXPECT_EQ(Nav.gsaMode, 'A');
    EXPECT_EQ(Nav.fixType, 3);
    EXPECT_EQ(Nav.pdop, 2.5f);
    EXPECT_EQ(Nav.hdop, 1.3f);
    EXPECT_EQ(Nav.vdop, 2.1f);
    for (int id = 0; id < kSatelliteTableSize; ++id) {
        SCOPED_TRACE(id);
        const bool used = id == 4 || id == 5 || id == 9 || id == 12 || id == 24;
        EXPECT_EQ(Nav.satUsed[id], used ? 1 : 0);
    }
}

TEST_F(Decoders, GsaTwelveSatellitesAndIdsOutsideTheTable) {
    Gsa("$GNGSA,M,2,01,02,03,04,05,06,07,08,09,10,11,49,1.0,1.0,1.0*00");
    for (int id = 1; id <= 11; ++id)
        EXPECT_EQ(Nav.satUsed[id], 1) << id;
    EXPECT_EQ(Nav.satUsed[49], 1);
    EXPECT_EQ(Nav.gsaMode, 'M');
    EXPECT_EQ(Nav.fixType, 2);

    ResetNmeaState();
    Gsa("$GPGSA,A,3,50,65,0,-5,,200,2147483648,00049,,,,,1,2,3*00");
    for (int id = 0; id < kSatelliteTableSize; ++id) {
        EXPECT_EQ(Nav.satUsed[id], id == 49 ? 1 : 0) << id;
    }
}

TEST_F(Decoders, GsaNeverClearsUsedFlagsButResetsFixType) {
    Gsa("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");
    Gsa("$GPGSA,A,,07,,,,,,,,,,,,,,*00");
    EXPECT_EQ(Nav.fixType, 0);
    EXPECT_EQ(Nav.satUsed[4], 1);
    EXPECT_EQ(Nav.satUsed[24], 1);
    EXPECT_EQ(Nav.satUsed[7], 1);
    Nav.fixType = 3;
    Gsa("$GPGSA,A");
    EXPECT_EQ(Nav.fixType, 0) << "a GSA without the field still resets the fix type";
    EXPECT_EQ(Nav.gsaMode, 'A') << "field 1 has no separator after it";
}

TEST_F(Decoders, GsaFixTypeIsAFullInteger) {
    Gsa("$GPGSA,A,99999999999,");
    EXPECT_EQ(Nav.fixType, std::numeric_limits<int32_t>::max());
    Gsa("$GPGSA,A,-99999999999,");
    EXPECT_EQ(Nav.fixType, std::numeric_limits<int32_t>::min());
    Gsa("$GPGSA,A,300,");
    EXPECT_EQ(Nav.fixType, 300);
}

// ---- GSV ----

TEST_F(Decoders, GsvFieldTable) {
    const bool last =
        Gsv("$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75\r\n");
    EXPECT_FALSE(last);
    EXPECT_EQ(Nav.gsvMessageCount, 2);
    EXPECT_EQ(Nav.gsvMessageNumber, 1);
    EXPECT_EQ(Nav.satellitesInView, 8);
    struct Sat {
        int id;
        uint16_t elevation, azimuth;
        float snr;
    };
    const Sat sats[] = {{1, 40, 83, 46}, {2, 17, 308, 41}, {12, 7, 344, 39}, {14, 22, 228, 45}};
    for (const Sat& s : sats) {
        SCOPED_TRACE(s.id);
        EXPECT_EQ(Nav.satInView[s.id], 1);
        EXPECT_EQ(Nav.satElevation[s.id], s.elevation);
        EXPECT_EQ(Nav.satAzimuth[s.id], s.azimuth);
        EXPECT_EQ(Nav.satSnr[s.id], s.snr);
    }
    int flagged = 0;
    for (int id = 0; id < kSatelliteTableSize; ++id)
        flagged += Nav.satInView[id];
    EXPECT_EQ(flagged, 4);
}

TEST_F(Decoders, GsvEndOfGroup) {
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
                          {"$GPGSV,2", false},
                          {"$GPGSV,3,2", false},  // field 2 is not closed
                          {"$GPGSV,2,2,", true},
                          {"$GPGSV", true},
                          // Cut to 8 bits before the comparison.
                          {"$GPGSV,257,1,", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sentence);
        EXPECT_EQ(Gsv(c.sentence), c.last);
    }
}

TEST_F(Decoders, GsvBlocksOutsideTheTableAreDroppedWhole) {
    Nav.satElevation[5] = 11;
    Gsv("$GPGSV,1,1,04,00,45,100,30,05,10,20,30,50,46,101,31,65,47,102,32*00");
    EXPECT_EQ(Nav.satInView[0], 0);
    EXPECT_EQ(Nav.satInView[5], 1);
    // The dropped blocks wrote nothing anywhere, not even to entry 0.
    for (int id = 0; id < kSatelliteTableSize; ++id) {
        EXPECT_EQ(Nav.satElevation[id], id == 5 ? 10 : 0) << id;
        EXPECT_EQ(Nav.satAzimuth[id], id == 5 ? 20 : 0) << id;
        EXPECT_EQ(Nav.satSnr[id], id == 5 ? 30.0f : 0.0f) << id;
    }
    // An empty ID drops the block that follows, but not the next one.
    Gsv("$GPGSV,1,1,02,,45,100,30,07,1,2,3*00");
    EXPECT_EQ(Nav.satInView[7], 1);
    EXPECT_EQ(Nav.satElevation[7], 1);
}

TEST_F(Decoders, GsvSignalToNoise) {
    struct Case {
        const char* field;
        float snr;
    };
    const Case cases[] = {{"59", 59.0f}, {"60", 0.0f},    {"1", 1.0f},
                          {"0", 0.0f},   {"", 0.0f},      {"-3", 0.0f},
                          {"99", 0.0f},  {"45.9", 45.0f}, {"4294967341", 0.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        Nav.satSnr[9] = 77.0f;
        Gsv(std::string("$GPGSV,1,1,01,09,10,20,") + c.field + "*00");
        EXPECT_EQ(Nav.satSnr[9], c.snr);
    }
    // An SNR without a separator after it is not stored.
    Nav.satSnr[9] = 77.0f;
    Gsv("$GPGSV,1,1,01,09,10,20,33");
    EXPECT_EQ(Nav.satSnr[9], 77.0f);
}

TEST_F(Decoders, GsvHighBytesReadAsZero) {
    Gsv("$GPGSV,1,1,01,1\x80,3\xff,2\xC3\xA9,4\x90*00");
    EXPECT_EQ(Nav.satInView[10], 1);
    EXPECT_EQ(Nav.satElevation[10], 30);
    EXPECT_EQ(Nav.satAzimuth[10], 200);
    EXPECT_EQ(Nav.satSnr[10], 40.0f);
    // GGA keeps the bytes: "3\x80" reads as 3 there.
    Gga("$GPGGA,,,,,,3\x80,");
    EXPECT_EQ(Nav.fixQuality, 3);
}

TEST_F(Decoders, GsvElevationAndAzimuthAreCutTo16Bits) {
    Gsv("$GPGSV,1,1,01,09,70000,-1,*00");
    EXPECT_EQ(Nav.satElevation[9], 70000 - 65536);
    EXPECT_EQ(Nav.satAzimuth[9], 65535);
}

TEST_F(Decoders, GsvFieldBufferHoldsElevenCharacters) {
    // 14 characters: the buffer keeps "00000000001", so this is satellite 1.
    Gsv("$GPGSV,1,1,01,00000000001234,10,20,30*00");
    EXPECT_EQ(Nav.satInView[1], 1);
    EXPECT_EQ(Nav.satElevation[1], 10);
}

TEST_F(Decoders, GsvTrailingSignalIdReadsAsTheNextBlocksId) {
    // A field after four blocks starts a fifth block, as written.
    Gsv("$GAGSV,3,1,09,02,31,049,33,03,61,243,38,05,28,302,26,08,39,100,38,7*7F");
    EXPECT_EQ(Nav.satInView[7], 1);
    EXPECT_EQ(Nav.satElevation[7], 0);
}

}  // namespace
