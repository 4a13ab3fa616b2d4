#include "nmea/sentence_router.h"

#include "nmea/sentence_assembler.h"

SentenceKind ClassifySentence(const char* text, int32_t length) {
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

bool DecodeSentence(NavRecord& record, SentenceKind kind, const char* text, int32_t length) {
    switch (kind) {
        case SentenceKind::kGga:
            record.ParseGga(text, length);
            return false;
        case SentenceKind::kGsa:
            record.ParseGsa(text, length);
            return false;
        case SentenceKind::kGsv:
            return record.ParseGsv(text, length);
        case SentenceKind::kRmc:
            record.ParseRmc(text, length);
            return false;
        case SentenceKind::kFailed:
        case SentenceKind::kOther:
            return false;
    }
    return false;
}
