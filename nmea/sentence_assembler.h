// The sentence assembler: received bytes collected into the current sentence,
// which its line end or the next '$' closes and hands on.
#pragma once

#include <cstdint>

inline constexpr int kSentenceCapacity = 512;
// The last position is kept for the terminating NUL.
inline constexpr int32_t kMaxSentenceLength = kSentenceCapacity - 1;

// The current sentence, kept between chunks.
struct SentenceAssembler {
    int32_t sentenceLength;
    // 1 once a line end has closed the sentence: what comes before the next
    // '$' (noise, the rest of a line that lost its '$') belongs to none.
    uint8_t lineEnded;
    char sentenceText[kSentenceCapacity];      // NUL-terminated when closed
    char16_t sentenceEcho[kSentenceCapacity];  // widened for display, not terminated
};

extern SentenceAssembler Assembler;

// Bytes 0x80 and above widen by sign extension, as a signed char would.
inline char16_t WidenForEcho(uint8_t byte) {
    return static_cast<char16_t>(static_cast<int16_t>(static_cast<int8_t>(byte)));
}

// Appends the bytes to the current sentence. Its line end (the LF of CR LF,
// or a LF alone) closes it, and so does the next '$' when the line end never
// came: the text is NUL-terminated, onClosed(assembler) runs, and each '$'
// starts a new sentence. A sentence is thus handled in the chunk that ends
// it, not one later. A run without '$' longer than the buffer keeps its head;
// the rest is dropped until its line end or the next '$'.
template <typename OnClosed>
void AssembleBytes(SentenceAssembler& a, const uint8_t* bytes, int32_t count, OnClosed&& onClosed) {
    // The clamp keeps a damaged length from ever indexing outside the buffers.
    if (a.sentenceLength < 0 || a.sentenceLength > kMaxSentenceLength) {
        a.sentenceLength = kMaxSentenceLength;
    }
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t byte = bytes[i];
        if (byte == '$') {
            if (a.lineEnded == 0) {
                a.sentenceText[a.sentenceLength] = '\0';
                onClosed(static_cast<const SentenceAssembler&>(a));
            }
            a.sentenceText[0] = '$';
            a.sentenceEcho[0] = u'$';
            a.sentenceLength = 1;
            a.lineEnded = 0;
            continue;
        }
        if (a.lineEnded != 0) continue;
        if (a.sentenceLength < kMaxSentenceLength) {
            a.sentenceText[a.sentenceLength] = static_cast<char>(byte);
            a.sentenceEcho[a.sentenceLength] = WidenForEcho(byte);
            ++a.sentenceLength;
        }
        if (byte == '\n') {
            a.sentenceText[a.sentenceLength] = '\0';
            onClosed(static_cast<const SentenceAssembler&>(a));
            a.sentenceLength = 0;
            a.lineEnded = 1;
        }
    }
}
