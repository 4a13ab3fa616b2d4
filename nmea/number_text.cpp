#include "nmea/number_text.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <locale.h>

namespace {

constexpr uint64_t kExactMantissaLimit = uint64_t{1} << 53;
constexpr int kMaxFastDigits = 19;  // a uint64 holds any 19-digit number

// Powers of ten that a double holds exactly.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactPower = 22;

using number_text::IsDigit;

// The "C" locale, created once, so that strtod reads '.' whatever the process set.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// Anything the exact decimal path does not cover: exponents, hex floats, "inf",
// "nan", leading white space, long digit strings.
double SlowParse(const char* text, int32_t length) {
    char copy[64];
    const size_t n = length < static_cast<int32_t>(sizeof copy) - 1 ? static_cast<size_t>(length)
                                                                    : sizeof copy - 1;
    // Field text is short; a longer text keeps its head, which decides the value
    // unless it is an extremely long digit string.
    std::memcpy(copy, text, n);
    copy[n] = '\0';
    const locale_t locale = CLocale();
    if (locale == static_cast<locale_t>(nullptr)) return 0.0;
    return strtod_l(copy, nullptr, locale);
}

}  // namespace

int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483649.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

float NarrowToFloat(double value) {
    // Halfway between FLT_MAX and 2^128: from here on round-to-nearest gives infinity.
    constexpr double kOverflowEdge = 0x1.ffffffp127;
    if (std::fabs(value) >= kOverflowEdge) {
        return value > 0 ? std::numeric_limits<float>::infinity()
                         : -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);  // NaN stays NaN
}

float ParseFloatText(const char* text, int32_t length) {
    if (length <= 0) return 0.0f;
    int32_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        i = 1;
    }
    uint64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    for (; i < length && IsDigit(text[i]); ++i, ++digits) {
        if (digits == kMaxFastDigits) return NarrowToFloat(SlowParse(text, length));
        mantissa = mantissa * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    if (i < length && text[i] == '.') {
        for (++i; i < length && IsDigit(text[i]); ++i, ++digits, ++fractionDigits) {
            if (digits == kMaxFastDigits) return NarrowToFloat(SlowParse(text, length));
            mantissa = mantissa * 10 + static_cast<uint64_t>(text[i] - '0');
        }
    }
    if (digits == 0) return NarrowToFloat(SlowParse(text, length));
    if (i < length) {
        // An exponent or a hex prefix changes what the digits mean.
        const char c = text[i];
        if (c == 'e' || c == 'E' || c == 'x' || c == 'X') {
            return NarrowToFloat(SlowParse(text, length));
        }
    }
    if (mantissa >= kExactMantissaLimit || fractionDigits > kMaxExactPower) {
        return NarrowToFloat(SlowParse(text, length));
    }
    // Both operands are exact, so the one division rounds exactly as strtod does.
    double value = static_cast<double>(mantissa);
    if (fractionDigits > 0) value /= kPowersOfTen[fractionDigits];
    return NarrowToFloat(negative ? -value : value);
}
