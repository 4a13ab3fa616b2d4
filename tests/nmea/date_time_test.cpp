#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "tests/support/decode_string.h"

namespace {

class DateTime : public testing::Test {
  protected:
    void SetUp() override { ResetNmeaState(); }
};

TEST_F(DateTime, DecodeDateTable) {
    struct Case {
        float ddmmyy;
        int32_t year, month, day;
    };
    const Case cases[] = {
        {61126.0f, 2026, 11, 6},  {311299.0f, 2099, 12, 31}, {10100.0f, 2000, 1, 1},
        {0.0f, 2000, 0, 0},       {290224.0f, 2024, 2, 29},  {230394.0f, 2094, 3, 23},
        {130998.0f, 2098, 9, 13}, {10170.0f, 2070, 1, 1},    {311250.0f, 2050, 12, 31}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ddmmyy);
        int32_t year = -1, month = -1, day = -1;
        Nav.DecodeDate(c.ddmmyy, &year, &month, &day);
        EXPECT_EQ(year, c.year);
        EXPECT_EQ(month, c.month);
        EXPECT_EQ(day, c.day);
    }
}

TEST_F(DateTime, DecodeDateOnHostileValues) {
    const float values[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            3.4e38f,
                            -3.4e38f,
                            1e10f,
                            -61126.0f};
    for (float v : values) {
        SCOPED_TRACE(v);
        int32_t year = 0, month = 0, day = 0;
        Nav.DecodeDate(v, &year, &month, &day);
        ShiftDate(&year, &month, &day, 1);
        ShiftDate(&year, &month, &day, -1);
    }
    int32_t year = 0, month = 0, day = 0;
    Nav.DecodeDate(std::numeric_limits<float>::quiet_NaN(), &year, &month, &day);
    EXPECT_EQ(year, 2000);
    EXPECT_EQ(month, 0);
    EXPECT_EQ(day, 0);
    Nav.DecodeDate(std::numeric_limits<float>::infinity(), &year, &month, &day);
    EXPECT_EQ(day, std::numeric_limits<int32_t>::max());
}

struct LocalTimeCase {
    const char* name;
    float utc;
    float longitude;
    char eastWest;
    char northSouth;
    int32_t hour, minute, second, dayShift;
};

TEST_F(DateTime, LocalTimeTable) {
    const LocalTimeCase cases[] = {
        {"east 135 wraps forward", 235959.0f, 13500.0f, 'E', 'N', 8, 59, 59, 1},
        {"west 120 wraps back", 13000.0f, 12000.0f, 'W', 'S', 17, 30, 0, -1},
        {"fractions dropped", 123519.75f, 12130.5f, 'E', 'N', 20, 35, 19, 0},
        {"west 74, north", 120000.0f, 7400.0f, 'W', 'N', 8, 0, 0, 0},
        {"west 74, south", 120000.0f, 7400.0f, 'W', 'S', 8, 0, 0, 0},
        {"east 74, south", 120000.0f, 7400.0f, 'E', 'S', 16, 0, 0, 0},
        {"14 degrees is no hour", 120000.0f, 1459.9f, 'E', 'N', 12, 0, 0, 0},
        {"15 degrees is one hour", 120000.0f, 1500.0f, 'W', 'N', 11, 0, 0, 0},
        {"180 east", 120000.0f, 18000.0f, 'E', 'N', 0, 0, 0, 1},
        {"180 west", 120000.0f, 18000.0f, 'W', 'N', 0, 0, 0, 0},
        {"180 west, before noon", 115959.0f, 18000.0f, 'W', 'N', 23, 59, 59, -1},
        {"midnight east", 0.0f, 1500.0f, 'E', 'N', 1, 0, 0, 0},
        {"midnight west", 0.0f, 1500.0f, 'W', 'N', 23, 0, 0, -1},
        {"no letter", 235959.0f, 13500.0f, '\0', 'N', 23, 59, 59, 0},
        {"not a hemisphere letter", 235959.0f, 13500.0f, 'N', 'N', 23, 59, 59, 0},
        {"lower-case e", 235959.0f, 13500.0f, 'e', 'N', 23, 59, 59, 0},
        {"no GGA yet", 235959.0f, 0.0f, 'E', 'N', 23, 59, 59, 0}};
    for (const LocalTimeCase& c : cases) {
        SCOPED_TRACE(c.name);
        Nav.ggaLongitude = c.longitude;
        Nav.rmcEastWest = c.eastWest;
        Nav.rmcNorthSouth = c.northSouth;
        int32_t hour = -1, minute = -1, second = -1, shift = 9;
        Nav.DecodeLocalTime(c.utc, &hour, &minute, &second, &shift);
        EXPECT_EQ(hour, c.hour);
        EXPECT_EQ(minute, c.minute);
        EXPECT_EQ(second, c.second);
        EXPECT_EQ(shift, c.dayShift);
    }
}

