// Conversion of the platform's UTF-16 names to the host's UTF-8.
#pragma once

#include <cstddef>

namespace kernel {

// Converts a terminated UTF-16 string; false on a lone surrogate or when the
// result with its terminator does not fit in capacity bytes.
bool Utf16ToUtf8(const char16_t* text, char* out, std::size_t capacity);

}  // namespace kernel
