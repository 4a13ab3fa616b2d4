#include <gtest/gtest.h>

#include <string>

#include "nmea/nav_record.h"

namespace {

TEST(VerifyChecksum, Table) {
    using namespace std::string_literals;
    // The sentences may hold NULs: the checker sees the text up to the first.
    const struct {
        const char* name;
        std::string sentence;
        bool verifies;
    } cases[] = {
        {"good GGA", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n", true},
        {"low digit wrong", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*46",
         false},
        {"high digit wrong", "$AD*95", false},
        {"body changed", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.5,M,46.9,M,,*47",
         false},
        {"lower-case hex", "$J*4a", true},
        {"0x40 is not 4a", "$AA@*4a", false},
        {"sum 5 needs both digits", "$AD*05", true},
        {"non-hex high digit", "$AD*x5", false},
        {"non-hex low digit", "$P*4G", false},
        {"non-hex lower-case digit", "$P*4g", false},
        {"empty body", "$*00", true},
        {"the first star counts", "$A*41*00", true},
        {"second star not summed", "$A*00*41", false},
        // Without '*' nothing vouches for the line, whatever its bytes sum to.
        {"no star", "$GPGGA,1", false},
        {"no star, sum 0 with the line end", "$A\rA\r\n\n", false},
        {"no star, cancelling high bytes", "$\xC1\xC1", false},
        {"empty sentence", "", false},
        {"a fragment without its '$'", "QA*41", false},
        {"star at the end", "$A*", false},
        {"a single digit", "$A*4", false},
        {"a single digit before the line end", "$AD*5\r\n", false},
        // A NUL ends the text: one before the digits leaves none to compare.
        {"NUL before the star", "$A\0*41"s, false},
        {"NUL before the star, the rest cancelling", "$A\0A*00"s, false},
        {"NUL right after the star", "$A*\00041"s, false},
        {"NUL between the digits", "$A*4\0001"s, false},
        {"NUL after the digits", "$A*41\0junk"s, true},
        // What follows the digits is not the checker's: the router keeps it
        // out of the echo and the decoders.
        {"trailing bytes", "$A*41junk", true},
        {"trailing bytes after the line end", "$A*41\r\n,,*00", true},
        {"sum at 0x80 or more", "$\xC1*C1", false},
        {"high bytes summing to ASCII", "$\xC1\x80*41", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Nav.VerifyChecksum(c.sentence.c_str()), c.verifies) << c.sentence;
    }
}

// The checker must stop at the sentence's NUL: each short sentence ends its
// heap block, so that AddressSanitizer sees any read past it.
TEST(VerifyChecksum, NeverReadsPastTheNul) {
    for (const std::string s : {"", "$", "$A", "$A*", "$A*4", "$A*41"}) {
        SCOPED_TRACE(s);
        char* block = new char[s.size() + 1];
        std::char_traits<char>::copy(block, s.c_str(), s.size() + 1);
        (void)Nav.VerifyChecksum(block);
        delete[] block;
    }
}

}  // namespace
