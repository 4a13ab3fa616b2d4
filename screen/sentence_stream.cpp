#include "screen/sentence_stream.h"

#include "nmea/nav_record.h"
#include "nmea/sentence_assembler.h"
#include "nmea/sentence_router.h"
#include "screen/main_screen.h"

namespace {

void ShowSentence(HDC dc, const SentenceAssembler& a, uint32_t tickMs) {
    const int32_t length = a.sentenceLength;
    const SentenceKind kind = ClassifySentence(a.sentenceText, length);
    if (kind == SentenceKind::kFailed) {
        DrawChecksumFailureMark(dc);
        return;
    }
    if (kind == SentenceKind::kOther) {
        // Not shown, but it still ends a run of GSA sentences.
        DecodeSentence(Nav, kind, a.sentenceText, length, tickMs);
        return;
    }

    DrawSentenceEcho(dc, a.sentenceEcho, EchoLength(a.sentenceText, length));
    const bool groupEnded = DecodeSentence(Nav, kind, a.sentenceText, length, tickMs);
    switch (kind) {
        case SentenceKind::kGga:
            RefreshGga(dc);
            break;
        case SentenceKind::kGsa:
            RefreshGsa(dc);
            break;
        case SentenceKind::kGsv:
            if (groupEnded) RefreshGsv(dc);
            break;
        case SentenceKind::kRmc:
            RefreshRmc(dc);
            break;
        default:
            break;
    }
}

}  // namespace

void ProcessChunk(HWND /*window*/, HDC dc, const uint8_t* bytes, int32_t count) {
    DrawChecksumMarkReset(dc);
    if (bytes == nullptr) return;
    // Every sentence of a chunk arrived by this tick; groups that have gone
    // silent expire by it.
    const uint32_t tickMs = GetTickCount();
    AssembleBytes(Assembler, bytes, count,
                  [dc, tickMs](const SentenceAssembler& a) { ShowSentence(dc, a, tickMs); });
}
