// wsprintfW: printf-style formatting into a wide buffer of at most 1024
// characters. Numbers are formatted by the C library into a narrow buffer and
// widened, so they carry exactly the digits printf would give.
#include <cstdarg>
#include <cstdio>
#include <type_traits>

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
    void Repeat(char16_t c, int count) {
        for (int i = 0; i < count && length_ < kMaxOutput; ++i)
            buffer_[length_++] = c;
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

enum class Size { kDefault, kChar, kShort, kLong, kLongLong, kNarrow, kWide };

struct Spec {
    bool minus = false;
    bool plus = false;
    bool space = false;
    bool zero = false;
    bool hash = false;
    int width = -1;
    int precision = -1;
    Size size = Size::kDefault;
};

int ClampedAdd(int value, char16_t digit) {
    int next = value * 10 + (digit - u'0');
    return next > kMaxField ? kMaxField : next;
}

// Builds "%<flags><width>.<precision><length><conversion>" for snprintf.
void NarrowSpec(const Spec& spec, const char* length, char conversion, char* out,
                std::size_t capacity) {
    char flags[6];
    int n = 0;
    if (spec.minus) flags[n++] = '-';
    if (spec.plus) flags[n++] = '+';
    if (spec.space) flags[n++] = ' ';
    if (spec.zero) flags[n++] = '0';
    if (spec.hash) flags[n++] = '#';
    flags[n] = '\0';
    if (spec.precision >= 0) {
        std::snprintf(out, capacity, "%%%s%d.%d%s%c", flags, spec.width < 0 ? 0 : spec.width,
                      spec.precision, length, conversion);
    } else if (spec.width >= 0) {
        std::snprintf(out, capacity, "%%%s%d%s%c", flags, spec.width, length, conversion);
    } else {
        std::snprintf(out, capacity, "%%%s%s%c", flags, length, conversion);
    }
}

// The format string is built from a closed set of conversions above, never
// from the caller's text.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
template <typename T>
void PutNumber(Output& out, const Spec& spec, const char* length, char conversion, T value) {
    char format[48];
    NarrowSpec(spec, length, conversion, format, sizeof format);
    char digits[kMaxOutput + 2];
    int count = std::snprintf(digits, sizeof digits, format, value);
    if (count < 0) return;
    if (count > static_cast<int>(sizeof digits) - 1) count = static_cast<int>(sizeof digits) - 1;
    out.PutAscii(digits, count);
}
#pragma GCC diagnostic pop

template <typename Char>
void PutText(Output& out, const Spec& spec, const Char* text) {
    static constexpr Char kNull[] = {'(', 'n', 'u', 'l', 'l', ')', 0};
    if (text == nullptr) text = kNull;
    // The precision bounds the scan, so an unterminated array is fine. Past
    // the visible output and the width the exact length no longer matters.
    int limit = spec.width > kMaxOutput ? spec.width : kMaxOutput;
    if (spec.precision >= 0 && spec.precision < limit) limit = spec.precision;
    int count = 0;
    while (count < limit && text[count] != 0) {
        ++count;
    }
    int padding = spec.width > count ? spec.width - count : 0;
    if (!spec.minus) out.Repeat(u' ', padding);
    for (int i = 0; i < count && !out.Full(); ++i) {
        out.Put(static_cast<char16_t>(static_cast<std::make_unsigned_t<Char>>(text[i])));
    }
    if (spec.minus) out.Repeat(u' ', padding);
}

void PutChar(Output& out, const Spec& spec, char16_t c) {
    int padding = spec.width > 1 ? spec.width - 1 : 0;
    if (!spec.minus) out.Repeat(u' ', padding);
    out.Put(c);
    if (spec.minus) out.Repeat(u' ', padding);
}

const char16_t* ParseSpec(const char16_t* p, Spec& spec, va_list& args) {
    for (;; ++p) {
        if (*p == u'-') {
            spec.minus = true;
        } else if (*p == u'+') {
            spec.plus = true;
        } else if (*p == u' ') {
            spec.space = true;
        } else if (*p == u'0') {
            spec.zero = true;
        } else if (*p == u'#') {
            spec.hash = true;
        } else {
            break;
        }
    }
    if (*p == u'*') {
        int width = va_arg(args, int);
        // A negative width from the argument list means left alignment.
        if (width < 0) {
            spec.minus = true;
            width = width < -kMaxField ? kMaxField : -width;
        }
        spec.width = width > kMaxField ? kMaxField : width;
        ++p;
    } else if (*p >= u'0' && *p <= u'9') {
        spec.width = 0;
        for (; *p >= u'0' && *p <= u'9'; ++p)
            spec.width = ClampedAdd(spec.width, *p);
    }
    if (*p == u'.') {
        ++p;
        spec.precision = 0;
        if (*p == u'*') {
            int precision = va_arg(args, int);
            // A negative precision from the argument list counts as none.
            spec.precision = precision < 0 ? -1 : (precision > kMaxField ? kMaxField : precision);
            ++p;
        } else {
            for (; *p >= u'0' && *p <= u'9'; ++p)
                spec.precision = ClampedAdd(spec.precision, *p);
        }
    }
    if (*p == u'h') {
        ++p;
        spec.size = Size::kShort;
        if (*p == u'h') {
            ++p;
            spec.size = Size::kChar;
        }
    } else if (*p == u'l') {
        ++p;
        // A plain 'l' is 32 bits as on the platform, whose long is 32 bits wide.
        spec.size = Size::kLong;
        if (*p == u'l') {
            ++p;
            spec.size = Size::kLongLong;
        }
    } else if (*p == u'w') {
        ++p;
        spec.size = Size::kWide;
    } else if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
        p += 3;
        spec.size = Size::kLongLong;
    }
    return p;
}

