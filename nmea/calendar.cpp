// Dates and times as RMC sends them, turned into the local calendar.
#include "nmea/calendar.h"

#include <cstdint>

#include "nmea/nav_record.h"
#include "nmea/number_text.h"

// The products are single precision on purpose: the date comes out of the
// float that holds ddmmyy, and the integer products go back to float before
// each subtraction.
void NavRecord::DecodeDate(float ddmmyy, int32_t* year, int32_t* month, int32_t* day) const {
    const int64_t d = TruncateToInt32(ddmmyy * 0.0001f);
    const int64_t m = TruncateToInt32(ddmmyy * 0.01f) - 100 * d;
    const float rest = (ddmmyy - static_cast<float>(10000 * d)) - static_cast<float>(100 * m);
    *day = SaturateToInt32(d);
    *month = SaturateToInt32(m);
    *year = SaturateToInt32(int64_t{TruncateToInt32(rest)} + 2000);
}

void NavRecord::DecodeLocalTime(float hhmmss, int32_t* hour, int32_t* minute, int32_t* second,
                                int32_t* dayShift) const {
    // One hour per 15 whole degrees of longitude, east ahead of UTC, west behind.
    const int64_t degrees = TruncateToInt32(ggaLongitude * 0.01f);
    int64_t offset = 0;
    if (rmcEastWest == 'E') offset = degrees / 15;
    if (rmcEastWest == 'W') offset = -(degrees / 15);

    int64_t h = TruncateToInt32(hhmmss * 0.0001f);
    const int64_t m = TruncateToInt32(hhmmss * 0.01f) - 100 * h;
    const float rest = (hhmmss - static_cast<float>(10000 * h)) - static_cast<float>(100 * m);
    const int64_t s = TruncateToInt32(rest);

    h += offset;
    int32_t shift = 0;
    if (h < 0) {
        h += 24;
        shift = -1;
    } else if (h >= 24) {
        h -= 24;
        shift = 1;
    }
    *hour = SaturateToInt32(h);
    *minute = SaturateToInt32(m);
    *second = SaturateToInt32(s);
    *dayShift = shift;
}

namespace {

bool IsLeapYear(int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int32_t DaysInMonth(int64_t year, int32_t month) {
    static constexpr int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && IsLeapYear(year)) return 29;
    return kDays[month - 1];
}

}  // namespace

// A step past 2099-12-31 gives 2100-01-01 and one before 2000-01-01 gives
// 1999-12-31: the calendar simply goes on, which the display shows plainly.
// A value that is not a calendar date (month outside 1-12, day outside its
// month, as garbage ddmmyy text gives) is left alone: there is no sane
// neighbour to move to. Only the sign of dayShift counts.
void ShiftDate(int32_t* year, int32_t* month, int32_t* day, int32_t dayShift) {
    if (dayShift == 0 || *month == 0 || *day == 0) return;
    if (*month < 1 || *month > 12) return;
    if (*day < 1 || *day > DaysInMonth(*year, *month)) return;
    if (dayShift > 0) {
        if (*day < DaysInMonth(*year, *month)) {
            ++*day;
        } else if (*month < 12) {
            *day = 1;
            ++*month;
        } else if (*year < INT32_MAX) {
            *day = 1;
            *month = 1;
            ++*year;
        }
        return;
    }
    if (*day > 1) {
        --*day;
    } else if (*month > 1) {
        --*month;
        *day = DaysInMonth(*year, *month);
    } else if (*year > INT32_MIN) {
        --*year;
        *month = 12;
        *day = 31;
    }
}
