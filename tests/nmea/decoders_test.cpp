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

}  // namespace
