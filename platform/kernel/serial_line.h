// Host side of the serial ports: termios and ioctl calls on one descriptor.
// The entry points translate the platform's records; these helpers know
// nothing of them.
#pragma once

#include <cstdint>

#include "platform/kernel/handle_table.h"
#include "platform/kernel/unique_fd.h"

namespace kernel {

enum class Parity { kNone, kOdd, kEven, kMark, kSpace };

struct LineSettings {
    std::uint32_t baud = 0;
    int data_bits = 8;
    Parity parity = Parity::kNone;
    int stop_bits = 1;  // 1 or 2
};

// Opens a terminal device for exclusive use, non-blocking; invalid on
// failure, with the reason in *error as an errno value: ENOTTY for a path
// that is not a terminal, EBUSY for a line that another opener holds.
UniqueFd OpenSerialDevice(const char* path, int access_flags, int* error);

bool ReadLineSettings(int fd, LineSettings* settings);
// Applies the settings on top of the line's current ones in raw mode and
// checks that they took.
bool ApplyLineSettings(int fd, const LineSettings& settings);

// Bytes waiting to be read; false when the line has gone (hung up, unplugged
// or its far side closed).
bool QueuedInput(int fd, std::uint32_t* input);
// Error counters since the previous call, as CE_ flags; 0 when the driver
// keeps no counters.
std::uint32_t TakeLineErrors(int fd, KernelObject& object);
bool DiscardQueues(int fd, bool input, bool output);

}  // namespace kernel
