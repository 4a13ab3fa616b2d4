// Number conversions for NMEA field text. They give what atoi and atof give
// for every number that fits, never depend on the process locale, and never
// run into undefined behaviour on hostile text.
#pragma once

#include <cstdint>

// Truncates toward zero; values beyond the int32 range saturate and NaN gives 0.
int32_t TruncateToInt32(double value);

// Clamps a wide intermediate result to the int32 range.
inline int32_t SaturateToInt32(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

namespace number_text {

// White space as the "C" locale's isspace sees it.
inline bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace number_text

// A hex digit's value, 0 to 15, or -1 for a character that is not one (0-9,
// A-F, a-f): the checksum's two digits and the signal ID of GSV.
inline int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// atoi over the first `length` bytes of text (the text ends there even without
// a NUL): leading white space, an optional sign, decimal digits. A value beyond
// the int32 range clamps to the nearest end; no digits give 0. Inline: the
// decoders convert a dozen short fields per sentence.
inline int32_t ParseIntText(const char* text, int32_t length) {
    // Most fields are a few plain digits, too few to overflow.
    if (length > 0 && length <= 9 && number_text::IsDigit(text[0])) {
        int32_t value = text[0] - '0';
        for (int32_t k = 1; k < length && number_text::IsDigit(text[k]); ++k)
            value = value * 10 + (text[k] - '0');
        return value;
    }
    int32_t i = 0;
    while (i < length && number_text::IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < length && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    // Stop growing just past the int32 range so the sum can never overflow.
    constexpr int64_t kCeiling = int64_t{1} << 31;
    int64_t value = 0;
    for (; i < length && number_text::IsDigit(text[i]); ++i) {
        if (value <= kCeiling) value = value * 10 + (text[i] - '0');
    }
    return SaturateToInt32(negative ? -value : value);
}

// atof over the first `length` bytes of text, then rounded to single
// precision. Beyond the single range gives infinity of the same sign.
float ParseFloatText(const char* text, int32_t length);

// Rounds a double to single precision the way the FPU does, without the
// out-of-range conversion that C++ leaves undefined.
float NarrowToFloat(double value);
