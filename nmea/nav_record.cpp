#include "nmea/nav_record.h"

#include <cstdint>
#include <cstring>

#include "nmea/number_text.h"

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Only a checksum vouches for a sentence: it must start with its '$' and carry
// '*' and two hex digits equal to the XOR of the bytes between them. A line
// without one fails, however its bytes happen to sum, and so does one with a
// NUL before the digits: the text ends at the NUL, cutting the sentence short.
// What follows the two digits is covered by no checksum and is not examined
// here; the router keeps it out of the echo and the decoders.
bool NavRecord::VerifyChecksum(const char* sentence) const {
    return VerifyChecksum(sentence, static_cast<int32_t>(std::strlen(sentence)));
}

bool NavRecord::VerifyChecksum(const char* sentence, int32_t length) const {
    return VerifiedChecksumStart(sentence, length) >= 0;
}

int32_t VerifiedChecksumStart(const char* sentence, int32_t length) {
    if (length < 1 || sentence[0] != '$') return -1;
    const char* const first = sentence + 1;
    const auto* star = static_cast<const char*>(std::memchr(first, '*', length - 1));
    if (star == nullptr) return -1;
    const size_t covered = static_cast<size_t>(star - first);

    // Eight bytes at a time: the XOR of the words folds down to the XOR of
    // their bytes. A word with a zero byte has a NUL in the sentence, found
    // on the same pass.
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHighs = 0x8080808080808080ull;
    uint64_t words = 0;
    size_t i = 0;
    for (; i + 8 <= covered; i += 8) {
        uint64_t word;
        std::memcpy(&word, first + i, sizeof word);
        if (((word - kOnes) & ~word & kHighs) != 0) return -1;
        words ^= word;
    }
    words ^= words >> 32;
    words ^= words >> 16;
    words ^= words >> 8;
    uint32_t sum = static_cast<uint32_t>(words & 0xFF);
    for (; i < covered; ++i) {
        if (first[i] == '\0') return -1;
        sum ^= static_cast<unsigned char>(first[i]);
    }

    // NMEA text is ASCII: a sum of 0x80 or more comes only from bytes that
    // have no place in a sentence.
    if (sum >= 0x80) return -1;
    // The digits lie within the text: the NUL at its end stops at the first.
    const int high = HexDigitValue(star[1]);
    if (high < 0) return -1;
    const int low = HexDigitValue(star[2]);
    if (low < 0) return -1;
    if (static_cast<uint32_t>(high * 16 + low) != sum) return -1;
    return static_cast<int32_t>(star - sentence);
}

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
