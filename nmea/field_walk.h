// The field walk that the four sentence decoders share.
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

// What a byte is to the field walk: 0 text, 1 a separator (',' or '*'), 2 the
// NUL that ends the sentence. One table lookup per byte instead of three
// comparisons.
struct ByteClasses {
    uint8_t of[256];
    constexpr ByteClasses() : of{} {
        of[static_cast<unsigned char>(',')] = 1;
        of[static_cast<unsigned char>('*')] = 1;
        of[0] = 2;
    }
};
inline constexpr ByteClasses kByteClasses;

// Walks positions 0 to `length` of the sentence, stopping early at a NUL.
// Every ',' or '*' ends a field; field 0 (the address) is skipped and each
// later field goes to handler(number, text), which returns false to stop the
// walk. Text after the last separator (checksum digits, CR LF) is never handed
// on. With HighBytesAsZero every byte at or above 0x80 reads as '0'.
template <int BufferSize, bool HighBytesAsZero, typename Handler>
void WalkFields(const char* sentence, int32_t length, Handler&& handler) {
    static_assert(BufferSize > 1, "the buffer must hold a character and the NUL");
    constexpr int32_t kMaxText = BufferSize - 1;
    char buffer[BufferSize];
    int32_t field = 0;
    int64_t start = 0;
    for (int64_t i = 0; i <= length; ++i) {
        const uint8_t kind = kByteClasses.of[static_cast<unsigned char>(sentence[i])];
        if (kind == 0) continue;
        if (kind == 2) return;
        if (field > 0) {
            const int64_t size = i - start;
            FieldText text{sentence + start,
                           size < kMaxText ? static_cast<int32_t>(size) : kMaxText};
            if constexpr (HighBytesAsZero) text = HighBytesAsZeroText(text, buffer);
            if (!handler(field, text)) return;
        }
        ++field;
        start = i + 1;
    }
}

}  // namespace nmea_fields
