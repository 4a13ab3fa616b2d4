// wsprintfW: the printf-style formatting the program uses, into a wide buffer
// of at most 1024 characters. Numbers are formatted by the C library into a
// narrow buffer and widened, so they carry exactly the digits printf would
// give.
#include <cstdarg>
#include <cstdio>

#include "win/kernel.h"

namespace {

// The buffer the caller passes holds 1024 characters, the terminator included.
constexpr int kMaxOutput = 1023;
// Widths and precisions beyond this change nothing in the visible 1023
// characters, and keeping them small keeps snprintf's count within an int.
constexpr int kMaxField = 4096;

class Output {
  public:
    explicit Output(char16_t* buffer) : buffer_(buffer) {}

    void Put(char16_t c) {
        if (length_ < kMaxOutput) buffer_[length_++] = c;
    }
    void PutAscii(const char* text, int count) {
        for (int i = 0; i < count && length_ < kMaxOutput; ++i) {
            buffer_[length_++] = static_cast<unsigned char>(text[i]);
        }
    }
    bool Full() const { return length_ >= kMaxOutput; }
    int Finish() {
        buffer_[length_] = u'\0';
        return length_;
    }

  private:
    char16_t* buffer_;
    int length_ = 0;
};

// Reads the digits at *p, if any, into *value (clamped); -1 when there are none.
const char16_t* ParseNumber(const char16_t* p, int* value) {
    if (*p < u'0' || *p > u'9') {
        *value = -1;
        return p;
    }
    int n = 0;
    for (; *p >= u'0' && *p <= u'9'; ++p) {
        n = n * 10 + (*p - u'0');
        if (n > kMaxField) n = kMaxField;
    }
    *value = n;
    return p;
}

// The format string is built from the closed set of conversions below, never
// from the caller's text.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
template <typename T>
void PutNumber(Output& out, int width, int precision, char conversion, T value) {
    char format[32];
    if (precision >= 0) {
        std::snprintf(format, sizeof format, "%%%d.%d%c", width < 0 ? 0 : width, precision,
                      conversion);
    } else {
        std::snprintf(format, sizeof format, "%%%d%c", width < 0 ? 0 : width, conversion);
    }
    char digits[kMaxOutput + 2];
    int count = std::snprintf(digits, sizeof digits, format, value);
    if (count < 0) return;
    if (count > static_cast<int>(sizeof digits) - 1) count = static_cast<int>(sizeof digits) - 1;
    out.PutAscii(digits, count);
}
#pragma GCC diagnostic pop

int Format(char16_t* buffer, const char16_t* format, va_list& args) {
    Output out(buffer);
    const char16_t* p = format;
    while (*p != 0 && !out.Full()) {
        if (*p != u'%') {
            out.Put(*p++);
            continue;
        }
        int width = -1;
        int precision = -1;
        p = ParseNumber(p + 1, &width);
        if (*p == u'.') {
            p = ParseNumber(p + 1, &precision);
            if (precision < 0) precision = 0;
        }
        const char16_t conversion = *p;
        if (conversion == 0) break;
        ++p;
        switch (conversion) {
            case u'd':
                PutNumber(out, width, precision, 'd', va_arg(args, int));
                break;
            case u'x':
                PutNumber(out, width, precision, 'x', va_arg(args, unsigned int));
                break;
            case u'f':
                PutNumber(out, width, precision, 'f', va_arg(args, double));
                break;
            default:
                // "%%", and any other conversion, prints its own character
                // and takes no argument.
                out.Put(conversion);
                break;
        }
    }
    return out.Finish();
}

}  // namespace

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
    if (buffer == nullptr) return 0;
    if (format == nullptr) {
        buffer[0] = u'\0';
        return 0;
    }
    va_list args;
    va_start(args, format);
    int count = Format(buffer, format, args);
    va_end(args);
    return count;
}
