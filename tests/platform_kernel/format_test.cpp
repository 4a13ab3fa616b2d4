// wsprintfW against printf for the conversions the program uses.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "win/kernel.h"

namespace {

// The wide result as bytes; every character wsprintfW makes from numbers is ASCII.
std::string Narrow(const char16_t* text) {
    std::string out;
    for (; *text != 0; ++text) {
        out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
    }
    return out;
}

std::u16string Widen(const char* text) {
    std::u16string out;
    for (; *text != 0; ++text)
        out.push_back(static_cast<unsigned char>(*text));
    return out;
}

// Runs the same format through both and compares, returning the count too.
template <typename... Args>
void ExpectSameAsPrintf(const char* format, Args... args) {
    SCOPED_TRACE(format);
    char expected[2048];
    std::snprintf(expected, sizeof expected, format, args...);
    std::u16string wide_format = Widen(format);
    char16_t out[1024];
    int count = wsprintfW(out, wide_format.c_str(), args...);
    EXPECT_EQ(Narrow(out), expected);
    EXPECT_EQ(count, static_cast<int>(std::string(expected).size()));
}

TEST(WsprintfW, TextsTheProgramShows) {
    char16_t out[1024];
    EXPECT_EQ(wsprintfW(out, u"Read Com%x     ", 4), 14);
    EXPECT_EQ(std::u16string(out), u"Read Com4     ");
    wsprintfW(out, u"%3ds", 7);
    EXPECT_EQ(std::u16string(out), u"  7s");
    wsprintfW(out, u"%3ds", 1234);
    EXPECT_EQ(std::u16string(out), u"1234s");
    wsprintfW(out, u"Latitude:%2d'%2.2f     ", 52, 12.3456);
    EXPECT_EQ(std::u16string(out), u"Latitude:52'12.35     ");
    wsprintfW(out, u"100%%");
    EXPECT_EQ(std::u16string(out), u"100%");
}

TEST(WsprintfW, NumbersMatchPrintf) {
    const int integers[] = {0, 1, -1, 7, 42, -42, 255, 4096, 99999, INT_MAX, INT_MIN};
    for (const char* format : {"%d", "%5d", "%.3d", "%8.3d", "%.0d", "%x", "%8x", "%.4x"}) {
        for (int v : integers) {
            SCOPED_TRACE(v);
            ExpectSameAsPrintf(format, v);
        }
    }
    const double doubles[] = {0.0,       -0.0,         1.0,         -1.5,       0.125, 1e-300,
                              1e300,     DBL_MAX,      5e-324,      4800.0,     52.25, HUGE_VAL,
                              -HUGE_VAL, std::nan(""), 0.000049999, 999999.9999};
    for (const char* format : {"%f", "%.0f", "%.1f", "%2.2f", "%6.2f", "%3.1f", "%12.15f"}) {
        for (double v : doubles) {
            SCOPED_TRACE(v);
            ExpectSameAsPrintf(format, v);
        }
    }
}

TEST(WsprintfW, RandomWidthsAndPrecisionsMatchPrintf) {
    std::mt19937_64 random(20261206);
    std::uniform_int_distribution<int> width(0, 30);
    std::uniform_int_distribution<int> precision(0, 20);
    std::uniform_int_distribution<int> exponent(-320, 308);
    for (int i = 0; i < 2000 && !HasFailure(); ++i) {
        std::string format = "%";
        if (random() % 2) format += std::to_string(width(random));
        if (random() % 2) format += "." + std::to_string(precision(random));
        const char conversion = "dxf"[random() % 3];
        format += conversion;
        format += '|';
        if (conversion == 'f') {
            const double mantissa = std::uniform_real_distribution<double>(-10.0, 10.0)(random);
            ExpectSameAsPrintf(format.c_str(), mantissa * std::pow(10.0, exponent(random) / 10));
        } else {
            ExpectSameAsPrintf(format.c_str(), static_cast<int>(static_cast<unsigned>(random())));
        }
    }
}

TEST(WsprintfW, NeverWritesPastTheLimit) {
    char16_t out[1100];
    // Stops at 1023 characters and a terminator; what shows matches printf.
    auto expect_limit = [&](const char* format, auto... values) {
        SCOPED_TRACE(format);
        std::fill(std::begin(out), std::end(out), u'#');
        EXPECT_EQ(wsprintfW(out, Widen(format).c_str(), values...), 1023);
        EXPECT_EQ(out[1023], u'\0');
        EXPECT_EQ(out[1024], u'#');
        static char expected[8192];
        std::snprintf(expected, sizeof expected, format, values...);
        EXPECT_EQ(Narrow(out), std::string(expected).substr(0, 1023));
    };
    expect_limit("%2000d", -12345);
    expect_limit("%.1500d", -12345);
    expect_limit("%3000.2f", -1.0 / 3.0);
    expect_limit("%.1200f", -1.0 / 3.0);
    std::string many;
    for (int i = 0; i < 11; ++i)
        many += "%100d";
    expect_limit(many.c_str(), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11);
    expect_limit(std::string(1500, 'p').c_str());
}

TEST(WsprintfW, OtherConversionsPrintTheirLetterAndTakeNoArgument) {
    char16_t out[1024];
    EXPECT_EQ(wsprintfW(out, u"abc%"), 3);
    EXPECT_EQ(std::u16string(out), u"abc");
    EXPECT_EQ(wsprintfW(out, u"%s%n|%d", 5), 4);
    EXPECT_EQ(std::u16string(out), u"sn|5");
    EXPECT_EQ(wsprintfW(out, nullptr), 0);
    EXPECT_EQ(out[0], u'\0');
    EXPECT_EQ(wsprintfW(nullptr, u"%d", 1), 0);
    // Wide text outside ASCII passes through unchanged.
    EXPECT_EQ(wsprintfW(out, u"\u00b0%d\u00b0", 3), 3);
    EXPECT_EQ(std::u16string(out), u"\u00b03\u00b0");
}

}  // namespace
