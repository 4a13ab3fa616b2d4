#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "nmea/number_text.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

float Float(const std::string& s) {
    return ParseFloatText(s.c_str(), static_cast<int32_t>(s.size()));
}

void ExpectSameBits(float actual, float expected) {
    EXPECT_EQ(std::bit_cast<uint32_t>(actual), std::bit_cast<uint32_t>(expected))
        << actual << " vs " << expected;
}

// Bit for bit what atof and a narrowing to float give: the text of each path
// (exponents, hex, white space, junk, too many digits for the exact path),
// then random decimals of the kind receivers send, which catch any rounding
// slip of the exact path.
TEST(ParseFloatText, MatchesAtof) {
    std::vector<std::string> texts = {"-0", "1.",   "-.5",          "1E-2",  "2.5e+1", "0x1p3",
                                      "0x", "\t-3", "1.5M",         "1.2.3", "1e-x",   "--1",
                                      "",   ".",    "3.4028235e38", "1e-50"};
    texts.insert(texts.end(), {"12345678901234567890123", "0.0000000000000000000000001",
                               "9007199254740993", "1234567890123456789", "123456.7890123456789"});
    std::mt19937 random(20261206);
    for (int n = 0; n < 20000; ++n) {
        std::string s;
        if (random() % 4 == 0) s += random() % 2 ? '-' : '+';
        for (int i = static_cast<int>(random() % 12); i > 0; --i)
            s += static_cast<char>('0' + random() % 10);
        if (random() % 3 != 0) {
            s += '.';
            for (int i = static_cast<int>(random() % 12); i > 0; --i)
                s += static_cast<char>('0' + random() % 10);
        }
        texts.push_back(s);
    }
    for (const std::string& s : texts) {
        SCOPED_TRACE(s);
        ExpectSameBits(Float(s), static_cast<float>(std::strtod(s.c_str(), nullptr)));
        if (HasFailure()) break;
    }
}

// Past the float range, values round to the nearest end as the FPU does; the
// text ends at the length given.
TEST(ParseFloatText, OutOfRangeAndLength) {
    const struct {
        const char* text;
        int32_t length;
        float value;
    } cases[] = {{"inf", 3, kInf},
                 {"-1e999", 6, -kInf},
                 {"1e-999", 6, 0.0f},
                 {"1.25", 3, 1.2f},
                 {"3.40282356e38", 13, FLT_MAX},
                 {"3.4028236e38", 12, kInf},
                 {"1e5", 1, 1.0f},
                 {"0x10", 1, 0.0f},
                 {"7", 0, 0.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ExpectSameBits(ParseFloatText(c.text, c.length), c.value);
    }
    EXPECT_TRUE(std::isnan(Float("-NaN")));
}

TEST(ParseIntText, MatchesAtoiAndClamps) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {{"", 0},
                 {"-42", -42},
                 {" \t+7", 7},
                 {"12abc", 12},
                 {"- 1", 0},
                 {"2147483648", kMax},
                 {"4294967297", kMax},
                 {"-2147483649", kMin},
                 {"99999999999999999999", kMax}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseIntText(c.text, static_cast<int32_t>(std::strlen(c.text))), c.value);
    }
    EXPECT_EQ(ParseIntText("12345", 2), 12);
}

}  // namespace
