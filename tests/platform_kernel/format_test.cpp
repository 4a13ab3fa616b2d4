#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include <gtest/gtest.h>

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
    wsprintfW(out, u"%s|%-6s|%6s|%.2s", u"ab", u"cd", u"ef", u"ghij");
    EXPECT_EQ(std::u16string(out), u"ab|cd    |    ef|gh");
    wsprintfW(out, u"%c%c%3c%-3c|", u'x', u'\u00e9', u'y', u'z');
    EXPECT_EQ(std::u16string(out), u"x\u00e9  yz  |");
    wsprintfW(out, u"100%% %s", static_cast<const char16_t*>(nullptr));
    EXPECT_EQ(std::u16string(out), u"100% (null)");
    wsprintfW(out, u"%S/%hs", "narrow", "too");
    EXPECT_EQ(std::u16string(out), u"narrow/too");
}

TEST(WsprintfW, IntegersMatchPrintf) {
    const int values[] = {0, 1, -1, 7, 42, -42, 255, 4096, 99999, INT_MAX, INT_MIN, INT_MIN + 1};
    const char* formats[] = {"%d",   "%i",    "%5d",    "%-5d|",  "%05d",  "%+d",  "% d",
                             "%.3d", "%8.3d", "%-8.3d", "%.0d",   "%+05d", "%x",   "%X",
                             "%#x",  "%#X",   "%08x",   "%-#8x|", "%u",    "%12u", "%.10u"};
    for (const char* format : formats) {
        for (int v : values) {
            SCOPED_TRACE(v);
            ExpectSameAsPrintf(format, v);
        }
    }
    ExpectSameAsPrintf("%lld %llx", -1234567890123LL, 0xFEDCBA9876ULL);
    ExpectSameAsPrintf("%hd %hhd", 70000, 300);
}

TEST(WsprintfW, StarWidthAndPrecision) {
    ExpectSameAsPrintf("%*d|", 6, 42);
    ExpectSameAsPrintf("%*d|", -6, 42);
    ExpectSameAsPrintf("%.*f", 3, 3.14159);
    ExpectSameAsPrintf("%.*f", -2, 3.14159);
    ExpectSameAsPrintf("%*.*f|", 12, 4, -2.5);
    char16_t out[1024];
    wsprintfW(out, u"%*s|%-*s|%.*s", 4, u"ab", 4, u"cd", 1, u"ef");
    EXPECT_EQ(std::u16string(out), u"  ab|cd  |e");
}

TEST(WsprintfW, DoublesMatchPrintf) {
    const double values[] = {0.0,           -0.0,        1.0,         -1.5,        0.5,
                             2.5,           0.125,       1e-300,      -1e-320,     1e300,
                             DBL_MAX,       -DBL_MAX,    DBL_MIN,     5e-324,      123456.789,
                             4800.0,        52.25,       HUGE_VAL,    -HUGE_VAL,   std::nan(""),
                             -std::nan(""), 0.000049999, 999999.9999, 1234.5678e10};
    const char* formats[] = {"%f",       "%.0f",    "%.1f", "%.2f", "%.6f",     "%10.3f",
                             "%-10.3f|", "%010.3f", "%+f",  "% f",  "%#.0f",    "%.15f",
                             "%e",       "%.3E",    "%g",   "%G",   "%+012.4f", "%5f"};
    for (const char* format : formats) {
        for (double v : values) {
            SCOPED_TRACE(v);
            ExpectSameAsPrintf(format, v);
        }
    }
}

