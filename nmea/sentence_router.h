// Routing of closed sentences: verified, typed by two letters of the address,
// and handed to the decoder of that type. Inline, so that routing costs no
// calls beyond the checksum and the decoder.
#pragma once

#include <cstdint>
#include <cstring>

#include "nmea/checksum.h"
#include "nmea/nav_record.h"
#include "nmea/sentence_assembler.h"

enum class SentenceKind : uint8_t {
    kFailed,  // checksum wrong, or cut short by the assembler's buffer
    kOther,   // verified, of a type that is not decoded
    kGga,
    kGsa,
    kGsv,
    kRmc,
    kGst,
    kGns,
};

// True for closed text that is no line: a '$' followed at once by another
// (some receivers send "$$GPGSV"), and, before the first '$', nothing or only
// the line end of a sentence whose start was never read.
inline bool CarriesNothing(const char* text, int32_t length) {
    if (length > 0 && text[0] == '$') return length == 1;
    for (int32_t i = 0; i < length; ++i) {
        if (text[i] != '\r' && text[i] != '\n') return false;
    }
    return true;
}

// A closed sentence as the router sees it: its kind and where its fields
// end, at the '*' of its checksum once that verified, else at its length.
struct RoutedSentence {
    SentenceKind kind;
    int32_t fieldsEnd;
};

// Verifies the NUL-terminated sentence and types it by its fifth and sixth
// characters (counting the '$'), whatever the talker. Text that is no line
// passes silently, as a verified sentence of no decoded type.
inline RoutedSentence RouteSentence(const char* text, int32_t length) {
    if (CarriesNothing(text, length)) return {SentenceKind::kOther, length};
    // A sentence that filled the buffer may have lost its tail; no genuine
    // sentence comes near that length.
    if (length >= kMaxSentenceLength) return {SentenceKind::kFailed, length};
    const int32_t star = VerifiedChecksumStart(text, length);
    if (star < 0) return {SentenceKind::kFailed, length};
    // A position past the end reads as NUL and matches nothing.
    if (length < 6) return {SentenceKind::kOther, star};
    const char first = text[4];
    const char second = text[5];
    if (first == 'G' && second == 'A') return {SentenceKind::kGga, star};
    if (first == 'S' && second == 'A') return {SentenceKind::kGsa, star};
    if (first == 'S' && second == 'V') return {SentenceKind::kGsv, star};
    if (first == 'M' && second == 'C') return {SentenceKind::kRmc, star};
    // Newer types by all three letters: other sentences end in the same two
    // ($SNRSTAT).
    if (length > 6 && text[3] == 'G' && (text[6] == ',' || text[6] == '*')) {
        if (first == 'S' && second == 'T') return {SentenceKind::kGst, star};
        if (first == 'N' && second == 'S') return {SentenceKind::kGns, star};
    }
    return {SentenceKind::kOther, star};
}

inline SentenceKind ClassifySentence(const char* text, int32_t length) {
    return RouteSentence(text, length).kind;
}

// Where the checksum of a verified sentence starts: its first '*' after the
// '$'. The checksum vouches for the fields before it and nothing after.
inline int32_t ChecksumStart(const char* text, int32_t length) {
    if (length <= 1) return length;
    const auto* star = static_cast<const char*>(std::memchr(text + 1, '*', length - 1));
    return star != nullptr ? static_cast<int32_t>(star - text) : length;
}

// The part of a verified sentence that the status line shows: through the two
// checksum digits and the CR and LF bytes right after them. Bytes after that
// (the rest of a line that lost its '$', noise before the next sentence) are
// accepted but neither shown nor decoded.
inline int32_t EchoLengthFrom(const char* text, int32_t length, int32_t checksumStart) {
    int32_t end = checksumStart + 3;
    while (end < length && (text[end] == '\r' || text[end] == '\n'))
        ++end;
    return end < length ? end : length;
}

inline int32_t EchoLength(const char* text, int32_t length) {
    return EchoLengthFrom(text, length, ChecksumStart(text, length));
}

// Runs the decoder of the kind into the record; true only when a GSV sentence
// was the last message of its group. tickMs is when the sentence arrived. The
// decoders see the fields up to the '*' (which ends the last one): the text
// after the checksum never reaches them.
inline bool DecodeRouted(NavRecord& record, RoutedSentence routed, const char* text, int32_t length,
                         uint32_t tickMs) {
    const int32_t fields = routed.fieldsEnd;
    switch (routed.kind) {
        case SentenceKind::kGga:
            record.EndGsaRun();
            record.ParseGga(text, fields);
            return false;
        case SentenceKind::kGsa:
            record.ParseGsa(text, fields);
            return false;
        case SentenceKind::kGsv:
            record.EndGsaRun();
            return record.ParseGsv(text, fields, tickMs);
        case SentenceKind::kRmc:
            record.EndGsaRun();
            record.ParseRmc(text, fields);
            return false;
        case SentenceKind::kGst:
            record.EndGsaRun();
            record.ParseGst(text, fields);
            return false;
        case SentenceKind::kGns:
            record.EndGsaRun();
            record.ParseGns(text, fields);
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

// The same for a kind already known: the fields end where the checksum
// starts.
inline bool DecodeSentence(NavRecord& record, SentenceKind kind, const char* text, int32_t length,
                           uint32_t tickMs) {
    const bool decoded = kind != SentenceKind::kOther && kind != SentenceKind::kFailed;
    return DecodeRouted(record, {kind, decoded ? ChecksumStart(text, length) : length}, text,
                        length, tickMs);
}
