#include "app/command_line.h"

#include "serial/line_rate.h"
#include "serial/serial_state.h"

namespace {

// Longer words than any option or value are refused whole.
constexpr int kWordCapacity = 32;

// Copies the next space-separated word into word; false at the end of the
// line or for a word too long to be one of ours.
bool NextWord(LPCWSTR* line, WCHAR (&word)[kWordCapacity], bool* tooLong) {
    LPCWSTR p = *line;
    while (*p == u' ' || *p == u'\t')
        ++p;
    int length = 0;
    *tooLong = false;
    for (; *p != 0 && *p != u' ' && *p != u'\t'; ++p) {
        if (length + 1 < kWordCapacity) {
            word[length++] = *p;
        } else {
            *tooLong = true;
        }
    }
    word[length] = 0;
    *line = p;
    return length > 0;
}

bool SameText(const WCHAR* a, const WCHAR* b) {
    for (; *a != 0 && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

}  // namespace

bool ApplyCommandLine(LPCWSTR commandLine) {
    if (commandLine == nullptr) return true;
    WCHAR word[kWordCapacity];
    WCHAR value[kWordCapacity];
    bool tooLong = false;
    DWORD baud = BaudSetting;
    while (NextWord(&commandLine, word, &tooLong)) {
        if (tooLong || !SameText(word, u"--baud")) {
            OutputDebugStringW(u"unknown option on the command line");
            return false;
        }
        if (!NextWord(&commandLine, value, &tooLong) || tooLong ||
            !ParseBaudSetting(value, &baud)) {
            OutputDebugStringW(u"--baud takes auto or a rate from 1200 to 230400");
            return false;
        }
    }
    BaudSetting = baud;
    return true;
}