const char* IntLength(Size size) {
    switch (size) {
        case Size::kChar:
            return "hh";
        case Size::kShort:
            return "h";
        default:
            return "";
    }
}

int Format(char16_t* buffer, const char16_t* format, va_list& args) {
    Output out(buffer);
    const char16_t* p = format;
    while (*p != 0 && !out.Full()) {
        if (*p != u'%') {
            out.Put(*p++);
            continue;
        }
        ++p;
        Spec spec;
        p = ParseSpec(p, spec, args);
        char16_t conversion = *p;
        if (conversion == 0) break;
        ++p;
        switch (conversion) {
            case u'%':
                out.Put(u'%');
                break;
            case u'd':
            case u'i':
            case u'u':
            case u'x':
            case u'X': {
                char c = static_cast<char>(conversion);
                bool is_signed = c == 'd' || c == 'i';
                if (spec.size == Size::kLongLong) {
                    if (is_signed) {
                        PutNumber(out, spec, "ll", c, va_arg(args, long long));
                    } else {
                        PutNumber(out, spec, "ll", c, va_arg(args, unsigned long long));
                    }
                } else if (is_signed) {
                    PutNumber(out, spec, IntLength(spec.size), c, va_arg(args, int));
                } else {
                    PutNumber(out, spec, IntLength(spec.size), c, va_arg(args, unsigned int));
                }
                break;
            }
            case u'f':
            case u'F':
            case u'e':
            case u'E':
            case u'g':
            case u'G':
                PutNumber(out, spec, "", static_cast<char>(conversion), va_arg(args, double));
                break;
            case u's':
                if (spec.size == Size::kShort || spec.size == Size::kNarrow) {
                    PutText(out, spec, va_arg(args, const char*));
                } else {
                    PutText(out, spec, va_arg(args, const char16_t*));
                }
                break;
            case u'S':
                PutText(out, spec, va_arg(args, const char*));
                break;
            case u'c':
            case u'C': {
                int value = va_arg(args, int);
                bool narrow = conversion == u'C' || spec.size == Size::kShort;
                PutChar(out, spec,
                        narrow ? static_cast<char16_t>(static_cast<unsigned char>(value))
                               : static_cast<char16_t>(value));
                break;
            }
            default:
                // An unknown conversion prints its own letter and takes no argument.
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
