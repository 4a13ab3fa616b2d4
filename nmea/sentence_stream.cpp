#include "nmea/sentence_stream.h"

#include "nmea/nav_record.h"
#include "screen/main_screen.h"

SentenceAssembler Assembler;

namespace {

// The last position is kept for the terminating NUL.
constexpr int32_t kMaxSentenceLength = kSentenceCapacity - 1;

// Bytes 0x80 and above widen by sign extension, as a signed char would.
WCHAR Widen(uint8_t byte) {
    return static_cast<WCHAR>(static_cast<int16_t>(static_cast<int8_t>(byte)));
}

char At(const char* text, int32_t length, int32_t position) {
    return position < length ? text[position] : '\0';
}

void HandleSentence(HDC dc) {
    SentenceAssembler& a = Assembler;
    const int32_t length = a.sentenceLength;
    a.sentenceText[length] = '\0';

    // A sentence that filled the buffer may have lost its tail; no genuine
    // sentence comes near that length.
    if (length >= kMaxSentenceLength || !Nav.VerifyChecksum(a.sentenceText)) {
        DrawChecksumFailureMark(dc);
        return;
    }

    // Only the type letters are examined, so every talker is accepted.
    const char first = At(a.sentenceText, length, 4);
    const char second = At(a.sentenceText, length, 5);
    if (first == 'G' && second == 'A') {
        DrawSentenceEcho(dc, a.sentenceEcho, length);
        Nav.ParseGga(a.sentenceText, length);
        RefreshGga(dc);
    } else if (first == 'S' && second == 'A') {
        DrawSentenceEcho(dc, a.sentenceEcho, length);
        Nav.ParseGsa(a.sentenceText, length);
        RefreshGsa(dc);
    } else if (first == 'S' && second == 'V') {
        DrawSentenceEcho(dc, a.sentenceEcho, length);
        if (Nav.ParseGsv(a.sentenceText, length)) RefreshGsv(dc);
    } else if (first == 'M' && second == 'C') {
        DrawSentenceEcho(dc, a.sentenceEcho, length);
        Nav.ParseRmc(a.sentenceText, length);
        RefreshRmc(dc);
    }
}

}  // namespace

void ProcessChunk(HWND /*window*/, HDC dc, const uint8_t* bytes, int32_t count) {
    DrawChecksumMarkReset(dc);
    if (bytes == nullptr) return;

    SentenceAssembler& a = Assembler;
    // Only this file writes the length; the clamp keeps a damaged value from
    // ever indexing outside the buffers.
    if (a.sentenceLength < 0 || a.sentenceLength > kMaxSentenceLength) {
        a.sentenceLength = kMaxSentenceLength;
    }
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t byte = bytes[i];
        if (byte != '$') {
            // A run without '$' longer than the buffer keeps its head; the
            // rest is dropped until the next sentence starts.
            if (a.sentenceLength < kMaxSentenceLength) {
                a.sentenceText[a.sentenceLength] = static_cast<char>(byte);
                a.sentenceEcho[a.sentenceLength] = Widen(byte);
                ++a.sentenceLength;
            }
            continue;
        }
        HandleSentence(dc);
        a.sentenceText[0] = '$';
        a.sentenceEcho[0] = u'$';
        a.sentenceLength = 1;
    }
}
