#include <gtest/gtest.h>

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

TEST_F(Decoders, GgaFieldTable) {
    const struct {
        const char* sentence;
        float time, latitude, longitude;
        char northSouth, eastWest;
        uint8_t quality, used;
        float hdop, altitude, geoid, display;
    } cases[] = {
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n", 123519.0f,
         4807.038f, 1131.0f, 'N', 'E', 1, 8, 0.9f, 545.4f, 46.9f, 592.30005f},
        {"$GNGGA,002153.000,3342.6618,S,11751.3858,W,2,10,1.2,27.0,M,-34.2,M,0.8,0000*5E", 2153.0f,
         3342.6618f, 11751.3858f, 'S', 'W', 2, 10, 1.2f, 27.0f, -34.2f, 27.0f + -34.2f},
        // Empty fields write zeros; the sum still counts the geoid separation.
        {"$GPGGA,235947.000,,,,,0,00,,,M,0.0,M,,0000*5F", 235947.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,,M,46.9,M,,*00", 123519.0f, 4807.038f,
         1131.0f, 'N', 'E', 1, 8, 0.9f, 0, 46.9f, 46.9f},
        // 8-bit fields keep the low byte of the clamped value.
        {"$GPGGA,,,,,,300,-1,,,,,,*00", 0, 0, 0, 0, 0, 44, 255, 0, 0, 0, 0},
        {"$GPGGA,,,,,,99999999999,-99999999999,,,,,,*00", 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0},
        // A field of 25 characters keeps its first 19; 19 fit whole.
        {"$GPGGA,1234567890123456789012345,00000000000000000004807.5,*00",
         static_cast<float>(1234567890123456789.0), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"$GPGGA,1,1234567890.12345678,*00", 1, static_cast<float>(1234567890.12345678), 0, 0, 0, 0,
         0, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        ResetNmeaState();
        Gga(c.sentence);
        EXPECT_EQ(Nav.ggaTime, c.time);
        EXPECT_EQ(Nav.ggaLatitude, c.latitude);
        EXPECT_EQ(Nav.ggaLongitude, c.longitude);
        EXPECT_EQ(Nav.ggaNorthSouth, c.northSouth);
        EXPECT_EQ(Nav.ggaEastWest, c.eastWest);
        EXPECT_EQ(Nav.fixQuality, c.quality);
        EXPECT_EQ(Nav.satellitesUsed, c.used);
        EXPECT_EQ(Nav.ggaHdop, c.hdop);
        EXPECT_EQ(Nav.altitude, c.altitude);
        EXPECT_EQ(Nav.geoidSeparation, c.geoid);
        EXPECT_EQ(Nav.displayAltitude, c.display);
    }
}

// A sentence cut short writes the fields it has, keeps the rest, and the
// altitude sum is made again from what the record holds.
TEST_F(Decoders, GgaEndingEarlyKeepsLaterFields) {
    Nav.altitude = 100.0f;
    Nav.geoidSeparation = 20.0f;
    Nav.satellitesUsed = 7;
    Gga("$GPGGA,120000,4807.038,N,01131.000,E,1");
    EXPECT_EQ(Nav.ggaLongitude, 1131.0f);
    EXPECT_EQ(Nav.fixQuality, 0) << "field 6 has no separator after it";
    EXPECT_EQ(Nav.satellitesUsed, 7);
    EXPECT_EQ(Nav.displayAltitude, 120.0f);
}

// The walk ends at the given length and at a NUL; what follows the last
// separator (the checksum digits) is never a field.
TEST_F(Decoders, WalkStopsAtTheLengthTheNulAndTheStar) {
    const char text[] = "$GPGGA,1,2,3,";
    Nav.ParseGga(text, 7);  // position 7 is the '1'
    EXPECT_EQ(Nav.ggaTime, 0.0f);
    Nav.ParseGga(text, 8);  // position 8 is the ',' after it, and is walked
    EXPECT_EQ(Nav.ggaTime, 1.0f);
    EXPECT_EQ(Nav.ggaLatitude, 0.0f);

    const char withNul[] = "$GPGGA,5,\0,6,7,";
    Nav.ParseGga(withNul, sizeof withNul - 1);
    EXPECT_EQ(Nav.ggaTime, 5.0f);
    EXPECT_EQ(Nav.ggaLongitude, 0.0f);

    Gga("$GPGGA,120000*47");
    EXPECT_EQ(Nav.ggaTime, 120000.0f);
    EXPECT_EQ(Nav.ggaLatitude, 0.0f);
}

TEST_F(Decoders, RmcFieldTable) {
    using Fields =
        std::tuple<float, char, float, char, float, char, float, float, float, float, char>;
    const struct {
        const char* sentence;
        Fields fields;
    } cases[] = {
        {"$GPRMC,123519.75,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n",
         {123519.75f, 'A', 4807.038f, 'N', 1131.0f, 'E', 22.4f, 84.4f, 230394.0f, 3.1f, 'W'}},
        {"$GPRMC,,,,,,,,,,,*67", {0, '\0', 0, '\0', 0, '\0', 0, 0, 0, 0, '\0'}},
        // Letter fields keep their first character.
        {"$GPRMC,1,Void,2,North,3,West,4,5,6,7,Easterly,",
         {1, 'V', 2, 'N', 3, 'W', 4, 5, 6, 7, 'E'}},
        // The mode indicator and what follows change none of the eleven.
        {"$GPRMC,081836,A,3751.65,S,14507.36,E,000.0,360.0,130998,011.3,E,A,extra,9*30",
         {81836.0f, 'A', 3751.65f, 'S', 14507.36f, 'E', 0, 360.0f, 130998.0f, 11.3f, 'E'}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        Nav.rmcDate = Nav.magneticVariation = 99.0f;
        Rmc(c.sentence);
        EXPECT_EQ(Fields(Nav.rmcTime, Nav.rmcStatus, Nav.rmcLatitude, Nav.rmcNorthSouth,
                         Nav.rmcLongitude, Nav.rmcEastWest, Nav.speedKnots, Nav.courseDegrees,
                         Nav.rmcDate, Nav.magneticVariation, Nav.magVarEastWest),
                  c.fields);
    }
    EXPECT_EQ(Nav.ggaLongitude, 0.0f) << "RMC writes nothing of GGA";
}

}  // namespace
