// The command line handed to WinMain: the program's arguments joined by
// spaces, converted from UTF-8 to UTF-16.
#pragma once

#include <string>

namespace entry {

// Bytes that are not valid UTF-8 become U+FFFD.
std::u16string CommandLineFromArguments(int argc, const char* const* argv);

}  // namespace entry
