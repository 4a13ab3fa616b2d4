#include <gtest/gtest.h>

#include <string>

#include "nmea/nav_record.h"

namespace {

TEST(HexDigitValue, AcceptsBothCasesAndRejectsTheRest) {
    struct Case {
        char c;
        int value;
    };
    const Case cases[] = {{'0', 0},
                          {'9', 9},
                          {'A', 10},
                          {'F', 15},
                          {'a', 10},
                          {'f', 15},
                          {'G', -1},
                          {'g', -1},
                          {'@', -1},
                          {'`', -1},
                          {'/', -1},
                          {':', -1},
                          {' ', -1},
                          {'*', -1},
                          {'\0', -1},
                          {'\r', -1},
                          {static_cast<char>(0xC1), -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "char code " << static_cast<int>(c.c));
        EXPECT_EQ(HexDigitValue(c.c), c.value);
    }
}

struct ChecksumCase {
    const char* name;
    std::string sentence;  // may hold NULs: the checker sees up to the first
    bool verifies;
};

TEST(VerifyChecksum, Table) {
    using namespace std::string_literals;
    const ChecksumCase cases[] = {
        {"good GGA", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n", true},
        {"good RMC", "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n",
         true},
        {"one digit wrong", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*46",
         false},
        {"first digit wrong", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*37",
         false},
        {"body changed", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.5,M,46.9,M,,*47",
         false},
        {"lower-case hex", "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6a",
         true},
        {"lower-case 4a", "$J*4a", true},
        {"0x40 is not 4a", "$AA@*4a", false},
        {"sum 5 needs both digits", "$AD*05", true},
        {"sum 5 against 95", "$AD*95", false},
        {"sum 5 against x5", "$AD*x5", false},
        {"non-hex digit", "$A*4G", false},
        {"space in digits", "$A* 1", false},
        {"empty body", "$*00", true},
        {"the first star counts", "$A*41*00", true},
        {"second star not summed", "$A*00*41", false},
        // Without '*' nothing vouches for the line, whatever its bytes sum to.
        {"no star", "$GPGGA,1", false},
        {"no star, sum 0", "$AA", false},
        {"no star, sum 0 with the line end", "$A\rA\r\n\n", false},
        {"no star, cancelling high bytes", "$\xC1\xC1", false},
        {"lone dollar", "$", false},
        {"empty sentence", "", false},
        {"a fragment without its '$'", "QA*41", false},
        {"a star first is no '$'", "*A*41", false},
        {"star at the end", "$A*", false},
        {"a single digit", "$A*4", false},
        {"a single digit, sum below 16", "$AD*5", false},
        {"a single digit before the line end", "$AD*5\r\n", false},
        // A NUL ends the text: one before the digits leaves none to compare.
        {"NUL before the star", "$A\0*41"s, false},
        {"NUL before the star, the rest cancelling", "$A\0A*00"s, false},
        {"NUL right after the star",
         "$A*\x00"
         "41"s,
         false},
        {"NUL between the digits",
         "$A*4\x00"
         "1"s,
         false},
        {"NUL after the digits", "$A*41\0junk"s, true},
        // What follows the digits is not the checker's: the router keeps it
        // out of the echo and the decoders.
        {"trailing bytes", "$A*41junk", true},
        {"trailing bytes after the line end", "$A*41\r\n,,*00", true},
        {"sum at 0x80 or more", "$\xC1*C1", false},
        {"high bytes cancelling to zero",
         "$\xC1\x80"
         "A*00",
         true},
        {"high bytes summing to ASCII", "$\xC1\x80*41", true}};
    NavRecord& record = Nav;
    for (const ChecksumCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(record.VerifyChecksum(c.sentence.c_str()), c.verifies) << c.sentence;
    }
}

// The checker must stop at the sentence's NUL: put each short sentence at the
// very end of a heap block so that AddressSanitizer sees any read past it.
TEST(VerifyChecksum, NeverReadsPastTheNul) {
    const char* sentences[] = {"", "$", "$A", "$A*", "$A*4", "$A*41"};
    for (const char* s : sentences) {
        SCOPED_TRACE(s);
        const size_t size = std::char_traits<char>::length(s) + 1;
        char* block = new char[size];
        std::char_traits<char>::copy(block, s, size);
        (void)Nav.VerifyChecksum(block);
        delete[] block;
    }
}

}  // namespace