TEST_F(DateTime, LocalTimeOnHostileValues) {
    const float values[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            3.4e38f,
                            -3.4e38f,
                            -1.0f};
    for (float longitude : values) {
        for (float utc : values) {
            for (char letter : {'E', 'W'}) {
                Nav.ggaLongitude = longitude;
                Nav.rmcEastWest = letter;
                int32_t hour = 0, minute = 0, second = 0, shift = 0;
                Nav.DecodeLocalTime(utc, &hour, &minute, &second, &shift);
                EXPECT_GE(shift, -1);
                EXPECT_LE(shift, 1);
            }
        }
    }
    int32_t hour = 5, minute = 5, second = 5, shift = 5;
    Nav.ggaLongitude = std::numeric_limits<float>::quiet_NaN();
    Nav.rmcEastWest = 'E';
    Nav.DecodeLocalTime(std::numeric_limits<float>::quiet_NaN(), &hour, &minute, &second, &shift);
    EXPECT_EQ(hour, 0);
    EXPECT_EQ(minute, 0);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(shift, 0);
}

TEST(ShiftDate, Calendar) {
    struct Case {
        int32_t year, month, day, shift;
        int32_t toYear, toMonth, toDay;
    };
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    // The last ten rows have no date yet, or no calendar date: left alone.
    const Case cases[] = {{2026, 11, 6, 1, 2026, 11, 7},   {2026, 11, 6, -1, 2026, 11, 5},
                          {2026, 11, 30, 1, 2026, 12, 1},  {2026, 12, 1, -1, 2026, 11, 30},
                          {2026, 12, 31, 1, 2027, 1, 1},   {2027, 1, 1, -1, 2026, 12, 31},
                          {2026, 1, 31, 1, 2026, 2, 1},    {2026, 5, 1, -1, 2026, 4, 30},
                          {2024, 2, 28, 1, 2024, 2, 29},   {2024, 2, 29, 1, 2024, 3, 1},
                          {2024, 3, 1, -1, 2024, 2, 29},   {2023, 2, 28, 1, 2023, 3, 1},
                          {2023, 3, 1, -1, 2023, 2, 28},   {2000, 2, 28, 1, 2000, 2, 29},
                          {2000, 3, 1, -1, 2000, 2, 29},   {2096, 2, 29, 1, 2096, 3, 1},
                          {2099, 12, 31, 1, 2100, 1, 1},   {2000, 1, 1, -1, 1999, 12, 31},
                          {2026, 11, 6, 0, 2026, 11, 6},   {2026, 11, 6, 5, 2026, 11, 7},
                          {2000, 0, 0, 1, 2000, 0, 0},     {2000, 0, 0, -1, 2000, 0, 0},
                          {2026, 11, 0, 1, 2026, 11, 0},   {2026, 0, 6, -1, 2026, 0, 6},
                          {2026, 13, 1, 1, 2026, 13, 1},   {2023, 2, 29, -1, 2023, 2, 29},
                          {2026, 4, 31, 1, 2026, 4, 31},   {2026, -1, 5, 1, 2026, -1, 5},
                          {kMax, 12, 31, 1, kMax, 12, 31}, {kMin, 1, 1, -1, kMin, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.year << "-" << c.month << "-" << c.day << " by " << c.shift);
        int32_t year = c.year, month = c.month, day = c.day;
        ShiftDate(&year, &month, &day, c.shift);
        EXPECT_EQ(year, c.toYear);
        EXPECT_EQ(month, c.toMonth);
        EXPECT_EQ(day, c.toDay);
    }
}

// What the RMC refresh does: decode both sentences, then date and local time.
TEST_F(DateTime, RmcAcrossMidnight) {
    struct Case {
        const char* gga;
        const char* rmc;
        int32_t year, month, day, hour;
    };
    const Case cases[] = {{"$GPGGA,233000,3545.0,N,13945.0,E,1,08,0.9,40.0,M,39.0,M,,",
                           "$GPRMC,233000,A,3545.0,N,13945.0,E,0.0,0.0,311226,,,", 2027, 1, 1, 8},
                          {"$GPGGA,013000,4043.0,N,07400.0,W,1,08,0.9,10.0,M,-34.0,M,,",
                           "$GPRMC,013000,A,4043.0,N,07400.0,W,0.0,0.0,010325,,,", 2025, 2, 28, 21},
                          {"$GPGGA,013000,4043.0,N,07400.0,W,1,08,0.9,10.0,M,-34.0,M,,",
                           "$GPRMC,013000,A,4043.0,N,07400.0,W,0.0,0.0,010324,,,", 2024, 2, 29, 21},
                          {"$GPGGA,013000,3352.0,S,15112.0,E,1,08,0.9,10.0,M,-34.0,M,,",
                           "$GPRMC,013000,A,3352.0,S,15112.0,E,0.0,0.0,010324,,,", 2024, 3, 1, 11}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rmc);
        ResetNmeaState();
        Gga(c.gga);
        Rmc(c.rmc);
        int32_t year, month, day, hour, minute, second, shift;
        Nav.DecodeDate(Nav.rmcDate, &year, &month, &day);
        Nav.DecodeLocalTime(Nav.rmcTime, &hour, &minute, &second, &shift);
        ShiftDate(&year, &month, &day, shift);
        EXPECT_EQ(year, c.year);
        EXPECT_EQ(month, c.month);
        EXPECT_EQ(day, c.day);
        EXPECT_EQ(hour, c.hour);
        EXPECT_EQ(minute, 30);
        EXPECT_EQ(second, 0);
    }
}

}  // namespace
