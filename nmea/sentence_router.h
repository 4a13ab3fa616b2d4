// Routing of closed sentences: verified, typed by two letters of the address,
// and handed to the decoder of that type. Inline, so that routing costs no
// calls beyond the checksum and the decoder.
#pragma once

#include <cstdint>

#include "nmea/nav_record.h"
#include "nmea/sentence_assembler.h"

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
inline SentenceKind ClassifySentence(const char* text, int32_t length) {
    // A sentence that filled the buffer may have lost its tail; no genuine
    // sentence comes near that length.
    if (length >= kMaxSentenceLength || !Nav.VerifyChecksum(text)) return SentenceKind::kFailed;
    // A position past the end reads as NUL and matches nothing.
    if (length < 6) return SentenceKind::kOther;
    const char first = text[4];
    const char second = text[5];
    if (first == 'G' && second == 'A') return SentenceKind::kGga;
    if (first == 'S' && second == 'A') return SentenceKind::kGsa;
    if (first == 'S' && second == 'V') return SentenceKind::kGsv;
    if (first == 'M' && second == 'C') return SentenceKind::kRmc;
    return SentenceKind::kOther;
}

// Runs the decoder of the kind into the record; true only when a GSV sentence
// was the last message of its group. tickMs is when the sentence arrived.
inline bool DecodeSentence(NavRecord& record, SentenceKind kind, const char* text, int32_t length,
                           uint32_t tickMs) {
    switch (kind) {
        case SentenceKind::kGga:
            record.EndGsaRun();
            record.ParseGga(text, length);
            return false;
        case SentenceKind::kGsa:
            record.ParseGsa(text, length);
            return false;
        case SentenceKind::kGsv:
            record.EndGsaRun();
            return record.ParseGsv(text, length, tickMs);
        case SentenceKind::kRmc:
            record.EndGsaRun();
            record.ParseRmc(text, length);
            return false;
        case SentenceKind::kOther:
            // A '$' alone (some receivers start every sentence with "$$") is
            // no sentence at all.
            if (length >= 6) record.EndGsaRun();
            return false;
        case SentenceKind::kFailed:
            return false;
    }
    return false;
}
