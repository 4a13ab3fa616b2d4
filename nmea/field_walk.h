// The field walk that every sentence decoder shares.
#pragma once

#include <cstdint>

#include "nmea/number_text.h"

namespace nmea_fields {

// One field as the decoder's field buffer would hold it: its head, cut to
// what fits in the buffer with its terminating NUL.
struct FieldText {
    const char* text;
    int32_t length;
};

inline float AsFloat(FieldText field) {
    return ParseFloatText(field.text, field.length);
}
inline int32_t AsInt(FieldText field) {
    return ParseIntText(field.text, field.length);
}
inline char AsLetter(FieldText field) {
    return field.length > 0 ? field.text[0] : '\0';
}

// The text copied to the buffer with every byte at or above 0x80 read as '0'.
template <int BufferSize>
FieldText HighBytesAsZeroText(FieldText text, char (&buffer)[BufferSize]) {
    for (int32_t k = 0; k < text.length; ++k) {
        const char b = text.text[k];
        buffer[k] = static_cast<unsigned char>(b) >= 0x80 ? '0' : b;
    }
    buffer[text.length] = '\0';
    return FieldText{buffer, text.length};
}

// What a byte is to the field walk: text, a separator (',' or '*') or the
// NUL that ends the sentence. One table lookup per byte instead of three
// comparisons.
enum ByteClass : uint8_t { kTextByte, kSeparatorByte, kEndByte };
struct ByteClasses {
    uint8_t of[256];
    constexpr ByteClasses() : of{} {
        of[static_cast<unsigned char>(',')] = kSeparatorByte;
        of[static_cast<unsigned char>('*')] = kSeparatorByte;
        of[0] = kEndByte;
    }
};
inline constexpr ByteClasses kByteClasses;

// A walk that reads numbers hands each field's number with it: its value
// when the field is plain digits, nine at the most, which nearly every
// numeric field is; kNotPlain for any other.
inline constexpr int32_t kNotPlain = -1;

// Where a walk ended: how many fields it handed on and the separator that
// ended the last of them (NUL when there was none).
struct WalkEnd {
    int32_t fields;
    char separator;
};

// The field's head that a field buffer of BufferSize holds with its NUL.
template <int BufferSize>
FieldText CutToBuffer(FieldText field) {
    static_assert(BufferSize > 1, "the buffer must hold a character and the NUL");
    constexpr int32_t kMaxText = BufferSize - 1;
    return FieldText{field.text, field.length < kMaxText ? field.length : kMaxText};
}

// Walks positions 0 to `length` of the sentence, stopping early at a NUL.
// Every ',' or '*' ends a field; field 0 (the address) is skipped and each
// later field goes to the handler, which returns false to stop the walk:
// handler(number, text) with the text cut to a buffer of BufferSize
// (CutToBuffer), or, with ReadNumbers, handler(number, text, value) with
// the whole text, which the handler cuts when it needs it, and the
// number read in the same pass. Text after the last separator (checksum
// digits, CR LF) is never handed on.
template <int BufferSize, bool ReadNumbers, typename Handler>
WalkEnd WalkFields(const char* sentence, int32_t length, Handler&& handler) {
    int32_t field = 0;
    const char* start = sentence;
    char separator = '\0';
    // The value wraps harmlessly past nine digits, where it is not used.
    [[maybe_unused]] uint32_t value = 0;
    [[maybe_unused]] bool plain = true;
    for (int64_t i = 0; i <= length; ++i) {
        const unsigned char c = static_cast<unsigned char>(sentence[i]);
        if constexpr (ReadNumbers) {
            // A numeric sentence is digits and separators almost only: two
            // comparisons tell them apart sooner than the table does.
            const unsigned digit = c - static_cast<unsigned>('0');
            if (digit < 10) [[likely]] {
                value = value * 10 + digit;
                continue;
            }
            if (c != ',' && c != '*') {
                if (c == '\0') break;
                plain = false;
                continue;
            }
        } else {
            const uint8_t kind = kByteClasses.of[c];
            if (kind == kTextByte) continue;
            if (kind == kEndByte) break;
        }
        if (field > 0) {
            const FieldText text{start, static_cast<int32_t>(sentence + i - start)};
            bool goOn = false;
            if constexpr (ReadNumbers) {
                goOn = handler(field, text,
                               plain && text.length <= 9 ? static_cast<int32_t>(value) : kNotPlain);
            } else {
                goOn = handler(field, CutToBuffer<BufferSize>(text));
            }
            if (!goOn) return WalkEnd{field, static_cast<char>(c)};
        }
        ++field;
        start = sentence + i + 1;
        separator = static_cast<char>(c);
        if constexpr (ReadNumbers) {
            value = 0;
            plain = true;
        }
    }
    return WalkEnd{field > 0 ? field - 1 : 0, separator};
}

}  // namespace nmea_fields
