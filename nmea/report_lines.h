// gpsd's reports arrive as lines of JSON in arbitrary pieces: the current
// line is collected here and handed on once its line end has come.
#pragma once

#include <cstdint>

// More than gpsd's longest report: a SKY of every signal a receiver of
// today tracks runs to 9 KB.
inline constexpr int32_t kReportLineCapacity = 16384;

struct ReportLineAssembler {
    int32_t length;
    bool cut;  // the line outgrew the buffer: its head is kept, the rest dropped
    char text[kReportLineCapacity];  // NUL-terminated when handed on
};

extern ReportLineAssembler ReportLines;

// Appends the bytes to the current line. Each LF ends it: a CR before the LF
// is dropped, the text is NUL-terminated and onLine(text, length, cut) runs
// with a text it may change (libgps parses in place). Bytes after the last
// LF wait for the next call.
template <typename OnLine>
void AssembleReportLines(ReportLineAssembler& a, const uint8_t* bytes, int32_t count,
                         OnLine&& onLine) {
    // The clamp keeps a damaged length from ever indexing outside the buffer.
    if (a.length < 0 || a.length >= kReportLineCapacity) a.length = kReportLineCapacity - 1;
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t byte = bytes[i];
        if (byte != '\n') {
            if (a.length < kReportLineCapacity - 1) {
                a.text[a.length++] = static_cast<char>(byte);
            } else {
                a.cut = true;
            }
            continue;
        }
        int32_t length = a.length;
        if (length > 0 && a.text[length - 1] == '\r' && !a.cut) --length;
        a.text[length] = '\0';
        onLine(static_cast<char*>(a.text), length, a.cut);
        a.length = 0;
        a.cut = false;
    }
}
