// What the diagnostics channel keeps: the program's name and the texts said
// so far. Internal to the platform layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace kernel {

// A program with this many different failures has said enough: further new
// texts are dropped after one line that says so, rather than forgetting old
// ones and repeating them on every tick.
inline constexpr std::size_t kRememberedReports = 128;

struct ReportMemory {
    std::mutex mutex;
    std::uint64_t said[kRememberedReports] = {};
    std::size_t count = 0;
    bool overflow_said = false;
};

// Never destroyed: static destructors may still report.
ReportMemory& Reports();

// The name each diagnostics line starts with.
const char* ProgramName();

}  // namespace kernel