TEST(WsprintfW, RandomValuesMatchPrintf) {
    std::mt19937_64 random(20261206);
    std::uniform_int_distribution<int> width(0, 30);
    std::uniform_int_distribution<int> precision(0, 20);
    std::uniform_int_distribution<int> flag(0, 31);
    std::uniform_int_distribution<int> exponent(-320, 308);
    for (int i = 0; i < 4000; ++i) {
        std::string format = "%";
        int flags = flag(random);
        if (flags & 1) format += '-';
        if (flags & 2) format += '+';
        if (flags & 4) format += ' ';
        if (flags & 8) format += '0';
        if (flags & 16) format += '#';
        if (random() % 2) format += std::to_string(width(random));
        if (random() % 2) format += "." + std::to_string(precision(random));
        const char conversions[] = "diuxXf";
        char conversion = conversions[random() % 6];
        format += conversion;
        format += '|';
        if (conversion == 'f') {
            double mantissa = std::uniform_real_distribution<double>(-10.0, 10.0)(random);
            double v = std::ldexp(mantissa, 0) * std::pow(10.0, exponent(random) / 10);
            if (i % 50 == 0) v = std::ldexp(1.0, static_cast<int>(random() % 2000) - 1000);
            ExpectSameAsPrintf(format.c_str(), v);
        } else {
            auto v = static_cast<int>(static_cast<unsigned>(random()));
            ExpectSameAsPrintf(format.c_str(), v);
        }
        if (HasFailure()) break;
    }
}

TEST(WsprintfW, NeverWritesPastTheLimit) {
    // A 2000-character argument stops at 1023 characters and a terminator.
    std::u16string long_text(2000, u'a');
    char16_t out[1100];
    std::fill(std::begin(out), std::end(out), u'#');
    EXPECT_EQ(wsprintfW(out, u"%s", long_text.c_str()), 1023);
    EXPECT_EQ(out[1022], u'a');
    EXPECT_EQ(out[1023], u'\0');
    EXPECT_EQ(out[1024], u'#');

    // Widths and precisions beyond the buffer: the visible part still matches printf.
    auto clipped = [&](const char* format, auto value) {
        SCOPED_TRACE(format);
        std::fill(std::begin(out), std::end(out), u'#');
        EXPECT_EQ(wsprintfW(out, Widen(format).c_str(), value), 1023);
        EXPECT_EQ(out[1023], u'\0');
        EXPECT_EQ(out[1024], u'#');
        static char expected[8192];
        std::snprintf(expected, sizeof expected, format, value);
        EXPECT_EQ(Narrow(out), std::string(expected).substr(0, 1023));
    };
    for (const char* format : {"%2000d", "%-2000d|", "%.1500d"})
        clipped(format, -12345);
    for (const char* format : {"%3000.2f", "%.1200f", "%-5000f"})
        clipped(format, -1.0 / 3.0);

    // A wide string with padding past the end: the padding comes first, as it would.
    wsprintfW(out, u"%3000s", u"xyz");
    EXPECT_EQ(out[0], u' ');
    EXPECT_EQ(out[1022], u' ');
    // Many conversions, and plain text, also stop at the limit.
    std::fill(std::begin(out), std::end(out), u'#');
    std::u16string many;
    for (int i = 0; i < 11; ++i)
        many += u"%100d";
    EXPECT_EQ(wsprintfW(out, many.c_str(), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11), 1023);
    EXPECT_EQ(out[1023], u'\0');
    EXPECT_EQ(out[1024], u'#');
    std::u16string plain(1500, u'p');
    EXPECT_EQ(wsprintfW(out, plain.c_str()), 1023);
    EXPECT_EQ(out[1024], u'#');
}

TEST(WsprintfW, OddFormatsAreSafe) {
    char16_t out[1024];
    EXPECT_EQ(wsprintfW(out, u"abc%"), 3);
    EXPECT_EQ(std::u16string(out), u"abc");
    EXPECT_EQ(wsprintfW(out, u"%q%n"), 2);
    EXPECT_EQ(std::u16string(out), u"qn");
    EXPECT_EQ(wsprintfW(out, u""), 0);
    EXPECT_EQ(out[0], u'\0');
    EXPECT_EQ(wsprintfW(out, nullptr), 0);
    EXPECT_EQ(out[0], u'\0');
    EXPECT_EQ(wsprintfW(nullptr, u"%d", 1), 0);
    // Wide text outside ASCII passes through unchanged.
    EXPECT_EQ(wsprintfW(out, u"\u00b0%s\u00b0", u"\u4e2d\U0001F600"), 5);
    EXPECT_EQ(std::u16string(out), u"\u00b0\u4e2d\U0001F600\u00b0");
}

}  // namespace
