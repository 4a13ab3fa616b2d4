#include "command_line.h"

namespace entry {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
        return;
    }
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
}

void AppendUtf8(std::u16string& out, const unsigned char* s) {
    while (*s != 0) {
        unsigned char lead = *s;
        int extra;
        char32_t c;
        if (lead < 0x80) {
            out.push_back(lead);
            ++s;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            c = lead & 0x07;
        } else {
            out.push_back(static_cast<char16_t>(kReplacement));
            ++s;
            continue;
        }
        int taken = 1;
        bool ok = true;
        for (; taken <= extra; ++taken) {
            if ((s[taken] & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (s[taken] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not text.
        if (ok && ((extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000) || c > 0x10FFFF ||
                   (c >= 0xD800 && c <= 0xDFFF))) {
            ok = false;
        }
        if (!ok) {
            out.push_back(static_cast<char16_t>(kReplacement));
            s += taken;
            continue;
        }
        AppendUtf16(out, c);
        s += extra + 1;
    }
}

}  // namespace

std::u16string CommandLineFromArguments(int argc, const char* const* argv) {
    std::u16string line;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr) break;
        if (i > 1) line.push_back(u' ');
        AppendUtf8(line, reinterpret_cast<const unsigned char*>(argv[i]));
    }
    return line;
}

}  // namespace entry
