// wsprintfW: the printf-style formatting the program uses, into a wide buffer
// of at most 1024 characters. Numbers carry exactly the characters printf
// would give.
#include <charconv>
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

// Integers are laid out here, as printf would: at least `precision` digits
// (none for a zero with precision 0), then spaces in front up to `width`.
// The C library would cost more than the drawing of the number.
void PutInteger(Output& out, int width, int precision, bool negative, unsigned long long magnitude,
                unsigned base) {
    char digits[24];
    int count = 0;
    for (; magnitude != 0; magnitude /= base)
        digits[count++] = "0123456789abcdef"[magnitude % base];
    if (precision < 0) precision = 1;
    const int zeros = precision > count ? precision - count : 0;
    const int length = (negative ? 1 : 0) + zeros + count;
    for (int i = length; i < width && !out.Full(); ++i)
        out.Put(u' ');
    if (negative) out.Put(u'-');
    for (int i = 0; i < zeros && !out.Full(); ++i)
        out.Put(u'0');
    while (count > 0)
        out.Put(static_cast<char16_t>(digits[--count]));
}

void PutFloatByPrintf(Output& out, int width, int precision, double value) {
    char digits[kMaxOutput + 2];
    int count =
        std::snprintf(digits, sizeof digits, "%*.*f", width < 0 ? 0 : width, precision, value);
    if (count < 0) return;
    if (count > static_cast<int>(sizeof digits) - 1) count = static_cast<int>(sizeof digits) - 1;
    out.PutAscii(digits, count);
}

// std::to_chars gives printf's digits for a fixed precision, at a fraction of
// its cost.
void PutFloat(Output& out, int width, int precision, double value) {
    // A missing precision is printf's 6.
    if (precision < 0) precision = 6;
    char digits[kMaxOutput + 2];
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, precision);
    // Longer than the output can show: the visible part comes from printf.
    if (error != std::errc()) {
        PutFloatByPrintf(out, width, precision, value);
        return;
    }
    const int count = static_cast<int>(end - digits);
    for (int i = count; i < width && !out.Full(); ++i)
        out.Put(u' ');
    out.PutAscii(digits, count);
}

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
            case u'd': {
                const int value = va_arg(args, int);
                // Negated in unsigned arithmetic, so INT_MIN has its magnitude.
                const unsigned long long magnitude =
                    value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                              : static_cast<unsigned long long>(value);
                PutInteger(out, width, precision, value < 0, magnitude, 10);
                break;
            }
            case u'x':
                PutInteger(out, width, precision, false, va_arg(args, unsigned int), 16);
                break;
            case u'f':
                PutFloat(out, width, precision, va_arg(args, double));
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
