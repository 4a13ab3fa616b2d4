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
    std::string sentence;
    bool verifies;
};

TEST(VerifyChecksum, Table) {
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
        {"upper-case 4A", "$J*4A", true},
        {"0x40 is not 4a", "$AA@*4a", false},
        {"digits at the very end", "$A*41", true},
        {"text after the digits ignored", "$A*41junk", true},
        {"only one digit", "$A*4", false},
        {"only one digit, sum below 16", "$AD*5", false},
        {"star at the end", "$A*", false},
        {"sum 5 needs both digits", "$AD*05", true},
        {"sum 5 against 95", "$AD*95", false},
        {"sum 5 against x5", "$AD*x5", false},
        {"sum 0x10", "$AQ*10", true},
        {"non-hex first digit", "$A*G1", false},
        {"non-hex second digit", "$A*4G", false},
        {"space in digits", "$A* 1", false},
        {"the first star counts", "$A*41*00", true},
        {"second star not summed", "$A*00*41", false},
        {"no star, sum not 0", "$GPGGA,1", false},
        {"no star, sum 0", "$AA", true},
        {"no star, cancelling high bytes", "$\xC1\xC1", true},
        {"sum at 0x80 or more", "$\xC1*C1", false},
        {"high bytes cancelling to zero",
         "$\xC1\x80"
         "A*00",
         true},
        {"high bytes summing to ASCII", "$\xC1\x80*41", true},
        {"empty sentence", "", true},
        {"lone dollar", "$", true},
        {"position 0 not summed", "QA*41", true},
        {"star at position 0 is not the star", "*A*41", true}};
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

TEST(VerifyChecksum, NulInsideTheSentenceEndsIt) {
    const char text[] = "$A\0*41";
    EXPECT_FALSE(Nav.VerifyChecksum(text));  // sum 0x41 with no star before the NUL
    const char zero[] = "$AA\0*41";
    EXPECT_TRUE(Nav.VerifyChecksum(zero));
}

}  // namespace
