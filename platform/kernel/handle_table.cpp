#include "platform/kernel/handle_table.h"

#include <sys/ioctl.h>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

namespace kernel {
namespace {

// Handle values carry a slot index and the slot's generation, so a stale
// handle of a closed and reused slot is refused. They never equal 0 or -1.
constexpr std::uintptr_t kHandleBase = 0x4B000000u;
constexpr std::uintptr_t kHandleSpan = 0x01000000u;

struct Slot {
    std::optional<KernelObject> object;
    std::uint16_t generation = 0;
};

struct Table {
    std::mutex mutex;
    std::array<Slot, kMaxHandles> slots;
};

// Never destroyed, so handles stay valid for static destructors that run at
// exit; the host closes the descriptors when the process ends.
Table& GetTable() {
    static Table* table = new Table;
    return *table;
}

HANDLE Encode(int index, std::uint16_t generation) {
    std::uintptr_t value = kHandleBase + (static_cast<std::uintptr_t>(generation) << 8) +
                           static_cast<std::uintptr_t>(index);
    return reinterpret_cast<HANDLE>(value);
}

// Caller holds the table's mutex.
Slot* Decode(HANDLE handle) {
    auto& table = GetTable().slots;
    auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value < kHandleBase || value >= kHandleBase + kHandleSpan) return nullptr;
    value -= kHandleBase;
    std::uintptr_t index = value & 0xFF;
    auto generation = static_cast<std::uint16_t>(value >> 8);
    if (index >= table.size()) return nullptr;
    Slot& slot = table[index];
    if (!slot.object.has_value() || slot.generation != generation) return nullptr;
    return &slot;
}

}  // namespace

HANDLE AddObject(KernelObject object) {
    Table& table = GetTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    for (int i = 0; i < kMaxHandles; ++i) {
        Slot& slot = table.slots[static_cast<std::size_t>(i)];
        if (!slot.object.has_value()) {
            slot.object.emplace(std::move(object));
            return Encode(i, slot.generation);
        }
    }
    return INVALID_HANDLE_VALUE;
}

bool RemoveObject(HANDLE handle) {
    std::optional<KernelObject> closing;
    {
        std::lock_guard<std::mutex> lock(GetTable().mutex);
        Slot* slot = Decode(handle);
        if (slot == nullptr) return false;
        closing = std::move(slot->object);
        slot->object.reset();
        ++slot->generation;
    }
    // The descriptor closes here, outside the lock: closing a tty may wait
    // for its output to drain.
    return true;
}

// The exclusive-open flag would otherwise outlive us on a line that another
// descriptor still holds open.
KernelObject::~KernelObject() {
    if (kind == ObjectKind::kSerial && fd.Valid()) ioctl(fd.Get(), TIOCNXCL);
}

ObjectLock::ObjectLock(HANDLE handle) : lock_(GetTable().mutex) {
    Slot* slot = Decode(handle);
    if (slot != nullptr) object_ = &*slot->object;
}

}  // namespace kernel
