// wsprintfW against printf for the conversions the program uses.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "win/kernel.h"

namespace {

std::u16string Widen(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// Runs the same format through both and compares, the count too.
template <typename... Args>
void ExpectSameAsPrintf(const char* format, Args... args) {
    SCOPED_TRACE(format);
    char expected[2048];
    std::snprintf(expected, sizeof expected, format, args...);
    char16_t out[1024];
    const int count = wsprintfW(out, Widen(format).c_str(), args...);
    EXPECT_EQ(std::u16string(out), Widen(expected));
    EXPECT_EQ(count, static_cast<int>(std::strlen(expected)));
}

TEST(WsprintfW, NumbersMatchPrintf) {
    const int integers[] = {0, 1, -1, 7, -7, 10, 42, -42, 255, 4096, 99999, INT_MAX, INT_MIN};
    for (const char* format : {"%d", "%1d", "%2d", "%3ds", "%4d", "%.3d", "%.0d", "%.d", "%5.3d",
                               "%2.4d", "%12d", "%x", "%8x", "%.0x", "%6.3x"}) {
        for (int v : integers) {
            SCOPED_TRACE(v);
            ExpectSameAsPrintf(format, v);
        }
    }
    const double doubles[] = {
        0.0,           -0.0,        1.0,         -1.5,  0.125,    1e-300,    1e300,
        DBL_MAX,       5e-324,      4800.0,      52.25, HUGE_VAL, -HUGE_VAL, std::nan(""),
        -std::nan(""), 0.000049999, 999999.9999, 2.675, 0.5,      1.5,       2.5};
    for (const char* format :
         {"%f", "%.0f", "%2.2f", "%6.2f", "%3.1f", "%12.15f", "%.20f", "%30.1f"}) {
        for (double v : doubles) {
            SCOPED_TRACE(v);
            ExpectSameAsPrintf(format, v);
        }
    }
    ExpectSameAsPrintf("Latitude:%2d'%2.2f     ", 52, 12.3456);
}

TEST(WsprintfW, OtherConversionsPrintTheirLetterAndTakeNoArgument) {
    char16_t out[64];
    EXPECT_EQ(wsprintfW(out, u"%s%n|%d|100%%|\u00b0%", 5), 11);
    EXPECT_EQ(std::u16string(out), u"sn|5|100%|\u00b0");
    EXPECT_EQ(wsprintfW(out, nullptr), 0);
    EXPECT_EQ(out[0], u'\0');
    EXPECT_EQ(wsprintfW(nullptr, u"%d", 1), 0);
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
        EXPECT_EQ(std::u16string(out), Widen(std::string(expected, 1023)));
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

}  // namespace
