// The checksum that vouches for a sentence: '*' and two hex digits equal to
// the XOR of the bytes between the '$' and the '*'.
#pragma once

#include <cstdint>

// Where the checksum of a sentence that verifies (as VerifyChecksum judges
// it) starts: the position of its first '*'. -1 when it does not verify.
int32_t VerifiedChecksumStart(const char* sentence, int32_t length);
