// Routing of closed sentences: verified, typed by two letters of the address,
// and handed to the decoder of that type.
#pragma once

#include <cstdint>

#include "nmea/nav_record.h"

enum class SentenceKind : uint8_t {
    kFailed,  // checksum wrong, or cut short by the assembler's buffer
    kOther,   // verified, of a type that is not decoded
    kGga,
    kGsa,
    kGsv,
    kRmc,
};

// Verifies the NUL-terminated sentence and types it by its fifth and sixth
// characters (counting the '$'), whatever the talker.
SentenceKind ClassifySentence(const char* text, int32_t length);

// Runs the decoder of the kind into the record; true only when a GSV sentence
// was the last message of its group.
bool DecodeSentence(NavRecord& record, SentenceKind kind, const char* text, int32_t length);
