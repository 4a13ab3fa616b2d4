#include "screen/sentence_stream.h"

#include <cstring>

#include "nmea/nav_record.h"
#include "nmea/reception.h"
#include "nmea/sentence_assembler.h"
#include "nmea/sentence_router.h"
#include "screen/main_screen.h"

namespace {

// The echo of the chunk's last shown sentence. Each echo covers the one
// before it on the status line, and nothing reaches the display within a
// chunk, so only the last is drawn.
struct PendingEcho {
    bool any;
    int32_t length;
    char16_t text[kSentenceCapacity];
};
PendingEcho pendingEcho;

void HoldEcho(const SentenceAssembler& a, int32_t checksumStart) {
    const int32_t length = EchoLengthFrom(a.sentenceText, a.sentenceLength, checksumStart);
    pendingEcho.any = true;
    pendingEcho.length = length;
    if (length > 0) std::memcpy(pendingEcho.text, a.sentenceEcho, sizeof(char16_t) * length);
}

// True when the sentence verified (text that carries nothing does not count).
bool ShowSentence(HDC dc, const SentenceAssembler& a, uint32_t tickMs) {
    const int32_t length = a.sentenceLength;
    const RoutedSentence routed = RouteSentence(a.sentenceText, length);
    const SentenceKind kind = routed.kind;
    if (kind == SentenceKind::kFailed) {
        DrawChecksumFailureMark(dc);
        return false;
    }
    const bool carries = !CarriesNothing(a.sentenceText, length);
    if (carries) NoteHeard(Nav, tickMs);
    if (kind == SentenceKind::kOther || kind == SentenceKind::kGst || kind == SentenceKind::kGns) {
        // Not shown on the status line; the other types still end a run of
        // GSA sentences.
        DecodeRouted(Nav, routed, a.sentenceText, length, tickMs);
        return carries;
    }

    HoldEcho(a, routed.fieldsEnd);
    const bool groupEnded = DecodeRouted(Nav, routed, a.sentenceText, length, tickMs);
    switch (kind) {
        case SentenceKind::kGga:
            NoteFixIfAny(Nav, tickMs);
            RefreshGga(dc);
            break;
        case SentenceKind::kGsa:
            RefreshGsa(dc);
            break;
        case SentenceKind::kGsv:
            if (groupEnded) RefreshGsv(dc);
            break;
        case SentenceKind::kRmc:
            NoteFixIfAny(Nav, tickMs);
            RefreshRmc(dc);
            break;
        default:
            break;
    }
    return true;
}

}  // namespace

int32_t ProcessChunk(HWND /*window*/, HDC dc, const uint8_t* bytes, int32_t count) {
    DrawChecksumMarkReset(dc);
    if (bytes == nullptr) return 0;
    // Every sentence of a chunk arrived by this tick; groups that have gone
    // silent expire by it.
    const uint32_t tickMs = GetTickCount();
    int32_t verified = 0;
    pendingEcho.any = false;
    AssembleBytes(Assembler, bytes, count, [dc, tickMs, &verified](const SentenceAssembler& a) {
        if (ShowSentence(dc, a, tickMs)) ++verified;
    });
    if (pendingEcho.any) DrawSentenceEcho(dc, pendingEcho.text, pendingEcho.length);
    return verified;
}
