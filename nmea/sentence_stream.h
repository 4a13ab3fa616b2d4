// The sentence stream: received bytes assembled into sentences, verified,
// decoded and followed by their screen refresh.
#pragma once

#include <cstdint>

#include "win/types.h"

inline constexpr int kSentenceCapacity = 512;

// The current sentence, kept between chunks.
struct SentenceAssembler {
    int32_t sentenceLength;
    char sentenceText[kSentenceCapacity];      // NUL-terminated when closed
    WCHAR sentenceEcho[kSentenceCapacity];     // widened for display, not terminated
};

extern SentenceAssembler Assembler;

// Runs one chunk of received bytes through the stream, drawing on dc.
void ProcessChunk(HWND window, HDC dc, const uint8_t* bytes, int32_t count);
