// Kernel objects (files and serial ports) behind HANDLE values.
#pragma once

#include <mutex>
#include <string>

#include "platform/kernel/unique_fd.h"
#include "win/types.h"

namespace kernel {

enum class ObjectKind { kFile, kSerial };

// Error counters of a serial line, as last reported to the caller.
struct LineCounters {
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int brk = 0;
    int buf_overrun = 0;
};

struct KernelObject {
    KernelObject() = default;
    KernelObject(KernelObject&&) = default;
    KernelObject& operator=(KernelObject&&) = default;
    // Lifts a serial line's exclusive-open flag before the descriptor closes.
    ~KernelObject();

    ObjectKind kind = ObjectKind::kFile;
    UniqueFd fd;
    // What failures on the object are reported under: the file's path, or
    // the port with its device.
    std::string name;
    bool can_read = false;
    bool can_write = false;
    bool counters_known = false;
    LineCounters counters;
};

// Open files and ports at once.
inline constexpr int kMaxHandles = 128;

// Takes ownership of the object; INVALID_HANDLE_VALUE when the table is full.
HANDLE AddObject(KernelObject object);

// Closes the object behind the handle; false if the handle is not open.
bool RemoveObject(HANDLE handle);

// Holds the table lock while the caller works on one object. Get() is null
// when the handle is not open.
class ObjectLock {
  public:
    explicit ObjectLock(HANDLE handle);
    KernelObject* Get() const { return object_; }

  private:
    std::unique_lock<std::mutex> lock_;
    KernelObject* object_ = nullptr;
};

}  // namespace kernel
