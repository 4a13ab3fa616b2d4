#include "nmea/checksum.h"

#include <cstdint>
#include <cstring>

#include "nmea/nav_record.h"
#include "nmea/number_text.h"

// Only a checksum vouches for a sentence: it must start with its '$' and carry
// '*' and two hex digits equal to the XOR of the bytes between them. A line
// without one fails, however its bytes happen to sum, and so does one with a
// NUL before the digits: the text ends at the NUL, cutting the sentence short.
// What follows the two digits is covered by no checksum and is not examined
// here; the router keeps it out of the echo and the decoders.
bool NavRecord::VerifyChecksum(const char* sentence) const {
    return VerifyChecksum(sentence, static_cast<int32_t>(std::strlen(sentence)));
}

bool NavRecord::VerifyChecksum(const char* sentence, int32_t length) const {
    return VerifiedChecksumStart(sentence, length) >= 0;
}

int32_t VerifiedChecksumStart(const char* sentence, int32_t length) {
    if (length < 1 || sentence[0] != '$') return -1;
    const char* const first = sentence + 1;
    const auto* star = static_cast<const char*>(std::memchr(first, '*', length - 1));
    if (star == nullptr) return -1;
    const size_t covered = static_cast<size_t>(star - first);

    // Eight bytes at a time: the XOR of the words folds down to the XOR of
    // their bytes. A word with a zero byte has a NUL in the sentence, found
    // on the same pass.
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHighs = 0x8080808080808080ull;
    uint64_t words = 0;
    size_t i = 0;
    for (; i + 8 <= covered; i += 8) {
        uint64_t word;
        std::memcpy(&word, first + i, sizeof word);
        if (((word - kOnes) & ~word & kHighs) != 0) return -1;
        words ^= word;
    }
    words ^= words >> 32;
    words ^= words >> 16;
    words ^= words >> 8;
    uint32_t sum = static_cast<uint32_t>(words & 0xFF);
    for (; i < covered; ++i) {
        if (first[i] == '\0') return -1;
        sum ^= static_cast<unsigned char>(first[i]);
    }

    // NMEA text is ASCII: a sum of 0x80 or more comes only from bytes that
    // have no place in a sentence.
    if (sum >= 0x80) return -1;
    // The digits lie within the text: the NUL at its end stops at the first.
    const int high = HexDigitValue(star[1]);
    if (high < 0) return -1;
    const int low = HexDigitValue(star[2]);
    if (low < 0) return -1;
    if (static_cast<uint32_t>(high * 16 + low) != sum) return -1;
    return static_cast<int32_t>(star - sentence);
}
