// The platform's one channel for failures the user should hear about: a line
// on stderr per distinct text, whatever how often the failure recurs.
#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "host/host.h"
#include "platform/kernel/wide_text.h"
#include "win/kernel.h"

namespace host {
namespace {

constexpr char kPrefix[] = "skymark: ";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
// Longer texts are cut; the line still ends with a newline.
constexpr std::size_t kLineCapacity = 512;
// A program with this many different failures has said enough: further new
// texts are dropped after one line that says so, rather than forgetting old
// ones and repeating them on every tick.
constexpr std::size_t kRemembered = 128;

struct Memory {
    std::mutex mutex;
    std::uint64_t said[kRemembered] = {};
    std::size_t count = 0;
    bool overflow_said = false;
};

Memory& TheMemory() {
    // Never destroyed: static destructors may still report.
    static Memory* const memory = new Memory;
    return *memory;
}

// FNV-1a: texts are short and a collision only silences one line.
std::uint64_t Hash(const char* text, std::size_t length) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < length; ++i) {
        hash ^= static_cast<unsigned char>(text[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

void WriteLine(const char* line, std::size_t length) {
    while (length > 0) {
        ssize_t n = write(STDERR_FILENO, line, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        line += n;
        length -= static_cast<std::size_t>(n);
    }
}

}  // namespace

bool Report(const char* format, ...) {
    const int saved_errno = errno;
    char line[kLineCapacity];
    std::memcpy(line, kPrefix, kPrefixLength);
    std::va_list args;
    va_start(args, format);
    // One place is kept for the newline.
    const int n =
        std::vsnprintf(line + kPrefixLength, kLineCapacity - kPrefixLength - 1, format, args);
    va_end(args);
    if (n < 0) {
        errno = saved_errno;
        return false;
    }
    std::size_t length =
        kPrefixLength + std::min(static_cast<std::size_t>(n), kLineCapacity - kPrefixLength - 2);
    line[length++] = '\n';
    const std::uint64_t hash = Hash(line, length);

    Memory& memory = TheMemory();
    bool written = false;
    {
        // Held while writing, so lines from two threads never interleave.
        std::lock_guard<std::mutex> lock(memory.mutex);
        bool known = false;
        for (std::size_t i = 0; i < memory.count && !known; ++i)
            known = memory.said[i] == hash;
        if (!known && memory.count < kRemembered) {
            memory.said[memory.count++] = hash;
            WriteLine(line, length);
            written = true;
        } else if (!known && !memory.overflow_said) {
            memory.overflow_said = true;
            static constexpr char kOverflow[] =
                "skymark: too many different failures; further ones are not shown\n";
            WriteLine(kOverflow, sizeof kOverflow - 1);
        }
    }
    errno = saved_errno;
    return written;
}

void ForgetReports() {
    Memory& memory = TheMemory();
    std::lock_guard<std::mutex> lock(memory.mutex);
    memory.count = 0;
    memory.overflow_said = false;
}

}  // namespace host

// The program's own messages take the same channel. Texts that are not
// valid UTF-16 are said as far as they convert.
void OutputDebugStringW(LPCWSTR text) {
    if (text == nullptr) return;
    char line[512];
    if (!kernel::Utf16ToUtf8(text, line, sizeof line)) {
        std::size_t n = 0;
        for (; text[n] != 0 && n + 1 < sizeof line; ++n)
            line[n] = text[n] < 0x80 ? static_cast<char>(text[n]) : '?';
        line[n] = '\0';
    }
    // One line: a trailing line end is the caller's habit, not part of the text.
    std::size_t length = std::strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
        line[--length] = '\0';
    host::Report("%s", line);
}
