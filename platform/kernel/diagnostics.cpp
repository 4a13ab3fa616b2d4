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
#include "platform/kernel/diagnostics.h"
#include "platform/kernel/wide_text.h"
#include "win/kernel.h"

namespace kernel {
namespace {

// Room for the name the program sets; a longer one is cut.
char program_name[64] = "";

}  // namespace

ReportMemory& Reports() {
    static ReportMemory* const memory = new ReportMemory;
    return *memory;
}

const char* ProgramName() {
    return program_name[0] != '\0' ? program_name : program_invocation_short_name;
}

}  // namespace kernel

namespace host {
namespace {

// Longer texts are cut; the line still ends with a newline.
constexpr std::size_t kLineCapacity = 512;

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

void SetProgramName(const char* name) {
    std::snprintf(kernel::program_name, sizeof kernel::program_name, "%s",
                  name != nullptr ? name : "");
}

bool Report(const char* format, ...) {
    const int saved_errno = errno;
    char line[kLineCapacity];
    // "NAME: ", cut to leave room for the text.
    const int prefix = std::snprintf(line, kLineCapacity / 2, "%s: ", kernel::ProgramName());
    const std::size_t prefix_length =
        std::min(static_cast<std::size_t>(prefix < 0 ? 0 : prefix), kLineCapacity / 2 - 1);
    std::va_list args;
    va_start(args, format);
    // One place is kept for the newline.
    const int n =
        std::vsnprintf(line + prefix_length, kLineCapacity - prefix_length - 1, format, args);
    va_end(args);
    if (n < 0) {
        errno = saved_errno;
        return false;
    }
    std::size_t length =
        prefix_length + std::min(static_cast<std::size_t>(n), kLineCapacity - prefix_length - 2);
    line[length++] = '\n';
    const std::uint64_t hash = Hash(line, length);

    kernel::ReportMemory& memory = kernel::Reports();
    bool written = false;
    {
        // Held while writing, so lines from two threads never interleave.
        std::lock_guard<std::mutex> lock(memory.mutex);
        bool known = false;
        for (std::size_t i = 0; i < memory.count && !known; ++i)
            known = memory.said[i] == hash;
        if (!known && memory.count < kernel::kRememberedReports) {
            memory.said[memory.count++] = hash;
            WriteLine(line, length);
            written = true;
        } else if (!known && !memory.overflow_said) {
            memory.overflow_said = true;
            char overflow[kLineCapacity];
            const int m = std::snprintf(overflow, sizeof overflow,
                                        "%.*stoo many different failures; further ones are "
                                        "not shown\n",
                                        static_cast<int>(prefix_length), line);
            if (m > 0)
                WriteLine(overflow, std::min(static_cast<std::size_t>(m), sizeof overflow - 1));
        }
    }
    errno = saved_errno;
    return written;
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
