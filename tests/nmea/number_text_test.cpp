#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "nmea/number_text.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

float Float(const std::string& s) {
    return ParseFloatText(s.c_str(), static_cast<int32_t>(s.size()));
}

int32_t Int(const std::string& s) {
    return ParseIntText(s.c_str(), static_cast<int32_t>(s.size()));
}

// What atof and a narrowing to float give, for values inside the float range.
float Reference(const std::string& s) {
    return static_cast<float>(std::strtod(s.c_str(), nullptr));
}

void ExpectSameBits(float actual, float expected) {
    EXPECT_EQ(std::bit_cast<uint32_t>(actual), std::bit_cast<uint32_t>(expected))
        << actual << " vs " << expected;
}

TEST(ParseFloatText, MatchesAtofOnFieldText) {
    const char* cases[] = {"0",
                           "123519.00",
                           "4807.038",
                           "01131.000",
                           "545.4",
                           "46.9",
                           "-0",
                           "-0.0",
                           "+1.5",
                           "0.1",
                           "1.",
                           ".5",
                           "-.5",
                           "1e3",
                           "1E-2",
                           "2.5e+1",
                           "0x1p3",
                           "0X1P-2",
                           "0x",
                           "0x1.8",
                           "  12.5",
                           "\t-3",
                           "1.5M",
                           "12,5",
                           "1.2.3",
                           "1e",
                           "1e+",
                           "1e-x",
                           "--1",
                           "abc",
                           "",
                           "-",
                           ".",
                           "+",
                           "3.4028235e38",
                           "1e-50",
                           "000000000000000000000000012.5",
                           "12345678901234567890123",
                           "0.0000000000000000000000001",
                           "9007199254740993",
                           "9007199254740992.5",
                           "1234567890123456789",
                           "0.123456789012345678",
                           "123456.7890123456789"};
    for (const char* c : cases) {
        SCOPED_TRACE(c);
        ExpectSameBits(Float(c), Reference(c));
    }
}

TEST(ParseFloatText, SpecialValues) {
    struct Case {
        const char* text;
        float value;
    };
    const Case cases[] = {{"inf", kInf},    {"-inf", -kInf},   {"INFINITY", kInf},
                          {"1e999", kInf},  {"-1e999", -kInf}, {"1e39", kInf},
                          {"-4e38", -kInf}, {"1e-999", 0.0f},  {"3.4028235e38", FLT_MAX}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ExpectSameBits(Float(c.text), c.value);
    }
    EXPECT_TRUE(std::isnan(Float("nan")));
    EXPECT_TRUE(std::isnan(Float("-NaN")));
    EXPECT_TRUE(std::isnan(Float("nan(123)")));
}

TEST(ParseFloatText, StopsAtTheGivenLength) {
    EXPECT_EQ(ParseFloatText("1.25", 3), 1.2f);
    EXPECT_EQ(ParseFloatText("1e5", 1), 1.0f);
    EXPECT_EQ(ParseFloatText("0x10", 1), 0.0f);
    EXPECT_EQ(ParseFloatText("7", 0), 0.0f);
}

// Random decimal text of the kind receivers send, checked bit for bit against
// atof: catches any rounding slip of the exact decimal path.
TEST(ParseFloatText, RandomDecimalsMatchAtof) {
    std::mt19937 random(20261206);
    for (int n = 0; n < 20000; ++n) {
        std::string s;
        if (random() % 4 == 0) s += random() % 2 ? '-' : '+';
        const int whole = static_cast<int>(random() % 12);
        for (int i = 0; i < whole; ++i)
            s += static_cast<char>('0' + random() % 10);
        if (random() % 3 != 0) {
            s += '.';
            const int fraction = static_cast<int>(random() % 12);
            for (int i = 0; i < fraction; ++i)
                s += static_cast<char>('0' + random() % 10);
        }
        SCOPED_TRACE(s);
        ExpectSameBits(Float(s), Reference(s));
        if (HasFailure()) break;
    }
}

TEST(ParseIntText, MatchesAtoiAndClamps) {
    struct Case {
        const char* text;
        int32_t value;
    };
    const Case cases[] = {{"", 0},
                          {"0", 0},
                          {"42", 42},
                          {"-42", -42},
                          {"+7", 7},
                          {" \t12", 12},
                          {"12abc", 12},
                          {"1.9", 1},
                          {"- 1", 0},
                          {"abc", 0},
                          {"007", 7},
                          {"2147483647", 2147483647},
                          {"2147483648", 2147483647},
                          {"-2147483648", -2147483647 - 1},
                          {"-2147483649", -2147483647 - 1},
                          {"4294967297", 2147483647},
                          {"99999999999999999999999999999", 2147483647},
                          {"-99999999999999999999999999999", -2147483647 - 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Int(c.text), c.value);
    }
    EXPECT_EQ(ParseIntText("12345", 2), 12);
}

TEST(TruncateToInt32, SaturatesAndTruncatesTowardZero) {
    struct Case {
        double value;
        int32_t result;
    };
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const Case cases[] = {{0.0, 0},
                          {-0.0, 0},
                          {1.9, 1},
                          {-1.9, -1},
                          {-0.5, 0},
                          {2147483647.0, kMax},
                          {2147483647.9, kMax},
                          {2147483648.0, kMax},
                          {-2147483648.0, kMin},
                          {-2147483648.9, kMin},
                          {-2147483649.0, kMin},
                          {1e300, kMax},
                          {-1e300, kMin},
                          {std::numeric_limits<double>::infinity(), kMax},
                          {-std::numeric_limits<double>::infinity(), kMin},
                          {std::numeric_limits<double>::quiet_NaN(), 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(TruncateToInt32(c.value), c.result);
    }
}

TEST(NarrowToFloat, RoundsLikeTheFpuAtTheTopOfTheRange) {
    ExpectSameBits(NarrowToFloat(FLT_MAX), FLT_MAX);
    ExpectSameBits(NarrowToFloat(0x1.fffffefffffffp127), FLT_MAX);
    ExpectSameBits(NarrowToFloat(0x1.ffffffp127), kInf);
    ExpectSameBits(NarrowToFloat(-1e300), -kInf);
    ExpectSameBits(NarrowToFloat(0.1), 0.1f);
    EXPECT_TRUE(std::isnan(NarrowToFloat(std::numeric_limits<double>::quiet_NaN())));
}

// A process that switched to a decimal-comma locale must still read '.'.
TEST(ParseFloatText, IgnoresADecimalCommaLocale) {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8",  "fr_FR.UTF-8", "fr_FR.utf8",
                           "nl_NL.UTF-8", "ru_RU.UTF-8", "de_DE",       "fr_FR"};
    const char* chosen = nullptr;
    for (const char* name : names) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            chosen = name;
            break;
        }
    }
    if (chosen == nullptr) {
        GTEST_SKIP() << "no decimal-comma locale is installed on this machine";
    }
    const bool comma = std::strcmp(std::localeconv()->decimal_point, ",") == 0;
    const float slow = Float("1.5e1");
    const float fast = Float("4807.038");
    const float spaced = Float(" 2.5");
    std::setlocale(LC_ALL, "C");
    if (!comma) GTEST_SKIP() << chosen << " does not use a decimal comma";
    EXPECT_EQ(slow, 15.0f);
    EXPECT_EQ(fast, 4807.038f);
    EXPECT_EQ(spaced, 2.5f);
}

}  // namespace
