#include "platform/kernel/wide_text.h"

#include <cstdint>

namespace kernel {

bool Utf16ToUtf8(const char16_t* text, char* out, std::size_t capacity) {
    if (text == nullptr || out == nullptr || capacity == 0) return false;
    std::size_t n = 0;
    auto put = [&](std::uint32_t byte) {
        if (n + 1 >= capacity) return false;
        out[n++] = static_cast<char>(byte);
        return true;
    };
    for (const char16_t* p = text; *p != 0; ++p) {
        std::uint32_t c = *p;
        if (c >= 0xD800 && c <= 0xDBFF) {
            std::uint32_t low = p[1];
            if (low < 0xDC00 || low > 0xDFFF) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            ++p;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
        bool ok;
        if (c < 0x80) {
            ok = put(c);
        } else if (c < 0x800) {
            ok = put(0xC0 | (c >> 6)) && put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            ok = put(0xE0 | (c >> 12)) && put(0x80 | ((c >> 6) & 0x3F)) && put(0x80 | (c & 0x3F));
        } else {
            ok = put(0xF0 | (c >> 18)) && put(0x80 | ((c >> 12) & 0x3F)) &&
                 put(0x80 | ((c >> 6) & 0x3F)) && put(0x80 | (c & 0x3F));
        }
        if (!ok) {
            out[0] = '\0';
            return false;
        }
    }
    out[n] = '\0';
    return true;
}

}  // namespace kernel
