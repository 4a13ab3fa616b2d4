// The status line: one text at a time, the echo of the last sentence shown
// or a message of the search, kept so that a repaint draws it again.
#include <algorithm>

#include "nmea/sentence_assembler.h"
#include "screen/drawing_resources.h"
#include "screen/main_screen.h"
#include "screen/screen_areas.h"

namespace {

// 65 spaces and a full stop.
constexpr WCHAR kBlankLine[] =
    u"                                                                 .";
constexpr int kBlankLineLength = 66;
static_assert(sizeof(kBlankLine) / sizeof(WCHAR) == kBlankLineLength + 1);

// What the line shows: an echo stands on the blank line, a message alone.
struct StatusLine {
    bool echo;
    int32_t length;
    WCHAR text[kSentenceCapacity];
};
StatusLine line;

void Draw(HDC dc) {
    FillScratch(dc, kStatusLineArea, WhiteBrush);
    if (line.echo)
        DrawTextScratch(dc, kBlankLine, kBlankLineLength, kStatusLineArea, DT_SINGLELINE);
    if (line.length <= 0) return;
    DrawTextScratch(dc, line.text, line.length, kStatusLineArea, DT_SINGLELINE);
}

void Keep(bool echo, const WCHAR* text, int32_t length) {
    line.echo = echo;
    line.length = text == nullptr ? 0 : std::clamp(length, 0, kSentenceCapacity);
    if (line.length > 0) std::copy(text, text + line.length, line.text);
}

}  // namespace

void DrawSentenceEcho(HDC dc, const WCHAR* echo, int32_t length) {
    Keep(true, echo, length);
    Draw(dc);
}

void DrawStatusText(HDC dc, const WCHAR* text) {
    Keep(false, text, text == nullptr ? 0 : TextLength(text));
    Draw(dc);
}

void RepaintStatusLine(HDC dc) {
    if (line.echo || line.length > 0) Draw(dc);
}

void ForgetStatusLine() {
    line.echo = false;
    line.length = 0;
}
