#include <gtest/gtest.h>

#include <limits>

#include "nmea/calendar.h"
#include "nmea/nav_record.h"

namespace {

TEST(DateTime, DecodeDateTable) {
    constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    // Hostile values saturate instead of overflowing.
    const struct {
        float ddmmyy;
        int32_t year, month, day;
    } cases[] = {{61126.0f, 2026, 11, 6}, {311299.0f, 2099, 12, 31}, {10100.0f, 2000, 1, 1},
                 {0.0f, 2000, 0, 0},      {290224.0f, 2024, 2, 29},  {130998.0f, 2098, 9, 13},
                 {kNan, 2000, 0, 0},      {kInf, kMax, kMin, kMax}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ddmmyy);
        int32_t year = -1, month = -1, day = -1;
        NavRecord{}.DecodeDate(c.ddmmyy, &year, &month, &day);
        EXPECT_EQ(year, c.year);
        EXPECT_EQ(month, c.month);
        EXPECT_EQ(day, c.day);
    }
}

TEST(DateTime, LocalTimeTable) {
    constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* name;
        float utc, longitude;
        char eastWest;
        int32_t hour, minute, second, dayShift;
    } cases[] = {{"east 135 wraps forward", 235959.0f, 13500.0f, 'E', 8, 59, 59, 1},
                 {"west 120 wraps back", 13000.0f, 12000.0f, 'W', 17, 30, 0, -1},
                 {"fractions dropped", 123519.75f, 12130.5f, 'E', 20, 35, 19, 0},
                 {"14 degrees is no hour", 120000.0f, 1459.9f, 'E', 12, 0, 0, 0},
                 {"15 degrees is one hour", 120000.0f, 1500.0f, 'W', 11, 0, 0, 0},
                 {"180 east", 120000.0f, 18000.0f, 'E', 0, 0, 0, 1},
                 {"180 west, before noon", 115959.0f, 18000.0f, 'W', 23, 59, 59, -1},
                 {"no letter", 235959.0f, 13500.0f, '\0', 23, 59, 59, 0},
                 {"lower-case e", 235959.0f, 13500.0f, 'e', 23, 59, 59, 0},
                 {"no GGA yet", 235959.0f, 0.0f, 'E', 23, 59, 59, 0},
                 {"NaN everywhere", kNan, kNan, 'E', 0, 0, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NavRecord record{};
        record.ggaLongitude = c.longitude;
        record.rmcEastWest = c.eastWest;
        int32_t hour = -1, minute = -1, second = -1, shift = 9;
        record.DecodeLocalTime(c.utc, &hour, &minute, &second, &shift);
        EXPECT_EQ(hour, c.hour);
        EXPECT_EQ(minute, c.minute);
        EXPECT_EQ(second, c.second);
        EXPECT_EQ(shift, c.dayShift);
    }
}

TEST(ShiftDate, Calendar) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const struct {
        int32_t year, month, day, shift;
        int32_t toYear, toMonth, toDay;
    } cases[] = {{2026, 11, 30, 1, 2026, 12, 1},
                 {2026, 12, 1, -1, 2026, 11, 30},
                 {2026, 12, 31, 1, 2027, 1, 1},
                 {2027, 1, 1, -1, 2026, 12, 31},
                 {2026, 5, 1, -1, 2026, 4, 30},
                 {2024, 2, 28, 1, 2024, 2, 29},
                 {2024, 3, 1, -1, 2024, 2, 29},
                 {2023, 2, 28, 1, 2023, 3, 1},
                 {2000, 3, 1, -1, 2000, 2, 29},
                 {2099, 12, 31, 1, 2100, 1, 1},
                 {2026, 11, 6, 0, 2026, 11, 6},
                 {2026, 11, 6, 5, 2026, 11, 7},
                 // No date yet, or no calendar date: left alone.
                 {2000, 0, 0, 1, 2000, 0, 0},
                 {2026, 13, 1, 1, 2026, 13, 1},
                 {2023, 2, 29, -1, 2023, 2, 29},
                 {2026, 4, 31, 1, 2026, 4, 31},
                 {kMax, 12, 31, 1, kMax, 12, 31},
                 {kMin, 1, 1, -1, kMin, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.year << "-" << c.month << "-" << c.day << " by " << c.shift);
        int32_t year = c.year, month = c.month, day = c.day;
        ShiftDate(&year, &month, &day, c.shift);
        EXPECT_EQ(year, c.toYear);
        EXPECT_EQ(month, c.toMonth);
        EXPECT_EQ(day, c.toDay);
    }
}

}  // namespace
